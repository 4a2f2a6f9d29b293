#include "ui/dialogs/calibration_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "messages/messages.h"
#include "model/setting_rules.h"
#include "model/value_codecs.h"
#include "ui/dialogs/calibration_edit_notice.h"
#include "ui/main/main_state.h"
#include "ui/main/user_asker.h"
#include "ui/widgets/readings_chart.h"

namespace vq {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}
QString q(int id) {
    return QString::fromStdString(ResMessage(id));
}

constexpr Qt::ItemFlags kReadOnly = Qt::ItemIsEnabled | Qt::ItemIsSelectable;

}  // namespace

CalibrationWindow::CalibrationWindow(CalibrationDeps deps, QWidget* parent)
    : QDialog(parent),
      instrument_(deps.instrument),
      model_(deps.model),
      state_(deps.state),
      asker_(deps.asker),
      prompts_(deps.prompts),
      addInfo_(std::move(deps.addInfo)) {
    setObjectName("frmCalibration");
    setModal(true);
    buildControls();
    ApplyCaptions();
    // An earlier window left the instrument in range mode: this one starts where it stopped.
    if (state_.PendingRangeRestore) {
        savedRangeMode_ = *state_.PendingRangeRestore;
        setRangeCaptions(true);
    }
    FillGrid();
    state_.CalibrationOpen = true;
    instrument_.clearCancel();
    // Current readings are decoded into the window's own model while it is open; the main
    // window's model is bound again when it closes.
    boundBefore_ = instrument_.boundModel();
    instrument_.bindModel(&cal_);
    instrument_.pollReadings(true);
    firstActivation_ = true;
}

CalibrationWindow::~CalibrationWindow() {
    closeDown();
}

void CalibrationWindow::buildControls() {
    calibrationGroup_ = new QGroupBox(this);
    calibrationGroup_->setObjectName("fraCal");
    calibrationGrid_ = new QTableWidget(kCalChannels, 4, calibrationGroup_);
    calibrationGrid_->setObjectName("vfgCal");
    calibrationGrid_->verticalHeader()->hide();
    calibrationGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    calibrationGrid_->setEditTriggers(QAbstractItemView::DoubleClicked |
                                      QAbstractItemView::EditKeyPressed |
                                      QAbstractItemView::AnyKeyPressed);
    calibrationGrid_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    calibrationGrid_->horizontalHeader()->setStretchLastSection(true);
    // Five rows: the grid is as tall as its rows, never scrolled.
    calibrationGrid_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    calibrationGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int row = 0; row < kCalChannels; ++row) {
        for (int col = 0; col < 4; ++col) calibrationGrid_->setItem(row, col, new QTableWidgetItem);
    }
    connect(calibrationGrid_, &QTableWidget::itemChanged, this, &CalibrationWindow::itemChanged);

    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(calibrationGroup_);
        button->setObjectName(QStringLiteral("cmdCal_%1").arg(i));
        button->setMinimumWidth(110);
        connect(button, &QPushButton::clicked, this, [this, i] { calibrationButtonClicked(i); });
        calibrationButtons_[static_cast<std::size_t>(i)] = button;
        buttons->addWidget(button);
    }
    notice_ = new CalibrationEditNotice(calibrationGroup_);
    auto* frame = new QVBoxLayout(calibrationGroup_);
    frame->addWidget(calibrationGrid_);
    frame->addWidget(notice_);
    frame->addLayout(buttons);
    // The live chart beside the table: a drift or a slow sensor shows before a run, not after.
    chart_ = new ReadingsChart(this);
    chart_->setObjectName("readingsChart");
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(calibrationGroup_);
    layout->addWidget(chart_, 1);
    setMinimumWidth(980);
}

