// Developer tool for survey archives.
//
//   svarchive FILE                        one line per record, or what is damaged
//   svarchive --write-synthetic N M FILE  writes N records of M samples each
//
// The root read is a document (a dictionary whose "networks" holds the
// records), an array of records or one record; synthetic archives are
// documents when FILE ends in .skyvane, else an array of records. Exit status: 0 when everything read, 1 when anything is damaged or
// skipped, 2 on wrong usage.

#include "model/SVDataPoint.h"
#include "model/SVNetwork.h"
#include "platform/FileWriter.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <random>

namespace {

QString sampleText(const SVDataPoint& p)
{
    return QStringLiteral("%1 %2/%3 dBm")
        .arg(p.timestamp().toString(Qt::ISODateWithMs))
        .arg(p.rssiValue())
        .arg(p.noiseValue());
}

struct Reader {
    int records = 0;
    int skipped = 0;

    void record(sv::KeyedUnarchiver& c)
    {
        const int index = records + skipped;
        const qsizetype archived = c.countForKey("dataPoints");
        const auto n = SVNetwork::initWithCoder(c);
        if (!n) {
            ++skipped;
            std::fprintf(stderr, "record %d: no scan dictionary with a BSSID, skipped\n", index);
            return;
        }
        ++records;
        const auto first = n->firstDataPoint();
        const auto last = n->lastDataPoint();
        QString count = QString::number(std::max<qsizetype>(archived, 0));
        if (qsizetype(n->dataPointCount()) != archived)
            count += QStringLiteral(" (kept %1)").arg(n->dataPointCount());
        const QString line = QStringLiteral("%1\t%2\t%3\t%4 samples\tfirst %5\tlast %6")
                                 .arg(n->bssid(), n->shortChannelBand(), n->ssid(), count,
                                      first ? sampleText(*first) : QStringLiteral("-"),
                                      last ? sampleText(*last) : QStringLiteral("-"));
        std::printf("%s\n", qPrintable(line));
    }

    void visit(sv::KeyedUnarchiver& c)
    {
        if (SVNetwork::isArchivedClass(c.classChain()))
            record(c);
    }
};

int readArchive(const QString& path)
{
    if (!QFile::exists(path)) {
        std::fprintf(stderr, "%s: no such file\n", qPrintable(path));
        return 1;
    }
    sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromFile(path);
    SVNetwork::registerArchivedClassNames(coder);
    Reader reader;
    const QString rootClass = coder.classNameForKey("root");
    bool understood = true;
    if (rootClass == u"NSDictionary" || rootClass == u"NSMutableDictionary") {
        coder.decodeDictionaryWith("root", [&](sv::KeyedUnarchiver& root) {
            if (root.countForKey("networks") < 0) {
                if (!root.failed())
                    root.fail(QStringLiteral("the document holds no list of networks"));
                return;
            }
            root.decodeArrayOfObjects("networks", [&reader](sv::KeyedUnarchiver& e) { reader.visit(e); });
            if (root.containsValueForKey("lastScanTime") && !root.decodeDate("lastScanTime").isValid()
                && !root.failed())
                root.fail(QStringLiteral("the last scan time is not a date"));
        });
    } else if (coder.countForKey("root") >= 0) {
        coder.decodeArrayOfObjects("root", [&reader](sv::KeyedUnarchiver& e) { reader.visit(e); });
    } else if (!rootClass.isEmpty()) {
        coder.decodeObjectWith("root", [&](sv::KeyedUnarchiver& root) {
            understood = SVNetwork::isArchivedClass(root.classChain());
            if (understood)
                reader.record(root);
        });
    }
    if (coder.failed()) {
        std::fprintf(stderr, "%s: damaged: %s\n", qPrintable(path), qPrintable(coder.errorString()));
        return 1;
    }
    if (rootClass.isEmpty()) {
        std::fprintf(stderr, "%s: damaged: no root object\n", qPrintable(path));
        return 1;
    }
    if (!understood) {
        std::fprintf(stderr, "%s: the root is a %s, neither a document, records nor an array of them\n", qPrintable(path),
                     qPrintable(rootClass));
        return 1;
    }
    std::fprintf(stderr, "%d records", reader.records);
    if (reader.skipped)
        std::fprintf(stderr, ", %d skipped", reader.skipped);
    std::fprintf(stderr, "\n");
    return reader.skipped ? 1 : 0;
}

QDateTime syntheticStart()
{
    return QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC);
}

