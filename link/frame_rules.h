#pragma once
// The rules the link applies to frames it has sent and frames it has cut from the receive
// buffer. Pure functions of their arguments.

#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

// The smallest of the non-zero positions, 0 when all are 0. Positions count from 1, as the frame
// scan passes them (first ETB, first EOT, 0).
std::size_t FrameEnd(std::size_t first, std::size_t second, std::size_t third);

// The acknowledgement (ACK) or negative acknowledgement (NAK) frame answering a block: the
// control character and five characters of the frame last sent, taken from its sixth character
// on (its first payload characters); seven when that frame holds "IH". Terminated by ETB. A
// shorter frame gives what it has.
std::string HandshakeFrame(char control, std::string_view lastFrame);

// Commands that change the instrument in a way a second copy would repeat (restore defaults,
// clear body data, zero calibration, span step): never resent, only counted towards Retry.
bool IsNeverResent(std::string_view frame);

// Whether a reply frame carries the right checksum: the two characters between its ETX and its
// terminator must equal the checksum of the text from its first STX through that ETX. A frame
// without that layout cannot be verified and fails.
bool ReplyChecksumValid(std::string_view frame);

}  // namespace vq
