#pragma once
// The read-back after a settings write. An acknowledgement does not prove the instrument kept a
// value: some commands are answered with a bare ACK, and an instrument may cut a text to its own
// width. So every setting the instrument acknowledged is read again, with the read-all's own
// command and only that, and what it holds is compared as values with what was sent: both go
// through the model and out again through the write's own encoders, so " 10.0" and "10" are the
// same level and a cut name is a different one. Only a run whose every write is held is written.

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class OperationLink;
class InstrumentModel;
struct SettingsWriteResult;

// The read-all command that reads back what a write request wrote ("WB,W,1" -> "WB,R,",
// "XS,W,0005,..." -> "XS,R,0005"); empty when the read-all reads nothing of it ("DW,W,").
std::string ReadBackPayload(std::string_view writePayload);

// The key of a write request: its command, and for the station list its entry ("XS,0005").
std::string WriteKey(std::string_view writePayload);

// Every request a write of `model` would send, all its settings owed, by WriteKey.
std::vector<std::pair<std::string, std::string>> WritePayloads(const InstrumentModel& model);

// The keys of the requests a write of `model` sends with its change flags as they are.
std::set<std::string> SentWriteKeys(const InstrumentModel& model);

// After RunSettingsWrite: `sent` is the model as the run began, `acknowledged` the requests the
// instrument acknowledged in order, `model` the model the run wrote (its flags as the run left
// them). Reads back, compares and fills the read-back fields of `result`; a setting not held (or
// a read-back not answered) fails the run. On `model`, a setting read back and held has its flag
// cleared (also where a confirmed write keeps it), one held otherwise has it set again.
void VerifySettingsWrite(OperationLink& link, const InstrumentModel& sent,
                         const std::vector<std::string>& acknowledged, InstrumentModel& model,
                         SettingsWriteResult& result);

}  // namespace vq
