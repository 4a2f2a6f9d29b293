// The link's receive path on the virtual host: a reply of about 60 bytes arrives for the request
// outstanding, is framed, its checksum checked and dispatched to the decoder, and the
// transaction ends. The communication log is replaced by a writer that keeps nothing, as the
// file log opens its file for every line and would measure the disk instead of the link.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "bench/reply_mix.h"
#include "link/instrument_link.h"
#include "link/link_events.h"
#include "link/link_status.h"
#include "link/memory_port.h"
#include "link/virtual_host.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "tests/support/link_test_access.h"

namespace {

constexpr std::size_t kReplyBytes = 60;

// The exchange of the read-all whose reply length is nearest to kReplyBytes.
vq::bench::Exchange exchangeNearTypicalLength() {
    vq::bench::Exchange best;
    std::size_t bestDistance = static_cast<std::size_t>(-1);
    for (auto& exchange : vq::bench::TypicalExchanges()) {
        const std::size_t length = exchange.reply.size();
        const std::size_t distance =
            length > kReplyBytes ? length - kReplyBytes : kReplyBytes - length;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = std::move(exchange);
        }
    }
    return best;
}

void BM_LinkReceiveReply(benchmark::State& state) {
    vq::setLanguage(vq::Language::English);
    const vq::bench::Exchange exchange = exchangeNearTypicalLength();
    vq::VirtualHost host;
    vq::MemorySerialPort port(host);
    vq::LinkEvents events;
    vq::InstrumentModel model;
    vq::InstrumentLink link(host, events, &port, nullptr);
    link.setLogWriter([](std::string_view text) { benchmark::DoNotOptimize(text.data()); });
    link.setInstrument(&model);
    // The port is opened under the link, so no probe runs: only the exchanges below do.
    if (!port.open() || exchange.reply.empty()) {
        state.SkipWithError("no port or no reply to send");
        return;
    }
    for (auto _ : state) {
        vq::test::LinkTestAccess::setStatus(link, vq::link_status::AwaitRead);
        link.DataSend(exchange.request, true);
        port.farEnd().send(exchange.reply);
        // Virtual time stands still, so only the arrival runs (and the link timer's first tick,
        // due at once, in the first pass).
        const bool ended = host.pumpUntil(
            [&] { return link.Status() != vq::link_status::AwaitRead; }, vq::EventHost::Millis{0});
        if (!ended || link.Status() != vq::link_status::Done) {
            state.SkipWithError("the link did not accept the reply");
            break;
        }
        port.farEnd().clearWritten();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["reply_bytes"] = static_cast<double>(exchange.reply.size());
}
BENCHMARK(BM_LinkReceiveReply);

}  // namespace
