#include "tests/support/recording_events.h"

namespace vq::test {

void RecordingEvents::NewReadings(std::array<float, 5>& readings) {
    std::string text = "Densty";
    for (float value : readings) text += " " + std::to_string(value);
    raised.push_back(text);
}

void RecordingEvents::ConnectRetry(std::int16_t& count) {
    raised.push_back("ConnectRetry " + std::to_string(count));
}

void RecordingEvents::OnSocketError(std::int16_t& errorNumber) {
    raised.push_back("IrDAError " + std::to_string(errorNumber));
}

}  // namespace vq::test
