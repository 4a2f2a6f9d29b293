// SettingsGrid: the enable box of a channel. Switching a channel off forgets its alarm points;
// switching one on asks which gas it carries and takes that gas's identity and levels.

#include "app/app_config.h"
#include "app/gas_table.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"
#include "ui/main/settings_grid.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

bool isOxygenTitle(const std::string& title) {
    return title.rfind("OXY", 0) == 0 || title.rfind("O2", 0) == 0;
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
    for (int other = 0; other < channels; ++other) model_.setGasEnabled(other, enableTicked(other));
    model_.setWarning(ch, levelNoValue);
    model_.setAlarm(ch, levelNoValue);
    model_.setStel(ch, levelNoValue);
    model_.setTwa(ch, levelNoValue);
    model_.setAutoCalib(ch, levelNoValue);
    showInstrument();
}

void SettingsGrid::switchOn(int ch) {
    const std::optional<int> chosen = window_.chooseGas(ch);
    // Cancelled, or OK with no gas picked: the channel stays as it was.
    if (!chosen || *chosen < 0) {
        retick(ch, false);
        return;
    }
    GasChange(ch, *chosen);
}

void SettingsGrid::GasChange(int ch, int gasNumber) {
    const bool connected = window_.connected();
    if (!ApplyGasToChannel(model_, config_.gasTable, ch, gasNumber, connected)) {
        retick(ch, false);
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
