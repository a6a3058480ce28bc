#include "common/last_error.h"

#include <atomic>

namespace kernel {

namespace {
// Written by the worker, read by the UI thread: a plain 32-bit word shared
// between threads, made atomic so the read is well defined.
std::atomic<uint32_t> g_lastError{0};
} // namespace

void SetLastError(uint32_t code) { g_lastError.store(code, std::memory_order_relaxed); }

uint32_t LastError() { return g_lastError.load(std::memory_order_relaxed); }

} // namespace kernel
