#include "model/SVDocument.h"

#include "model/SVNetwork.h"
#include "platform/FileWriter.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/MappedFile.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

namespace SVDocument {

void encode(sv::KeyedArchiver& coder, const SVNetworkList& networks,
            const QDateTime& lastScanTime)
{
    coder.beginDictionary("root");
    coder.beginArray("networks");
    for (const auto& network : networks)
        if (network)
            coder.appendArchivable(*network);
    coder.endArray();
    // A dictionary holds no nil: without a scan time the key is left out.
    if (lastScanTime.isValid())
        coder.encodeDate("lastScanTime", lastScanTime);
    coder.endDictionary();
}

bool write(const QString& path, const SVNetworkList& networks, const QDateTime& lastScanTime,
           QString* error)
{
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    sv::FileWriter writer(path);
    if (!writer.open())
        return fail(writer.errorString());
    sv::KeyedArchiver coder(writer.device());
    encode(coder, networks, lastScanTime);
    if (!coder.finish()) {
        writer.cancel();
        return fail(writer.errorString().isEmpty() ? coder.errorString() : writer.errorString());
    }
    if (!writer.commit())
        return fail(writer.errorString());
    return true;
}

std::optional<Content> decode(sv::KeyedUnarchiver& coder, QString* error)
{
    auto fail = [&](const QString& message) -> std::optional<Content> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    if (coder.failed())
        return fail(coder.errorString());
    SVNetwork::registerArchivedClassNames(coder);
    Content content;
    bool hasNetworks = false;
    const bool isDictionary = coder.decodeDictionaryWith("root", [&](sv::KeyedUnarchiver& root) {
        const qsizetype count = root.countForKey("networks");
        if (count < 0)
            return;
        hasNetworks = true;
        // Records are read side by side, each into its own place.
        std::vector<std::shared_ptr<SVNetwork>> records(static_cast<std::size_t>(count));
        root.decodeArrayOfObjectsConcurrently("networks", [&](qsizetype i, sv::KeyedUnarchiver& element) {
            if (!SVNetwork::isArchivedClass(element.classChain()))
                return;
            auto record = SVNetwork::initWithCoder(element);
            if (record && !record->bssid().isEmpty() && record->channel() != 0)
                records[static_cast<std::size_t>(i)] = std::move(record);
            // What a record was read from is not needed again.
            element.releaseReadPages();
        });
        content.networks.reserve(count);
        for (auto& record : records)
            if (record)
                content.networks.append(std::move(record));
        if (root.containsValueForKey("lastScanTime")) {
            content.lastScanTime = root.decodeDate("lastScanTime");
            if (!content.lastScanTime.isValid() && !root.failed())
                root.fail(QStringLiteral("The document's last scan time is not a date."));
        }
    });
    if (coder.failed())
        return fail(coder.errorString());
    if (!isDictionary)
        return fail(QStringLiteral("The archive's root is not a dictionary."));
    if (!hasNetworks)
        return fail(QStringLiteral("The document holds no list of networks."));
    return content;
}

std::optional<Content> read(const QString& path, QString* error, bool* unreadable)
{
    if (unreadable)
        *unreadable = false;
    // Opened once: what is checked is what is read.
    auto file = std::make_unique<sv::MappedFile>();
    if (!file->open(path, error)) {
        if (unreadable)
            *unreadable = true;
        return std::nullopt;
    }
    sv::KeyedUnarchiver coder = sv::KeyedUnarchiver::fromMappedFile(std::move(file));
    return decode(coder, error);
}

} // namespace SVDocument
