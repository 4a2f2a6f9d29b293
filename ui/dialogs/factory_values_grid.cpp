#include "ui/dialogs/factory_values_grid.h"

#include <QHeaderView>
#include <algorithm>
#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "messages/messages.h"
#include "model/instrument.h"
#include "model/line_tokenizer.h"
#include "model/numeric.h"
#include "model/settings_table.h"
#include "model/text_rules.h"
#include "ui/dialogs/factory_cell_delegate.h"

namespace vq {
namespace {

constexpr int labelColumn = 0;
constexpr int valueColumn = 1;
constexpr int listColumn = 2;

// The OXY alarm type H-HH exists from this ROM number on.
constexpr int32_t romWithHighHighOxy = 4426;

enum class Kind { Text, WholeNumber, List };

struct RowLayout {
    int label = 0;  // message id
    Kind kind = Kind::Text;
    std::string_view items;            // fixed list ("|"-joined), or empty
    std::array<int, 3> itemIds{};      // list of message texts (0: none)
    const Setting* setting = nullptr;  // null for the manufacture number
    int low = 0, high = 0;             // range of a whole-number row
    // The number the row edits; false for the text rows.
    bool isNumber() const { return setting != nullptr && !setting->isText; }
};

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A row as the settings table describes its setting: the caption, how the value is chosen (a
// list of texts or message ids, a whole number in the table's range, a text) and the accessors.
RowLayout tableRow(const Setting& s) {
    using Shown = ShownForm::Kind;
    RowLayout row;
    row.setting = &s;
    row.label = s.caption;
    row.low = s.low;
    row.high = s.high;
    switch (s.shown.kind) {
        case Shown::Number:
            row.kind = s.isText ? Kind::Text : Kind::WholeNumber;
            break;
        case Shown::OnOff:
            row.kind = Kind::List;
            row.items = "Off|On";
            break;
        case Shown::Texts:
            row.kind = Kind::List;
            row.items = s.shown.texts;
            break;
        case Shown::Ids:
        case Shown::TypeIds:
        case Shown::Pattern:
            row.kind = Kind::List;
            row.itemIds = s.shown.ids;
            break;
    }
    return row;
}

// The grid's settings, top to bottom: the ordered rows, then every other setting of the table
// that no other window shows.
std::vector<std::string_view> rowProps() {
    std::vector<std::string_view> props(fs_datas::kOrder.begin(), fs_datas::kOrder.end());
    const auto listed = [](const auto& list, std::string_view prop) {
        return std::find(list.begin(), list.end(), prop) != list.end();
    };
    for (const Setting& s : SettingsTable())
        if (!listed(fs_datas::kOrder, s.prop) && !listed(fs_datas::kShownElsewhere, s.prop))
            props.push_back(s.prop);
    return props;
}

std::vector<RowLayout> buildRowLayouts() {
    std::vector<RowLayout> rows;
    for (std::string_view prop : rowProps()) {
        if (prop == "DummySerial") {
            RowLayout own;
            own.label = msg::ManufactureNumberLabel;
            rows.push_back(own);
            continue;
        }
        const Setting* setting = FindSettingOf(prop);
        if (setting == nullptr)
            throw std::logic_error("factory grid: no setting " + std::string(prop));
        rows.push_back(tableRow(*setting));
    }
    // The calibration time limit has a label of its own, which states its range.
    rows[static_cast<std::size_t>(FactoryValuesGrid::rowCalLimit - 1)].label =
        msg::CalTimeLimitLabel;
    return rows;
}

// Rows 1 to rows, built once; their texts are looked up when shown (the language may change).
const std::vector<RowLayout>& rowLayouts() {
    static const std::vector<RowLayout> layouts = buildRowLayouts();
    return layouts;
}

constexpr int rowSpecNo = fs_datas::rowOf("SpecNo");
constexpr int rowSpecType = fs_datas::rowOf("SpecType");
// SpecNo travels in a ten-character field: a longer text would be cut on the way.
constexpr int specNoMax = 10;

const RowLayout& rowLayout(int row) {
    return rowLayouts()[static_cast<std::size_t>(row - 1)];
}

QString labelText(const RowLayout& s) {
    if (s.label != msg::CalTimeLimitLabel) return qs(ResMessage(s.label));
    return qs(ResMessage(s.label, {std::to_string(s.low), std::to_string(s.high)}));
}

// The words of the fixed lists are shown in the table's language; the abbreviations and numbers
// beside them read the same in both.
// The table writes "OFF" where the CSV shows it so; the grid shows the word.
QString shownItems(std::string_view items) {
    static const std::array<std::pair<const char*, int>, 3> words{
        {{"Off", msg::WordOff}, {"On", msg::WordOn}, {"Auto", msg::WordAuto}}};
    QStringList shown = qs(std::string(items)).split('|');
    for (QString& item : shown)
        for (const auto& [word, id] : words)
            if (item.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
                item = qs(ResMessage(id));
    return shown.join('|');
}

QString listText(int row, int32_t romNumber) {
    const RowLayout& s = rowLayout(row);
    if (!s.items.empty()) {
        QString items = shownItems(s.items);
        // The oxygen alarm's last type, H-HH, came with a later ROM.
        if (row == FactoryValuesGrid::rowOxyAlarm && romNumber < romWithHighHighOxy)
            items.truncate(items.lastIndexOf('|'));
        return items;
    }
    QStringList texts;
    for (int id : s.itemIds)
        if (id != 0) texts << qs(ResMessage(id));
    return texts.join('|');
}

// List texts are split as every list of the program is: empty items are dropped.
QStringList splitList(const QString& joined) {
    LineTokenizer token;
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

const int FactoryValuesGrid::rows = static_cast<int>(rowProps().size());

std::string_view FactoryValuesGrid::rowSetting(int row) {
    static const std::vector<std::string_view> props = rowProps();
    return props.at(static_cast<std::size_t>(row - 1));
}

FactoryValuesGrid::FactoryValuesGrid(QWidget* parent) : QTableWidget(rows, 3, parent) {
    setObjectName("vfgDatas");
    verticalHeader()->hide();
    horizontalHeader()->hide();
    setColumnHidden(listColumn, true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    for (int row = 1; row <= rows; ++row) {
        auto* label = new QTableWidgetItem(labelText(rowLayout(row)));
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
        FactoryEditorKind kind;
        if (rowLayout(row).kind == Kind::List) {
            kind.kind = FactoryEditorKind::List;
            kind.items = listItems(row);
        } else {
            kind.keys = {true, row == rowSpecNo ? specNoMax : 0};
        }
        return kind;
    };
    auto* delegate = new FactoryCellDelegate(
        describe,
        [this](int tableRow, int, const QString& text) { return editValue(tableRow + 1, text); },
        this);
    delegate->setReason([this] { return refusal_; });
    setItemDelegate(delegate);
}

void FactoryValuesGrid::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    const int width = viewport()->width();
    setColumnWidth(labelColumn, width * 6 / 10);
    setColumnWidth(valueColumn, width - width * 6 / 10);
}

void FactoryValuesGrid::setValue(int row, const QString& text) {
    QTableWidgetItem* cell = item(row - 1, valueColumn);
    cell->setText(text);
    markHeld(cell, {});  // a value set here is one of the row's
}

QString FactoryValuesGrid::valueText(int row) const {
    return item(row - 1, valueColumn)->text();
}

QStringList FactoryValuesGrid::listItems(int row) const {
    return splitList(item(row - 1, listColumn)->text());
}

void FactoryValuesGrid::load(const InstrumentModel& model) {
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
            setValue(row, itemText(listItems(row), s.setting->number(model)));
        } else {
            setValue(row, QString::number(s.setting->number(model)));
        }
        if (s.isNumber())
            markHeld(item(row - 1, valueColumn),
                     heldReason(s, listItems(row), s.setting->number(model)));
    }
}

bool FactoryValuesGrid::refuse(int messageId, const std::vector<std::string>& args) {
    refusal_ = QString::fromStdString(ResMessage(messageId, args));
    return false;
}

bool FactoryValuesGrid::editValue(int row, const QString& typed) {
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

void FactoryValuesGrid::store(InstrumentModel& model) const {
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
            if (position && *position != s.setting->number(model))
                s.setting->setNumber(model, *position);
        } else {
            const auto value = ParseInt16(text.toStdString());
            if (value && *value != s.setting->number(model)) s.setting->setNumber(model, *value);
        }
    }
    if (calLimitEdited_) model.markChanged(SettingId::CalLimit);
}

}  // namespace vq
