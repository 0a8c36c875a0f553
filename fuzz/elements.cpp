// Fuzz entry for raw element data as a scan delivers it: split the list,
// then decode, name, summarise and dump every element.
//
// Built with clang's libFuzzer (SKYVANE_LIBFUZZER), the fuzzer drives it;
// otherwise this file has its own main that replays corpus files, which the
// normal builds run as a test.

#include "elements/ElementList.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <iostream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const auto& element : splitInformationElements(bytes)) {
        (void)element->ieName();
        (void)element->ieIdentifier();
        (void)element->ieSummary();
        (void)element->fieldRecords();
        (void)element->ieDump();
    }
    return 0;
}

#ifndef SKYVANE_LIBFUZZER

namespace {

bool replay(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::cerr << "cannot read " << path.toStdString() << "\n";
        return false;
    }
    const QByteArray data = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
    return true;
}

} // namespace

// Replays each file named, and every file in each folder named.
int main(int argc, char** argv)
{
    int replayed = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        QStringList files{path};
        if (QFileInfo(path).isDir()) {
            const QDir folder(path);
            files.clear();
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
                files.append(folder.filePath(name));
        }
        for (const QString& file : files) {
            ok = replay(file) && ok;
            ++replayed;
        }
    }
    std::cout << "replayed " << replayed << " inputs\n";
    return ok && replayed > 0 ? 0 : 1;
}

#endif
