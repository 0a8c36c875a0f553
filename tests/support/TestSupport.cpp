#include "support/TestSupport.h"

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

} // namespace sv::test
