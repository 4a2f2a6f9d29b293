#pragma once
// vfgDatas: the factory parameters of the instrument, one per row (24 rows below the header).
// Column 0 the label, column 1 the value, hidden column 2 the row's drop-down list ("|"-joined,
// empty for text rows). A list row shows the item whose zero-based position is the value.

#include <QTableWidget>
#include <string>
#include <vector>

namespace vq {

class clsInstrument;

class FsDatasGrid : public QTableWidget {
    Q_OBJECT
  public:
    static constexpr int rows = 24;
    // Rows as numbered under the header (1 to 24); the table row is one less.
    static constexpr int rowManufactureNumber = 1;
    static constexpr int rowCalLimit = 5;
    static constexpr int rowOxyAlarm = 10;
    static constexpr int rowLcdBackLight = 12;

    explicit FsDatasGrid(QWidget* parent = nullptr);

    // Shows the model's values; the OXY alarm list follows the model's ROM number.
    void load(const clsInstrument& model);
    // Stores every value that differs from the model through its setter. A valid edit of row 5
    // marks `Change_CalLimit` even when the value came back equal: the user confirmed it.
    void store(clsInstrument& model) const;

    // Applies a finished edit of row 1..24 as the cell editor does. Returns false when the edit is
    // refused (the cell keeps its old value): a read-only row, a text outside the
    // identifier set, rows 5 and 12 not a whole number in range, a list text that is not an item
    // of the row.
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
