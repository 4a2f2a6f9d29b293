#include "ui/dialogs/calibration_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "messages/messages.h"

namespace vq {

bool QtCalibrationPrompts::resultBox(QWidget* parent, const std::string& text,
                                     const std::string& title) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    QPushButton* save = box.addButton(QString::fromStdString(ResMessage(msg::SaveReportButton)),
                                      QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == save;
}

std::string QtCalibrationPrompts::reportPath(QWidget* parent, const std::string& suggested) {
    const QString path = QFileDialog::getSaveFileName(
        parent, QString::fromStdString(ResMessage(msg::ReportTitle)),
        QString::fromStdString(suggested), QString::fromStdString(ResMessage(msg::PdfFileFilter)));
    return path.toStdString();
}

}  // namespace vq
