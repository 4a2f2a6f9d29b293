// The program's own files under a writer that dies or fails at every step: the configuration
// file (SaveConfig), the settings CSV append and the settings command file. The writer runs in a
// forked child that is killed (SIGKILL) just before its Nth file-system step (write, fchmod,
// fsync, rename), for N = 1, 2, ... until a child finishes; or, in-process, the Nth step fails with
// an I/O error. After every run the file is the old one or the new one, byte for byte: never
// missing, empty or half-written, and a failed write is reported as a failure.

#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "app/app_config.h"
#include "app/atomic_file.h"
#include "app/config_file.h"
#include "app/settings_csv.h"
#include "app/settings_file.h"
#include "model/instrument.h"
#include "tests/support/temp_dir.h"

// ---- the step hook: the file-system calls of the writers pass through here ----
namespace {

enum class StepAction { None, Kill, Fail };
// Armed only for the one write under test; 0 disarms.
int stepsLeft = 0;
StepAction stepAction = StepAction::None;
int stepsTaken = 0;

// True when this call must not go through (the process was killed or the call fails).
bool stepReached() {
    ++stepsTaken;
    if (stepsLeft == 0 || --stepsLeft != 0) return false;
    if (stepAction == StepAction::Kill) ::kill(::getpid(), SIGKILL);
    errno = EIO;
    return true;
}

template <typename Fn>
Fn next(const char* name) {
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fsync(int fd) {
    static auto real = next<int (*)(int)>("fsync");
    return stepReached() ? -1 : real(fd);
}
extern "C" int rename(const char* from, const char* to) noexcept {
    static auto real = next<int (*)(const char*, const char*)>("rename");
    return stepReached() ? -1 : real(from, to);
}
// The settings CSV append writes its row onto the end of the file itself: the write is a step.
extern "C" ssize_t write(int fd, const void* data, size_t size) {
    static auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    return stepReached() ? -1 : real(fd, data, size);
}
extern "C" int fchmod(int fd, mode_t mode) noexcept {
    static auto real = next<int (*)(int, mode_t)>("fchmod");
    return stepReached() ? -1 : real(fd, mode);
}

namespace vq::test {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// One writer under test: it puts `oldText` in place, then `write` changes the file to `newText`.
struct Writer {
    fs::path file;
    std::string oldText, newText;
    std::function<bool()> write;  // true when the writer reports success
};

struct Outcomes {
    int killed = 0, leftOld = 0, leftNew = 0;
};

// Kills the writer before each of its steps in turn; the file must be whole every time.
Outcomes killAtEveryStep(const Writer& w) {
    Outcomes o;
    for (int step = 1; step < 50; ++step) {
        put(w.file, w.oldText);
        const pid_t child = ::fork();
        if (child == 0) {
            stepsLeft = step;
            stepAction = StepAction::Kill;
            ::_exit(w.write() ? 0 : 1);
        }
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        const std::optional<std::string> now = contents(w.file);
        EXPECT_TRUE(now == w.oldText || now == w.newText)
            << "killed before step " << step << ": " << (now ? now->size() : 0) << " bytes";
        if (now == w.oldText) ++o.leftOld;
        if (now == w.newText) ++o.leftNew;
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
            ++o.killed;
            continue;
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "step " << step;
        EXPECT_EQ(now, w.newText) << "a finished write";
        break;
    }
    return o;
}

// Fails each step in turn (an I/O error); a failed write says so and leaves the old file.
int failAtEveryStep(const Writer& w) {
    int failures = 0;
    for (int step = 1; step < 50; ++step) {
        put(w.file, w.oldText);
        stepsLeft = step;
        stepAction = StepAction::Fail;
        const bool ok = w.write();
        const bool stepFailed = stepsLeft == 0;
        stepsLeft = 0;
        stepAction = StepAction::None;
        const std::optional<std::string> now = contents(w.file);
        if (!stepFailed) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(now, w.newText);
            break;
        }
        ++failures;
        // The folder's own fsync after the rename is best effort: the new file is already
        // whole and in place, and success is the truth.
        if (ok) {
            EXPECT_EQ(now, w.newText) << "step " << step;
        } else {
            EXPECT_EQ(now, w.oldText) << "failed at step " << step;
        }
    }
    // No temporary file is left behind by the failures.
    for (const auto& entry : fs::directory_iterator(w.file.parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
            << entry.path();
    }
    return failures;
}

void checkWriter(const Writer& w) {
    ASSERT_NE(w.oldText, w.newText);
    const Outcomes o = killAtEveryStep(w);
    // The kill reached steps both before and after the file was replaced: the test can tell.
    EXPECT_GE(o.killed, 2);
    EXPECT_GE(o.leftOld, 1);
    EXPECT_GE(o.leftNew, 2);
    EXPECT_GE(failAtEveryStep(w), 2);
}

TEST(CrashSafeFiles, ConfigurationFile) {
    TempDir dir;
    AppConfig config;
    FillBuiltInDefaults(config);
    config.retry = 4;
    constexpr double now = 46363.5;
    // What SaveConfig writes for the new settings, taken from a save in a second folder.
    TempDir reference;
    AppConfig changed = config;
    changed.retry = 7;
    changed.timeout = 9;
    AppConfig probe = changed;
    ASSERT_TRUE(SaveConfig(probe, reference.path(), now).ok);
    Writer w{ConfigFilePath(dir.path()), ConfigFileText(config, now),
             *contents(ConfigFilePath(reference.path())), [&] {
                 AppConfig copy = changed;
                 return SaveConfig(copy, dir.path(), now).ok;
             }};
    checkWriter(w);
    struct stat st {};
    ASSERT_EQ(::stat(w.file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // it holds the password
}

TEST(CrashSafeFiles, SettingsCsvAppend) {
    TempDir dir;
    InstrumentModel model;
    model.setUserID("TECH 1");
    constexpr double now = 46363.5;
    const fs::path file = SettingsCsvPath(dir.path(), "");
    ASSERT_TRUE(ExportSettingsRow(model, CsvAction::Read, dir.path(), "", now).ok);
    ASSERT_TRUE(ExportSettingsRow(model, CsvAction::Write, dir.path(), "", now).ok);
    const std::string oldText = *contents(file);
    const std::string newText = oldText + CsvLine(SettingsCsvRow(model, CsvAction::Read, now));
    checkWriter({file, oldText, newText, [&] {
                     return ExportSettingsRow(model, CsvAction::Read, dir.path(), "", now).ok;
                 }});
}

// The append goes onto the end of the file; a row that a crash cut short (no line end) is removed
// before the next row is added, so the file always reads as whole rows.
TEST(CrashSafeFiles, SettingsCsvRowCutShortByACrashIsRemovedByTheNextAppend) {
    TempDir dir;
    InstrumentModel model;
    constexpr double now = 46363.5;
    const fs::path file = SettingsCsvPath(dir.path(), "");
    ASSERT_TRUE(ExportSettingsRow(model, CsvAction::Read, dir.path(), "", now).ok);
    const std::string whole = *contents(file);
    const std::string row = CsvLine(SettingsCsvRow(model, CsvAction::Write, now));
    put(file, whole + row.substr(0, row.size() / 2));
    ASSERT_TRUE(ExportSettingsRow(model, CsvAction::Write, dir.path(), "", now).ok);
    EXPECT_EQ(contents(file), whole + row);
    // A file that holds no line end at all was never one of ours: it is kept whole.
    put(file, "notes");
    ASSERT_TRUE(ExportSettingsRow(model, CsvAction::Write, dir.path(), "", now).ok);
    EXPECT_EQ(contents(file), "notes" + row);
}

TEST(CrashSafeFiles, SettingsCsvCreatedWithItsHeader) {
    // A new file appears with its header and first row at once, or not at all.
    TempDir dir;
    InstrumentModel model;
    constexpr double now = 46363.5;
    const fs::path file = SettingsCsvPath(dir.path(), "");
    const std::string whole = "\xEF\xBB\xBF" + CsvLine(SettingsCsvHeader()) +
                              CsvLine(SettingsCsvRow(model, CsvAction::Read, now));
    for (int step = 1; step < 50; ++step) {
        fs::remove(file);
        const pid_t child = ::fork();
        if (child == 0) {
            stepsLeft = step;
            stepAction = StepAction::Kill;
            ::_exit(ExportSettingsRow(model, CsvAction::Read, dir.path(), "", now).ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const std::optional<std::string> now_ = contents(file);
        if (WIFSIGNALED(status)) {
            EXPECT_TRUE(!now_ || *now_ == whole) << "step " << step;
            continue;
        }
        EXPECT_EQ(now_, whole);
        break;
    }
}

TEST(CrashSafeFiles, SettingsCommandFile) {
    TempDir dir;
    InstrumentModel before;
    before.setLcdBackLight(20);
    InstrumentModel after = before;
    after.setLcdBackLight(30);
    after.setIntervals(180);
    const fs::path file = fs::path(dir.path()) / "bench.seq";
    checkWriter({file, SettingsFileText(before), SettingsFileText(after),
                 [&] { return WriteSettingsFile(after, file).ok; }});
}

}  // namespace
}  // namespace vq::test
