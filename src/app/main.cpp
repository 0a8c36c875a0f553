#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skyvane"));
    QApplication::setOrganizationName(QStringLiteral("Skyvane"));
    QApplication::setApplicationVersion(QStringLiteral(SKYVANE_VERSION));
    QTextStream(stdout) << "Skyvane " << SKYVANE_VERSION << ": the main window is not built yet.\n";
    return 0;
}
