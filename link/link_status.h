#pragma once
// The link's two state values. Callers store and compare the numbers (the main window treats a
// stored 1 like Ready), so they are fixed and kept as plain integers rather than an enum.

#include <cstdint>

namespace vq {

// InstrumentLink::Status: the state of the transaction in flight.
namespace link_status {
inline constexpr std::int32_t Ready = 0;
inline constexpr std::int32_t Stopped = 2;
inline constexpr std::int32_t AwaitBlock = 3;
inline constexpr std::int32_t AwaitRead = 4;
inline constexpr std::int32_t AwaitWrite = 5;
inline constexpr std::int32_t Done = 6;
inline constexpr std::int32_t Failed = 7;
inline constexpr std::int32_t Cancelled = 8;
inline constexpr std::int32_t BinaryReceive = 9;

// True while an operation waits for the instrument: a reply, a block or raw dump bytes.
constexpr bool IsAwaiting(std::int32_t status) {
    return status == AwaitBlock || status == AwaitRead || status == AwaitWrite ||
           status == BinaryReceive;
}
}  // namespace link_status

// InstrumentLink::LinkMode: whether an instrument is there.
namespace link_mode {
inline constexpr std::int32_t Offline = 0;
inline constexpr std::int32_t Probing = 2;
inline constexpr std::int32_t Connected = 3;
inline constexpr std::int32_t Reopening = 4;
}  // namespace link_mode

}  // namespace vq
