#include "protocol/decoder_log.h"

#include "app/messages.h"

namespace vq {

namespace {

constexpr int kFormatError = 5509;
constexpr int kResponseError = 5510;
constexpr int kImproperDate = 5511;
constexpr int kConnectFinished = 5514;

}  // namespace

std::string DecoderLogText(DecoderLog line, std::string_view argument) {
    switch (line) {
        case DecoderLog::FormatError:
            return ResMessage(kFormatError);
        case DecoderLog::ResponseError:
            return ResMessage(kResponseError);
        case DecoderLog::ChecksumError:
            return ResMessage(msg::ChecksumErrorLog);
        case DecoderLog::ImproperDate:
            return ResMessage(kImproperDate, {std::string(argument)});
        case DecoderLog::ConnectFinished:
            return ResMessage(kConnectFinished);
    }
    return {};
}

}  // namespace vq
