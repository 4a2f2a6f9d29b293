#pragma once
// vfgGasTbl: the hydrocarbon gas lists of the instrument, 16 gases (rows 1 to 16 under the
// header) in two halves of fourteen columns: columns 1 to 14 the first list, columns 15 to 28 the
// second. The instrument keeps each list as fifteen library gases and one settings gas:
//   rows 1 to 15: library entries LI_(row) in the first half and LI_(row + 15) in the second,
//                 as the instrument reports them (read only);
//   row 16:       the settings entries LS_(0) and LS_(1), the only editable cells.
// Row 16 keeps its two names equal. Each edit is checked as it ends; a value the instrument could
// not take back (out of range, or too wide for its field) turns the cell red, and OK refuses to
// close while a red cell remains.

#include <QTableWidget>
#include <string>
#include <vector>

namespace vq {

class InstrumentModel;
struct LibraryEntry;

class GasTableGrid : public QTableWidget {
    Q_OBJECT
  public:
    static constexpr int gasRows = 16;
    static constexpr int settingsRow = 16;  // row number of the settings entries
    static constexpr int halfWidth = 14;
    static constexpr int columns = 1 + 2 * halfWidth;

    // Column offsets within a half (1 to 14).
    enum Field {
        Name = 1,
        FullScale,
        Digit,
        Unit,
        Volt,
        Ratio,
        Linear1a,
        Linear1b,
        Linear1c,
        Linear1d,
        Linear2a,
        Linear2b,
        Linear2c,
        Linear2d
    };

    explicit GasTableGrid(QWidget* parent = nullptr);

    void load(const InstrumentModel& model);
    // Stores every field of the settings entries that differs from the model (numbers in single
    // precision); each such setter marks `LS_Entry` of its entry changed.
    void store(InstrumentModel& model) const;

    // Applies a finished edit at row 1..16, column 1..28. Returns false when refused (the cell
    // keeps its old value): a read-only cell, a name outside the identifier set, longer than 10
    // or already used in rows 1 to 15 of its column, a number cell that is not a number.
    bool editCell(int row, int column, const QString& text);
    // Why the last refused edit was refused.
    const QString& lastRefusal() const { return refusal_; }

    QString cellText(int row, int column) const;
    bool isRed(int row, int column) const;
    bool hasInvalid() const;

  private:
    void showEntry(int row, int half, const LibraryEntry& entry, bool editable);
    void reshowFullScale(int row, int half);
    void colourRow(int row);
    bool cellValid(int row, int column) const;
    // The entry a row shows, as store() would take it.
    LibraryEntry entryOf(int row, int half) const;
    bool nameTaken(int column, const QString& name) const;
    QTableWidgetItem* cell(int row, int column) const { return item(row - 1, column); }
    bool refuse(int messageId, const std::vector<std::string>& args = {});
    QString refusal_;
    double value(int row, int column) const;
    int point(int row, int half) const;
};

}  // namespace vq
