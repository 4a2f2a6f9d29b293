#include "link/link_texts.h"

#include <string_view>

namespace vq {
namespace {

std::string_view englishText(int id) {
    switch (id) {
        case link_text::NoResponse:
            return "VQ-5100 No Response. Check Port,Cable And Power.~c";
        case link_text::ConnectStarted:
            return "---StartUp Connect Sequence Started---";
        case link_text::ConnectFinished:
            return "---StartUp Connect Sequence Finished---~c";
        case link_text::BreakFound:
            return "Break Signal Found. Date = ~1";
        case link_text::FramingError:
            return "Flame Error. Date = ~1";
        case link_text::PortOverrun:
            return "Port Over Run. Date = ~1";
        case link_text::ReceiveOverflow:
            return "Receive Buffer Over Flow. Date = ~1";
        case link_text::ParityError:
            return "Parity Error. Date = ~1";
        case link_text::SendOverflow:
            return "Send Buffer Over Flow. Date = ~1";
        case link_text::DeviceControlError:
            return "Device Control Memory Error. Date = ~1";
        case link_text::SocketConnected:
            return "VQ-5100 ...Conneted. Date = ~1";
        default:
            return {};
    }
}

}  // namespace

std::string LinkText(int id, const std::vector<std::string>& args) {
    const std::string_view text = englishText(id);
    std::string out;
    out.reserve(text.size() + 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '~' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char key = text[++i];
        if (key == 'c' || key == 'C') {
            out += "\r\n";
        } else if (key >= '1' && key <= '9') {
            const std::size_t index = static_cast<std::size_t>(key - '1');
            if (index < args.size()) out += args[index];
        }
    }
    return out;
}

}  // namespace vq
