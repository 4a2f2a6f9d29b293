#include "ui/support/factory_recording_channel.h"

#include "protocol/frame.h"

namespace vq::fs_test {

bool RecordingChannel::sendAndWait(const std::string& payload) {
    sent.push_back(payload);
    reply_ = BuildFrame(payload, EOT);
    return true;
}

}  // namespace vq::fs_test
