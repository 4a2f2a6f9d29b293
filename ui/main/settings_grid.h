#pragma once
// settingsGrid, the settings grid of the main window's status frame: one row per gas channel with
// its gas, its enable box, the four alarm points and the auto-calibration value. Every accepted
// edit goes straight into the model it was given; the write commands decide what is sent.
//
// Layout: rows 0 and 1 are the header rows (row 0 carries "Warning and Alarm point" over the four
// alarm-point columns), rows 2 to 6 are channels 0 to 4 (row = channel + 2). Columns: 0 gas,
// 1 enable box, 2 warning, 3 alarm, 4 STEL, 5 TWA, 6 auto calibration.
//
// The widget is built with its collaborators passed in, so it runs alone in a test:
//   - the model and the configuration (locked channels, gas table, factory auto-calibration
//     values, unit factor);
//   - UserAsker for the locked-sensor notice and the disable question;
//   - GridBusy, shared with the main window;
//   - `connected` and `linkStatus` queries on the link;
//   - `chooseGas`, which shows the gas selection for a channel (GasSelectDialog in the program);
//   - `showInstrument`, the main window's ShowInstrument (which refreshes this grid); empty:
//     the grid refreshes itself.
//
// What the grid tells the user:
//   - red text: a value "Update" would refuse (app/update_validation.h decides, nothing else);
//   - a pending cell (bold on a light amber background, tooltip "On the instrument: X"): its
//     value differs from the instrument's as last read, by the same review rows that count the
//     window's pending edits (model/settings_review.h);
//   - a notice (noticeShown, also a tooltip at the cell): why an edit was refused (with a beep),
//     or a value the grid changed by itself (rounded to the resolution, levels taken over from
//     the gas table when a channel is switched on).
//
// The code is split by concern: settings_grid.cpp (layout, display, colours),
// settings_grid_edit.cpp (value edits), settings_grid_enable.cpp (the enable box and gas change),
// settings_grid_marks.cpp (pending marks and notices).

#include <QTableWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/update_validation.h"
#include "model/gas_channel.h"
#include "platform/session_state.h"

class QMenu;
class QStyledItemDelegate;

namespace vq {

class InstrumentModel;
class UserAsker;
struct AppConfig;

// What the grid needs from the window it sits in.
class SettingsGridWindow {
  public:
    virtual ~SettingsGridWindow() = default;
    virtual bool connected() const = 0;
    // The session's state: the grid shows the model only once a read or an import is complete.
    virtual SessionState sessionState() const = 0;
    // What choosing a gas for a channel gave: nothing when cancelled, else the gas number the
    // user picked (-1 when OK was pressed with nothing chosen).
    virtual std::optional<int> chooseGas(int channel) = 0;
    // The main window's ShowInstrument (which refreshes the grid among the rest).
    virtual void showInstrument() = 0;
    // The settings as the instrument held them at the last read or write; null: nothing is
    // marked pending.
    virtual const InstrumentModel* lastRead() const { return nullptr; }
};

struct SettingsGridDeps {
    InstrumentModel& model;
    AppConfig& config;
    UserAsker& asker;
    bool& gridBusy;
    SettingsGridWindow& window;
};

class SettingsGrid : public QTableWidget {
    Q_OBJECT
  public:
    static constexpr int headerRows = 2;
    static constexpr int channels = gasChannelCount;
    static constexpr int columns = 7;
    enum Column { colGas = 0, colEnable, colWarning, colAlarm, colStel, colTwa, colAutoCal };
    static int rowOf(int channel) { return channel + headerRows; }
    // Set on a cell that carries the pending mark; holds the instrument's value as shown.
    static constexpr int pendingRole = Qt::UserRole + 19;

    // The text colours of a good and a bad value.
    static const QColor goodText;
    static const QColor badText;
    // The background of cells that cannot be edited.
    static const QColor lockedBack;
    // The background of cells whose value is not on the instrument yet.
    static const QColor pendingBack;

    explicit SettingsGrid(SettingsGridDeps deps, QWidget* parent = nullptr);
    ~SettingsGrid() override;

    // The grid part of ShowInstrument: header rows, then the model's channels when the model is
    // shown (link status neither Ready nor 1, and the model holds data), then the colours.
    void refresh();

    // True when the channel rows show the model (a read or an import is complete).
    bool modelShown() const;
    // Red text for exactly the values the checks of "Update" refuse, the rest black.
    void MarkRefusedCells();
    // Marks the cells whose value differs from the instrument's as last read (none without a
    // read) and emits pendingChanged.
    void MarkPendingCells();
    bool pendingMarked(int row, int column) const;
    // Why "Update" refuses the value of a red cell (its box's text, then the rule the value
    // breaks); empty for a cell it takes. The cell's tooltip and the notice line say it too.
    QString refusedReason(int row, int column) const;

