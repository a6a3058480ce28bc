#include "common/last_error.h"

#include <atomic>

namespace kernel {

namespace {
// Written by the worker, read by the UI thread: a plain 32-bit word shared
// between threads, made atomic so the read is well defined.
std::atomic<uint32_t> g_lastError{0};
std::atomic<uint64_t> g_lastErrorSerial{0};
} // namespace

void SetLastError(uint32_t code)
{
    g_lastError.store(code, std::memory_order_relaxed);
    g_lastErrorSerial.fetch_add(1, std::memory_order_relaxed);
}

uint64_t LastErrorSerial()
{
    return g_lastErrorSerial.load(std::memory_order_relaxed);
}

namespace {
std::atomic<uint64_t> g_writeFailures{0};
std::atomic<int> g_writeError{0};
} // namespace

void NoteWriteFailure(int error)
{
    g_writeError.store(error, std::memory_order_relaxed);
    g_writeFailures.fetch_add(1, std::memory_order_relaxed);
}

uint64_t WriteFailureSerial()
{
    return g_writeFailures.load(std::memory_order_relaxed);
}

int LastWriteFailure()
{
    return g_writeError.load(std::memory_order_relaxed);
}

namespace {
std::atomic<uint64_t> g_readFailures{0};
std::atomic<int> g_readError{0};
} // namespace

void NoteReadFailure(int error)
{
    g_readError.store(error, std::memory_order_relaxed);
    g_readFailures.fetch_add(1, std::memory_order_relaxed);
}

uint64_t ReadFailureSerial()
{
    return g_readFailures.load(std::memory_order_relaxed);
}

int LastReadFailure()
{
    return g_readError.load(std::memory_order_relaxed);
}

uint32_t LastError()
{
    return g_lastError.load(std::memory_order_relaxed);
}

} // namespace kernel
