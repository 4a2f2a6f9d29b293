#pragma once
// Real files for the file tests: a fresh folder per test, a read-only folder that holds even
// for root, and a "full disk" made with the file-size limit.

#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vq::testing {

using test::readFile;
using test::writeFile;

// Makes a folder read-only for the duration. Root ignores permission bits, so when the tests
// run as root the effective user becomes "nobody" meanwhile (the real user stays root, which
// lets the destructor switch back).
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const std::filesystem::path& folder) : folder_(folder) {
        ::chmod(folder_.c_str(), 0555);
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
            switched_ = ::seteuid(uid) == 0;
        }
    }
    ~ReadOnlyFolder() {
        if (switched_) (void)::seteuid(0);
        ::chmod(folder_.c_str(), 0700);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  private:
    std::filesystem::path folder_;
    bool switched_ = false;
};

// No file may grow beyond `bytes` meanwhile: a write past it fails as on a full disk (EFBIG
// instead of ENOSPC; SIGXFSZ is ignored so the write returns the error).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    sighandler_t oldHandler_ = SIG_DFL;
};

// The lines of a text, split at CRLF only (the files are written with CRLF).
inline std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
        lines.push_back(text.substr(start, at - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Binary garbage, CR-only lines, a 10 000-character line and a 300-field line, for the readers.
inline std::vector<std::string> hostileTexts() {
    std::string binary;
    unsigned state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        binary.push_back(static_cast<char>(state >> 16));
    }
    std::string fields300;
    for (int i = 0; i < 300; ++i) fields300 += "7\t7,";
    return {binary,
            std::string("\0\0\0\r\n\0", 6),
            "Timeout\t5\rRetry\t9\rLP,W,1,\r",
            std::string(10000, 'x') + "\r\n" + "Font\t'" + std::string(10000, 'a'),
            "Gas Inst\t" + fields300 + "\r\nLP,W," + fields300,
            "'unterminated\t;\t'\r\n;;;;\r\n\t\t\t\r\n,,,,\r\n",
            "\xEF\xBB\xBFTimeout\t7\r\n\xFF\xFE\r\n"};
}

}  // namespace vq::testing
