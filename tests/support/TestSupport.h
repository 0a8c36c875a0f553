#pragma once

#include <QString>

namespace sv::test {

// The temporary folder that stands in for the user's home during the tests.
QString testHome();
void setTestHome(const QString& path);

// A file under tests/fixtures.
QString fixturePath(const QString& name);

} // namespace sv::test
