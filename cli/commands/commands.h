#pragma once
// One entry point per command; each is defined in its own file beside this one.

namespace vq::cli {

struct CommandContext;

int runProbe(CommandContext& context);

}  // namespace vq::cli
