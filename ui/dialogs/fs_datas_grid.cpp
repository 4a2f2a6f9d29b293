#include "ui/dialogs/fs_datas_grid.h"

#include <QHeaderView>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "messages/messages.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/text_rules.h"
#include "model/token.h"
#include "ui/dialogs/fs_cell_delegate.h"

namespace vq {
namespace {

constexpr int labelColumn = 0;
constexpr int valueColumn = 1;
constexpr int listColumn = 2;

// The OXY alarm type H-HH exists from this ROM number on.
constexpr int32_t romWithHighHighOxy = 4426;

using Getter = int16_t (clsInstrument::*)() const;
using Setter = void (clsInstrument::*)(int16_t);

enum class Kind { Text, WholeNumber, List };

struct RowLayout {
    int label;  // message id of the label
    Kind kind;
    const char* items;           // fixed list, or nullptr
    std::array<int, 3> itemIds;  // list of message texts (0: none)
    Getter get;                  // int16 rows; nullptr for the text properties
    Setter set;
    int low, high;  // range of a whole-number row
};

// Rows 1 to 24. Rows 1, 2 and 8 hold text properties and are handled by name.
const std::array<RowLayout, FsDatasGrid::rows>& rowLayouts() {
    using M = clsInstrument;
    static const std::array<RowLayout, FsDatasGrid::rows> layouts{{
        {msg::ManufactureNumberLabel, Kind::Text, nullptr, {}, nullptr, nullptr, 0, 0},
        {msg::SpecNoLabel, Kind::Text, nullptr, {}, nullptr, nullptr, 0, 0},
        {msg::AlarmPatternLabel,
         Kind::List,
         nullptr,
         {msg::AlarmPatternReset, msg::AlarmPatternLatch, 0},
         &M::AlarmMode,
         &M::setAlarmMode,
         0,
         0},
        {msg::LoggerOverWriteLabel,
         Kind::List,
         "Off|On",
         {},
         &M::LogOverWrite,
         &M::setLogOverWrite,
         0,
         0},
        {msg::CalTimeLimitLabel,
         Kind::WholeNumber,
         nullptr,
         {},
         &M::CalLimit,
         &M::setCalLimit,
         1,
         365},
        {msg::CalLimitDisplayLabel,
         Kind::List,
         "Off|On",
         {},
         &M::DispCalLimit,
         &M::setDispCalLimit,
         0,
         0},
        {msg::CalLimitCheckLabel,
         Kind::List,
         nullptr,
         {msg::CalCheckConfirm, msg::CalCheckCannotUse, msg::CalCheckNone},
         &M::CalCheck,
         &M::setCalCheck,
         0,
         0},
        {msg::DestinationLabel,
         Kind::List,
         nullptr,
         {msg::DestinationDomestic, msg::DestinationForeign, msg::DestinationGermany},
         nullptr,
         nullptr,
         0,
         0},
        {msg::HcSelectLabel, Kind::List, "Auto|LEL|vol", {}, &M::HcMode, &M::setHcMode, 0, 0},
        {msg::OxyAlarmTypeLabel, Kind::List, nullptr, {}, &M::AlarmO2, &M::setAlarmO2, 0, 0},
        {msg::AutoBackLightLabel,
         Kind::List,
         "Off|On",
         {},
         &M::autoBackLight,
         &M::setautoBackLight,
         0,
         0},
        {msg::LcdBacklightTimeLabel,
         Kind::WholeNumber,
         nullptr,
         {},
         &M::LcdBackLight,
         &M::setLcdBackLight,
         1,
         255},
        {msg::AlarmFunctionLabel,
         Kind::List,
         "Off|On",
         {},
         &M::AlarmOnOff,
         &M::setAlarmOnOff,
         0,
         0},
        {msg::StelTwaFunctionLabel,
         Kind::List,
         "Off|On",
         {},
         &M::StelTwaOnOff,
         &M::setStelTwaOnOff,
         0,
         0},
        {msg::BumpTestTimeLabel,
         Kind::List,
         "30|45|60|90",
         {},
         &M::BumpTime,
         &M::setBumpTime,
         0,
         0},
        {msg::BumpTestThresholdLabel,
         Kind::List,
         "10|20|30|40|50",
         {},
         &M::BumpThreshold,
         &M::setBumpThreshold,
         0,
         0},
        {msg::CalTimeAfterBumpFailLabel,
         Kind::List,
         "60|90|120",
         {},
         &M::BumpFailCalTime,
         &M::setBumpFailCalTime,
         0,
         0},
        {msg::CalAfterBumpFailLabel,
         Kind::List,
         "Off|On",
         {},
         &M::BumpFailAfter,
         &M::setBumpFailAfter,
         0,
         0},
        {msg::LcBhModeLabel,
         Kind::List,
         "Off|LC|BH|LC BH",
         {},
         &M::LcBhMode,
         &M::setLcBhMode,
         0,
         0},
        {msg::BarHoleTimeLabel, Kind::List, "30|45|60", {}, &M::BhTime, &M::setBhTime, 0, 0},
        {msg::LeakCheckBuzzerLabel, Kind::List, "Off|On", {}, &M::LcBuzzer, &M::setLcBuzzer, 0, 0},
        {msg::AutoZeroLabel, Kind::List, "Off|On", {}, &M::AutoZero, &M::setAutoZero, 0, 0},
        {msg::DemandZeroLabel, Kind::List, "Off|On", {}, &M::DemandZero, &M::setDemandZero, 0, 0},
        {msg::ConfirmationBeepLabel,
         Kind::List,
         "Off|On",
         {},
         &M::Confirmation,
         &M::setConfirmation,
         0,
         0},
    }};
    return layouts;
}

constexpr int rowSpecNo = 2;
constexpr int rowSpecType = 8;
// SpecNo travels in a ten-character field: a longer text would be cut on the way.
constexpr int specNoMax = 10;

const RowLayout& rowLayout(int row) {
    return rowLayouts()[static_cast<std::size_t>(row - 1)];
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The words of the fixed lists are shown in the table's language; the abbreviations and numbers
// beside them read the same in both.
QString shownItems(const char* items) {
    static const std::array<std::pair<const char*, int>, 3> words{
        {{"Off", msg::WordOff}, {"On", msg::WordOn}, {"Auto", msg::WordAuto}}};
    QStringList shown = QString(items).split('|');
    for (QString& item : shown)
        for (const auto& [word, id] : words)
            if (item == word) item = qs(ResMessage(id));
    return shown.join('|');
}

QString listText(int row, int32_t romNumber) {
    const RowLayout& s = rowLayout(row);
    if (row == FsDatasGrid::rowOxyAlarm)
        return romNumber < romWithHighHighOxy ? "H-L|L-LL" : "H-L|L-LL|H-HH";
    if (s.items != nullptr) return shownItems(s.items);
    QStringList texts;
    for (int id : s.itemIds)
        if (id != 0) texts << qs(ResMessage(id));
    return texts.join('|');
}

// List texts are split as every list of the program is: empty items are dropped.
QStringList splitList(const QString& joined) {
    clsToken token;
    token.AddDelimiters("|");
    token.setSource(joined.toStdString());
    QStringList items;
    for (int i = 0; i < token.TokenCount(); ++i) items << qs(token.Tokens(i));
    return items;
}

// Position of a list text among the row's items, compared trimmed and without regard to case.
std::optional<int16_t> itemPosition(const QStringList& items, const QString& text) {
    const QString wanted = text.trimmed().toUpper();
    for (int i = 0; i < items.size(); ++i)
        if (items[i].trimmed().toUpper() == wanted) return static_cast<int16_t>(i);
    return std::nullopt;
}

QString itemText(const QStringList& items, int value) {
    return value >= 0 && value < items.size() ? items[value] : QString::number(value);
}

// Why a value the instrument holds lies outside its row's list or range; empty when it does not.
std::string heldReason(const RowLayout& s, const QStringList& items, int value) {
    if (s.kind == Kind::List && (value < 0 || value >= items.size()))
        return ResMessage(msg::HeldNotInList,
                          {std::to_string(value), items.join(", ").toStdString()});
    if (s.kind == Kind::WholeNumber && (value < s.low || value > s.high))
        return ResMessage(msg::HeldNotBetween,
                          {std::to_string(value), std::to_string(s.low), std::to_string(s.high)});
    return {};
}

// Such a value is shown as held (a list row shows its number), in red, with the reason a hover
// away; any other value in the usual colour.
void markHeld(QTableWidgetItem* cell, const std::string& reason) {
    if (reason.empty()) {
        cell->setData(Qt::ForegroundRole, QVariant());
        cell->setToolTip(QString());
        return;
    }
    cell->setForeground(QColor(255, 0, 0));
    cell->setToolTip(qs(ResMessage(msg::HeldOutOfRangeTip, {reason})));
}

}  // namespace

FsDatasGrid::FsDatasGrid(QWidget* parent) : QTableWidget(rows, 3, parent) {
    setObjectName("vfgDatas");
    verticalHeader()->hide();
    horizontalHeader()->hide();
    setColumnHidden(listColumn, true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    for (int row = 1; row <= rows; ++row) {
        auto* label = new QTableWidgetItem(qs(ResMessage(rowLayout(row).label)));
        label->setFlags(Qt::ItemIsEnabled);
        setItem(row - 1, labelColumn, label);
        auto* value = new QTableWidgetItem();
        value->setFlags(row == rowManufactureNumber
                            ? Qt::ItemIsEnabled
                            : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        setItem(row - 1, valueColumn, value);
        setItem(row - 1, listColumn, new QTableWidgetItem());
    }
    auto describe = [this](int tableRow, int) {
        const int row = tableRow + 1;
        FsEditorKind kind;
        if (rowLayout(row).kind == Kind::List) {
            kind.kind = FsEditorKind::List;
            kind.items = listItems(row);
        } else {
            kind.keys = {true, row == rowSpecNo ? specNoMax : 0};
        }
        return kind;
    };
    auto* delegate = new FsCellDelegate(
        describe,
        [this](int tableRow, int, const QString& text) { return editValue(tableRow + 1, text); },
        this);
    delegate->setReason([this] { return refusal_; });
    setItemDelegate(delegate);
}

void FsDatasGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    const int width = viewport()->width();
    setColumnWidth(labelColumn, width * 6 / 10);
    setColumnWidth(valueColumn, width - width * 6 / 10);
}

void FsDatasGrid::setValue(int row, const QString& text) {
    QTableWidgetItem* cell = item(row - 1, valueColumn);
    cell->setText(text);
    markHeld(cell, {});  // a value set here is one of the row's
}

QString FsDatasGrid::valueText(int row) const {
    return item(row - 1, valueColumn)->text();
}

QStringList FsDatasGrid::listItems(int row) const {
    return splitList(item(row - 1, listColumn)->text());
}

void FsDatasGrid::load(const clsInstrument& model) {
    calLimitEdited_ = false;
    for (int row = 1; row <= rows; ++row) {
        const RowLayout& s = rowLayout(row);
        item(row - 1, listColumn)
            ->setText(s.kind == Kind::List ? listText(row, model.RomNumber()) : QString());
        if (row == rowManufactureNumber) {
            setValue(row, qs(model.DummySerial()));
        } else if (row == rowSpecNo) {
            setValue(row, qs(model.SpecNo()));
        } else if (row == rowSpecType) {
            const auto position = ParseInt16(model.SpecType());
            setValue(row, position ? itemText(listItems(row), *position) : qs(model.SpecType()));
        } else if (s.kind == Kind::List) {
            setValue(row, itemText(listItems(row), (model.*s.get)()));
        } else {
            setValue(row, QString::number((model.*s.get)()));
        }
        if (s.get != nullptr)
            markHeld(item(row - 1, valueColumn), heldReason(s, listItems(row), (model.*s.get)()));
    }
}

bool FsDatasGrid::refuse(int messageId, const std::vector<std::string>& args) {
    refusal_ = QString::fromStdString(ResMessage(messageId, args));
    return false;
}

bool FsDatasGrid::editValue(int row, const QString& typed) {
    if (row <= rowManufactureNumber || row > rows) return refuse(msg::RefusedReadOnly);
    const RowLayout& s = rowLayout(row);
    QString text = s.kind == Kind::List ? typed : typed.toUpper();
    if (s.kind == Kind::List) {
        if (!itemPosition(listItems(row), text))
            return refuse(msg::RefusedListItem, {text.toStdString()});
    } else if (!IsNameText(text.toStdString())) {
        return refuse(msg::RefusedNameCharacter, {FirstNonNameCharacter(text).toStdString()});
    } else if (row == rowSpecNo && text.size() > specNoMax) {
        return refuse(msg::RefusedLength, {std::to_string(specNoMax)});
    } else if (s.kind == Kind::WholeNumber) {
        const auto value = ParseNumber(text.toStdString());
        if (!value || *value < s.low || *value > s.high)
            return refuse(msg::RefusedWholeNumber, {std::to_string(s.low), std::to_string(s.high)});
        text = QString::number(*RoundToInt16(*value));
        if (row == rowCalLimit) calLimitEdited_ = true;
    }
    setValue(row, text);
    return true;
}

void FsDatasGrid::store(clsInstrument& model) const {
    for (int row = rowManufactureNumber + 1; row <= rows; ++row) {
        const RowLayout& s = rowLayout(row);
        const QString text = valueText(row);
        if (row == rowSpecNo) {
            if (text.toStdString() != model.SpecNo()) model.setSpecNo(text.toStdString());
        } else if (row == rowSpecType) {
            const auto position = itemPosition(listItems(row), text);
            if (position && std::to_string(*position) != model.SpecType())
                model.setSpecType(std::to_string(*position));
        } else if (s.kind == Kind::List) {
            // A value the list cannot show (shown as its number) stays as it is.
            const auto position = itemPosition(listItems(row), text);
            if (position && *position != (model.*s.get)()) (model.*s.set)(*position);
        } else {
            const auto value = ParseInt16(text.toStdString());
            if (value && *value != (model.*s.get)()) (model.*s.set)(*value);
        }
    }
    if (calLimitEdited_) model.Change_CalLimit = true;
}

}  // namespace vq