void CalibrationWindow::ApplyCaptions() {
    setWindowTitle(q(msg::CalibrationTitle));
    calibrationGroup_->setTitle(q(msg::CalibrationFrame));
    calibrationButtons_[zeroButton]->setText(q(msg::ZeroButton));
    calibrationButtons_[spanButton]->setText(q(msg::SpanButton));
    setRangeCaptions(false);
    calibrationGrid_->setHorizontalHeaderLabels(
        q(msg::CalibrationGridHeader).split(QLatin1Char('|')));
}

void CalibrationWindow::setRangeCaptions(bool rangeMode) {
    rangeMode_ = rangeMode;
    calibrationButtons_[rangeButton]->setText(
        q(rangeMode ? msg::N2CalButton : msg::SetRangeButton));
    calibrationButtons_[exitButton]->setText(
        q(rangeMode ? msg::N2CalEndButton : msg::ExitCalibrationButton));
}

void CalibrationWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The reads run once the window is on the screen, as its first activation.
    if (firstActivation_) QTimer::singleShot(0, this, &CalibrationWindow::FirstActivate);
}

void CalibrationWindow::FirstActivate() {
    if (!firstActivation_ || closed_) return;
    firstActivation_ = false;
    setBusy(true);
    cal_.ClearDatas();
    instrument_.readGases(cal_);
    instrument_.readConcentrations(cal_);
    for (int ch = 0; ch < kCalChannels; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        usable_[i] = CalibrationUsable(cal_, ch);
        selection_[i] = usable_[i];
    }
    setBusy(false);
    FillGrid();
    for (int ch = 0; ch < kCalChannels; ++ch) {
        const bool usable = usable_[static_cast<std::size_t>(ch)];
        // Channel number and gas: two channels may carry the same gas; the range is in the table.
        chart_->setChannel(ch, std::to_string(ch + 1) + " " + ShownText(cal_.GasName(ch)),
                           usable ? cal_.GasFullScale(ch) : 0.0f);
    }
    closeIfAsked();
}

bool CalibrationWindow::greyed(int channel) const {
    const auto i = static_cast<std::size_t>(channel);
    return !usable_[i] || cal_.AutoCalib(channel) < 0;
}

void CalibrationWindow::FillGrid() {
    for (int ch = 0; ch < kCalChannels; ++ch) fillRow(ch);
}

void CalibrationWindow::fillRow(int ch) {
    const auto i = static_cast<std::size_t>(ch);
    const bool filling = filling_;
    filling_ = true;
    QTableWidgetItem* gas = calibrationGrid_->item(ch, colGas);
    // The instrument's own texts, whatever bytes they hold, shown as "\xHH" where not plain ASCII.
    gas->setText(q(GasTitle(ShownText(cal_.GasName(ch)), ShownText(cal_.GasUnit(ch)),
                            cal_.GasFullScale(ch), cal_.GasPoint(ch))));
    gas->setFlags(kReadOnly);

    QTableWidgetItem* select = calibrationGrid_->item(ch, colSelect);
    select->setFlags(usable_[i] ? kReadOnly | Qt::ItemIsUserCheckable : kReadOnly);
    select->setCheckState(selection_[i] ? Qt::Checked : Qt::Unchecked);

    QTableWidgetItem* autoCal = calibrationGrid_->item(ch, colAutoCal);
    autoCal->setText(usable_[i] ? q(ChannelValueText(cal_, ch, cal_.AutoCalib(ch)))
                                : QStringLiteral("-----"));
    autoCal->setFlags(usable_[i] ? kReadOnly | Qt::ItemIsEditable : kReadOnly);
    autoCal->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);

    QTableWidgetItem* reading = calibrationGrid_->item(ch, colReading);
    reading->setFlags(kReadOnly);
    reading->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    reading->setText(
        q(ChannelValueText(cal_, ch, usable_[i] ? state_.LatestReadings[i] : levelNoValue)));

    const QBrush background =
        greyed(ch) ? QBrush(kUnusableColour) : calibrationGrid_->palette().brush(QPalette::Base);
    for (int col = 0; col < 4; ++col) calibrationGrid_->item(ch, col)->setBackground(background);
    filling_ = filling;
}

