#pragma once
// Every change flag of the instrument model with a readable name ("Warning[2]"), so a test can say
// which flags a read, an edit or a write left set.

#include <string>
#include <utility>
#include <vector>

#include "model/instrument.h"

namespace vq::test {

// Each flag and whether it is set, in the order of the keys (SettingId).
std::vector<std::pair<std::string, bool>> NamedChangeFlags(const InstrumentModel& m);
// The names of the flags that are set.
std::vector<std::string> SetChangeFlagNames(const InstrumentModel& m);

}  // namespace vq::test
