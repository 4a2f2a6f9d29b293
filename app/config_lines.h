#pragma once
// The line grammar of the configuration file, shared by its reader and its writer: how a line
// splits into fields, and which place of the file a line fills, so that a line the reader kept
// can be written back where it stood.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

// `text` in upper case (ASCII letters only): keys are read in any case.
std::string UpperKey(std::string_view text);

// The fields of one line: tab-separated, "'" quotes, ";" comments. nullopt when the line holds
// more fields than a line may.
std::optional<std::vector<std::string>> SplitConfigLine(std::string_view line);

// The place a line fills in the file the program writes: its key in upper case, and for the
// keys written once per channel or gas their numbers ("GAS INST|3", "CHGGAS|2|7"). nullopt for
// a line that fills none (no key, or a channel or gas number out of range).
std::optional<std::string> ConfigLinePlace(const std::vector<std::string>& fields);

// Keys the program writes for the reader's information and never reads ("IrCOMM Num").
bool IsWriteOnlyConfigKey(std::string_view upperKey);

}  // namespace vq
