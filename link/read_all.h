#pragma once
// The sequencer: the read table, the read-all, the identity read and the write step of a
// settings chain, over the link's wait.

#include <array>
#include <string>
#include <string_view>

#include "link/operation_link.h"
#include "model/read_slots.h"

namespace vq {

class clsInstrument;

class ReadAll {
  public:
    static constexpr int kCommandCount = kReadSlotCount;

    explicit ReadAll(OperationLink& link) : link_(link) {}

    // The read table: 307 payloads at fixed indices, the others empty (skipped).
    static const std::array<std::string, kCommandCount>& CommandTable();
    bool GetInstrument(clsInstrument* model);
    bool GetRomNo(clsInstrument* model);
    void SendAndWait(bool& chain, std::string_view payload, bool& itemFlag);

  private:
    bool readTable(clsInstrument* model, int lastIndex);

    OperationLink& link_;
};

}  // namespace vq
