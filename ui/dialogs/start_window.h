#pragma once
// StartWindow, the start window: the program's name, its number, the maker and a notice, shown
// modally while the program starts; it closes itself after 2.5 s.

#include <QDialog>

class QLabel;
class QTimer;

namespace vq {

class StartWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kShowMs = 2500;

    explicit StartWindow(QWidget* parent = nullptr);

    QTimer* closeTimer() const { return closeTimer_; }
    QLabel* versionLabel() const { return versionLabel_; }
    QLabel* makerLabel() const { return makerLabel_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QLabel* versionLabel_;
    QLabel* makerLabel_;
    QTimer* closeTimer_;
};

}  // namespace vq
