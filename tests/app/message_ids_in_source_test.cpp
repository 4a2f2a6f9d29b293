// Every message id the program uses exists in both tables. The test reads the source tree and
// finds ids where the code names them:
//   - ResMessage(<id>, ...) and ResMessage(<language>, <id>, ...), where <id> is a number, a
//     constant declared "constexpr int Name = <number>;" (in the same file, else anywhere), or a
//     conditional whose branches are such ("x ? 8006 : 8005");
//   - msg::<Name> constants of app/messages.h;
//   - arrays of ids whose name ends in "Ids" ("constexpr int labelIds[] = {...}").

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/messages.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

struct SourceFile {
    std::string path;  // relative to the source root
    std::string text;
};

struct IdUse {
    int id;
    std::string where;
};

using Constants = std::map<std::string, std::vector<int>>;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Build folders and the tests of this folder (which ask for missing ids on purpose) are left out.
bool skipped(const fs::path& relative) {
    const std::string first = relative.begin()->string();
    if (first.empty() || first[0] == '.' || first.rfind("build", 0) == 0) return true;
    return relative.string().rfind("tests/app", 0) == 0;
}

std::vector<SourceFile> readSources(const fs::path& root) {
    std::vector<SourceFile> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path relative = fs::relative(it->path(), root);
        if (it->is_directory()) {
            if (skipped(relative)) it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (ext == ".cpp" || ext == ".h")
            files.push_back({relative.string(), readFile(it->path())});
    }
    return files;
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

void skipSpaces(const std::string& text, std::size_t& i) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0) ++i;
}

template <typename Accept>
std::string readWhile(const std::string& text, std::size_t& i, Accept accept) {
    const std::size_t start = i;
    while (i < text.size() && accept(text[i])) ++i;
    return text.substr(start, i - start);
}

int toId(const std::string& digits) {
    return digits.size() <= 6 ? std::stoi(digits) : -1;  // longer is no 16-bit id
}

// "constexpr int Name = 5509;" and "constexpr int nameIds[] = {1, 2};"
Constants declaredConstants(const std::string& text) {
    const std::string marker = "constexpr int ";
    Constants constants;
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + 1)) {
        std::size_t i = at + marker.size();
        const std::string name = readWhile(text, i, isWordChar);
        skipSpaces(text, i);
        const bool array = i < text.size() && text[i] == '[';
        if (array) i = text.find(']', i) == std::string::npos ? text.size() : text.find(']', i) + 1;
        skipSpaces(text, i);
        if (name.empty() || i >= text.size() || text[i] != '=') continue;
        ++i;
        skipSpaces(text, i);
        std::vector<int> values;
        if (array) {
            const std::size_t close = text.find('}', i);
            if (text[i] != '{' || close == std::string::npos) continue;
            const std::string list = text.substr(i + 1, close - i - 1);
            for (std::size_t j = 0; j < list.size();) {
                const std::string digits = readWhile(list, j, isDigit);
                if (!digits.empty()) {
                    values.push_back(toId(digits));
                } else {
                    ++j;
                }
            }
        } else {
            const std::string digits = readWhile(text, i, isDigit);
            if (digits.empty()) continue;
            values.push_back(toId(digits));
        }
        auto& slot = constants[name];
        slot.insert(slot.end(), values.begin(), values.end());
    }
    return constants;
}

