#pragma once
// vfgDatas: the factory parameters of the instrument, one per row below the header. Column 0
// the label, column 1 the value, hidden column 2 the row's drop-down list ("|"-joined, empty for
// text rows). A list row shows the item whose zero-based position is the value. Every row but
// the manufacture number is a row of the settings table (model/setting_list.h), whose caption,
// list and range it shows; the grid names only the order.

#include <QTableWidget>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class InstrumentModel;

namespace fs_datas {

// The rows from the top, by the settings table's property names; the first, the manufacture
// number, is the grid's own (read-only, not a setting). Any setting of the table that is neither
// here nor in kShownElsewhere follows them in the table's order, so a new setting is shown
// without a word here.
inline constexpr std::array<std::string_view, 24> kOrder{
    "DummySerial", "SpecNo",       "AlarmMode", "LogOverWrite",  "CalLimit",        "DispCalLimit",
    "CalCheck",    "SpecType",     "HcMode",    "AlarmO2",       "autoBackLight",   "LcdBackLight",
    "AlarmOnOff",  "StelTwaOnOff", "BumpTime",  "BumpThreshold", "BumpFailCalTime", "BumpFailAfter",
    "LcBhMode",    "BhTime",       "LcBuzzer",  "AutoZero",      "DemandZero",      "Confirmation"};
// The settings other windows show: the logging interval (the main window) and the two values
// the instrument measures in the factory (read, never edited).
inline constexpr std::array<std::string_view, 3> kShownElsewhere{"Intervals", "FlowLevel",
                                                                 "pressOffset"};

// The ordered row of a property, numbered from 1; 0 when it is not one of them.
constexpr int rowOf(std::string_view prop) {
    for (std::size_t i = 0; i < kOrder.size(); ++i)
        if (kOrder[i] == prop) return static_cast<int>(i) + 1;
    return 0;
}

}  // namespace fs_datas

class FactoryValuesGrid : public QTableWidget {
    Q_OBJECT
  public:
    // Every row: the ordered ones, then the settings they leave out (computed at start).
    static const int rows;
    // Rows as numbered under the header (from 1); the table row is one less.
    static constexpr int rowManufactureNumber = fs_datas::rowOf("DummySerial");
    static constexpr int rowCalLimit = fs_datas::rowOf("CalLimit");
    static constexpr int rowOxyAlarm = fs_datas::rowOf("AlarmO2");
    static constexpr int rowLcdBackLight = fs_datas::rowOf("LcdBackLight");
    static_assert(rowManufactureNumber == 1 && rowCalLimit > 0 && rowOxyAlarm > 0 &&
                  rowLcdBackLight > 0);
    // The property shown in `row` (1..rows).
    static std::string_view rowSetting(int row);

    explicit FactoryValuesGrid(QWidget* parent = nullptr);

    // Shows the model's values; the OXY alarm list follows the model's ROM number.
    void load(const InstrumentModel& model);
    // Stores every value that differs from the model through its setter. A valid edit of row 5
    // marks `CalLimit` changed even when the value came back equal: the user confirmed it.
    void store(InstrumentModel& model) const;

    // Applies a finished edit of row 1..rows as the cell editor does. Returns false when the edit
    // is refused (the cell keeps its old value): a read-only row, a text outside the identifier
    // set, a number row's text not a whole number in its range, a list text that is not an item of
    // the row.
    bool editValue(int row, const QString& text);
    // Why the last refused edit was refused.
    const QString& lastRefusal() const { return refusal_; }

    QString valueText(int row) const;
    QStringList listItems(int row) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void setValue(int row, const QString& text);

    bool refuse(int messageId, const std::vector<std::string>& args = {});

    bool calLimitEdited_ = false;
    QString refusal_;
};

}  // namespace vq
