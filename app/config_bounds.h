#pragma once
// The bounds of the link numbers of the configuration file and the command line, in one place:
// the configuration reader refuses a value outside them, vq5100ctl's --retry and --timeout take
// none outside them. An instrument that never answers costs at most (retries + 1) x time-out per
// request: 11 x 60 s at the very most.

namespace vq {

inline constexpr int kRetryDefault = 3;
inline constexpr int kRetryMin = 0;  // one try, no resend
inline constexpr int kRetryMax = 10;
inline constexpr int kTimeoutDefaultSeconds = 3;
inline constexpr int kTimeoutMinSeconds = 1;
inline constexpr int kTimeoutMaxSeconds = 60;

}  // namespace vq
