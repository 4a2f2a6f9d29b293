#include "sim/front/server.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>

#include "sim/front/frame_text.h"
#include "sim/state_file.h"

namespace vq::sim {

namespace {

// Small reads: every read is answered before the backlog is looked at again, and a few kilobytes
// of requests (a memory block read is sixteen bytes) can ask for hundreds of kilobytes of answers.
constexpr std::size_t kReadChunk = 4096;
// Answers waiting for a peer that does not read them: beyond this much its requests are left
// unread until it catches up, so memory stays bounded whatever it sends.
constexpr std::size_t kMaxBacklog = 8u << 20;
// Reads per wake-up, so a peer that never stops sending cannot keep the loop from its output,
// its timers and the stop signal.
constexpr int kReadsPerWake = 16;
// Requests held back by pacing: beyond this much the peer is left unread until they are acted
// on, so a peer writing faster than the paced line cannot grow the queue either.
constexpr std::size_t kMaxHeldRequests = 64u << 10;
// How often a pseudo-terminal without a peer is looked at for one when its openings cannot be
// watched (the master cannot be waited on then: it reports a hang-up continuously).
constexpr std::chrono::milliseconds kPeerRecheck{5};
constexpr std::chrono::milliseconds kSaveDelay{1000};

bool setNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

Server::Server(FrontOptions options, SimState state)
    : options_(std::move(options)),
      responder_(std::move(state), options_.seed),
      faults_(options_.faults, options_.seed ^ 0x5EEDFA17u),
      schedule_(options_.paceBaud),
      inbound_(options_.paceBaud) {
    if (options_.log) {
        responder_.setFrameLog([this](bool incoming, std::string_view bytes, bool raw) {
            const double t = std::chrono::duration<double>(Clock::now() - started_).count();
            std::cerr << FrameLogLine(t, incoming, bytes, raw) << std::endl;
        });
    }
}

Server::~Server() {
    for (int fd : {masterFd_, listenFd_, clientFd_, watchFd_}) {
        if (fd >= 0) ::close(fd);
    }
}

bool Server::start(std::string* error) {
    return options_.mode == FrontOptions::Mode::Pty ? startPty(error) : startTcp(error);
}

bool Server::startPty(std::string* error) {
    int slave = -1;
    if (openpty(&masterFd_, &slave, nullptr, nullptr, nullptr) != 0) {
        *error = systemError("openpty");
        return false;
    }
    // Raw from the start: the line discipline must not turn ETX into an interrupt, CR into LF
    // or echo the program's requests back to it before it sets the port up itself.
    termios raw{};
    if (tcgetattr(slave, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
    }
    const char* name = ttyname(slave);
    address_ = name ? name : "";
    ::close(slave);  // the peer's opening is what we wait for
    // Every opening of the pty is reported, also a close and reopen too quick to see as a
    // hang-up on the master; that is what wakes a powered-off instrument.
    watchFd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watchFd_ >= 0 && inotify_add_watch(watchFd_, address_.c_str(), IN_OPEN) < 0) {
        ::close(watchFd_);
        watchFd_ = -1;
    }
    if (address_.empty() || !setNonBlocking(masterFd_)) {
        *error = systemError("pseudo-terminal");
        return false;
    }
    return true;
}

bool Server::startTcp(std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(options_.port);
    if (const int rc = getaddrinfo(options_.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
        *error = std::string("address ") + options_.host + ": " + gai_strerror(rc);
        return false;
    }
    for (addrinfo* a = found; a && listenFd_ < 0; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0) continue;
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, 4) == 0 && setNonBlocking(fd)) {
            listenFd_ = fd;
        } else {
            *error = systemError("listen on " + options_.host + ":" + port);
            ::close(fd);
        }
    }
    freeaddrinfo(found);
    if (listenFd_ < 0) return false;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&bound), &length);
    char hostText[NI_MAXHOST];
    char portText[NI_MAXSERV];
    getnameinfo(reinterpret_cast<sockaddr*>(&bound), length, hostText, sizeof hostText, portText,
                sizeof portText, NI_NUMERICHOST | NI_NUMERICSERV);
    address_ = std::string(hostText) + ":" + portText;
    return true;
}

OutputSchedule::Nanos Server::sinceStart() const {
    return std::chrono::duration_cast<OutputSchedule::Nanos>(Clock::now() - started_);
}

SimNow Server::now() const {
    const std::time_t utc = std::time(nullptr);
    std::tm local{};
    localtime_r(&utc, &local);
    return {std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart()),
            static_cast<std::int64_t>(utc) + local.tm_gmtoff};
}

void Server::peerOpened() {
    responder_.portOpened();
    schedule_.clear();
    inbound_.clear();
    pendingOut_.clear();
}

void Server::peerClosed() {
    schedule_.clear();
    inbound_.clear();
    pendingOut_.clear();
    ptyPeerOpen_ = false;
    if (clientFd_ >= 0) {
        ::close(clientFd_);
        clientFd_ = -1;
    }
}

void Server::takeOpenings() {
    alignas(inotify_event) char buffer[4096];
    bool opened = false;
    while (::read(watchFd_, buffer, sizeof buffer) > 0) opened = true;
    if (!opened) return;
    ptyPeerOpen_ = true;  // a hang-up seen later still ends the peer
    peerOpened();
}

void Server::checkPtyPeer() {
    pollfd probe{masterFd_, POLLIN, 0};
    if (poll(&probe, 1, 0) >= 0 && !(probe.revents & POLLHUP)) {
        ptyPeerOpen_ = true;
        peerOpened();
    }
}

