#pragma once
// A small stand-in for the instrument at the far end of a pty or a TCP connection: it cuts the
// program's frames at their terminator and answers the connection probe. What it answers is
// chosen up front, so each test fixes the instrument's behaviour before the program starts.

#include <string>
#include <vector>

namespace vq::test {

class TestInstrument {
  public:
    enum class Behaviour {
        Answers,       // replies to the probe with the model name and to the identity reads
        Silent,        // never replies
        WrongModel,    // replies to "RC,R," without the model name
        BadChecksum,   // replies with the model name but a wrong checksum
        NoIdentity,    // replies to the probe only
        EndlessBlocks  // replies to the probe, then to every frame with one more ETB block
    };

    explicit TestInstrument(Behaviour behaviour) : behaviour_(behaviour) {}

    static constexpr const char* kModelReply = "VQ-5100,Ver1.02";
    static constexpr const char* kSerialNumber = "SN-0042";

    // Takes bytes from the program; returns the bytes to send back.
    std::string feed(const std::string& bytes);

    // Payloads of every frame received, in order.
    const std::vector<std::string>& payloads() const { return payloads_; }

  private:
    std::string answer(const std::string& payload) const;

    Behaviour behaviour_;
    std::string pending_;
    std::vector<std::string> payloads_;
};

}  // namespace vq::test
