// SetInstrument: the settings write over this link. The encodings and the order of the writes
// live in protocol/settings_write; this file only lends them the link's wait, its last reply,
// its communication log and its clocks.

#include "link/vqif.h"
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
        return link_.waitFor(link_status::AwaitWrite, payload);
    }
    std::string lastReply() const override { return link_.lastReply(); }
    void logMessage(int messageId, const std::vector<std::string>& args) override {
        link_.log(ResMessage(messageId, args));
    }
    std::string generalDateNow() const override { return NowText(link_); }
    std::chrono::milliseconds steadyNow() const override { return link_.host().now(); }

  private:
    OperationLink& link_;
};

}  // namespace

SettingsWriteResult uclVqif::WriteSettings(clsInstrument* model) {
    LinkWriteChannel channel(*this);
    if (model == nullptr) return RefuseSettingsWrite(channel);
    cancel_ = false;
    instrument_ = model;  // the decoder compares each write's reply with this model
    return RunSettingsWrite(*model, channel);
}

bool uclVqif::SetInstrument(clsInstrument* model) {
    return WriteSettings(model).succeeded();
}

}  // namespace vq
