// Peers that misbehave on purpose, over a real pseudo-terminal and real TCP. An "instrument"
// that answers with a megabyte, streams blocks without end, sends binary junk, gets every
// checksum wrong or sends one byte a second must leave vq5100ctl small, ending within its
// retries and time-outs with exit 1 or 3 and a message. A TCP client that floods vq5100-sim,
// opens a hundred connections or trickles bytes must leave the simulator small and serving the
// newest connection.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "e2e/sim_process.h"
#include "protocol/frame.h"

extern char** environ;

namespace vq::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

#ifndef __SANITIZE_ADDRESS__
constexpr long kMaxResidentKb = 64 * 1024;
#endif

enum class Hostility { HugeReply, EndlessBlocks, Junk, WrongChecksums, OneByteASecond };

// The far end of the pty: cuts the program's frames at their terminator and answers each the
// hostile way. Streams are topped up only while the program reads them, so the test's own
// memory stays small too.
class HostileInstrument {
  public:
    explicit HostileInstrument(Hostility kind) : kind_(kind) {}

    void feed(const char* bytes, std::size_t size) {
        pending_.append(bytes, size);
        for (;;) {
            const auto end = pending_.find_first_of(std::string{EOT, ETB});
            if (end == std::string::npos) break;
            const std::string frame = pending_.substr(0, end + 1);
            pending_.erase(0, end + 1);
            const auto stx = frame.find(STX);
            const auto etx = frame.rfind(ETX);
            if (stx == std::string::npos || etx == std::string::npos || etx < stx + 5) continue;
            answer(frame.substr(stx + 5, etx - stx - 5));
        }
        if (kind_ == Hostility::Junk) streaming_ = true;  // junk starts once the program talks
    }

    // Bytes to send now.
    std::string take(Clock::time_point now) {
        if (kind_ == Hostility::OneByteASecond) {
            if (outbox_.empty() || now < nextTrickle_) return {};
            nextTrickle_ = now + 1s;
            std::string one = outbox_.substr(0, 1);
            outbox_.erase(0, 1);
            return one;
        }
        if (streaming_ && outbox_.size() < 4096) {
            for (int i = 0; i < 64; ++i) outbox_ += streamPiece();
        }
        std::string out;
        out.swap(outbox_);
        return out;
    }
    void giveBack(std::string unsent) { outbox_.insert(0, unsent); }

  private:
    std::string streamPiece() {
        if (kind_ == Hostility::EndlessBlocks) return BuildFrame("VP,R,5102", ETB);
        std::string junk(64, '\0');
        for (char& c : junk) c = static_cast<char>(random_() & 0xFF);
        return junk;
    }

    void answer(const std::string& payload) {
        const bool probe = payload == "RC,R,";
        const std::string reply = probe ? "RC,R,VQ-5100,Ver1.02" : payload + "0";
        switch (kind_) {
            case Hostility::HugeReply:
                outbox_ += BuildFrame(payload + std::string(1u << 20, '7'), EOT);
                break;
            case Hostility::EndlessBlocks:
                if (probe)
                    outbox_ += BuildFrame(reply, EOT);
                else
                    streaming_ = true;
                break;
            case Hostility::Junk:
                break;
            case Hostility::WrongChecksums: {
                std::string frame = BuildFrame(reply, EOT);
                char& sum = frame[frame.size() - 2];
                sum = sum == '0' ? '1' : '0';
                outbox_ += frame;
                break;
            }
            case Hostility::OneByteASecond:
                outbox_ += BuildFrame(reply, EOT);
                break;
        }
    }

    Hostility kind_;
    std::string pending_;
    std::string outbox_;
    bool streaming_ = false;
    std::mt19937 random_{22};
    Clock::time_point nextTrickle_{};
};

struct CtlRun {
    bool ended = false;
    int exitCode = -1;
    long peakResidentKb = 0;
    double seconds = 0;
    std::string err;
};

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// vq5100ctl `args` against the hostile instrument on a fresh pty, served from this thread;
// killed at `limit`. Its peak resident memory comes from the kernel's accounting of that child.
CtlRun runAgainst(Hostility kind, const std::vector<std::string>& args, Clock::duration limit) {
    CtlRun run;
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return run;
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    // Kept open (and out of the child) so the master never reports a hang-up between openings.
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    const std::string slavePath = ttyname(slave);

    QTemporaryDir dir;
    const std::string work = dir.path().toStdString();
    std::vector<std::string> argv{VQ5100CTL_PATH, "--port", slavePath, "--workdir",
                                  work,           "--lang", "en"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string errPath = work + "/err.txt";
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = -1;
    const auto start = Clock::now();
    const int spawned =
        posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        close(master);
        close(slave);
        return run;
    }

    HostileInstrument far(kind);
    const auto deadline = start + limit;
    char buffer[4096];
    for (;;) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, WNOHANG, &usage) == pid) {
            run.ended = true;
            run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            run.peakResidentKb = usage.ru_maxrss;
            break;
        }
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        std::string out = far.take(Clock::now());
        while (!out.empty()) {
            const ssize_t n = write(master, out.data(), out.size());
            if (n <= 0) break;
            out.erase(0, static_cast<std::size_t>(n));
        }
        far.giveBack(std::move(out));
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n > 0) far.feed(buffer, static_cast<std::size_t>(n));
        }
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.err = readText(errPath);
    close(master);
    close(slave);
    return run;
}

