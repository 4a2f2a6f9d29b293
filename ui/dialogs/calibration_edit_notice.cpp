#include "ui/dialogs/calibration_edit_notice.h"

#include <QApplication>
#include <QTableWidget>
#include <QToolTip>

namespace vq {

CalibrationEditNotice::CalibrationEditNotice(QWidget* parent) : QLabel(parent) {
    setObjectName("lblCalNotice");
    setWordWrap(true);
}

void CalibrationEditNotice::say(QTableWidget& grid, int row, int column, const QString& text,
                                bool refused) {
    last_ = text;
    setText(text);
    if (refused) {
        if (beep_)
            beep_();
        else
            QApplication::beep();
    }
    if (const QTableWidgetItem* cell = grid.item(row, column); cell && grid.isVisible())
        QToolTip::showText(grid.viewport()->mapToGlobal(grid.visualItemRect(cell).bottomLeft()),
                           text, grid.viewport());
}

void CalibrationEditNotice::clearNotice() {
    last_.clear();
    clear();
}

}  // namespace vq
