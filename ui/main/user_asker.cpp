#include "ui/main/user_asker.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/dialogs/review_dialog.h"

namespace vq {

namespace {
QString q(const std::string& text) {
    return QString::fromStdString(text);
}
}  // namespace

void QtUserAsker::error(QWidget* parent, const std::string& text, const std::string& title) {
    QMessageBox::critical(parent, q(title), q(text));
}

void QtUserAsker::information(QWidget* parent, const std::string& text, const std::string& title) {
    QMessageBox::information(parent, q(title), q(text));
}

void QtUserAsker::warning(QWidget* parent, const std::string& text, const std::string& title) {
    QMessageBox::warning(parent, q(title), q(text));
}

bool QtUserAsker::question(QWidget* parent, const std::string& text, const std::string& title) {
    return QMessageBox::question(parent, q(title), q(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool QtUserAsker::review(QWidget* parent, const WriteReview& review, const std::string& title) {
    ReviewDialog dialog(parent, title, review.heading, review.summary);
    return dialog.exec() == QDialog::Accepted;
}

std::string QtUserAsker::saveFile(QWidget* parent, const std::string& title,
                                  const std::string& suggested, const std::string& filter) {
    return QFileDialog::getSaveFileName(parent, q(title), q(suggested), q(filter)).toStdString();
}

}  // namespace vq
