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
    lblPass_ = new QLabel(text(msg::PasswordPrompt), this);  // "Please input password."
    lblPass_->setObjectName("lblPass");
    txtPass_ = new QLineEdit(this);
    txtPass_->setObjectName("txtPass");
    txtPass_->setEchoMode(QLineEdit::Password);
    cmdOK_ = new QPushButton(text(msg::OkButton), this);  // "OK"
    cmdOK_->setObjectName("cmdOK");
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(text(msg::CancelButton), this);  // "Cancel"
    cmdCancel_->setObjectName("cmdCancel");
    txtPass_->setFocus();
    connect(cmdOK_, &QPushButton::clicked, this, &AccessCodeDialog::okClicked);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPass_);
    layout->addWidget(txtPass_);
    layout->addLayout(buttons);
    setMinimumWidth(320);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void AccessCodeDialog::okClicked() {
    // Case does not matter; spaces do: " 7395" is wrong.
    if (txtPass_->text().toUpper() != QString::fromStdString(accessCode_).toUpper()) {
        asker_.error(this, ResMessage(msg::IncorrectPassword),
                     ResMessage(msg::PasswordTitle));  // "Incorrect Password Entered"
        // The wrong code stays selected: the next key replaces it.
        txtPass_->setFocus();
        txtPass_->selectAll();
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
