#pragma once
// The dispatch table of DecodeReply: one rule per reply key. Each key family lives in its own
// file and contributes its rules here; ReplyDecoder sorts them once and looks keys up by binary
// search.

#include <string_view>
#include <vector>

#include "protocol/reply_context.h"

namespace vq {

struct KeyRule {
    std::string_view key;  // exactly four characters, "LP,R"
    void (*decode)(ReplyContext& reply, int param);
    int param;        // which entry of the family's own table the rule serves
    bool needsModel;  // the rule reads or stores the bound model
};

// Single settings, identity texts, the station list, the groups and the five-gas levels.
void addSettingsRules(std::vector<KeyRule>& rules);
// Acknowledgements, confirmations, calibration steps and accepted-only keys.
void addOperationRules(std::vector<KeyRule>& rules);
// The gas table, the sensor library and the calibration history.
void addRecordRules(std::vector<KeyRule>& rules);
// Clock, current readings, A/D values, firmware identity, zero and over-scale flags, probe.
void addLiveValueRules(std::vector<KeyRule>& rules);
// Memory dump blocks.
void addDumpRules(std::vector<KeyRule>& rules);

}  // namespace vq
