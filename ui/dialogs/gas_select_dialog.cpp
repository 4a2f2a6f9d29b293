#include "ui/dialogs/gas_select_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/gas_table.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/setting_rules.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string libraryTitle(const LibraryEntry& gas) {
    // The instrument's library texts, shown as "\xHH" where not printable ASCII.
    return GasTitle(ShownText(gas.Name), ShownText(gas.Unit), gas.FullScale, gas.Point);
}

// An entry the instrument lists without a gas behind it.
bool emptyEntry(const std::string& name) {
    return TrimText(name).empty() || name.find("---") != std::string::npos;
}

}  // namespace

GasSelectDialog::GasSelectDialog(const InstrumentModel& model, const GasTable& table,
                                 bool connected, QWidget* parent)
    : QDialog(parent), model_(model), table_(table), connected_(connected) {
    setObjectName("frmGasSel");
    setModal(true);
    setWindowTitle(qs(AppTitle()));
    frame_ = new QGroupBox(qs(ResMessage(msg::SelectListFrame)), this);  // "Select List"
    frame_->setObjectName("fraGasSel");
    grid_ = new QGridLayout(frame_);
    for (int i = 0; i < optionCount; ++i) {
        auto* option = new QRadioButton(frame_);
        option->setObjectName(QString("optGasList%1").arg(i));
        connect(option, &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on) return;
            selNum_ = static_cast<std::int16_t>(i);
            nothing_->hide();
        });
        options_[static_cast<std::size_t>(i)] = option;
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (int i = 0; i < 2; ++i) {
        auto* button = new QPushButton(qs(ResMessage(msg::GasSelOk + i)), this);  // "OK", "Cancel"
        button->setObjectName(QString("cmdGasSel%1").arg(i));
        buttons->addWidget(button);
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    buttons_[0]->setDefault(true);
    connect(buttons_[0], &QPushButton::clicked, this, &GasSelectDialog::okClicked);
    connect(buttons_[1], &QPushButton::clicked, this, [this] {
        flags_ = false;
        reject();
    });
    nothing_ = new QLabel(qs(ResMessage(msg::GasSelNothingChosen)), this);
    nothing_->setObjectName("lblNothing");
    nothing_->setStyleSheet("QLabel { color: #b00000; }");
    nothing_->setWordWrap(true);
    nothing_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame_);
    layout->addWidget(nothing_);
    layout->addLayout(buttons);
    buildList();
}

void GasSelectDialog::setGasNo(std::int16_t channel) {
    gasNo_ = channel;
    buildList();
}

void GasSelectDialog::okClicked() {
    if (selNum_ < 0) {
        QApplication::beep();
        nothing_->show();
        return;
    }
    flags_ = true;
    accept();
}

void GasSelectDialog::buildList() {
    selNum_ = -1;
    flags_ = false;
    nothing_->hide();
    // Which channel the list is for, and what it carries now.
    const std::string now =
        model_.GasEnabled(gasNo_) ? ChannelTitle(model_, gasNo_, false) : std::string("-----");
    frame_->setTitle(qs(ResMessage(msg::GasSelChannelTitle, {std::to_string(gasNo_ + 1), now})));
    shown_.fill(false);
    for (QRadioButton* option : options_) {
        // Unchecking an exclusive radio button needs the group's exclusivity off for a moment.
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
        option->setText({});
    }
    const bool combustible = gasNo_ == 0 || gasNo_ == 4;
    if (combustible && connected_) {
        listFromInstrument(gasNo_);
        rows_ = 4;
        columns_ = 4;
    } else {
        listFromTable(gasNo_);
        const int n = static_cast<int>(std::count(shown_.begin(), shown_.end(), true));
        if (n < 5) {
            rows_ = n;
            columns_ = 1;
        } else {
            rows_ = n / 2 + n % 2;
            columns_ = 2;
        }
    }
    placeOptions();
}

void GasSelectDialog::showOption(int i, const std::string& caption) {
    shown_[static_cast<std::size_t>(i)] = true;
    options_[static_cast<std::size_t>(i)]->setText(qs(caption));
}

void GasSelectDialog::listFromInstrument(int channel) {
    const int base = channel == 4 ? 15 : 0;
    for (int i = 0; i < specialGasOption; ++i) {
        const LibraryEntry& gas = model_.LI_Entry(base + i + 1);
        if (!emptyEntry(gas.Name)) showOption(i, libraryTitle(gas));
    }
    // The special gas of this channel, unless it is one of the listed gases already. Each
    // channel tests its own entry, the one the gas change will copy.
    const LibraryEntry& special = model_.LS_Entry(channel == 4 ? 1 : 0);
    const std::string name = TrimText(special.Name);
    if (name.empty()) return;
    for (int i = 0; i < specialGasOption; ++i)
        if (shown_[static_cast<std::size_t>(i)] &&
            TrimText(model_.LI_Entry(base + i + 1).Name) == name)
            return;
    showOption(specialGasOption, libraryTitle(special));
}

void GasSelectDialog::listFromTable(int channel) {
    if (!GasTable::valid(0, channel)) return;
    for (int row = 0; row < tableOptions; ++row) {
        const GasEntry& gas = table_.at(row, channel);
        if (gas.enabled) showOption(row, GasTitle(gas.name, gas.unit, gas.fullScale, gas.decimals));
    }
}

void GasSelectDialog::placeOptions() {
    for (QRadioButton* option : options_) grid_->removeWidget(option);
    int placed = 0;
    for (int i = 0; i < optionCount; ++i) {
        QRadioButton* option = options_[static_cast<std::size_t>(i)];
        option->setVisible(shown_[static_cast<std::size_t>(i)]);
        if (!shown_[static_cast<std::size_t>(i)] || rows_ == 0) continue;
        // Filled column by column, as a list reads.
        grid_->addWidget(option, placed % rows_, placed / rows_);
        ++placed;
    }
    adjustSize();
}

}  // namespace vq
