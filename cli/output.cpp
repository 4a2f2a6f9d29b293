#include "cli/output.h"

#include <QJsonDocument>
#include <charconv>
#include <ostream>
#include <string_view>

#include "model/setting_rules.h"

namespace vq::cli {
namespace {

// Shortest text that reads back as the same number.
std::string numberText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Messages echo arguments (a port, a file name, a serial) and texts an instrument holds: a control
// character among them is shown as "\xHH" (model ShownText) so it cannot move the cursor, clear
// the screen or forge a line. A line feed inside stays: a refusal may list several reasons, one a
// line. The line end a message text carries is dropped.
std::string controlsShown(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if ((code < 32 && c != '\n') || code == 127)
            out += ShownText(std::string_view(&c, 1));
        else
            out += c;
    }
    return out;
}

}  // namespace

Output::Output(bool json, std::ostream& out, std::ostream& err)
    : json_(json), out_(out), err_(err) {}

void Output::line(const std::string& text) {
    if (!json_) out_ << text << '\n';
}

void Output::field(const std::string& key, const std::string& label, const QJsonValue& value) {
    if (json_) {
        fields_.insert(QString::fromStdString(key), value);
        return;
    }
    if (label.empty()) return;  // a field for --json only
    std::string shown;
    if (value.isString())
        shown = controlsShown(value.toString().toStdString());
    else if (value.isBool())
        shown = value.toBool() ? "yes" : "no";
    else if (value.isDouble())
        shown = numberText(value.toDouble());
    out_ << label << ": " << shown << '\n';
}

void Output::error(const std::string& message) {
    const std::string text = controlsShown(message);
    if (json_) {
        // The first error is the cause; later ones follow from it.
        if (error_.empty()) error_ = text;
        return;
    }
    err_ << "vq5100ctl: " << text << '\n';
}

void Output::warning(const std::string& message) {
    const std::string text = controlsShown(message);
    if (json_) {
        warnings_.append(QString::fromStdString(text));
        return;
    }
    err_ << "vq5100ctl: warning: " << text << '\n';
}

int Output::finish(int exitCode) {
    if (json_) {
        QJsonObject object = fields_;
        if (!command_.empty()) object.insert("command", QString::fromStdString(command_));
        object.insert("exitCode", exitCode);
        object.insert("ok", exitCode == 0);
        if (!error_.empty()) object.insert("error", QString::fromStdString(error_));
        if (!warnings_.isEmpty()) object.insert("warnings", warnings_);
        out_ << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << '\n';
    }
    out_.flush();
    err_.flush();
    return exitCode;
}

}  // namespace vq::cli
