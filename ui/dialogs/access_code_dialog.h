#pragma once
// AccessCodeDialog, the access window: the main window opens only after the start-up access code is
// typed (compared without regard to case; spaces count). Closing it without the code asks
// "End ?".

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vq {

class UserAsker;

// The access code asked for at start-up.
inline constexpr const char* kStartupAccessCode = "7395";

class AccessCodeDialog : public QDialog {
    Q_OBJECT
  public:
    AccessCodeDialog(std::string accessCode, UserAsker& asker, QWidget* parent = nullptr);

    bool accessPassed() const { return accessPassed_; }
    QLineEdit* codeBox() const { return codeBox_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* cancelButton() const { return cancelButton_; }

  signals:
    // The code was accepted; the window closes right after.
    void accessGranted();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override { close(); }

  private:
    void okClicked();

    std::string accessCode_;
    UserAsker& asker_;
    bool accessPassed_ = false;
    QLabel* promptLabel_;
    QLineEdit* codeBox_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

}  // namespace vq
