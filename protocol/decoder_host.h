#pragma once
// What the reply decoder reads and changes on the link, and nothing more. The link implements
// it; protocol/ never includes link/, so this is the whole boundary between the two.
//
// Every call is made from inside DecodeReply, on the thread that received the reply. A call may
// lead (through the link's events and their listeners) to another reply being decoded by the same
// decoder before it returns; the decoder reads nothing of its reply after such a call.

#include <array>
#include <cstdint>
#include <string>

namespace vq {

class DecoderHost {
  public:
    virtual ~DecoderHost() = default;

    // The complete frame last sent (an "HC,W" reply must echo it exactly).
    virtual const std::string& LastFrame() const = 0;

    // True exactly when the link's LinkMode is Connected.
    virtual bool Connected() const = 0;

    // The probe was answered by our model: LinkMode := Connected, then raise OnConnect.
    // Called only while Connected() is false. It must not write the connect log line: the
    // decoder writes it right after this call.
    virtual void connectByProbe() = 0;

    // Raise NewReadings with the current readings of gases 0 to 4 (by reference, as the event
    // passes them).
    virtual void raiseReadings(std::array<float, 5>& readings) = 0;

    // Calibration and confirmation results the operations read after their transaction.
    virtual void setZeroCalResult(const std::string& result) = 0;
    virtual void setSpanCalResult(const std::string& result) = 0;
    virtual void setConfirmAcked(bool acked) = 0;
    virtual void setO2CalResult(const std::string& result) = 0;

    // One listing line of a memory dump: 32 upper-case or lower-case hex digits (16 bytes) and
    // its byte address. The link holds the 16-line buffer (DumpLines, DumpLineAddress,
    // DumpLineCount) and flushes it to the listing when the sixteenth line arrives.
    virtual void addDumpLine(const std::string& line, std::uint32_t address) = 0;

    // One line of the communication log.
    virtual void AddLog(const std::string& text) = 0;

    // The computer's current local date and time as an OLE automation date (days since
    // 1899-12-30); the decoder never reads a clock itself.
    virtual double localDateTime() const = 0;
};

}  // namespace vq
