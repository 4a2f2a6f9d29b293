#include "protocol/decoder_log.h"

#include "messages/messages.h"

namespace vq {

namespace {}  // namespace

std::string DecoderLogText(DecoderLog line, std::string_view argument) {
    switch (line) {
        case DecoderLog::FormatError:
            return ResMessage(msg::FormatError);
        case DecoderLog::ResponseError:
            return ResMessage(msg::ResponseError);
        case DecoderLog::ChecksumError:
            return ResMessage(msg::ChecksumErrorLog);
        case DecoderLog::ImproperDate:
            return ResMessage(msg::ImproperDate, {std::string(argument)});
        case DecoderLog::ConnectFinished:
            return ResMessage(msg::ConnectFinished);
    }
    return {};
}

}  // namespace vq
