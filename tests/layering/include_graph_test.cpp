// The layering of the source tree: every #include points at the folder itself or at a folder
// below it, and the core folders include no Qt. Read from the source files themselves, so a new
// file or a moved one is checked without anyone listing it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;

struct Layer {
    std::string folder;  // relative to the source root; the longest matching folder wins
    int rank;            // a folder may include folders of a lower rank and itself
    bool core;           // standard library only: no Qt
};

// Lowest first. Folders of one rank are peers and may not include each other. tests/, fuzz/ and
// bench/ sit above everything and are not checked.
const std::vector<Layer> kLayers = {
    {"model", 0, true}, {"messages", 1, true}, {"protocol", 2, true},   {"link", 3, true},
    {"app", 4, true},   {"sim", 4, true},      {"sim/front", 5, false}, {"platform", 5, false},
    {"cli", 6, false},  {"ui", 6, false},
};

struct SourceFile {
    std::string path;  // relative to the source root, with "/"
    std::string text;
};

const Layer* layerOf(const std::string& path, const std::vector<Layer>& layers) {
    const Layer* best = nullptr;
    for (const auto& layer : layers) {
        const std::string prefix = layer.folder + "/";
        if (path.rfind(prefix, 0) == 0 &&
            (best == nullptr || layer.folder.size() > best->folder.size()))
            best = &layer;
    }
    return best;
}

struct Include {
    int line;
    bool angled;
    std::string target;
};

// The #include lines of a file; a "//" comment after the name does not matter.
std::vector<Include> includesOf(const std::string& text) {
    std::vector<Include> found;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::size_t i = line.find_first_not_of(" \t");
        if (i == std::string::npos || line[i] != '#') continue;
        i = line.find_first_not_of(" \t", i + 1);
        if (i == std::string::npos || line.compare(i, 7, "include") != 0) continue;
        i = line.find_first_not_of(" \t", i + 7);
        if (i == std::string::npos || (line[i] != '"' && line[i] != '<')) continue;
        const char close = line[i] == '"' ? '"' : '>';
        const std::size_t end = line.find(close, i + 1);
        if (end == std::string::npos) continue;
        found.push_back({number, line[i] == '<', line.substr(i + 1, end - i - 1)});
    }
    return found;
}

bool isQtHeader(const std::string& target) {
    // Qt's headers are the only ones here that begin with a "Q" or a "q" (<QTimer>, <QtCore/...>,
    // <qglobal.h>).
    return !target.empty() && (target[0] == 'Q' || target[0] == 'q');
}

std::vector<std::string> violations(const std::vector<SourceFile>& files,
                                    const std::vector<Layer>& layers) {
    std::vector<std::string> problems;
    for (const auto& file : files) {
        const Layer* from = layerOf(file.path, layers);
        if (from == nullptr) continue;
        for (const auto& include : includesOf(file.text)) {
            const std::string where = file.path + ":" + std::to_string(include.line) + ": ";
            if (include.angled) {
                if (from->core && isQtHeader(include.target))
                    problems.push_back(where + "Qt header <" + include.target + "> in " +
                                       from->folder + "/");
                continue;
            }
            // A name without a folder is a file of the including folder.
            if (include.target.find('/') == std::string::npos) continue;
            const Layer* to = layerOf(include.target, layers);
            if (to == nullptr) {
                problems.push_back(where + "\"" + include.target + "\" is in no known folder");
            } else if (to != from && to->rank >= from->rank) {
                problems.push_back(where + from->folder + "/ includes \"" + include.target +
                                   "\" of " + to->folder + "/, which is not below it");
            }
        }
    }
    return problems;
}

