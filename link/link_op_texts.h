#pragma once
// Message-table ids of the communication-log lines the instrument operations and the memory
// dumps write (ResMessage, app/messages.h).

namespace vq::link_op_text {

inline constexpr int DefaultFinished = 5375;    // "DEFAULT finished"
inline constexpr int DefaultFailed = 5376;      // "DEFAULT failed"
inline constexpr int PowerOffStarted = 5506;    // ends with CR LF
inline constexpr int PowerOffFinished = 5507;   // ends with CR LF
inline constexpr int PowerOffFailed = 5508;     // ends with CR LF
inline constexpr int CalibrationFailed = 5516;  // date as ~1
inline constexpr int DataRemoveStarted = 5556;
inline constexpr int DataRemoveFinished = 5557;  // ends with CR LF
inline constexpr int DataRemoveFailed = 5558;    // ends with CR LF
inline constexpr int ReadingTimeout = 5560;      // date as ~1, ends with CR LF
inline constexpr int DumpStarted = 5569;         // date as ~1
inline constexpr int DumpFinished = 5570;        // date as ~1, elapsed as ~2, ends with CR LF

}  // namespace vq::link_op_text
