// SetInstrument: the settings write over this link. The encodings and the order of the writes
// live in protocol/settings_write; this file only lends them the link's wait, its last reply,
// its communication log and its clocks.

#include "link/instrument_link.h"
#include "link/write_verify.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "protocol/settings_write.h"

namespace vq {

namespace {

class LinkWriteChannel final : public SettingsWriteChannel {
  public:
    explicit LinkWriteChannel(OperationLink& link) : link_(link) {}

    // One write: Status := AwaitWrite, the frame goes out, and the link's own resends and time-out
    // decide how the transaction ends.
    bool sendAndWait(const std::string& payload) override {
        const bool done = link_.waitFor(link_status::AwaitWrite, payload);
        (done ? acknowledged : unacknowledged).push_back(payload);
        return done;
    }
    std::string lastReply() const override { return link_.lastReply(); }
    void logMessage(int messageId, const std::vector<std::string>& args) override {
        link_.log(ResMessage(messageId, args));
    }
    std::string generalDateNow() const override { return NowText(link_); }
    std::chrono::milliseconds steadyNow() const override { return link_.host().now(); }

    // Every request the instrument acknowledged, in order, and those it did not.
    std::vector<std::string> acknowledged;
    std::vector<std::string> unacknowledged;

  private:
    OperationLink& link_;
};

}  // namespace

SettingsWriteResult InstrumentLink::WriteSettings(InstrumentModel* model) {
    LinkWriteChannel channel(*this);
    if (model == nullptr) return RefuseSettingsWrite(channel);
    cancel_ = false;
    const InstrumentModel sent = *model;
    instrument_ = model;  // the decoder compares each write's reply with this model
    SettingsWriteResult result = RunSettingsWrite(*model, channel);
    // Written means held: whatever the answers said, the instrument is read again. A write
    // answered with other values than were sent stored something too: it is read back as well,
    // so the model as last read takes what the instrument holds.
    std::vector<std::string> readBack = channel.acknowledged;
    if (result.failure && result.failure->kind == WriteFailure::Kind::Differs) {
        const auto& failed = *result.failure;
        for (auto it = channel.unacknowledged.rbegin(); it != channel.unacknowledged.rend(); ++it) {
            if (it->compare(0, 2, failed.code) == 0 && it->size() > 5 &&
                it->substr(5) == failed.sent) {
                readBack.push_back(*it);
                break;
            }
        }
    }
    VerifySettingsWrite(*this, sent, readBack, *model, result);
    instrument_ = model;
    if (!result.notHeld.empty() || !result.unreadBack.empty()) {
        channel.logMessage(msg::WriteNotHeldLog, {channel.generalDateNow()});
    } else if (result.readBackFrames > 0) {
        channel.logMessage(msg::WriteHeldLog, {std::to_string(result.readBackFrames)});
    }
    return result;
}

}  // namespace vq
