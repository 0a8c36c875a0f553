// Reads arbitrary bytes as an annotations file to import, then as CSV in
// the reader's other shapes (a header row, a two-character separator).

#include "model/SVCSVExport.h"
#include "model/SVAnnotationsHelper.h"
#include "platform/CSVParser.h"

#include <QDir>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    // A store that is never read or saved: the import only edits the map.
    SVAnnotationsHelper store(QDir::tempPath() + QStringLiteral("/skyvane-fuzz-annotations-unused"));
    const SVAnnotationsImport import = parseAnnotationsCSV(text);
    if (import.refusal != SVAnnotationsImport::Refusal::None && !import.entries.isEmpty())
        std::abort(); // a refused file imports nothing
    importAnnotations(store, import);

    const std::pair<QString, bool> shapes[] = {{QStringLiteral(","), true}, {QStringLiteral(";;"), false}};
    for (const auto& [separator, header] : shapes) {
        sv::CSVParser parser(text, separator, header, {QStringLiteral("first")});
        const auto rows = parser.arrayOfParsedRows();
        if (!rows)
            continue;
        const qsizetype names = parser.fieldNames().size();
        for (const sv::CSVRecord& row : *rows) {
            if (row.size() > names)
                std::abort(); // every field has a name
            for (qsizetype i = 0; i < std::min<qsizetype>(row.size(), 64); ++i)
                if (!row.contains(row.name(i)))
                    std::abort();
            row.toMap();
        }
    }
    return 0;
}
