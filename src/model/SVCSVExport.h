#pragma once

#include "model/SVNetworkList.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

class SVAnnotationsHelper;

// The network table as a CSV file, and the annotations CSV file.

// The header's unit suffix of a column: " (dBm)" or " (%)" for levels by
// the units (0 percent), " (dB)", " (ms)", " (Mbps)", " (MHz)", or none.
QString csvUnitSuffix(const QString& identifier, int units);

// What an export writes, taken on the main thread between two merges so
// the writing thread reads no record the merge may be changing.
struct SVCSVExportSnapshot {
    QString filename;
    QStringList lines; // the header, then one line per record
};

// The header and the records' lines for the identifiers (the colour column
// left out), levels in percent when units is 0.
SVCSVExportSnapshot csvExportSnapshot(const QString& filename, const SVNetworkList& networks,
                                      const QStringList& identifiers, int units);
// The file's bytes: UTF-8, each line ended by a line feed.
QByteArray csvExportData(const SVCSVExportSnapshot& snapshot);
// Writes the file whole or not at all; false with the reason otherwise.
bool writeCSVExport(const SVCSVExportSnapshot& snapshot, QString* error);

// "skyvane-<version>_<yyyyMMdd_HHmmss>.csv" in local time.
QString defaultCSVExportFileName(const QString& shortVersion, const QDateTime& now);

// ---- annotations ----

// One line per non-empty annotation: the BSSID, ",", the annotation in
// double quotes; lines sorted, each ended by a line feed ("\n" when none).
QByteArray annotationsCSVData(const QMap<QString, QString>& annotations);

// An annotations file read for import. Only lines whose first field is a
// BSSID are taken; other lines are skipped and counted. A file the parser
// could not read to its end, or one with lines of more than two fields (a
// network CSV), is refused whole.
struct SVAnnotationsImport {
    enum class Refusal { None, Malformed, NotAnnotations };
    Refusal refusal = Refusal::None;
    int line = 0; // the line where a malformed file stopped (1-based)
    QList<std::pair<QString, QString>> entries; // normal-form BSSID, annotation ("" removes), file order
    int skipped = 0;
};
SVAnnotationsImport parseAnnotationsCSV(const QString& text);

// What an import did to the store.
struct SVAnnotationsImportCounts {
    int added = 0, replaced = 0, removed = 0, skipped = 0;
};
// Hands the entries to the store (which trims them; an empty text removes
// the entry) and counts what changed. Does not save.
SVAnnotationsImportCounts importAnnotations(SVAnnotationsHelper& store, const SVAnnotationsImport& import);
