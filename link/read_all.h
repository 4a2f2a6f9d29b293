#pragma once
// The sequencer: the read table, the read-all, the identity read and the write step of a
// settings chain, over the link's wait.

#include <array>
#include <string>
#include <string_view>

#include "link/operation_link.h"
#include "model/read_slots.h"

namespace vq {

class InstrumentModel;

class ReadAll {
  public:
    static constexpr int kCommandCount = kReadSlotCount;

    explicit ReadAll(OperationLink& link) : link_(link) {}

    // The read table: 307 payloads at fixed indices, the others empty (skipped).
    static const std::array<std::string, kCommandCount>& CommandTable();
    // Read-all: clears the model, then reads every table entry in order; stops with false at the
    // first transaction that does not end Done (the link's last frame then names the command).
    // False for a null model, with no traffic.
    bool GetInstrument(InstrumentModel* model);
    // The identity read: table entries 0 to 4, the model not cleared.
    bool GetRomNo(InstrumentModel* model);
    // One step of a write chain: nothing while `chain` is false; otherwise the payload is written
    // (AwaitWrite) and `itemFlag` := true on Done, else `chain` := false.
    void SendAndWait(bool& chain, std::string_view payload, bool& itemFlag);

  private:
    bool readTable(InstrumentModel* model, int lastIndex);

    OperationLink& link_;
};

}  // namespace vq