void Server::acceptClient() {
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) return;
    if (!setNonBlocking(fd)) {
        ::close(fd);
        return;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (clientFd_ >= 0) ::close(clientFd_);  // one instrument, one cable: the newest wins
    clientFd_ = fd;
    peerOpened();
}

void Server::readPeer(int fd) {
    char buffer[kReadChunk];
    for (int reads = 0; reads < kReadsPerWake; ++reads) {
        // A peer that sends and never reads stops being read here, not only at the next wake.
        if (backedUp()) return;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            inbound_.add(sinceStart(), std::string(buffer, static_cast<std::size_t>(n)));
            actOnArrived();
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n < 0 && errno == EINTR) continue;
        peerClosed();  // end of stream, or EIO once the pty's last peer closed it
        return;
    }
}

void Server::actOnArrived() {
    const OutputSchedule::Nanos at = sinceStart();
    const std::string arrived = inbound_.take(at);
    if (arrived.empty()) return;
    const bool wasOn = responder_.poweredOn();
    for (const Emission& e : responder_.receive(arrived, now())) {
        for (Delivery& d : faults_.apply(e)) schedule_.add(at + d.after, std::move(d.bytes));
    }
    if (wasOn && !responder_.poweredOn()) {
        if (options_.log) std::cerr << "switched off" << std::endl;
        if (options_.powerOnAfter > 0)
            powerOnDue_ = Clock::now() + std::chrono::seconds(options_.powerOnAfter);
    }
    if (responder_.takeChanged() && !options_.stateFile.empty()) {
        dirty_ = true;
        saveDue_ = Clock::now() + kSaveDelay;
    }
}

bool Server::backedUp() const {
    return pendingOut_.size() + schedule_.queuedBytes() >= kMaxBacklog ||
           inbound_.queuedBytes() >= kMaxHeldRequests;
}

void Server::flushOutput(int fd) {
    pendingOut_ += schedule_.take(sinceStart());
    while (!pendingOut_.empty() && fd >= 0) {
        const ssize_t n = ::write(fd, pendingOut_.data(), pendingOut_.size());
        if (n > 0) {
            pendingOut_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        peerClosed();
        return;
    }
}

void Server::saveIfDue(bool force) {
    if (!dirty_ || (!force && Clock::now() < saveDue_)) return;
    std::string error;
    if (!SaveStateFile(options_.stateFile, responder_.state(), &error)) {
        std::cerr << "vq5100-sim: " << error << std::endl;
    }
    dirty_ = false;
}

void Server::switchOn() {
    powerOnDue_.reset();
    if (responder_.poweredOn()) return;
    responder_.switchOn();
    if (options_.log) std::cerr << "switched on" << std::endl;
}

int Server::run(const volatile std::sig_atomic_t& stop, volatile std::sig_atomic_t& switchOnFlag,
                const sigset_t& waitMask) {
    const bool pty = options_.mode == FrontOptions::Mode::Pty;
    while (!stop) {
        const int peerFd = pty ? (ptyPeerOpen_ ? masterFd_ : -1) : clientFd_;
        actOnArrived();
        flushOutput(peerFd);

        const auto peerEvents =
            static_cast<short>((backedUp() ? 0 : POLLIN) | (pendingOut_.empty() ? 0 : POLLOUT));
        std::vector<pollfd> fds;
        // An opening is taken before the data that follows it, so the new peer's first
        // request is answered after the old peer's leftovers are dropped, not before.
        if (watchFd_ >= 0) fds.push_back({watchFd_, POLLIN, 0});
        if (pty && ptyPeerOpen_) fds.push_back({masterFd_, peerEvents, 0});
        if (!pty) {
            fds.push_back({listenFd_, POLLIN, 0});
            if (clientFd_ >= 0) fds.push_back({clientFd_, peerEvents, 0});
        }
        std::optional<Clock::duration> wait;
        const auto shorten = [&wait](Clock::duration d) {
            if (d < Clock::duration::zero()) d = Clock::duration::zero();
            if (!wait || d < *wait) wait = d;
        };
        if (const auto next = schedule_.nextRelease()) shorten(*next - sinceStart());
        if (const auto next = inbound_.nextRelease()) shorten(*next - sinceStart());
        if (pty && !ptyPeerOpen_ && watchFd_ < 0) shorten(kPeerRecheck);
        if (dirty_) shorten(saveDue_ - Clock::now());
        if (powerOnDue_) shorten(*powerOnDue_ - Clock::now());
        timespec timeout{};
        if (wait) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        const int ready = ppoll(fds.data(), fds.size(), wait ? &timeout : nullptr, &waitMask);
        if (ready < 0 && errno != EINTR) {
            std::cerr << systemError("vq5100-sim: poll") << std::endl;
            return 1;
        }
        for (const pollfd& p : fds) {
            if (ready <= 0) break;
            if (p.fd == listenFd_ && (p.revents & POLLIN)) acceptClient();
            if (p.fd == watchFd_ && (p.revents & POLLIN)) takeOpenings();
            if (p.fd == clientFd_ || p.fd == masterFd_) {
                if (p.revents & (POLLIN | POLLHUP | POLLERR)) readPeer(p.fd);
            }
        }
        if (pty && !ptyPeerOpen_ && watchFd_ < 0) checkPtyPeer();
        if (switchOnFlag) {
            switchOnFlag = 0;
            switchOn();
        }
        if (powerOnDue_ && Clock::now() >= *powerOnDue_) switchOn();
        saveIfDue(false);
    }
    dirty_ = !options_.stateFile.empty();  // the state file always exists after a run
    saveIfDue(true);
    return 0;
}

}  // namespace vq::sim
