#include "ui/dialogs/gas_table_grid.h"

#include <QHeaderView>
#include <cmath>
#include <limits>
#include <string>

#include "messages/messages.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/setting_rules.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"
#include "ui/dialogs/factory_cell_delegate.h"

namespace vq {
namespace {

constexpr int valueRole = Qt::UserRole;      // the number a number cell stands for
constexpr int pointRole = Qt::UserRole + 1;  // decimal places of a Digit cell
constexpr int nameMax = 10;
constexpr const char* coefficientFormat = "0.00000000";
const QColor invalidColour(255, 0, 0);
const QColor validColour(Qt::white);
const QColor readOnlyColour(232, 232, 232);

const QStringList unitList{"VOL%", "%LEL", "ppm", "ppb"};
const QStringList validUnits{"%LEL", "vol%", "VOL%", "%", "ppm", "ppb"};

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

int halfOf(int column) {
    return column <= GasTableGrid::halfWidth ? 0 : 1;
}
int fieldOf(int column) {
    return column - halfOf(column) * GasTableGrid::halfWidth;
}
int columnOf(int half, int field) {
    return half * GasTableGrid::halfWidth + field;
}
bool isCoefficient(int field) {
    return field >= GasTableGrid::Linear1a;
}

// Equal as stored values: a NaN read from the instrument is not an edit.
bool sameNumber(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// A coefficient is a single on the wire, held in a double: a double that is exactly a single is
// shown as that single (1.45, not the 1.45000005 its binary value widens to), rounded to the
// fixed places.
QString coefficientText(double v) {
    const bool single = std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max() &&
                        static_cast<double>(static_cast<float>(v)) == v;
    return qs(single ? FormatNumber(static_cast<float>(v), coefficientFormat)
                     : FormatNumber(v, coefficientFormat));
}

// The coefficient a column edits; the const overload reads through the same switch.
double& coefficient(LibraryEntry& e, int field) {
    switch (field) {
        case GasTableGrid::Linear1a:
            return e.Linear1_a;
        case GasTableGrid::Linear1b:
            return e.Linear1_b;
        case GasTableGrid::Linear1c:
            return e.Linear1_c;
        case GasTableGrid::Linear1d:
            return e.Linear1_d;
        case GasTableGrid::Linear2a:
            return e.Linear2_a;
        case GasTableGrid::Linear2b:
            return e.Linear2_b;
        case GasTableGrid::Linear2c:
            return e.Linear2_c;
        default:
            return e.Linear2_d;
    }
}

double coefficient(const LibraryEntry& e, int field) {
    return coefficient(const_cast<LibraryEntry&>(e), field);
}

}  // namespace

GasTableGrid::GasTableGrid(QWidget* parent) : QTableWidget(gasRows, columns, parent) {
    setObjectName("vfgGasTbl");
    verticalHeader()->hide();
    setHorizontalHeaderLabels(qs(ResMessage(msg::GasTableHeader)).split('|'));
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    for (int row = 1; row <= gasRows; ++row) {
        for (int column = 0; column < columns; ++column) {
            auto* cellItem = new QTableWidgetItem();
            cellItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            cellItem->setBackground(readOnlyColour);
            setItem(row - 1, column, cellItem);
        }
        cell(row, 0)->setText(QString::number(row));
    }
    auto describe = [](int, int column) {
        FactoryEditorKind kind;
        const int field = fieldOf(column);
        if (field == Unit) {
            kind.kind = FactoryEditorKind::EditableList;
            kind.items = unitList;
        } else if (field == Name) {
            kind.keys = {false, nameMax};
        }
        return kind;
    };
    auto* delegate = new FactoryCellDelegate(
        describe,
        [this](int tableRow, int column, const QString& text) {
            return editCell(tableRow + 1, column, text);
        },
        this);
    delegate->setReason([this] { return refusal_; });
    setItemDelegate(delegate);
}

bool GasTableGrid::refuse(int messageId, const std::vector<std::string>& args) {
    refusal_ = QString::fromStdString(ResMessage(messageId, args));
    return false;
}

double GasTableGrid::value(int row, int column) const {
    return cell(row, column)->data(valueRole).toDouble();
}

int GasTableGrid::point(int row, int half) const {
    return cell(row, columnOf(half, Digit))->data(pointRole).toInt();
}

QString GasTableGrid::cellText(int row, int column) const {
    return cell(row, column)->text();
}

void GasTableGrid::showEntry(int row, int half, const LibraryEntry& e, bool editable) {
    const auto put = [&](int field, const QString& text, double number) {
        QTableWidgetItem* c = cell(row, columnOf(half, field));
        c->setText(text);
        c->setData(valueRole, number);
        c->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                             : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        c->setBackground(editable ? validColour : readOnlyColour);
    };
    put(Name, qs(TrimText(e.Name)), 0);
    put(FullScale, qs(FormatNumber(e.FullScale, e.Point)), e.FullScale);
    put(Digit, qs(FormatNumber(e.Digit, e.Point)), e.Digit);
    cell(row, columnOf(half, Digit))->setData(pointRole, e.Point);
    put(Unit, qs(TrimText(e.Unit)), 0);
    // The element voltage is an unsigned 16-bit field kept in a signed model value.
    const int volt = static_cast<uint16_t>(e.elem_vol);
    put(Volt, QString::number(volt), volt);
    put(Ratio, qs(SingleText(e.Ratio)), e.Ratio);
    for (int field = Linear1a; field <= Linear2d; ++field)
        put(field, coefficientText(coefficient(e, field)), coefficient(e, field));
}

void GasTableGrid::load(const InstrumentModel& model) {
    for (int row = 1; row < settingsRow; ++row) {
        showEntry(row, 0, model.LI_Entry(row), false);
        showEntry(row, 1, model.LI_Entry(row + gasRows - 1), false);
    }
    for (int half = 0; half < 2; ++half) showEntry(settingsRow, half, model.LS_Entry(half), true);
    resizeColumnsToContents();
}

void GasTableGrid::store(InstrumentModel& model) const {
    for (int half = 0; half < 2; ++half) {
        const auto at = [&](int field) { return columnOf(half, field); };
        LibraryEntry e = model.LS_Entry(half);
        const std::string name = cellText(settingsRow, at(Name)).toStdString();
        if (TrimText(name) != TrimText(e.Name)) e.Name = name;
        const std::string unit = cellText(settingsRow, at(Unit)).toStdString();
        if (TrimText(unit) != TrimText(e.Unit)) e.Unit = unit;
        e.FullScale = static_cast<float>(value(settingsRow, at(FullScale)));
        e.Digit = static_cast<float>(value(settingsRow, at(Digit)));
        e.Point = static_cast<int16_t>(point(settingsRow, half));
        e.elem_vol = static_cast<int16_t>(static_cast<uint16_t>(value(settingsRow, at(Volt))));
        e.Ratio = static_cast<float>(value(settingsRow, at(Ratio)));
        for (int field = Linear1a; field <= Linear2d; ++field)
            coefficient(e, field) = value(settingsRow, at(field));

        const LibraryEntry& old = model.LS_Entry(half);
        const bool numbersSame =
            sameNumber(e.FullScale, old.FullScale) && sameNumber(e.Digit, old.Digit) &&
            e.Point == old.Point && e.elem_vol == old.elem_vol && sameNumber(e.Ratio, old.Ratio) &&
            [&] {
                for (int field = Linear1a; field <= Linear2d; ++field)
                    if (!sameNumber(coefficient(e, field), coefficient(old, field))) return false;
                return true;
            }();
        if (!numbersSame || e.Name != old.Name || e.Unit != old.Unit) model.setLS_Entry(half, e);
    }
}

bool GasTableGrid::nameTaken(int column, const QString& name) const {
    for (int row = 1; row < settingsRow; ++row)
        if (cellText(row, column).trimmed() == name) return true;
    return false;
}

bool GasTableGrid::editCell(int row, int column, const QString& typed) {
    if (row < 1 || row > gasRows || column < 1 || column >= columns)
        return refuse(msg::RefusedReadOnly);
    QTableWidgetItem* target = cell(row, column);
    if (!(target->flags() & Qt::ItemIsEditable)) return refuse(msg::RefusedReadOnly);
    const int half = halfOf(column);
    const int field = fieldOf(column);
    const std::string text = typed.trimmed().toStdString();

    if (field == Name) {
        const QString name = typed.trimmed();
        const int twin = columnOf(1 - half, Name);
        // Row 16 carries one name in both lists, so it must be free in both columns.
        if (name.size() > nameMax) return refuse(msg::RefusedLength, {std::to_string(nameMax)});
        if (!IsNameText(text))
            return refuse(msg::RefusedNameCharacter, {FirstNonNameCharacter(name).toStdString()});
        if (nameTaken(column, name) || (row == settingsRow && nameTaken(twin, name)))
            return refuse(msg::RefusedNameTaken, {text});
        target->setText(name);
        if (row == settingsRow) cell(row, twin)->setText(name);
        resizeColumnToContents(twin);
    } else if (field == Unit) {
        target->setText(typed.trimmed());
    } else {
        const auto number = ParseSingle(text);
        if (!number) return refuse(msg::RefusedNotNumber, {text});
        double v = *number;
        if (field == Digit) {
            const int places = DecimalPlaces(text);
            target->setData(pointRole, places);
            target->setText(qs(FormatNumber(*number, places)));
        } else if (field == Volt || field == Ratio) {
            v = std::nearbyint(v);
            // A ratio of 0 or below makes every reading of the gas meaningless.
            if (field == Ratio && !(v > 0)) return refuse(msg::RefusedNotAboveZero);
            target->setText(field == Volt ? QString::number(static_cast<qint64>(v))
                                          : qs(SingleText(static_cast<float>(v))));
        } else if (isCoefficient(field)) {
            target->setText(coefficientText(v));
        }
        target->setData(valueRole, v);
        reshowFullScale(row, half);
    }
    colourRow(row);
    resizeColumnToContents(column);
    return true;
}

void GasTableGrid::reshowFullScale(int row, int half) {
    QTableWidgetItem* fullScale = cell(row, columnOf(half, FullScale));
    fullScale->setText(qs(
        FormatNumber(static_cast<float>(value(row, columnOf(half, FullScale))), point(row, half))));
}

LibraryEntry GasTableGrid::entryOf(int row, int half) const {
    const auto at = [&](int field) { return columnOf(half, field); };
    LibraryEntry e;
    e.Name = cellText(row, at(Name)).toStdString();
    e.Unit = cellText(row, at(Unit)).toStdString();
    e.FullScale = static_cast<float>(value(row, at(FullScale)));
    e.Digit = static_cast<float>(value(row, at(Digit)));
    e.Point = static_cast<int16_t>(point(row, half));
    e.elem_vol = static_cast<int16_t>(static_cast<uint16_t>(value(row, at(Volt))));
    e.Ratio = static_cast<float>(value(row, at(Ratio)));
    for (int field = Linear1a; field <= Linear2d; ++field)
        coefficient(e, field) = value(row, at(field));
    return e;
}

bool GasTableGrid::cellValid(int row, int column) const {
    const int half = halfOf(column);
    const int field = fieldOf(column);
    const double v = value(row, column);
    const int places = point(row, half);
    // The rules the settings file check and "Update" hold the entry to; an unused entry (no
    // name) is sent as it is, so only its name and coefficients are judged.
    const LibraryEntry entry = entryOf(row, half);
    const bool used = !TrimText(entry.Name).empty();
    const auto rule = [&](LibraryField which) { return LibraryFieldProblem(entry, which).empty(); };
    switch (field) {
        case Name: {
            const std::string name = cellText(row, column).trimmed().toStdString();
            return name.size() <= static_cast<std::size_t>(nameMax) && IsNameText(name) &&
                   rule(LibraryField::Name);
        }
        case Unit:
            return !used || validUnits.contains(cellText(row, column).trimmed());
        case Volt:
            return v >= 1 && v <= 65535;
        // Full scale and resolution travel as five-character fields with at most three
        // decimals: a value that does not fit would reach the instrument cut short.
        case FullScale:
            return places <= 3 && (used ? rule(LibraryField::FullScale)
                                        : v >= 0 && LevelFits5(static_cast<float>(v), places));
        case Digit:
            return places <= 3 && (used ? rule(LibraryField::Resolution)
                                        : v > 0 && LevelFits5(static_cast<float>(v), places));
        case Ratio:
            return !used || rule(LibraryField::Ratio);
        default:
            return std::isfinite(static_cast<float>(v));
    }
}

void GasTableGrid::colourRow(int row) {
    for (int column = 1; column < columns; ++column) {
        QTableWidgetItem* c = cell(row, column);
        if (!(c->flags() & Qt::ItemIsEditable)) continue;
        c->setBackground(cellValid(row, column) ? validColour : invalidColour);
    }
}

bool GasTableGrid::isRed(int row, int column) const {
    return cell(row, column)->background().color() == invalidColour;
}

bool GasTableGrid::hasInvalid() const {
    for (int row = 1; row <= gasRows; ++row)
        for (int column = 1; column < columns; ++column)
            if (isRed(row, column)) return true;
    return false;
}

}  // namespace vq
