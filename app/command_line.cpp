#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace vq {

namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Sets `language` from an option value; false for anything but en / ja.
bool languageFromValue(std::string_view value, std::optional<Language>& language) {
    const std::string key = upper(std::string(value));
    if (key == "EN") {
        language = Language::English;
        return true;
    }
    if (key == "JA") {
        language = Language::Japanese;
        return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> argumentsOf(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr) arguments.emplace_back(argv[i]);
    }
    return arguments;
}

bool DebugModeFromArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& argument : arguments) {
        if (!line.empty()) line.push_back(' ');
        line += argument;
    }
    return upper(line).find("-DEBUG") != std::string::npos;
}

LanguageOption parseLanguageOption(const std::vector<std::string>& arguments) {
    constexpr std::string_view option = "--lang";
    LanguageOption result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        std::string_view value;
        if (argument == option) {
            if (i + 1 >= arguments.size()) {
                result.error = "--lang needs a value: en or ja";
                return result;
            }
            value = arguments[++i];
        } else if (argument.substr(0, option.size() + 1) == "--lang=") {
            value = argument.substr(option.size() + 1);
        } else {
            continue;
        }
        if (!languageFromValue(value, result.language)) {
            result.error = "--lang takes en or ja, not \"" + std::string(value) + "\"";
            result.language.reset();
            return result;
        }
    }
    return result;
}

}  // namespace vq