    // The last notice shown (a refusal's reason or a value changed by the grid).
    const QString& lastNotice() const { return lastNotice_; }
    // Clears the notice (the settings it spoke of were replaced by a read).
    void clearNotice();
    // Replaces the platform's beep of a refusal (tests count it).
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

    // The end of an edit of a value cell (columns 2-6) with the editor's text: true when the
    // edit is accepted (the editor may close), false when the editor stays open. `shownText`
    // receives what the editor shows afterwards. Ignored (true) while GridBusy.
    bool finishEdit(int row, int column, const QString& text, QString* shownText = nullptr);

    // The enable box of a channel was changed to `on` by the user.
    void enableBoxChanged(int channel, bool on);
    // "Change gas..." (the gas cell's double-click and context menu): the gas list for the
    // channel; the chosen gas's identity and levels replace the channel's, the changed levels
    // said. On a channel that is off it switches the channel on with the gas chosen.
    void changeGas(int channel);
    // The context menu of a cell ("Change gas..." on a channel's gas cell); null elsewhere. The
    // caller owns it.
    QMenu* contextMenuFor(int row, int column);

    // True when a cell may be edited now (not while GridBusy, not the header rows, not the
    // cells with the non-editable look).
    bool canEdit(int row, int column) const;

    // The text and colour of a cell, for the window and the tests.
    QString cellText(int row, int column) const;
    QColor cellColour(int row, int column) const;
    bool enableTicked(int channel) const;
    // True while a cell editor is open.
    bool editing() const { return state() == EditingState; }

    using QTableWidget::edit;

  signals:
    // A notice for the window's status line; `refused` when an edit was refused.
    void noticeShown(const QString& text, bool refused);
    // The model or the instrument's settings as last read may have changed: the pending count
    // may differ.
    void pendingChanged();

  public:
    // Lays out the column widths for the grid's width and its gas titles.
    void layoutColumns();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // An editor whose text was refused stays open.
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

  private:
    // settings_grid.cpp
    void buildHeader();
    void clearChannelRows();
    void showChannel(int ch);
    void applyFactoryAutoCal();
    void setCell(int row, int column, const QString& text, bool editable);
    void setEnableBox(int ch, bool ticked, bool editable);
    void setTextColour(int row, int column, const QColor& colour);
    QString valueText(float value, int ch) const;
    bool columnEditable(int ch, int column) const;
    void showInstrument();
    int gasTextWidth() const;
    QString rangeText(int ch, float low, float high) const;
    QString refusalText(int ch, CheckedValue value, const UpdateRefusal& refusal) const;
    // The cell's tooltip from its title, its refusal and its pending mark.
    void updateTip(int row, int column);

    // settings_grid_marks.cpp
    void notify(int row, int column, const QString& text, bool refused);
    void refuse(int row, int column, int messageId, const std::vector<std::string>& args = {});
    void setPendingMark(int row, int column, const QString& onInstrument);
    void clearPendingMark(int row, int column);
    QBrush plainBackground(int row, int column) const;

    // settings_grid_edit.cpp
    QString boundText(float value, int ch) const;
    void refuseOutOfRange(int ch, int column, float low, float high);
    void noticeRounding(int ch, int column, float typed, float stored);
    bool finishAlarmPoint(int ch, int column, const QString& text, QString* shownText);
    bool finishAutoCal(int ch, const QString& text, QString* shownText);
    float levelOf(int ch, int column) const;
    void setLevelOf(int ch, int column, float value);

    // settings_grid_enable.cpp
    void onItemChanged(QTableWidgetItem* item);
    void switchOff(int ch);
    void switchOn(int ch);
    void GasChange(int ch, int gasNumber);
    void retick(int ch, bool ticked);
    // A channel as it was before the user switched it off, so switching it on can offer it again.
    ChannelGas channelGas(int ch) const;
    void restoreChannel(int ch, const ChannelGas& gas);
    void noticeChangedLevels(int ch, const ChannelGas& before);

    InstrumentModel& model_;
    AppConfig& config_;
    UserAsker& asker_;
    bool& gridBusy_;
    SettingsGridWindow& window_;
    bool refused_ = false;
    QString lastNotice_;
    // The notice line shows why a cell is red (MarkRefusedCells), not a notice of an edit.
    bool refusedNoticeShown_ = false;
    std::function<void()> beep_;
    std::array<std::optional<ChannelGas>, channels> switchedOff_{};
    // The cell whose editor is open (the current cell may move before the editor commits).
    QPersistentModelIndex editing_;
};

}  // namespace vq
