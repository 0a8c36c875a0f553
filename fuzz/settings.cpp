// Feeds arbitrary bytes to the settings store as its settings file, reads
// every key it holds and every registered one through each typed getter and
// the readers of stored texts, then writes a change into it.

#include "app/SVDefaults.h"
#include "platform/UserDefaults.h"
#include "preferences/MASPreferencesWindowController.h"
#include "views/SVColumnLayout.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

void readAs(const sv::UserDefaults& d, const QString& key)
{
    d.boolForKey(key);
    d.integerForKey(key);
    d.doubleForKey(key);
    pointFromString(d.stringForKey(key));
    rectFromString(d.stringForKey(key));
    d.dataForKey(key);
    d.stringArrayForKey(key);
    d.dictionaryForKey(key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_settings";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv); // QSettings lays out text only with one

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Skyvane.conf"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 0;
    }
    bool damaged = false;
    const auto values = sv::settingsFromText(bytes, &damaged);

    sv::UserDefaults defaults(file);
    loadDefaults(defaults);
    if (values)
        for (auto it = values->begin(); it != values->end(); ++it)
            readAs(defaults, it.key());
    for (const SVRegisteredDefault& d : registeredDefaultsTable())
        readAs(defaults, d.key);
    decodeColumnLayout(defaults.objectForKey(kNetworksTableAutosaveName));
    changeFontSizes(defaults, 1.0);
    defaults.setInteger(1 - defaults.integerForKey(SVDefaultsKey::Units), SVDefaultsKey::Units);
    defaults.removeObjectForKey(SVDefaultsKey::SignalStrengthThreshold);
    defaults.synchronize();
    return 0;
}
