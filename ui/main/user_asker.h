#pragma once
// The message boxes of the windows behind one small interface, so a window test answers them
// instead of waiting on a modal box. The program uses QtUserAsker (QMessageBox).

#include <string>

#include "app/settings_review_text.h"

class QWidget;

namespace vq {

// What a write is about to change, for the review before it is sent.
struct WriteReview {
    std::string heading;  // the command's own question: "Update Ready?"
    std::string text;     // heading and changes in lines, for a plain question box
    ReviewSummary summary;
};

class UserAsker {
  public:
    virtual ~UserAsker() = default;
    // A box with the critical icon and an OK button.
    virtual void error(QWidget* parent, const std::string& text, const std::string& title) = 0;
    // A box with the information icon and an OK button.
    virtual void information(QWidget* parent, const std::string& text,
                             const std::string& title) = 0;
    // A Yes/No question with the question icon; true for Yes.
    virtual bool question(QWidget* parent, const std::string& text, const std::string& title) = 0;
    // The review before a write; true to write. An asker without a list of its own asks the
    // plain question with the review in its text.
    virtual bool review(QWidget* parent, const WriteReview& review, const std::string& title) {
        return question(parent, review.text, title);
    }
    // A box with the warning icon and an OK button; an asker without one shows an error box.
    virtual void warning(QWidget* parent, const std::string& text, const std::string& title) {
        error(parent, text, title);
    }
    // A save-file dialog opening on `suggested`, `filter` as Qt writes it ("Name (*.x);;...").
    // The path chosen, empty when cancelled; an asker without a dialog takes the suggestion.
    virtual std::string saveFile(QWidget* /*parent*/, const std::string& /*title*/,
                                 const std::string& suggested, const std::string& /*filter*/) {
        return suggested;
    }
};

class QtUserAsker final : public UserAsker {
  public:
    void error(QWidget* parent, const std::string& text, const std::string& title) override;
    void information(QWidget* parent, const std::string& text, const std::string& title) override;
    bool question(QWidget* parent, const std::string& text, const std::string& title) override;
    void warning(QWidget* parent, const std::string& text, const std::string& title) override;
    bool review(QWidget* parent, const WriteReview& review, const std::string& title) override;
    std::string saveFile(QWidget* parent, const std::string& title, const std::string& suggested,
                         const std::string& filter) override;
};

}  // namespace vq
