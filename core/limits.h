// The sizes the program works in, shared by its readers and its operations.
#pragma once

namespace pelorin {

// Largest sample count accepted: a synthesis of such a waveform already needs
// several GiB of work arrays.
inline constexpr int kMaxSamples = 1 << 26;

}  // namespace pelorin
