// sv_vendordb <oui.csv> <vendors.plist.zip>
// Turns the IEEE MA-L registry (CSV) into the zipped property list the
// application ships: keys "XX:XX:XX" in upper case, values organisation names.

#include "platform/PropertyList.h"
#include "platform/Zip.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QVariantMap>

#include <cstdio>

namespace {

// Splits one CSV line: commas separate fields, double quotes protect commas,
// two double quotes inside quotes stand for one.
QStringList splitCsv(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < line.size() && line.at(i + 1) == u'"') {
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
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
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
    if (!csv.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(csv.errorString()));
        return 1;
    }
    QVariantMap vendors;
    bool header = true;
    while (!csv.atEnd()) {
        const QString line = QString::fromUtf8(csv.readLine()).trimmed();
        if (header) {
            header = false;
            continue;
        }
        const QStringList f = splitCsv(line);
        if (f.size() < 3 || f.at(0) != u"MA-L")
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
