#include "model/SVCSVExport.h"

#include "model/SVAnnotationsHelper.h"
#include "model/SVNetwork.h"
#include "platform/Bssid.h"
#include "platform/CSVParser.h"
#include "platform/FileWriter.h"
#include "platform/NSStringAdditions.h"
#include "model/SVNetworkColumns.h"


QString csvUnitSuffix(const QString& identifier, int units)
{
    if (identifier.startsWith(u"RSSI") || identifier.startsWith(u"NOISE"))
        return units != 0 ? QStringLiteral(" (dBm)") : QStringLiteral(" (%)");
    if (identifier.startsWith(u"SNR"))
        return QStringLiteral(" (dB)");
    if (identifier.startsWith(u"BEACON"))
        return QStringLiteral(" (ms)");
    if (identifier == u"CHANNEL_UTILIZATION")
        return QStringLiteral(" (%)");
    if (identifier.contains(u"RATE"))
        return QStringLiteral(" (Mbps)");
    if (identifier == u"CENTER_FREQUENCY")
        return QStringLiteral(" (MHz)");
    return QString();
}

SVCSVExportSnapshot csvExportSnapshot(const QString& filename, const SVNetworkList& networks,
                                      const QStringList& identifiers, int units)
{
    QStringList kept;
    QStringList titles;
    for (const QString& id : identifiers) {
        if (id == SVColumnId::IsUserHidden)
            continue;
        kept << id;
        const SVNetworkColumn* column = networkColumn(id);
        titles << (column ? networkColumnTitle(*column) : QStringLiteral("Title for column %1").arg(id))
                      + csvUnitSuffix(id, units);
    }
    SVCSVExportSnapshot snapshot;
    snapshot.filename = filename;
    snapshot.lines.reserve(networks.size() + 1);
    snapshot.lines << titles.join(QLatin1Char(','));
    for (const auto& network : networks)
        snapshot.lines << network->toCSV(kept, units == 0);
    return snapshot;
}

QByteArray csvExportData(const SVCSVExportSnapshot& snapshot)
{
    qsizetype size = 0;
    for (const QString& line : snapshot.lines)
        size += line.size() + 1;
    QString text;
    text.reserve(size);
    for (const QString& line : snapshot.lines) {
        text += line;
        text += QLatin1Char('\n');
    }
    return text.toUtf8();
}

bool writeCSVExport(const SVCSVExportSnapshot& snapshot, QString* error)
{
    return sv::writeFileWhole(snapshot.filename, csvExportData(snapshot), error);
}

QString defaultCSVExportFileName(const QString& shortVersion, const QDateTime& now)
{
    return QStringLiteral("skyvane-%1_%2.csv").arg(shortVersion, now.toLocalTime().toString(u"yyyyMMdd_HHmmss"));
}

QByteArray annotationsCSVData(const QMap<QString, QString>& annotations)
{
    QStringList lines;
    for (auto it = annotations.begin(); it != annotations.end(); ++it) {
        if (it.value().isEmpty())
            continue;
        QString text = it.value();
        // Always quoted; the guard keeps a formula-looking note text.
        const QString guarded = sv::stringByAddingQuotationMarksForCSV(text);
        if (!guarded.startsWith(QLatin1Char('"')))
            text = QLatin1Char('"') + text + QLatin1Char('"');
        else
            text = guarded;
        lines << sv::stringByAddingQuotationMarksForCSV(it.key()) + QLatin1Char(',') + text;
    }
    lines.sort(Qt::CaseSensitive);
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

SVAnnotationsImport parseAnnotationsCSV(const QString& text)
{
    SVAnnotationsImport result;
    const QString bssidField = QStringLiteral("bssid");
    const QString annotationField = QStringLiteral("annotations");
    sv::CSVParser parser(text, QStringLiteral(","), false, {bssidField, annotationField});
    // Record by record, so that only the entries are kept.
    bool network = false;
    parser.parseRowsForReceiver([&](const sv::CSVRecord& row) {
        if (network || row.size() > 2) {
            network = true;
            return;
        }
        const QString bssid = sv::normalizedBssid(row.value(0).trimmed());
        if (!sv::isWellFormedBssid(bssid)) {
            ++result.skipped;
            return;
        }
        result.entries.append({bssid, sv::stringByRemovingCSVFormulaGuard(row.value(annotationField))});
    });
    if (parser.stoppedEarly()) {
        result = {};
        result.refusal = SVAnnotationsImport::Refusal::Malformed;
        result.line = int(QStringView(text).left(parser.stopPosition()).count(QLatin1Char('\n'))) + 1;
    } else if (network) {
        result = {};
        result.refusal = SVAnnotationsImport::Refusal::NotAnnotations;
    }
    return result;
}

SVAnnotationsImportCounts importAnnotations(SVAnnotationsHelper& store, const SVAnnotationsImport& import)
{
    SVAnnotationsImportCounts c;
    c.skipped = import.skipped;
    for (const auto& [bssid, text] : import.entries) {
        const bool had = !store.annotationsForNetwork(bssid).isEmpty();
        if (text.trimmed().isEmpty()) {
            if (had)
                ++c.removed;
        } else {
            ++(had ? c.replaced : c.added);
        }
        store.setAnnotationsForNetwork(bssid, text);
    }
    return c;
}
