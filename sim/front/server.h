#pragma once
// The serving loop of vq5100-sim: one pseudo-terminal or one TCP listener, the responder behind
// it, line faults and pacing both ways. Single-threaded around ppoll(); every descriptor
// is non-blocking and answers wait in an output queue, so a peer that stops reading, floods or
// vanishes never blocks the loop.

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"
#include "sim/front/options.h"
#include "sim/output_schedule.h"
#include "sim/responder.h"

namespace vq::sim {

class Server {
  public:
    Server(FrontOptions options, SimState state);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Opens the pseudo-terminal or the listener; false with the reason in `error`.
    bool start(std::string* error);
    // The pty path or HOST:PORT served.
    const std::string& address() const { return address_; }
    // Serves until `stop` is set (by a signal handler); returns the exit status. `switchOn` set
    // (by SIGUSR1's handler) is the power switch: a switched-off instrument answers again; the
    // loop clears it.
    int run(const volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& switchOn,
            const sigset_t& waitMask);

    const SimState& state() const { return responder_.state(); }

  private:
    using Clock = std::chrono::steady_clock;

    bool startPty(std::string* error);
    bool startTcp(std::string* error);
    void checkPtyPeer();
    void takeOpenings();
    void peerOpened();
    void peerClosed();
    void acceptClient();
    void readPeer(int fd);
    // Hands the responder the request bytes that have crossed the paced line by now.
    void actOnArrived();
    // The answers waiting for the peer have reached their bound: its requests wait unread.
    bool backedUp() const;
    void flushOutput(int fd);
    void saveIfDue(bool force);
    // The power switch, and the timed one of --power-on-after.
    void switchOn();
    SimNow now() const;
    OutputSchedule::Nanos sinceStart() const;

    FrontOptions options_;
    Responder responder_;
    FaultInjector faults_;
    OutputSchedule schedule_;
    // Requests held for their own wire time when paced: a real line delivers a request's last
    // byte only N x 10 bits after its first, however fast the program wrote it.
    OutputSchedule inbound_;
    std::string pendingOut_;
    std::string address_;
    Clock::time_point started_ = Clock::now();
    int masterFd_ = -1;
    bool ptyPeerOpen_ = false;
    int watchFd_ = -1;  // inotify on the pty path: its openings
    int listenFd_ = -1;
    int clientFd_ = -1;
    bool dirty_ = false;
    std::optional<Clock::time_point> powerOnDue_;
    Clock::time_point saveDue_{};
};

}  // namespace vq::sim