void CalibrationWindow::Refresh_InstMoment() {
    const bool filling = filling_;
    filling_ = true;
    for (int ch = 0; ch < kCalChannels; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        calibrationGrid_->item(ch, colReading)
            ->setText(q(
                ChannelValueText(cal_, ch, usable_[i] ? state_.LatestReadings[i] : levelNoValue)));
    }
    filling_ = filling;
    calibrationGrid_->viewport()->update();
    std::array<float, kCalChannels> readings{};
    for (std::size_t i = 0; i < readings.size(); ++i)
        readings[i] = usable_[i] ? state_.LatestReadings[i] : levelNoValue;
    chart_->add(instrument_.secondsNow(), readings);
}

void CalibrationWindow::itemChanged(QTableWidgetItem* item) {
    if (filling_ || item == nullptr) return;
    const int ch = item->row();
    if (item->column() == colAutoCal) {
        finishAutoCalEdit(ch, item->text());
    } else if (item->column() == colSelect) {
        setSelection(ch, item->checkState() == Qt::Checked);
    }
}

bool CalibrationWindow::finishAutoCalEdit(int ch, const QString& text) {
    if (ch < 0 || ch >= kCalChannels) return false;
    const auto i = static_cast<std::size_t>(ch);
    bool stored = false;
    notice_->clearNotice();
    if (usable_[i] && !busy_) {
        const AutoCalEdit edit = EvaluateAutoCalEdit(cal_, model_, ch, text.toStdString());
        if (edit.kind != AutoCalEdit::Rejected) {
            cal_.setAutoCalib(ch, edit.value);
            // Without a concentration the channel cannot be spanned.
            if (edit.kind == AutoCalEdit::Cleared) selection_[i] = false;
            stored = true;
        }
        fillRow(ch);
        // After the row is filled: the tooltip stands beside the value the cell now shows.
        if (!edit.notice.empty())
            notice_->say(*calibrationGrid_, ch, colAutoCal, q(edit.notice), !stored);
        return stored;
    }
    fillRow(ch);
    return stored;
}

const QString& CalibrationWindow::lastNotice() const {
    return notice_->lastNotice();
}

void CalibrationWindow::setBeep(std::function<void()> beep) {
    notice_->setBeep(std::move(beep));
}

void CalibrationWindow::setSelection(int ch, bool on) {
    if (ch < 0 || ch >= kCalChannels) return;
    const auto i = static_cast<std::size_t>(ch);
    // A channel without a gas or without a concentration is never selected.
    selection_[i] = on && !greyed(ch) && !busy_;
    fillRow(ch);
}

void CalibrationWindow::setBusy(bool busy) {
    busy_ = busy;
    calibrationGroup_->setEnabled(!busy);
}

bool CalibrationWindow::mayLeave() {
    if (busy_) {
        closeAsked_ = true;
        return false;
    }
    if (!rangeMode_) return true;
    if (!restoreFailed_) return false;
    asker_.warning(this, ResMessage(msg::StillInRangeMode),
                   ResMessage(msg::RangeModeTitle));  // still in range mode
    return true;
}

void CalibrationWindow::reject() {
    if (!mayLeave()) return;
    closeDown();
    QDialog::reject();
}

// A close put off while a step ran.
void CalibrationWindow::closeIfAsked() {
    if (!closeAsked_ || busy_) return;
    closeAsked_ = false;
    close();
}

// The poll stopped, the main window's model bound again, the readings no longer routed here.
void CalibrationWindow::closeDown() {
    if (closed_) return;
    closed_ = true;
    instrument_.pollReadings(false);
    if (instrument_.boundModel() == &cal_ || instrument_.boundModel() == &history_)
        instrument_.bindModel(boundBefore_);
    state_.CalibrationOpen = false;
}

}  // namespace vq
