#pragma once
// Request and reply frames as the link and the instrument send them, for the benchmarks: the
// virtual instrument answers the link's own read table, so the replies have the layouts and
// lengths a session decodes.

#include <string>
#include <vector>

namespace vq::bench {

struct Exchange {
    std::string request;  // the whole frame the link sends
    std::string reply;    // the whole frame the instrument answers
};

// The exchanges of one read-all followed by 30 current readings, in that order.
std::vector<Exchange> TypicalExchanges();

}  // namespace vq::bench
