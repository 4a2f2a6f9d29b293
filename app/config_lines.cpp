#include "app/config_lines.h"

#include "app/app_config.h"
#include "model/line_tokenizer.h"
#include "model/numeric.h"

namespace vq {

std::string UpperKey(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::optional<std::vector<std::string>> SplitConfigLine(std::string_view line) {
    LineTokenizer token;
    token.AddDelimiters("\t");
    token.AddStrings("'");
    token.AddComments(";");
    if (!token.setSource(std::string(line))) return std::nullopt;
    std::vector<std::string> out;
    for (int i = 0; i < token.TokenCount(); ++i) out.push_back(token.Tokens(i));
    return out;
}

std::optional<std::string> ConfigLinePlace(const std::vector<std::string>& fields) {
    if (fields.empty()) return std::nullopt;
    const std::string key = UpperKey(fields[0]);
    const auto number = [&fields](std::size_t k, int high) -> std::optional<int> {
        if (k >= fields.size()) return std::nullopt;
        const auto v = ParseInt16(fields[k]);
        if (!v || *v < 1 || *v > high) return std::nullopt;
        return *v;
    };
    if (key == "GAS INST") {
        const auto channel = number(1, configChannels);
        if (!channel) return std::nullopt;
        return key + "|" + std::to_string(*channel);
    }
    if (key == "CHGGAS") {
        const auto channel = number(1, gasTableChannels);
        const auto gas = number(2, gasTableRows);
        if (!channel || !gas) return std::nullopt;
        return key + "|" + std::to_string(*channel) + "|" + std::to_string(*gas);
    }
    return key;
}

bool IsWriteOnlyConfigKey(std::string_view upperKey) {
    return upperKey == "IRCOMM NUM" || upperKey == "COMM SETTINGS" || upperKey == "GRAPH COLOR" ||
           upperKey == "DATA SELECT";
}

}  // namespace vq
