#include "ui/dialogs/factory_settings_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/station_list_csv.h"
#include "messages/messages.h"
#include "model/settings_review.h"
#include "ui/dialogs/factory_copy_back.h"
#include "ui/dialogs/factory_values_grid.h"
#include "ui/dialogs/gas_table_grid.h"
#include "ui/dialogs/station_list_grid.h"

namespace vq {
namespace {

QString text(int id) {
    return QString::fromStdString(ResMessage(id));
}

// "All files (*.*)|*.*|Comma separated (*.csv)|*.csv|" as Qt filters, descriptions only.
QStringList stationFilters() {
    const QStringList parts = text(msg::StationFileFilter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
    return filters;
}

QString chooseStationFile(QWidget* parent, bool save) {
    const QStringList filters = stationFilters();
    QString selected = filters.value(1);
    if (save)
        return QFileDialog::getSaveFileName(parent, QString(), "Station.csv", filters.join(";;"),
                                            &selected);
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filters.join(";;"),
                                        &selected);
}

// The height that shows every row of a grid, its header and a horizontal scroll bar: the gas
// table's only editable row is its last one and must never be cut off.
int wholeTableHeight(const QTableWidget& grid) {
    int height = grid.horizontalHeader()->sizeHint().height() + 2 * grid.frameWidth() +
                 grid.horizontalScrollBar()->sizeHint().height();
    for (int row = 0; row < grid.rowCount(); ++row) height += grid.rowHeight(row);
    return height;
}

}  // namespace

FactorySettingsDialog::FactorySettingsDialog(QWidget* parent)
    : QDialog(parent),
      datas_(new FactoryValuesGrid(this)),
      stations_(new StationListGrid(this)),
      gases_(new GasTableGrid(this)),
      spaceCountLabel_(new QLabel(this)),
      okButton_(new QPushButton(text(msg::OkButton), this)),
      cancelButton_(new QPushButton(text(msg::CancelButton), this)),
      stationExportButton_(new QPushButton(text(msg::StationExportButton), this)),
      stationImportButton_(new QPushButton(text(msg::StationImportButton), this)) {
    setObjectName("frmFsDialog");
    setWindowTitle(text(msg::FactorySettingTitle));
    setModal(true);
    spaceCountLabel_->setObjectName("lblSpaceCount");
    okButton_->setObjectName("cmdOK");
    cancelButton_->setObjectName("cmdCancel");
    stationExportButton_->setObjectName("cmdStationExport");
    stationImportButton_->setObjectName("cmdStationImport");
    // No default button: Enter outside an editor never starts an export, an import or OK.
    for (QPushButton* button :
         {okButton_, cancelButton_, stationExportButton_, stationImportButton_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* stationLabel = new QLabel(text(msg::StationListLabel), this);
    stationLabel->setObjectName("lblStation");
    auto* stationButtons = new QHBoxLayout;
    stationButtons->addWidget(stationExportButton_);
    stationButtons->addWidget(stationImportButton_);
    auto* stationColumn = new QVBoxLayout;
    stationColumn->addWidget(stationLabel);
    stationColumn->addWidget(stations_, 1);
    stationColumn->addWidget(spaceCountLabel_);
    stationColumn->addLayout(stationButtons);

    auto* top = new QHBoxLayout;
    top->addWidget(datas_, 3);
    top->addLayout(stationColumn, 2);

    auto* gasLabel = new QLabel(text(msg::HcGasTableName), this);
    gasLabel->setObjectName("lblGasTable");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(gasLabel);
    gases_->setMinimumHeight(wholeTableHeight(*gases_));
    layout->addWidget(gases_, 0);
    layout->addLayout(buttons);
    resize(1100, 760);

    connect(stations_, &StationListGrid::spaceCountText, spaceCountLabel_, &QLabel::setText);
    connect(okButton_, &QPushButton::clicked, this, &FactorySettingsDialog::confirm);
    connect(cancelButton_, &QPushButton::clicked, this, [this] { QDialog::reject(); });
    connect(stationExportButton_, &QPushButton::clicked, this, [this] {
        // Red stations are refused before the user is asked for a file.
        if (stations_->hasInvalid()) return reportInvalid(msg::StationListLabel);
        const QString path = chooseFile_ ? chooseFile_(true) : chooseStationFile(this, true);
        if (!path.isEmpty()) exportStations(path);
    });
    connect(stationImportButton_, &QPushButton::clicked, this, [this] {
        const QString path = chooseFile_ ? chooseFile_(false) : chooseStationFile(this, false);
        if (!path.isEmpty()) importStations(path);
    });
}

bool FactorySettingsDialog::edit(InstrumentModel& model, QWidget* parent, const QFont& font,
                                 Log log) {
    FactorySettingsDialog dialog(parent);
    dialog.setFont(font);
    dialog.setInstrument(&model);
    dialog.setLog(std::move(log));
    return dialog.exec() == QDialog::Accepted;
}

void FactorySettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) activate();
}

void FactorySettingsDialog::activate() {
    activated_ = true;
    work_ = instrument_ != nullptr ? *instrument_ : InstrumentModel();
    work_.ClearChangeFlags();
    // Flags SetChangeFlags leaves alone: nothing here edits them, and none may travel back.
    work_.clearChanged(SettingId::FlowLevel);
    work_.clearChanged(SettingId::pressOffset);
    datas_->load(work_);
    stations_->load(work_);
    gases_->load(work_);
    spaceCountLabel_->clear();
}

void FactorySettingsDialog::done(int result) {
    // The next showing builds its working copy afresh.
    activated_ = false;
    QDialog::done(result);
}

bool FactorySettingsDialog::hasEdits() const {
    if (!activated_) return false;
    InstrumentModel edited = work_;
    datas_->store(edited);
    stations_->store(edited);
    gases_->store(edited);
    // What OK would do to the caller's model, compared with the model as it is.
    const InstrumentModel original = instrument_ != nullptr ? *instrument_ : InstrumentModel();
    InstrumentModel result = original;
    CopyFlaggedFactoryFields(edited, result);
    for (const ReviewRow& row : ReviewRows(original, result))
        if (row.differs()) return true;
    return false;
}

void FactorySettingsDialog::reject() {
    if (hasEdits()) {
        const QString question = text(msg::FactoryDiscardQuestion);
        const bool discard =
            ask_ ? ask_(question)
                 : QMessageBox::question(this, QString::fromStdString(AppTitle()), question,
                                         QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) == QMessageBox::Yes;
        if (!discard) return;
    }
    QDialog::reject();
}

void FactorySettingsDialog::notice(QMessageBox::Icon icon, const QString& message) {
    if (notify_) return notify_(icon, message);
    QMessageBox box(icon, QString::fromStdString(AppTitle()), message, QMessageBox::Ok, this);
    box.exec();
}

void FactorySettingsDialog::reportInvalid(int gridNameId) {
    notice(QMessageBox::Critical,
           QString::fromStdString(ResMessage(msg::ImproperDataFound, {ResMessage(gridNameId)})));
}

void FactorySettingsDialog::confirm() {
    if (stations_->hasInvalid()) return reportInvalid(msg::StationListLabel);
    if (gases_->hasInvalid()) return reportInvalid(msg::HcGasTableName);
    datas_->store(work_);
    stations_->store(work_);
    gases_->store(work_);
    if (instrument_ != nullptr) CopyFlaggedFactoryFields(work_, *instrument_);
    accept();
}

bool FactorySettingsDialog::exportStations(const QString& path) {
    if (stations_->hasInvalid()) {
        reportInvalid(msg::StationListLabel);
        return false;
    }
    const FileResult written = ExportStationList(path.toStdString(), stations_->stations());
    if (!written) {
        notice(QMessageBox::Critical, QString::fromStdString(written.error));
        return false;
    }
    // The file dialog may have been in any folder: the user is told where the list went.
    const std::string where = QFileInfo(path).absoluteFilePath().toStdString();
    if (log_) log_(ResMessage(msg::StationListExportedInfo, {where}));
    notice(QMessageBox::Information,
           QString::fromStdString(ResMessage(msg::ExportCompleteAt, {where})));
    return true;
}

bool FactorySettingsDialog::importStations(const QString& path) {
    // A refused line refuses the whole file: the grid is not touched.
    const StationImport imported = ImportStationList(path.toStdString());
    if (!imported.result) {
        notice(QMessageBox::Critical, QString::fromStdString(imported.result.error));
        return false;
    }
    const std::size_t changed = stations_->importStations(imported.entries, work_);
    const std::string done =
        StationImportDoneText(QFileInfo(path).absoluteFilePath().toStdString(), changed);
    if (log_) log_(done);
    notice(QMessageBox::Information, QString::fromStdString(done));
    return true;
}

}  // namespace vq
