#pragma once
// vfgStation: the 256 station texts, one row per station (row 0 is station 1). Column 0 the
// station number, column 1 the text. Valid texts (app/station_list_csv.h) are shown on white,
// invalid ones on red; a red cell blocks OK and export.

#include <QTableWidget>
#include <string>
#include <vector>

#include "app/station_list_csv.h"

namespace vq {

class InstrumentModel;

class StationListGrid : public QTableWidget {
    Q_OBJECT
  public:
    static constexpr int textColumn = 1;

    explicit StationListGrid(QWidget* parent = nullptr);
    ~StationListGrid() override;

    void load(const InstrumentModel& model);
    // Stores each row whose text differs from the model's entry of the same index.
    void store(InstrumentModel& model) const;

    // Applies a finished edit of row 0..255 and re-colours the row.
    void editStation(int row, const QString& text);
    // Puts imported stations into their rows, marks `StationList` of each row whose text
    // changed in `work`, re-colours every row, and returns how many rows changed.
    std::size_t importStations(const std::vector<StationEntry>& entries, InstrumentModel& work);

    std::vector<std::string> stations() const;
    bool hasInvalid() const;
    bool isInvalid(int row) const;

  signals:
    // The text of the space-count label: "(Left space N)" while a station is edited, else empty.
    void spaceCountText(const QString& text);

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void colourRow(int row);
};

}  // namespace vq
