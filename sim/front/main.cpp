// vq5100-sim: the virtual VQ-5100 on a pseudo-terminal or TCP. Prints the path or address it
// serves on its first line and serves until SIGINT, SIGTERM or SIGHUP; then saves the state.
// SIGUSR1 is its power switch: after a power-off it answers nothing until then.

#include <sys/prctl.h>

#include <csignal>
#include <filesystem>
#include <iostream>

#include "sim/front/options.h"
#include "sim/front/server.h"
#include "sim/state_file.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t switchOnRequested = 0;

void onStopSignal(int) {
    stopRequested = 1;
}

void onSwitchOnSignal(int) {
    switchOnRequested = 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vq::sim;
    std::string error;
    const auto options = ParseFrontOptions({argv + 1, argv + argc}, &error);
    if (!options) {
        std::cerr << "vq5100-sim: " << error << "\n" << kFrontUsage;
        return 2;
    }
    if (options->help) {
        std::cout << kFrontUsage;
        return 0;
    }
    SimState state = DefaultSimState();
    if (!options->stateFile.empty() && std::filesystem::exists(options->stateFile)) {
        auto loaded = LoadStateFile(options->stateFile, &error);
        if (!loaded) {
            std::cerr << "vq5100-sim: " << options->stateFile << ": " << error << "\n";
            return 2;
        }
        state = std::move(*loaded);
    }

    // The stop signals and the power switch are held back except while the loop waits, so
    // neither is missed between checking the flag and waiting.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&stopSignals, s);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
    struct sigaction switchAction {};
    switchAction.sa_handler = onSwitchOnSignal;
    sigaction(SIGUSR1, &switchAction, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Saving the state past the file-size limit fails with an error instead of ending the run.
    std::signal(SIGXFSZ, SIG_IGN);

    // Paced answers leave on timed wake-ups; the kernel's default 50 us of timer slack would let
    // each one leave late, and a read-all's three hundred answers add that up.
    if (options->paceBaud > 0) prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    Server server(*options, std::move(state));
    if (!server.start(&error)) {
        std::cerr << "vq5100-sim: " << error << "\n";
        return 1;
    }
    std::cout << server.address() << std::endl;
    return server.run(stopRequested, switchOnRequested, waitMask);
}
