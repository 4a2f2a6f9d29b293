#include "e2e/test_instrument.h"

#include "protocol/frame.h"

namespace vq::test {

std::string TestInstrument::feed(const std::string& bytes) {
    pending_ += bytes;
    std::string out;
    for (;;) {
        const auto end = pending_.find_first_of(std::string{EOT, ETB});
        if (end == std::string::npos) return out;
        const std::string frame = pending_.substr(0, end + 1);
        pending_.erase(0, end + 1);
        // STX "0001" payload ETX checksum terminator
        const auto stx = frame.find(STX);
        const auto etx = frame.rfind(ETX);
        if (stx == std::string::npos || etx == std::string::npos || etx < stx + 5) continue;
        const std::string payload = frame.substr(stx + 5, etx - stx - 5);
        payloads_.push_back(payload);
        out += answer(payload);
    }
}

std::string TestInstrument::answer(const std::string& payload) const {
    if (behaviour_ == Behaviour::Answers) {
        // The identity read.
        if (payload == "VP,R,") return BuildFrame("VP,R,5102", EOT);
        if (payload == "XZ,R,") return BuildFrame("XZ,R,BENCH-USER", EOT);
        if (payload == "XS,R,****") return BuildFrame("XS,R,****,STATION-7", EOT);
        if (payload == "IN,R,") return BuildFrame(std::string("IN,R,") + kSerialNumber, EOT);
        if (payload == "HN,R,") return BuildFrame("HN,R,SN-0042-B", EOT);
    }
    if (behaviour_ == Behaviour::EndlessBlocks && payload != "RC,R,") {
        // Valid blocks of the identity answer, each acknowledgement bringing the next.
        return BuildFrame("VP,R,5102", ETB);
    }
    if (payload != "RC,R,") return {};
    switch (behaviour_) {
        case Behaviour::Answers:
        case Behaviour::NoIdentity:
        case Behaviour::EndlessBlocks:
            return BuildFrame(std::string("RC,R,") + kModelReply, EOT);
        case Behaviour::WrongModel:
            return BuildFrame("RC,R,VQ-9999,Ver1.02", EOT);
        case Behaviour::BadChecksum: {
            std::string frame = BuildFrame(std::string("RC,R,") + kModelReply, EOT);
            frame[frame.size() - 2] = frame[frame.size() - 2] == '0' ? '1' : '0';
            return frame;
        }
        case Behaviour::Silent:
            break;
    }
    return {};
}

}  // namespace vq::test
