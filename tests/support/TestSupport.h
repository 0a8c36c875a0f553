#pragma once

#include <QByteArray>
#include <QString>

namespace sv::test {

// The temporary folder that stands in for the user's home during the tests.
QString testHome();
void setTestHome(const QString& path);

// A file under tests/fixtures.
QString fixturePath(const QString& name);

// A whole file's bytes; empty when it cannot be read.
QByteArray readAll(const QString& path);
// Writes bytes to path, failing the test when the file cannot be opened.
void writeBytes(const QString& path, const QByteArray& bytes);

} // namespace sv::test
