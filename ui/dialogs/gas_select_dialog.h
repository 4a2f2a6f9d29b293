#pragma once
// GasSelectDialog, the modal list from which the user picks the gas of one channel. The caller sets
// GasNo, shows the window, then reads Flags (true after OK) and SelNum (the gas number picked).
// The list's frame names the channel and its gas now; OK with nothing picked keeps the window
// open and says so (nothingChosenLabel), so a pick is never dropped silently.
//
// The combustible channels (0 and 4) list the gases the instrument reported (15 library entries
// and the special gas as option 15) while an instrument is connected; otherwise, and for every
// other channel, the list is the gas table's first eight rows for that channel, exactly the
// gases the gas change will take the identity from.

#include <QDialog>
#include <array>
#include <cstdint>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vq {

class GasTable;
class InstrumentModel;

class GasSelectDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int optionCount = 16;
    static constexpr int specialGasOption = 15;
    // Non-combustible channels offer at most the first eight table rows.
    static constexpr int tableOptions = 8;

    GasSelectDialog(const InstrumentModel& model, const GasTable& table, bool connected,
                    QWidget* parent = nullptr);

    std::int16_t GasNo() const { return gasNo_; }
    // Rebuilds the list for the channel.
    void setGasNo(std::int16_t channel);
    std::int16_t SelNum() const { return selNum_; }
    bool Flags() const { return flags_; }

    // The layout the list was given.
    int optionRows() const { return rows_; }
    int optionColumns() const { return columns_; }

    QRadioButton* gasOption(int i) const { return options_.at(static_cast<std::size_t>(i)); }
    QPushButton* gasButton(int i) const { return buttons_.at(static_cast<std::size_t>(i)); }
    QGroupBox* gasGroup() const { return frame_; }
    QLabel* nothingChosenLabel() const { return nothing_; }

  private:
    void buildList();
    void listFromInstrument(int channel);
    void listFromTable(int channel);
    void placeOptions();
    void showOption(int i, const std::string& caption);
    void okClicked();

    const InstrumentModel& model_;
    const GasTable& table_;
    bool connected_;
    std::int16_t gasNo_ = 0;
    std::int16_t selNum_ = -1;
    bool flags_ = false;
    int rows_ = 0;
    int columns_ = 0;
    std::array<bool, optionCount> shown_{};

    QGroupBox* frame_;
    QLabel* nothing_;
    QGridLayout* grid_;
    std::array<QRadioButton*, optionCount> options_{};
    std::array<QPushButton*, 2> buttons_{};
};

}  // namespace vq
