#include "platform/Resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace sv {

QString resourcePath(const QString& name)
{
    QStringList roots;
    const QString env = qEnvironmentVariable("SKYVANE_RESOURCES");
    if (!env.isEmpty())
        roots << env;
    if (QCoreApplication::instance())
        roots << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/skyvane");
    roots << QStringLiteral(SKYVANE_BUILD_RESOURCES) << QStringLiteral(SKYVANE_SOURCE_RESOURCES);
    for (const QString& root : roots) {
        const QString path = QDir(root).filePath(name);
        if (QFileInfo::exists(path))
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

} // namespace sv
