// Write faults on demand. libVorlainFaultIo.so, linked into a test program,
// stands in front of the C library's calls that change files (writes,
// creates, renames, syncs, links, truncations): while armed it counts them
// and makes the N-th fail with the chosen errno. Every library of the
// process (the kernel, FFmpeg, libstdc++) goes through it, on every thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vorlain::test {

/** Starts counting from zero; the failAt-th counted call (1-based) fails
 *  with error, every later one goes through. failAt 0 only counts.
 *  Calls on paths containing skip (when not empty) are neither counted nor
 *  failed (files whose loss fails nothing, such as peak summaries). */
void FaultIoArm(uint64_t failAt, int error, const std::string& skip = {});
/** Counts as FaultIoArm does, but at the at-th counted call runs run (on
 *  the calling thread) and lets the call go through: a way to act at a
 *  known point inside a kernel call, such as asking it to stop. */
void FaultIoArmAction(uint64_t at, std::function<void()> run, const std::string& skip = {});
/** Stops counting; returns the number of calls counted. */
uint64_t FaultIoDisarm();
/** Whether the armed fault has fired, and on what ("write /path"). */
bool FaultIoFired();
std::string FaultIoFiredCall();
/** Makes every call on a path containing only fail (until disarmed). */
void FaultIoFailMatching(const std::string& only, int error);

} // namespace vorlain::test
