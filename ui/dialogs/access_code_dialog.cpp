#include "ui/dialogs/access_code_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "messages/messages.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {
QString text(int id) {
    return QString::fromStdString(ResMessage(id));
}
}  // namespace

AccessCodeDialog::AccessCodeDialog(std::string accessCode, UserAsker& asker, QWidget* parent)
    : QDialog(parent), accessCode_(std::move(accessCode)), asker_(asker) {
    setObjectName("frmPassword");
    setWindowTitle(QString::fromStdString(AppTitle()));
    promptLabel_ = new QLabel(text(msg::PasswordPrompt), this);  // "Please input password."
    promptLabel_->setObjectName("lblPass");
    codeBox_ = new QLineEdit(this);
    codeBox_->setObjectName("txtPass");
    codeBox_->setEchoMode(QLineEdit::Password);
    okButton_ = new QPushButton(text(msg::OkButton), this);  // "OK"
    okButton_->setObjectName("cmdOK");
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(text(msg::CancelButton), this);  // "Cancel"
    cancelButton_->setObjectName("cmdCancel");
    codeBox_->setFocus();
    connect(okButton_, &QPushButton::clicked, this, &AccessCodeDialog::okClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(promptLabel_);
    layout->addWidget(codeBox_);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void AccessCodeDialog::okClicked() {
    // Case does not matter; spaces do: " 7395" is wrong.
    if (codeBox_->text().toUpper() != QString::fromStdString(accessCode_).toUpper()) {
        asker_.error(this, ResMessage(msg::IncorrectPassword),
                     ResMessage(msg::PasswordTitle));  // "Incorrect Password Entered"
        // The wrong code stays selected: the next key replaces it.
        codeBox_->setFocus();
        codeBox_->selectAll();
        return;
    }
    accessPassed_ = true;
    emit accessGranted();
    close();
}

void AccessCodeDialog::closeEvent(QCloseEvent* event) {
    if (!accessPassed_ && !asker_.question(this, ResMessage(msg::EndQuestion),
                                           ResMessage(msg::EndTitle))) {  // "End ?"
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace vq
