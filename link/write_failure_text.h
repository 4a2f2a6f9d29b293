#pragma once
// The line that tells the user which write of a settings write the instrument did not take, with
// the values sent and, where it answered, the values it holds. The window shows it in red in its
// information log and vq5100ctl prints it as its error.

#include <string>
#include <vector>

#include "protocol/settings_write.h"

namespace vq {

std::string WriteFailureText(const WriteFailure& failure);

// Every line that says why a write run failed, in this order: the write that stopped it, every
// other setting the read-back found held otherwise, the read-back that was not answered, and
// what the instrument acknowledged but could not be read back. Empty for a run that succeeded
// (and for one that had nothing to write).
std::vector<std::string> WriteRunFailureLines(const SettingsWriteResult& result);

}  // namespace vq
