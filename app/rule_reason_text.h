#pragma once
// The words of a rule's reason (model/rule_reason.h) in the chosen language: the settings file
// check, "Update", the grid's red cells and vq5100ctl all word a refusal here, so the same
// reason reads the same everywhere and never mixes two languages.

#include <string>

#include "messages/messages.h"
#include "model/rule_reason.h"

namespace vq {

// The reason in the process's language; empty for no reason.
std::string ReasonText(const Reason& reason);
std::string ReasonText(Language language, const Reason& reason);

}  // namespace vq
