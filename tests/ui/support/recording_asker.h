#pragma once
// The message boxes a window test answers: every box recorded in order with its kind, questions
// answered from a queue (defaultAnswer when it runs out).

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/main/user_asker.h"

namespace vq::ui_test {

// One message box the code under test showed.
struct Box {
    enum Kind { Error, Information, Question, Warning } kind;
    std::string text;
    std::string title;
};

class RecordingAsker final : public UserAsker {
  public:
    std::vector<Box> boxes;
    std::deque<bool> answers;
    bool defaultAnswer = true;

    void error(QWidget*, const std::string& text, const std::string& title) override {
        boxes.push_back({Box::Error, text, title});
    }
    void information(QWidget*, const std::string& text, const std::string& title) override {
        boxes.push_back({Box::Information, text, title});
    }
    bool question(QWidget*, const std::string& text, const std::string& title) override {
        boxes.push_back({Box::Question, text, title});
        if (answers.empty()) return defaultAnswer;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // The review before a write: answered by reviewHook when one is set (a test that shows the
    // real dialog), else recorded and answered as the plain question.
    std::function<bool(QWidget*, const WriteReview&, const std::string&)> reviewHook;
    bool review(QWidget* parent, const WriteReview& review, const std::string& title) override {
        if (reviewHook) return reviewHook(parent, review, title);
        return question(parent, review.text, title);
    }
    void warning(QWidget*, const std::string& text, const std::string& title) override {
        boxes.push_back({Box::Warning, text, title});
    }
    // File dialogs: the suggestions recorded, answered from `files` (the suggestion when it
    // runs out; an empty answer is a cancel).
    std::vector<std::string> fileSuggestions;
    std::deque<std::string> files;
    std::string saveFile(QWidget*, const std::string&, const std::string& suggested,
                         const std::string&) override {
        fileSuggestions.push_back(suggested);
        if (files.empty()) return suggested;
        const std::string answer = files.front();
        files.pop_front();
        return answer;
    }

    // Texts of the boxes of one kind, in order.
    std::vector<std::string> texts(Box::Kind kind) const {
        std::vector<std::string> out;
        for (const Box& box : boxes)
            if (box.kind == kind) out.push_back(box.text);
        return out;
    }
};

}  // namespace vq::ui_test