// The top-level arguments of the call whose "(" is at `open`.
std::vector<std::string> callArguments(const std::string& text, std::size_t open) {
    std::vector<std::string> arguments(1);
    int depth = 0;
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(' || c == '{' || c == '[') ++depth;
        if (c == ')' || c == '}' || c == ']') {
            if (depth == 0) return arguments;
            --depth;
        }
        if (c == ',' && depth == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(c);
        }
    }
    return {};
}

// Where constants are declared: per file, with the file's text to tell namespaces apart.
struct DeclaredConstants {
    std::vector<const SourceFile*> files;
    std::vector<Constants> perFile;
};

bool declaresNamespace(const std::string& text, const std::string& name) {
    return text.find("namespace " + name + " {") != std::string::npos ||
           text.find("::" + name + " {") != std::string::npos;
}

// The values of constant `token` ("Name" or "ns::Name") as seen from file `self`: its own
// declaration first; else those of files declaring namespace ns; else every declaration.
std::vector<int> resolve(const std::string& token, std::size_t self, const DeclaredConstants& all) {
    const std::size_t colons = token.rfind("::");
    const std::string name = colons == std::string::npos ? token : token.substr(colons + 2);
    std::string space;  // the innermost namespace written before the name
    if (colons != std::string::npos) {
        space = token.substr(0, colons);
        const std::size_t inner = space.rfind("::");
        if (inner != std::string::npos) space = space.substr(inner + 2);
    }
    const auto own = all.perFile[self].find(name);
    if (space.empty() && own != all.perFile[self].end()) return own->second;
    std::vector<int> inSpace;
    std::vector<int> anywhere;
    for (std::size_t f = 0; f < all.perFile.size(); ++f) {
        const auto found = all.perFile[f].find(name);
        if (found == all.perFile[f].end()) continue;
        anywhere.insert(anywhere.end(), found->second.begin(), found->second.end());
        if (!space.empty() && declaresNamespace(all.files[f]->text, space)) {
            inSpace.insert(inSpace.end(), found->second.begin(), found->second.end());
        }
    }
    return inSpace.empty() ? anywhere : inSpace;
}

// The values an id expression can take: the expression itself, or the branches of a conditional.
std::vector<int> idsOfExpression(const std::string& expression, std::size_t self,
                                 const DeclaredConstants& all) {
    std::vector<int> ids;
    for (std::size_t i = 0; i <= expression.size();) {
        skipSpaces(expression, i);
        const std::string token =
            readWhile(expression, i, [](char c) { return isWordChar(c) || c == ':'; });
        if (!token.empty() && isDigit(token[0])) {
            if (std::all_of(token.begin(), token.end(), isDigit)) ids.push_back(toId(token));
        } else if (!token.empty() && token.rfind("msg::", 0) != 0) {
            const auto values = resolve(token, self, all);
            ids.insert(ids.end(), values.begin(), values.end());
        }
        // The next value position is after "?" or a single ":".
        std::size_t next = std::string::npos;
        for (std::size_t j = i; j < expression.size(); ++j) {
            const bool colon = expression[j] == ':' &&
                               (j + 1 >= expression.size() || expression[j + 1] != ':') &&
                               (j == 0 || expression[j - 1] != ':');
            if (expression[j] == '?' || colon) {
                next = j + 1;
                break;
            }
        }
        if (next == std::string::npos) break;
        i = next;
    }
    return ids;
}

std::vector<IdUse> idUses(const std::vector<SourceFile>& files, const Constants& named) {
    DeclaredConstants all;
    for (const auto& file : files) {
        all.files.push_back(&file);
        all.perFile.push_back(declaredConstants(file.text));
    }
    std::vector<IdUse> uses;
    const std::string call = "ResMessage";
    for (std::size_t f = 0; f < files.size(); ++f) {
        const std::string& text = files[f].text;
        const std::string& where = files[f].path;
        for (std::size_t at = text.find(call); at != std::string::npos;
             at = text.find(call, at + 1)) {
            if (at > 0 && isWordChar(text[at - 1])) continue;
            std::size_t open = at + call.size();
            skipSpaces(text, open);
            if (open >= text.size() || text[open] != '(') continue;
            const auto arguments = callArguments(text, open);
            if (arguments.empty()) continue;
            const bool languageFirst =
                arguments.size() >= 2 && arguments[0].find("anguage") != std::string::npos;
            const std::string& expression = languageFirst ? arguments[1] : arguments[0];
            for (int id : idsOfExpression(expression, f, all)) uses.push_back({id, where});
        }
        for (std::size_t at = text.find("msg::"); at != std::string::npos;
             at = text.find("msg::", at + 1)) {
            std::size_t i = at + 5;
            const auto found = named.find(readWhile(text, i, isWordChar));
            if (found != named.end()) uses.push_back({found->second.front(), where});
        }
        for (const auto& [name, values] : all.perFile[f]) {
            if (name.size() > 3 && name.compare(name.size() - 3, 3, "Ids") == 0) {
                for (int id : values) uses.push_back({id, where + " (" + name + ")"});
            }
        }
    }
    return uses;
}

TEST(MessageIdsInSource, TheScanFindsEveryWayOfNamingAnId) {
    // The scanner on a made-up source, so a change to it cannot quietly stop finding ids.
    const std::vector<SourceFile> files = {
        {"a.cpp",
         "constexpr int kBad = 5509;\n"
         "constexpr int labelIds[] = {5648, 5650};\n"
         "constexpr int notAnId[] = {1, 2};\n"
         "std::string f(bool b) { return ResMessage(b ? 8006 : 8005) + ResMessage(kBad, {x});\n"
         "  ResMessage(Language::Japanese, 99); ResMessage( 5412 , {\"~1\"});\n"
         "  ResMessage(text::Shared); ResMessage(id); ResMessage(msg::UploadFailedBox); }\n"},
        {"b.h", "namespace text { inline constexpr int Shared = 5501; }\n"},
        {"c.h", "namespace port { inline constexpr int Shared = 1021; }\n"}};
    const Constants named = {{"UploadFailedBox", {5335}}};
    std::vector<int> found;
    for (const auto& use : idUses(files, named)) found.push_back(use.id);
    std::sort(found.begin(), found.end());
    const std::vector<int> expected = {99, 5335, 5412, 5501, 5509, 5648, 5650, 8005, 8006};
    EXPECT_EQ(found, expected);
}

TEST(MessageIdsInSource, EveryUsedIdIsInBothTables) {
    const fs::path root = VQ_SOURCE_DIR;
    Constants named;
    for (const auto& [name, values] : declaredConstants(readFile(root / "app" / "messages.h"))) {
        named[name] = values;
    }
    ASSERT_GE(named.size(), 8u) << "the msg:: constants of app/messages.h were not found";

    const auto files = readSources(root);
    ASSERT_GT(files.size(), 3u);
    const auto uses = idUses(files, named);
    // app/messages.cpp itself names two msg:: constants, so an empty scan means it broke.
    ASSERT_FALSE(uses.empty());
    for (const auto& use : uses) {
        EXPECT_TRUE(hasMessage(Language::English, use.id))
            << use.where << " uses id " << use.id << ", missing from the English table";
        EXPECT_TRUE(hasMessage(Language::Japanese, use.id))
            << use.where << " uses id " << use.id << ", missing from the Japanese table";
    }
    for (const auto& [name, values] : named) {
        EXPECT_TRUE(hasMessage(Language::English, values.front())) << "msg::" << name;
        EXPECT_TRUE(hasMessage(Language::Japanese, values.front())) << "msg::" << name;
    }
}

}  // namespace
}  // namespace vq
