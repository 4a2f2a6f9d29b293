#pragma once
// What a command tells its user: human text on stdout and errors on stderr, or with --json one
// JSON object on stdout at the end, holding the fields, the exit status and any error.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <iosfwd>
#include <string>

namespace vq::cli {

class Output {
  public:
    Output(bool json, std::ostream& out, std::ostream& err);

    bool json() const { return json_; }
    // A command's own --json, before it prints anything.
    void setJson(bool json) { json_ = json; }
    void setCommand(const std::string& command) { command_ = command; }

    // A line of human text (not shown with --json).
    void line(const std::string& text);
    // A named value: a "Label: value" line for people, a field for --json. An empty label makes
    // it a --json field only.
    void field(const std::string& key, const std::string& label, const QJsonValue& value);
    // An error line on stderr, or the "error" field.
    void error(const std::string& text);
    // A problem that does not stop the command: a line on stderr, or one of the "warnings".
    void warning(const std::string& text);

    // Ends the output and passes the exit status through.
    int finish(int exitCode);

  private:
    bool json_;
    std::ostream& out_;
    std::ostream& err_;
    std::string command_;
    QJsonObject fields_;
    std::string error_;
    QJsonArray warnings_;
};

}  // namespace vq::cli
