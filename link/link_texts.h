#pragma once
// The texts the link writes to the communication log and raises to its host. Message-table texts
// are fetched by id through LinkText; the fixed protocol marks below are not translated.

#include <string>
#include <vector>

namespace vq {

namespace link_text {
inline constexpr int NoResponse = 5405;       // probing gave up (ends with CR LF)
inline constexpr int ConnectStarted = 5512;   // a probe goes out
inline constexpr int ConnectFinished = 5514;  // the probe was answered (ends with CR LF)
inline constexpr int BreakFound = 5542;       // line events, each with the date as ~1
inline constexpr int FramingError = 5543;
inline constexpr int PortOverrun = 5544;
inline constexpr int ReceiveOverflow = 5545;
inline constexpr int ParityError = 5546;
inline constexpr int SendOverflow = 5547;
inline constexpr int DeviceControlError = 5548;
inline constexpr int SocketConnected = 5550;  // socket link established, date as ~1

inline constexpr const char* SentPrefix = "W : ";
inline constexpr const char* ReceivedPrefix = "R : ";
inline constexpr const char* TimeoutMark = "= timeout =";
inline constexpr const char* ChecksumError = "<<< Checksum error >>>";
inline constexpr const char* FormatError = "<<< Format error >>>";
}  // namespace link_text

// The message text of `id` with "~1".."~9" replaced by the arguments and "~c" by CR LF.
std::string LinkText(int id, const std::vector<std::string>& args = {});

}  // namespace vq
