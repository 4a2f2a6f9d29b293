#pragma once
// The two command-line switches the window program and the command-line tool share: the debug
// switch that shows the service commands, and the language override.

#include <optional>
#include <string>
#include <vector>

#include "messages/messages.h"

namespace vq {

// The arguments after the program name.
std::vector<std::string> argumentsOf(int argc, const char* const* argv);

// DebugMode: true when "-DEBUG" occurs anywhere in the command line (the arguments joined by
// spaces), in any case and with any text before or after it ("x-debugy" counts). The word without
// its hyphen does not. The program's own path is not part of the command line, so a folder named
// "my-debug" cannot switch it on.
bool DebugModeFromArguments(const std::vector<std::string>& arguments);

// "--lang en|ja" or "--lang=en|ja" (value in any case). `language` is empty when the option is
// absent; `error` names the problem when the option is present but has no or a wrong value. The
// last occurrence wins.
struct LanguageOption {
    std::optional<Language> language;
    std::string error;
};
LanguageOption parseLanguageOption(const std::vector<std::string>& arguments);

}  // namespace vq
