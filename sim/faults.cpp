#include "sim/faults.h"

#include "model/numeric.h"
#include "protocol/frame.h"
#include "sim/wire_text.h"

namespace vq::sim {

std::optional<FaultSettings> ParseFaultList(std::string_view text, std::string* error) {
    const auto fail = [error](std::string why) -> std::optional<FaultSettings> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    FaultSettings faults;
    if (text.empty()) return faults;
    for (const std::string& part : SplitFields(text)) {
        const std::size_t equals = part.find('=');
        if (equals == std::string::npos) return fail("expected NAME=VALUE: " + part);
        const std::string name = part.substr(0, equals);
        const auto value = ParseNumber(std::string_view(part).substr(equals + 1));
        if (!value) return fail("not a number: " + part);
        if (name == "delay") {
            if (*value < 0 || *value > 60000) return fail("delay must be 0 to 60000 ms");
            faults.delayMs = static_cast<int>(*value);
            continue;
        }
        double* target = name == "drop"      ? &faults.drop
                         : name == "corrupt" ? &faults.corrupt
                         : name == "split"   ? &faults.split
                         : name == "cr"      ? &faults.cr
                                             : nullptr;
        if (!target) return fail("unknown fault: " + name);
        if (*value < 0 || *value > 1) return fail(name + " must be a probability from 0 to 1");
        *target = *value;
    }
    return faults;
}

FaultInjector::FaultInjector(FaultSettings faults, std::uint64_t seed)
    : faults_(faults), rng_(seed) {}

// A uniform draw in [0, 1) built from the generator's bits, so the sequence is the same with
// every standard library (the library's distributions are not).
double FaultInjector::chance() {
    return static_cast<double>(rng_() >> 11) * 0x1.0p-53;
}

std::size_t FaultInjector::position(std::size_t size) {
    return size == 0 ? 0 : static_cast<std::size_t>(rng_() % size);
}

std::vector<Delivery> FaultInjector::apply(const Emission& emission) {
    if (!faults_.any() || emission.bytes.empty())
        return {{std::chrono::milliseconds{0}, emission.bytes}};
    // Every draw is made for every answer, whatever the outcome, so one fault never shifts the
    // draws of the others.
    const bool drop = chance() < faults_.drop;
    const bool corrupt = chance() < faults_.corrupt;
    const bool cr = chance() < faults_.cr;
    const bool split = chance() < faults_.split;
    const std::size_t corruptAt = position(emission.bytes.size());
    const auto corruptBit = static_cast<char>(1 << position(8));
    const std::size_t crAt = 1 + position(emission.bytes.size() - 1);
    const std::size_t splitAt = 1 + position(emission.bytes.size() - 1);
    const std::chrono::milliseconds hold{
        faults_.delayMs > 0
            ? static_cast<int>(rng_() % static_cast<std::uint64_t>(faults_.delayMs + 1))
            : 0};

    if (drop && !emission.raw) return {};
    std::string bytes = emission.bytes;
    if (!emission.raw) {
        if (corrupt) bytes[corruptAt] ^= corruptBit;
        if (cr) bytes.insert(crAt, 1, CR);
    }
    if (split && bytes.size() > 1) {
        const std::size_t at = std::min(splitAt, bytes.size() - 1);
        return {{hold, bytes.substr(0, at)}, {hold + kSplitGap, bytes.substr(at)}};
    }
    return {{hold, std::move(bytes)}};
}

}  // namespace vq::sim