TEST(HostilePeerE2E, TheProgramStaysSmallAndEndsWithinItsRetriesAndTimeOuts) {
    struct Case {
        const char* name;
        Hostility kind;
        int exitCode;  // 1: the operation failed; 3: no instrument answered
    };
    const Case cases[] = {
        {"a 1 MB reply", Hostility::HugeReply, 3},
        {"endless ETB blocks", Hostility::EndlessBlocks, 1},
        {"binary junk", Hostility::Junk, 3},
        {"wrong checksums forever", Hostility::WrongChecksums, 3},
        {"one byte a second", Hostility::OneByteASecond, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One attempt of at most a second per frame: every case is over in seconds; the limit
        // is far beyond that, so only a program that does not give up reaches it.
        const CtlRun r = runAgainst(c.kind, {"--retry", "1", "--timeout", "1", "read"}, 30s);
        ASSERT_TRUE(r.ended) << "still running after " << r.seconds << " s";
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_FALSE(r.err.empty());
#ifndef __SANITIZE_ADDRESS__
        // (Under the address sanitizer freed memory waits in quarantine: resident size says
        // nothing.)
        EXPECT_LE(r.peakResidentKb, kMaxResidentKb);
#endif
        EXPECT_LT(r.seconds, 15.0);
    }
}

// --- the simulator against hostile TCP clients --------------------------------------------------

#ifndef __SANITIZE_ADDRESS__
long peakResidentKb(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}
#endif

int connectTo(const std::string& address) {
    const auto colon = address.rfind(':');
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints,
                    &found) != 0)
        return -1;
    const int fd = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        close(fd);
        freeaddrinfo(found);
        return -1;
    }
    freeaddrinfo(found);
    return fd;
}

// Sends `bytes` and reads until a whole answer frame (EOT) or `limit`.
std::string ask(int fd, const std::string& bytes, Clock::duration limit = 5s) {
    if (send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
        return {};
    std::string in;
    const auto deadline = Clock::now() + limit;
    char buffer[4096];
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        in.append(buffer, static_cast<std::size_t>(n));
        if (in.find(EOT) != std::string::npos) break;
    }
    return in;
}

TEST(HostilePeerE2E, SimulatorStaysSmallAndServesTheNewestOfManyHostileConnections) {
    SimProcess sim({"--tcp", "127.0.0.1:0"});
    ASSERT_FALSE(sim.served().isEmpty());
    const std::string address = sim.served().section(' ', -1).toStdString();
    const std::string probe = BuildFrame("RC,R,", EOT);
    const std::string answer = BuildFrame("RC,R,VQ-5100", EOT);

    // A flood of garbage that is never read back.
    const int flood = connectTo(address);
    ASSERT_GE(flood, 0);
    fcntl(flood, F_SETFL, fcntl(flood, F_GETFL) | O_NONBLOCK);
    std::mt19937 random(5);
    std::string garbage(64 * 1024, '\0');
    std::size_t sent = 0;
    const auto floodEnd = Clock::now() + 2s;
    while (sent < (32u << 20) && Clock::now() < floodEnd) {
        for (char& c : garbage) c = static_cast<char>(random() & 0xFF);
        const ssize_t n = send(flood, garbage.data(), garbage.size(), MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        pollfd p{flood, POLLOUT, 0};
        poll(&p, 1, 20);
    }
    EXPECT_GT(sent, 1u << 20);

    // A hundred connections, each left holding a trickle: a byte of junk, half a frame.
    std::vector<int> many;
    for (int i = 0; i < 100; ++i) {
        const int fd = connectTo(address);
        ASSERT_GE(fd, 0) << "connection " << i;
        const std::string trickle =
            i % 2 ? std::string(1, static_cast<char>(0xFF)) : probe.substr(0, probe.size() / 2);
        EXPECT_EQ(send(fd, trickle.data(), trickle.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(trickle.size()));
        many.push_back(fd);
    }

    // The newest connection is the instrument's line: it is answered in full.
    const int newest = connectTo(address);
    ASSERT_GE(newest, 0);
    EXPECT_EQ(ask(newest, probe), answer);
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LE(peakResidentKb(sim.pid()), kMaxResidentKb);
#endif

    close(newest);
    close(flood);
    for (int fd : many) close(fd);
}

}  // namespace
}  // namespace vq::test
