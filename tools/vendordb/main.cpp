// sv_vendordb <oui.csv> <vendors.plist.zip>
// Turns the IEEE MA-L registry (CSV) into the zipped property list the
// application ships: keys "XX:XX:XX" in upper case, values organisation names.

#include "platform/PropertyList.h"
#include "platform/Zip.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

namespace {

// Splits CSV text into records of fields: commas separate fields, line ends
// separate records, double quotes protect both, and two double quotes inside
// quotes stand for one. The registry's addresses span lines inside quotes.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    auto endRecord = [&] {
        fields << field;
        field.clear();
        if (fields.size() > 1 || !fields.first().isEmpty())
            records << fields;
        fields.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else if (c == u'\n') {
            endRecord();
        } else if (c != u'\r') {
            field += c;
        }
    }
    endRecord();
    return records;
}

bool isHex(const QString& s)
{
    for (const QChar c : s)
        if (!c.isDigit() && !(c >= u'A' && c <= u'F'))
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s oui.csv vendors.plist.zip\n", argv[0]);
        return 2;
    }
    QFile csv(QFile::decodeName(argv[1]));
    if (!csv.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(csv.errorString()));
        return 1;
    }
    QVariantMap vendors;
    const QList<QStringList> records = parseCsv(QString::fromUtf8(csv.readAll()));
    // The first record is the header.
    for (qsizetype r = 1; r < records.size(); ++r) {
        const QStringList& f = records.at(r);
        if (f.size() < 3 || f.at(0).trimmed() != u"MA-L")
            continue;
        const QString assignment = f.at(1).trimmed().toUpper();
        const QString name = f.at(2).simplified();
        if (assignment.size() != 6 || !isHex(assignment) || name.isEmpty())
            continue;
        const QString key = assignment.left(2) + u':' + assignment.mid(2, 2) + u':' + assignment.mid(4, 2);
        // The registry lists a few assignments more than once: the first stays.
        if (!vendors.contains(key))
            vendors.insert(key, name);
    }
    if (vendors.isEmpty()) {
        std::fprintf(stderr, "%s: no assignments found\n", argv[1]);
        return 1;
    }
    bool ok = false;
    const QByteArray xml = sv::PropertyList::toXml(vendors, &ok);
    QString error;
    // The registry file's date stands for the database's date.
    const QDateTime modified = QFileInfo(csv).lastModified();
    if (!ok || !sv::Zip::writeSingleMember(QFile::decodeName(argv[2]), QStringLiteral("vendors.plist"), xml,
                                           modified, sv::Zip::Compression::Deflate, &error)) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(error));
        return 1;
    }
    std::printf("%lld vendors written to %s\n", static_cast<long long>(vendors.size()), argv[2]);
    return 0;
}
