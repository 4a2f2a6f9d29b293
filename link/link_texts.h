#pragma once
// Message-table ids of the texts the link writes to the communication log and raises to its
// host (ResMessage, app/messages.h).

namespace vq::link_text {

inline constexpr int NoResponse = 5405;        // probing gave up (ends with CR LF)
inline constexpr int Sent = 5501;              // "W : ~1", the frame with its controls shown
inline constexpr int Received = 5502;          // "R : ~1"
inline constexpr int TimeoutMark = 5503;       // a binary dump block timed out
inline constexpr int FormatError = 5509;       // a reply too short to hold a command
inline constexpr int ConnectStarted = 5512;    // a probe goes out
inline constexpr int ChecksumError = 5513;     // a reply damaged on the line
inline constexpr int ConnectFinished = 5514;   // the probe was answered (ends with CR LF)
inline constexpr int SocketError = 5527;       // date, error number
inline constexpr int OtherSocketEvent = 5528;  // date, event code, error number
inline constexpr int BreakFound = 5542;        // line events, each with the date as ~1
inline constexpr int FramingError = 5543;
inline constexpr int PortOverrun = 5544;
inline constexpr int ReceiveOverflow = 5545;
inline constexpr int ParityError = 5546;
inline constexpr int SendOverflow = 5547;
inline constexpr int DeviceControlError = 5548;
inline constexpr int SocketConnected = 5550;  // socket link established, date as ~1
inline constexpr int EndlessAnswer = 5565;    // a block answer stopped: blocks ~1, seconds ~2

}  // namespace vq::link_text
