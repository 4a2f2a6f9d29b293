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

// Whether a frame is an acknowledgement (ACK) or negative acknowledgement (NAK) of a block, as
// HandshakeFrame builds them.
bool IsHandshakeFrame(std::string_view frame);

// Commands that change the instrument in a way a second copy would repeat (restore defaults,
// clear body data, zero calibration, span step): never resent, only counted towards Retry.
bool IsNeverResent(std::string_view frame);

// Whether a reply frame carries the right checksum: the two characters between its ETX and its
// terminator must equal the checksum of the text from its first STX through that ETX. A frame
// without that layout cannot be verified and fails.
bool ReplyChecksumValid(std::string_view frame);

// Whether a reply can answer the request last sent: it carries the request's command key and,
// for the indexed reads (station entries "XS,R", library tables "LI,R"), an index standing for
// the same number ("XS,R,5" answers "XS,R,0005", "LI,R,a" answers "LI,R,0A"). A late
// answer to an earlier request (slow, so the request went out again) does not; taken, it would
// end the transaction with another request's data and leave this one unread. A frame too short
// to hold a key is left to the decoder.
bool AnswersRequest(std::string_view reply, std::string_view request);

}  // namespace vq
