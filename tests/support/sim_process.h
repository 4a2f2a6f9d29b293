#pragma once
// The real vq5100-sim program, started for a test: its first output line, a pseudo-terminal or
// TCP peer, and waits bounded by deadlines (poll), never by sleeping. The test target defines
// VQ5100_SIM_PATH. tests/e2e/sim_process.h gives the same program to the Qt tests.

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace vq::test {

class SimProgram {
  public:
    explicit SimProgram(std::vector<std::string> args) {
        args.insert(args.begin(), VQ5100_SIM_PATH);
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        stdout_ = out[0];
    }
    ~SimProgram() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (stdout_ >= 0) close(stdout_);
    }

    // The first line the program prints (the pty path or the address); empty on time-out.
    std::string firstLine(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        char c;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{stdout_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            if (read(stdout_, &c, 1) != 1) break;
            if (c == '\n') return line;
            line += c;
        }
        return {};
    }

    // Sends the signal and waits for the exit status; nullopt when it does not end in time.
    std::optional<int> stop(int signal = SIGTERM,
                            std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        kill(pid_, signal);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            pollfd none{-1, 0, 0};
            poll(&none, 0, 10);  // the only way to wait for a child with a deadline here
        }
        return std::nullopt;
    }
    // The exit status of a program that ends by itself (a usage error).
    std::optional<int> exitStatus() { return stop(0); }
    // The process id, for reading its memory from /proc.
    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0 && !exited_; }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    bool exited_ = false;
};

// A peer of the program: a raw pseudo-terminal or a TCP connection.
class Peer {
  public:
    static Peer openPty(const std::string& path) {
        Peer peer;
        peer.fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (peer.fd_ >= 0) {
            termios raw{};
            tcgetattr(peer.fd_, &raw);
            cfmakeraw(&raw);
            tcsetattr(peer.fd_, TCSANOW, &raw);
        }
        return peer;
    }
    static Peer connectTcp(const std::string& address) {
        Peer peer;
        const std::size_t colon = address.rfind(':');
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints,
                        &found) != 0) {
            return peer;
        }
        peer.fd_ = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
        if (connect(peer.fd_, found->ai_addr, found->ai_addrlen) != 0) {
            close(peer.fd_);
            peer.fd_ = -1;
        }
        freeaddrinfo(found);
        if (peer.fd_ >= 0) fcntl(peer.fd_, F_SETFL, fcntl(peer.fd_, F_GETFL) | O_NONBLOCK);
        return peer;
    }
    Peer() = default;
    Peer(Peer&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Peer& operator=(Peer&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Peer() { closeNow(); }
    void closeNow() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    bool ok() const { return fd_ >= 0; }

    // Writes what the descriptor takes now; the count written.
    std::size_t writeSome(const std::string& bytes) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    bool writeAll(const std::string& bytes,
                  std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::size_t done = 0;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            done += writeSome(bytes.substr(done));
            pollfd p{fd_, POLLOUT, 0};
            if (done < bytes.size()) poll(&p, 1, 100);
        }
        return done == bytes.size();
    }
    // Reads until `count` bytes arrived or the time is up.
    std::string readBytes(std::size_t count,
                          std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::string in;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        char buffer[65536];
        while (in.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - in.size()));
            if (n > 0) in.append(buffer, static_cast<std::size_t>(n));
        }
        return in;
    }
    // Reads one reply frame (up to its EOT or ETB); empty when none arrives in time.
    std::string readFrame(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::string in;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        char c;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            while (read(fd_, &c, 1) == 1) {
                in += c;
                if (c == 0x04 || c == 0x17) return in;
            }
        }
        return {};
    }

  private:
    int fd_ = -1;
};

}  // namespace vq::test