// One record of made-up scans, its samples generated while they are written,
// so an archive of millions of samples needs no memory for them.
class SyntheticRecord final : public sv::KeyedArchivable {
public:
    SyntheticRecord(int index, int samples) : m_index(index), m_samples(samples) {}

    QStringList archiveClassChain() const override { return {SVNetwork::className, "NSObject"}; }

    void encodeWithCoder(sv::KeyedArchiver& coder) const override
    {
        const bool fiveGHz = m_index % 3 == 2;
        const int channel = fiveGHz ? 36 + 4 * (m_index % 8) : 1 + 5 * (m_index % 3);
        const QByteArray name = QStringLiteral("synthetic-%1").arg(m_index).toUtf8();
        QByteArray elements;
        elements += char(0);
        elements += char(name.size());
        elements += name;
        elements += QByteArray::fromHex(fiveGHz ? "01088c129824b048606c" : "010882840b160c121824");
        elements += char(3);
        elements += char(1);
        elements += char(channel);
        const QVariantMap network = {
            {"bssid", QStringLiteral("02:5A:%1:%2:%3:%4")
                          .arg((m_index >> 24) & 0xFF, 2, 16, QLatin1Char('0'))
                          .arg((m_index >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
                          .arg((m_index >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                          .arg(m_index & 0xFF, 2, 16, QLatin1Char('0'))
                          .toUpper()},
            {"ssid", QString::fromUtf8(name)},
            {"channelNumber", channel},
            {"rssiValue", -60},
            {"noiseMeasurement", -92},
            {"informationElementData", elements},
            {"ibss", false},
            {"beaconInterval", 100},
            {"phyMode", 0},
            {"securityMode", SVNetwork::UnknownSecurityMode},
        };
        coder.encodeObject("network", network);
        std::mt19937 random{std::uint32_t(m_index)};
        const QDateTime start = syntheticStart();
        coder.beginArray("dataPoints");
        for (int i = 0; i < m_samples; ++i) {
            const int rssi = random() % 20 == 0 ? -120 : -40 - int(random() % 50);
            const SVDataPoint p = SVDataPoint::fromArchive(rssi, rssi == -120 ? -120 : -92 - int(random() % 4), channel,
                                                           int(random() % 30), int(random() % 101),
                                                           SVDataPoint::secondsSinceReferenceDate(start) + 2.0 * i);
            coder.appendObjectWith(SVDataPoint::archiveClassChain(),
                                   [&p](sv::KeyedArchiver& c) { p.encodeWithCoder(c); });
        }
        coder.endArray();
        coder.encodeColor("color", QColor::fromHsv((m_index * 37) % 360, 200, 220));
        coder.encodeDate("lastSeen", start.addSecs(2LL * std::max(m_samples - 1, 0)));
    }

private:
    int m_index;
    int m_samples;
};

int writeSynthetic(long records, long samples, const QString& path)
{
    sv::FileWriter file(path);
    if (!file.open()) {
        std::fprintf(stderr, "%s\n", qPrintable(file.errorString()));
        return 1;
    }
    sv::KeyedArchiver archiver(file.device());
    const bool document = path.endsWith(QLatin1String(".skyvane"));
    if (document) {
        archiver.beginDictionary("root");
        archiver.beginArray("networks");
    } else {
        archiver.beginArray("root");
    }
    for (long i = 0; i < records; ++i)
        archiver.appendArchivable(SyntheticRecord(int(i), int(samples)));
    archiver.endArray();
    if (document) {
        archiver.encodeDate("lastScanTime", syntheticStart().addSecs(2LL * std::max(samples - 1, 0L)));
        archiver.endDictionary();
    }
    if (!archiver.finish() || !file.commit()) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(archiver.failed() ? path + QStringLiteral(": ") + archiver.errorString()
                                                  : file.errorString()));
        return 1;
    }
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: svarchive FILE\n       svarchive --write-synthetic RECORDS SAMPLES FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && !args[0].startsWith(u'-'))
        return readArchive(args[0]);
    if (args.size() == 4 && args[0] == u"--write-synthetic") {
        bool okN = false, okM = false;
        const long n = args[1].toLong(&okN);
        const long m = args[2].toLong(&okM);
        if (!okN || !okM || n < 0 || m < 0 || n > 10'000'000 || m > 100'000'000)
            return usage();
        return writeSynthetic(n, m, args[3]);
    }
    return usage();
}
