#include "messages/messages.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <set>

namespace vq {

// Defined in the file the build generates from resources/messages_*.txt.
namespace detail {
std::string_view embeddedMessagesEn();
std::string_view embeddedMessagesJa();
}  // namespace detail

namespace {

constexpr int maxMessageId = 65535;  // ids are 16-bit in the tables

// The process-wide choice. Atomic so a worker thread that formats a log line never races with
// the start-up code that applies "--lang".
std::atomic<Language>& languageSlot() {
    static std::atomic<Language> slot{languageFromEnvironment()};
    return slot;
}

const MessageTable& table(Language language) {
    // Each language is parsed on its first use only: a run in one language never pays for the
    // other's table. Function-local statics are initialised thread-safely.
    if (language == Language::Japanese) {
        static const MessageTable ja = parseMessageTable(detail::embeddedMessagesJa());
        return ja;
    }
    static const MessageTable en = parseMessageTable(detail::embeddedMessagesEn());
    return en;
}

bool startsWithJa(std::string_view value) {
    return value.size() >= 2 && std::tolower(static_cast<unsigned char>(value[0])) == 'j' &&
           std::tolower(static_cast<unsigned char>(value[1])) == 'a';
}

// Length of the UTF-8 sequence whose lead byte is `lead` (1 for ASCII and for stray bytes, so a
// broken sequence never swallows more than it should).
std::size_t utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    return 1;
}

// Table text escapes: a text that needs a leading or trailing space, a backslash or a control
// character spells it with a backslash. Returns false on an unknown escape.
bool unescapeTableText(std::string_view raw, std::string& out, std::string& problem) {
    out.clear();
    // Invisible characters at the ends or a raw tab are easily lost or added by an editor, so the
    // table spells them as escapes and a raw one is refused.
    if (!raw.empty() && (raw.front() == ' ' || raw.back() == ' ')) {
        problem = "a raw space begins or ends the text (write \\s)";
        return false;
    }
    if (raw.find('\t') != std::string_view::npos) {
        problem = "a raw tab in the text (write \\t or ~t)";
        return false;
    }
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (i + 1 >= raw.size()) {
            problem = "a backslash ends the text";
            return false;
        }
        switch (raw[++i]) {
            case 's':
                out.push_back(' ');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                problem = std::string("unknown escape \\") + raw[i];
                return false;
        }
    }
    return true;
}

// The name column: what a C++ identifier may be, less the leading "_" that C++ reserves.
bool isMessageName(std::string_view name) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (name.empty() || !letter(name.front())) return false;
    return std::all_of(name.begin(), name.end(),
                       [&](char c) { return letter(c) || digit(c) || c == '_'; });
}

}  // namespace

Language currentLanguage() {
    return languageSlot().load();
}

void setLanguage(Language language) {
    languageSlot().store(language);
}

Language languageFromLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value != nullptr && *value != '\0') {
            return startsWithJa(value) ? Language::Japanese : Language::English;
        }
    }
    return Language::English;
}

Language languageFromEnvironment() {
    return languageFromLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                              std::getenv("LANG"));
}

std::string expandMessage(std::string_view text, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t tilde = text.find('~', i);
        if (tilde == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, tilde - i));
        if (tilde + 1 >= text.size()) break;  // a lone trailing tilde is dropped
        const char code = text[tilde + 1];
        std::size_t consumed = 2;
        if (code == 'c' || code == 'C') {
            out.append("\r\n");
        } else if (code == 't' || code == 'T') {
            out.push_back('\t');
        } else if (code >= '0' && code <= '9') {
            const std::size_t index = static_cast<std::size_t>(code - '0');
            if (index >= 1 && index <= args.size()) out.append(args[index - 1]);
        } else {
            consumed = 1 + utf8Length(static_cast<unsigned char>(code));
        }
        i = std::min(tilde + consumed, text.size());
    }
    return out;
}

std::string ResMessage(Language language, int id, const std::vector<std::string>& args) {
    const auto& texts = table(language).texts;
    const auto found = texts.find(id);
    if (found == texts.end()) return "[message " + std::to_string(id) + "]";
    return expandMessage(found->second, args);
}

std::string ResMessage(int id, const std::vector<std::string>& args) {
    return ResMessage(currentLanguage(), id, args);
}

std::string AppTitle() {
    return ResMessage(msg::ApplicationTitle);
}

std::string LanguageTag() {
    return ResMessage(msg::LanguageTag);
}

bool isJapaneseTag() {
    return LanguageTag() == "JP";
}

bool hasMessage(Language language, int id) {
    return table(language).texts.count(id) != 0;
}

std::string messageTemplate(Language language, int id) {
    const auto& texts = table(language).texts;
    const auto found = texts.find(id);
    return found == texts.end() ? std::string() : found->second;
}

std::vector<int> messageIds(Language language) {
    std::vector<int> ids;
    for (const auto& entry : table(language).texts) ids.push_back(entry.first);
    return ids;
}

std::vector<std::string> messageTableErrors(Language language) {
    return table(language).errors;
}

std::map<int, std::string> messageNames(Language language) {
    return table(language).names;
}

MessageTable parseMessageTable(std::string_view fileText) {
    MessageTable result;
    std::set<std::string, std::less<>> namesSeen;
    if (fileText.substr(0, 3) == "\xEF\xBB\xBF") fileText.remove_prefix(3);
    std::size_t lineNumber = 0;
    while (!fileText.empty()) {
        ++lineNumber;
        const std::size_t end = fileText.find('\n');
        std::string_view line = fileText.substr(0, end);
        fileText.remove_prefix(end == std::string_view::npos ? fileText.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        const auto fail = [&](const std::string& why) {
            result.errors.push_back("line " + std::to_string(lineNumber) + ": " + why);
        };
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            fail("no tab between the id and the text");
            continue;
        }
        const std::string_view idText = line.substr(0, tab);
        int id = -1;
        const auto [rest, ec] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
        if (ec != std::errc() || rest != idText.data() + idText.size() || idText.empty() ||
            id < 0 || id > maxMessageId) {
            fail("the id \"" + std::string(idText) + "\" is not a number from 0 to 65535");
            continue;
        }
        std::string_view rawText = line.substr(tab + 1);
        std::string_view name;
        // A text holds no raw tab, so a second tab can only end the optional name column.
        if (const std::size_t nameEnd = rawText.find('\t'); nameEnd != std::string_view::npos) {
            name = rawText.substr(0, nameEnd);
            rawText.remove_prefix(nameEnd + 1);
            if (!isMessageName(name)) {
                fail("the name \"" + std::string(name) +
                     "\" is not a letter followed by letters, digits or \"_\"");
                continue;
            }
        }
        std::string text;
        std::string problem;
        if (!unescapeTableText(rawText, text, problem)) {
            fail(problem);
            continue;
        }
        if (!name.empty() && !namesSeen.emplace(name).second) {
            fail("the name " + std::string(name) + " occurs twice");
            continue;
        }
        if (!result.texts.emplace(id, std::move(text)).second) {
            fail("id " + std::to_string(id) + " occurs twice");
            continue;
        }
        if (!name.empty()) result.names.emplace(id, std::string(name));
    }
    return result;
}

}  // namespace vq
