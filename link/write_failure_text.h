#pragma once
// The line that tells the user which write of a settings write the instrument did not take, with
// the values sent and, where it answered, the values it holds. The window shows it in red in its
// information log and vq5100ctl prints it as its error.

#include <string>

#include "protocol/settings_write.h"

namespace vq {

std::string WriteFailureText(const WriteFailure& failure);

}  // namespace vq
