// SettingsGrid: the enable box of a channel. Switching a channel off forgets its alarm points
// (the grid keeps them aside); switching one on offers the gas and levels it had, else asks which
// gas it carries and takes that gas's identity and levels, saying which levels changed.

#include <QMenu>
#include <QStringList>

#include "app/app_config.h"
#include "app/gas_table.h"
#include "messages/messages.h"
#include "model/gas_channel.h"
#include "model/instrument.h"
#include "model/setting_rules.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"
#include "ui/main/settings_grid.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

bool isOxygenTitle(const std::string& title) {
    return title.rfind("OXY", 0) == 0 || title.rfind("O2", 0) == 0;
}

// The level of a level column (warning to auto calibration) in a channel's gas.
float levelIn(const ChannelGas& gas, int column) {
    switch (column) {
        case SettingsGrid::colWarning:
            return gas.warning;
        case SettingsGrid::colAlarm:
            return gas.alarm;
        case SettingsGrid::colStel:
            return gas.stel;
        case SettingsGrid::colTwa:
            return gas.twa;
        default:
            return gas.autoCalib;
    }
}

}  // namespace

void SettingsGrid::onItemChanged(QTableWidgetItem* changed) {
    if (gridBusy_ || !changed || changed->column() != colEnable) return;
    const int ch = changed->row() - headerRows;
    if (ch < 0 || ch >= channels) return;
    enableBoxChanged(ch, changed->checkState() == Qt::Checked);
}

void SettingsGrid::retick(int ch, bool ticked) {
    const bool wasBusy = gridBusy_;
    gridBusy_ = true;
    if (QTableWidgetItem* box = item(rowOf(ch), colEnable))
        box->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    gridBusy_ = wasBusy;
}

void SettingsGrid::enableBoxChanged(int ch, bool on) {
    if (gridBusy_ || ch < 0 || ch >= channels) return;
    if (!on && config_.gasLocked[static_cast<std::size_t>(ch)]) {
        // A fitted sensor the configuration locks in place.
        asker_.information(this, ResMessage(msg::SensorLockedText),
                           ResMessage(msg::SensorOnOffTitle));  // "This sensor is not..."
        retick(ch, true);
        return;
    }
    if (on)
        switchOn(ch);
    else
        switchOff(ch);
}

void SettingsGrid::switchOff(int ch) {
    // "Gas Sensor Disable.~cReady?" / "Sensor Disable"
    if (!asker_.question(this, ResMessage(msg::SensorDisableQuestion),
                         ResMessage(msg::SensorDisableTitle))) {
        retick(ch, true);
        return;
    }
    switchedOff_[static_cast<std::size_t>(ch)] = channelGas(ch);
    for (int other = 0; other < channels; ++other) model_.setGasEnabled(other, enableTicked(other));
    model_.setWarning(ch, levelNoValue);
    model_.setAlarm(ch, levelNoValue);
    model_.setStel(ch, levelNoValue);
    model_.setTwa(ch, levelNoValue);
    model_.setAutoCalib(ch, levelNoValue);
    showInstrument();
}

ChannelGas SettingsGrid::channelGas(int ch) const {
    return GasOnChannel(model_, ch);
}

void SettingsGrid::restoreChannel(int ch, const ChannelGas& gas) {
    PutGasOnChannel(model_, ch, gas);
}

void SettingsGrid::switchOn(int ch) {
    // The gas the channel carried before it was switched off is offered first: the gas list
    // may name it differently (the library's "METHANE" for the channel's "CH4") and its levels
    // from the gas table may differ from the ones the user had.
    const std::optional<ChannelGas> before = switchedOff_[static_cast<std::size_t>(ch)];
    if (before && !TrimText(before->name).empty()) {
        const std::string title = GasTitle(ShownText(before->name), ShownText(before->unit),
                                           before->fullScale, before->decimals);
        if (asker_.question(this,
                            ResMessage(msg::RestoreGasQuestion, {std::to_string(ch + 1), title}),
                            ResMessage(msg::SensorOnOffTitle))) {
            switchedOff_[static_cast<std::size_t>(ch)].reset();
            restoreChannel(ch, *before);
            showInstrument();
            return;
        }
    }
    const std::optional<int> chosen = window_.chooseGas(ch);
    // Cancelled, or OK with no gas picked: the channel stays as it was.
    if (!chosen || *chosen < 0) {
        retick(ch, false);
        return;
    }
    GasChange(ch, *chosen);
    if (before && model_.GasEnabled(ch)) noticeChangedLevels(ch, *before);
}

void SettingsGrid::noticeChangedLevels(int ch, const ChannelGas& before) {
    // The gas table's levels replace the ones the channel had: say which, or a changed auto
    // calibration value goes unnoticed until the next calibration.
    QStringList lines;
    int firstColumn = -1;
    for (int column = colWarning; column <= colAutoCal; ++column) {
        const float was = levelIn(before, column);
        const float now = levelOf(ch, column);
        if (was == levelNoValue || now == levelNoValue || was == now) continue;
        if (firstColumn < 0) firstColumn = column;
        lines << QString::fromStdString(
            ResMessage(msg::ChangedByProgramNotice,
                       {std::to_string(ch + 1), cellText(1, column).toStdString(),
                        boundText(now, ch).toStdString(),
                        QString::fromStdString(ValueText(was, before.decimals, false, 1.0))
                            .trimmed()
                            .toStdString()}));
    }
    if (firstColumn >= 0) notify(rowOf(ch), firstColumn, lines.join("\n"), false);
}

void SettingsGrid::changeGas(int ch) {
    if (gridBusy_ || ch < 0 || ch >= channels || !modelShown()) return;
    if (!model_.GasEnabled(ch)) {
        enableBoxChanged(ch, true);
        return;
    }
    const ChannelGas before = channelGas(ch);
    const std::optional<int> chosen = window_.chooseGas(ch);
    if (!chosen || *chosen < 0) return;  // cancelled: the channel stays as it was
    GasChange(ch, *chosen);
    noticeChangedLevels(ch, before);
}

QMenu* SettingsGrid::contextMenuFor(int row, int column) {
    const int ch = row - headerRows;
    if (column != colGas || ch < 0 || ch >= channels) return nullptr;
    auto* menu = new QMenu(this);
    QAction* change = menu->addAction(QString::fromStdString(ResMessage(msg::ChangeGasAction)));
    change->setObjectName("actChangeGas");
    change->setEnabled(!gridBusy_ && modelShown() && isEnabled());
    connect(change, &QAction::triggered, this, [this, ch] { changeGas(ch); });
    return menu;
}

void SettingsGrid::GasChange(int ch, int gasNumber) {
    const bool connected = window_.connected();
    if (!ApplyGasToChannel(model_, config_.gasTable, ch, gasNumber, connected)) {
        // The box shows the channel as it stays: off when it was being switched on.
        retick(ch, model_.GasEnabled(ch));
        return;
    }
    const std::string title = ChannelTitle(model_, ch, true);
    if (isOxygenTitle(title)) model_.setAlarmO2(1);
    // Short- and long-term exposure limits exist only for toxic gases measured in ppm; a table
    // entry that carries them for another unit is not taken over.
    if (TrimText(model_.GasUnit(ch)) != "ppm") {
        model_.setStel(ch, levelNoValue);
        model_.setTwa(ch, levelNoValue);
    }
    showInstrument();
}

}  // namespace vq