TEST(IncludeGraph, FindsEachKindOfViolation) {
    struct Case {
        const char* name;
        SourceFile file;
        std::size_t problems;
    };
    const std::vector<Case> cases = {
        {"downward", {"link/a.cpp", "#include \"protocol/frame.h\"\n#include \"model/x.h\"\n"}, 0},
        {"own folder",
         {"link/a.cpp", "#include \"link/instrument_link.h\"\n#include \"b.h\"\n"},
         0},
        {"std header in core", {"model/a.h", "#include <string>\n#include <vector>\n"}, 0},
        {"upward", {"protocol/a.cpp", "#include \"link/instrument_link.h\"\n"}, 1},
        {"messages below app", {"messages/a.cpp", "#include \"app/app_config.h\"\n"}, 1},
        {"peer", {"app/a.cpp", "#include \"sim/sim_state.h\"\n"}, 1},
        {"peer the other way", {"sim/a.cpp", "#include \"app/gas_table.h\"\n"}, 1},
        {"subfolder above its parent", {"sim/a.cpp", "  #  include \"sim/front/server.h\"\n"}, 1},
        {"front includes its core", {"sim/front/a.cpp", "#include \"sim/responder.h\"\n"}, 0},
        {"Qt in core", {"link/a.cpp", "#include <QTimer>\n#include <QtCore/QObject>\n"}, 2},
        {"Qt in the simulator core", {"sim/a.h", "#include <qglobal.h>\n"}, 1},
        {"Qt above the core", {"platform/a.cpp", "#include <QSerialPort>\n"}, 0},
        {"unknown folder", {"ui/a.cpp", "#include \"widgets/x.h\"\n"}, 1},
        {"unchecked folder",
         {"tests/a.cpp", "#include \"ui/main/main_window.h\"\n#include <QTest>\n"},
         0},
        {"commented include", {"app/a.cpp", "// #include \"ui/x.h\"\n"}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(violations({c.file}, kLayers).size(), c.problems) << c.name;
    }
}

using vq::test::readFile;

TEST(IncludeGraph, TheSourceTreeKeepsItsLayers) {
    const fs::path root = VQ_SOURCE_DIR;
    std::vector<SourceFile> files;
    for (const auto& layer : kLayers) {
        if (!fs::is_directory(root / layer.folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / layer.folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            files.push_back(
                {fs::relative(entry.path(), root).generic_string(), readFile(entry.path())});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
    files.erase(
        std::unique(files.begin(), files.end(),
                    [](const SourceFile& a, const SourceFile& b) { return a.path == b.path; }),
        files.end());
    // Every layer holds sources, so a wrong root cannot pass as an empty tree.
    for (const auto& layer : kLayers) {
        EXPECT_TRUE(
            std::any_of(files.begin(), files.end(),
                        [&](const SourceFile& f) { return layerOf(f.path, kLayers) == &layer; }))
            << layer.folder << "/ has no sources";
    }
    for (const auto& problem : violations(files, kLayers)) ADD_FAILURE() << problem;
}

// The window program and the files layer include no link/ header: the window reaches the
// instrument through the session and the narrow objects it hands out (platform/); the files layer
// knows no link at all (the flows that join the two live beside the session).
std::vector<std::string> linkIncludes(const std::vector<SourceFile>& files,
                                      const std::string& folder) {
    std::vector<std::string> problems;
    for (const auto& file : files) {
        if (file.path.rfind(folder + "/", 0) != 0) continue;
        for (const auto& include : includesOf(file.text)) {
            if (!include.angled && include.target.rfind("link/", 0) == 0)
                problems.push_back(file.path + ":" + std::to_string(include.line) + ": \"" +
                                   include.target + "\"");
        }
    }
    return problems;
}

// The window program (all of ui/: the main window, the dialogs, the widgets, its main()) reaches
// the instrument through the session and what it hands out, never through a link/ header.
std::vector<SourceFile> sourcesUnder(const fs::path& root, const std::string& folder) {
    std::vector<SourceFile> files;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        files.push_back(
            {fs::relative(entry.path(), root).generic_string(), readFile(entry.path())});
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
    return files;
}

TEST(IncludeGraph, TheWindowProgramIncludesNoLinkHeader) {
    const std::vector<SourceFile> planted = {
        {"ui/dialogs/a.cpp",
         "#include \"platform/calibration_run.h\"\n#include \"link/instrument_link.h\"\n"},
        {"ui/main/b.cpp",
         "#include \"platform/session_line.h\"\n  #  include \"link/event_host.h\"\n"},
        {"ui/widgets/c.h", "#include \"link/link_status.h\" // the status values\n"},
        {"ui/d.cpp", "#include \"link/instrument_link.h\"\n"},
        {"ui/main/e.h",
         "// #include \"link/instrument_link.h\"\n#include <link/instrument_link.h>\n"},
        {"ui/main/f.cpp", "#include \"platform/instrument_reads.h\"\n#include \"blink/x.h\"\n"},
        {"cli/g.cpp", "#include \"link/instrument_link.h\"\n"},
    };
    EXPECT_EQ(linkIncludes(planted, "ui"),
              (std::vector<std::string>{"ui/dialogs/a.cpp:2: \"link/instrument_link.h\"",
                                        "ui/main/b.cpp:2: \"link/event_host.h\"",
                                        "ui/widgets/c.h:1: \"link/link_status.h\"",
                                        "ui/d.cpp:1: \"link/instrument_link.h\""}));

    const std::vector<SourceFile> files = sourcesUnder(VQ_SOURCE_DIR, "ui");
    // A wrong root cannot pass as an empty folder, nor a walk that misses the subfolders.
    for (const char* folder : {"ui/main/", "ui/dialogs/", "ui/widgets/"}) {
        EXPECT_TRUE(std::any_of(files.begin(), files.end(), [&](const SourceFile& f) {
            return f.path.rfind(folder, 0) == 0;
        })) << folder;
    }
    ASSERT_GT(files.size(), 40u);
    for (const auto& problem : linkIncludes(files, "ui")) ADD_FAILURE() << problem;
}

TEST(IncludeGraph, TheFilesLayerIncludesNoLinkHeader) {
    EXPECT_EQ(linkIncludes({{"app/a.cpp", "#include \"link/instrument_link.h\"\n"}}, "app").size(),
              1u);
    const fs::path root = VQ_SOURCE_DIR;
    std::vector<SourceFile> files;
    for (const auto& entry : fs::directory_iterator(root / "app")) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        files.push_back(
            {fs::relative(entry.path(), root).generic_string(), readFile(entry.path())});
    }
    ASSERT_GT(files.size(), 10u);
    for (const auto& problem : linkIncludes(files, "app")) ADD_FAILURE() << problem;
}

// vq5100ctl reaches the instrument through the session and the operations it hands out, like the
// windows: no file of cli/, in any subfolder, includes a link/ header.
TEST(IncludeGraph, TheCommandLineToolIncludesNoLinkHeader) {
    const std::vector<SourceFile> planted = {
        {"cli/commands/a.cpp", "#include \"cli/session.h\"\n#include \"link/instrument_link.h\"\n"},
        {"cli/b.h", "  #  include \"link/event_host.h\"\n"},
        {"cli/c.cpp",
         "// #include \"link/instrument_link.h\"\n#include \"platform/instrument_session.h\"\n"},
        {"platform/d.cpp", "#include \"link/instrument_link.h\"\n"},
    };
    EXPECT_EQ(linkIncludes(planted, "cli"),
              (std::vector<std::string>{"cli/commands/a.cpp:2: \"link/instrument_link.h\"",
                                        "cli/b.h:1: \"link/event_host.h\""}));

    const fs::path root = VQ_SOURCE_DIR;
    std::vector<SourceFile> files;
    for (const auto& entry : fs::recursive_directory_iterator(root / "cli")) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
        files.push_back(
            {fs::relative(entry.path(), root).generic_string(), readFile(entry.path())});
    }
    // A wrong root cannot pass as an empty folder, nor one that misses the commands.
    ASSERT_GT(files.size(), 20u);
    ASSERT_TRUE(std::any_of(files.begin(), files.end(), [](const SourceFile& f) {
        return f.path.rfind("cli/commands/", 0) == 0;
    }));
    for (const auto& problem : linkIncludes(files, "cli")) ADD_FAILURE() << problem;
}

}  // namespace
