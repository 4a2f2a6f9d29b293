#pragma once
// One line of the --log output: the time, the direction and the frame with its control
// characters shown in brackets ("[STX]0001RC,R,[ETX]FB[EOT]").

#include <string>
#include <string_view>

namespace vq::sim {

std::string FrameLogLine(double seconds, bool incoming, std::string_view bytes, bool raw);

}  // namespace vq::sim
