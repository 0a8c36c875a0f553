#include "support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

namespace sv::test {

namespace {
QString g_home;
}

QString testHome() { return g_home; }
void setTestHome(const QString& path) { g_home = path; }

QString fixturePath(const QString& name)
{
    return QStringLiteral(SKYVANE_TEST_FIXTURES "/") + name;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

} // namespace sv::test
