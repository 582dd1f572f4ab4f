#pragma once

// The peak resident memory of this process over a span (Linux: VmHWM in /proc/self/status).
namespace bench {

// Hands freed heap back to the system, then sets the peak to the memory resident now.
// False when the kernel does not allow the reset (the peak then covers the whole process).
bool ResetPeakMemory();

// The peak resident memory since the last reset, in MiB; negative when unknown.
double PeakMemoryMiB();

} // namespace bench
