#include "ui/dialogs/start_window.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "messages/messages.h"

namespace vq {

namespace {

QString text(int id, const std::vector<std::string>& args = {}) {
    return QString::fromStdString(ResMessage(id, args));
}

// Our own logo: a detector outline with five channel bars, 180 x 180 pixels.
QPixmap logo() {
    QPixmap pixmap(180, 180);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 64, 128), 6));
    p.setBrush(QColor(230, 240, 250));
    p.drawRoundedRect(30, 10, 120, 160, 18, 18);
    const QColor bars[] = {{255, 200, 0}, {0, 128, 255}, {128, 64, 64}, {220, 0, 0}, {0, 160, 80}};
    for (int i = 0; i < 5; ++i) {
        p.fillRect(48 + i * 18, 120 - i * 14, 12, 40 + i * 14, bars[i]);
    }
    p.setPen(QPen(QColor(0, 64, 128), 3));
    p.drawRect(45, 28, 90, 40);
    return pixmap;
}

}  // namespace

StartWindow::StartWindow(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog) {
    setObjectName("frmOpen");
    auto* startFrame = new QFrame(this);
    startFrame->setObjectName("fraOpen");
    startFrame->setFrameShape(QFrame::Box);

    auto* titleLabel = new QLabel(text(msg::StartTitle), startFrame);  // "VQ-5100 Setup Program"
    titleLabel->setObjectName("lblTitle");
    QFont big = titleLabel->font();
    big.setPointSize(18);
    big.setBold(true);
    titleLabel->setFont(big);
    auto* trademarkLabel = new QLabel(text(msg::StartTrademark), startFrame);  // "TM"
    trademarkLabel->setObjectName("lblTM");
    auto* linBorder = new QFrame(startFrame);
    linBorder->setObjectName("linBorder");
    linBorder->setFrameShape(QFrame::HLine);
    auto* image = new QLabel(startFrame);
    image->setObjectName("imgLogo");
    image->setPixmap(logo());
    // Message 1003 ("for Windows") is not shown: the program runs on Linux desktops.
    versionLabel_ = new QLabel(text(msg::StartProgramNumber, {isJapaneseTag() ? "31742" : "31743"}),
                               startFrame);
    versionLabel_->setObjectName("lblVersion");
    auto* notice = new QLabel(text(msg::StartNotice), startFrame);
    notice->setObjectName("lblNotice");
    notice->setWordWrap(true);
    makerLabel_ = new QLabel(text(LanguageTag() == "EN" ? msg::MakerOverseas : msg::MakerDomestic),
                             startFrame);
    makerLabel_->setObjectName("lblCompany");

    auto* titleRow = new QHBoxLayout;
    titleRow->addSpacing(16);
    titleRow->addWidget(titleLabel);
    titleRow->addWidget(trademarkLabel, 0, Qt::AlignTop);
    titleRow->addStretch(1);
    auto* labels = new QVBoxLayout;
    for (QLabel* l : {versionLabel_, notice, makerLabel_}) {
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        labels->addWidget(l);
    }
    auto* body = new QHBoxLayout;
    body->addWidget(image);
    body->addLayout(labels, 1);
    auto* frameLayout = new QVBoxLayout(startFrame);
    frameLayout->addLayout(titleRow);
    frameLayout->addWidget(linBorder);
    frameLayout->addLayout(body);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(startFrame);
    setFixedWidth(560);

    closeTimer_ = new QTimer(this);
    closeTimer_->setObjectName("tmrTimer");
    closeTimer_->setSingleShot(true);
    closeTimer_->setInterval(kShowMs);
    connect(closeTimer_, &QTimer::timeout, this, &QDialog::accept);
}

void StartWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    closeTimer_->start();
}

void StartWindow::mouseDoubleClickEvent(QMouseEvent*) {
    QMessageBox::information(this, text(msg::PauseTitle),
                             text(msg::PauseText));  // "Pause" / "Pause!!"
}

}  // namespace vq
