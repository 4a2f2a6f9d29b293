#pragma once
// The calibration report: one A4 page in PDF with the instrument's identity, the date and time of
// the run, and per calibrated channel the gas, the concentration, the readings before and after
// and the result. The content comes from BuildCalReport (app/calibration_texts.h), in the
// language in use; this file lays it out and writes the file.

#include <QString>
#include <memory>

#include "app/calibration_texts.h"

class QTextDocument;

namespace vq {

// The report laid out on an A4 page (portrait, 15 mm margins).
std::unique_ptr<QTextDocument> CalReportDocument(const CalReportContent& content);

// Writes the report to `path` as PDF. The file appears whole or not at all: it is written
// beside the target and renamed over it. False with the reason in `error` when it could not be
// written.
bool WriteCalReport(const CalReportContent& content, const QString& path, QString* error);

}  // namespace vq
