#include "app/SVWindowTexts.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("SVWindowTexts", text);
}

} // namespace

QString preReleaseName(const QString& shortVersion)
{
    const QString v = shortVersion.toLower();
    if (v.contains(QLatin1Char('b')))
        return tr("Beta");
    if (v.contains(QLatin1Char('c')))
        return tr("Release Candidate");
    return QString();
}

QString windowTitleText(const QString& title, const QString& preRelease, bool scanning)
{
    QString text = preRelease.isEmpty() ? title
                                        : tr("%1 (%2 - For Testing Purposes Only)").arg(title, preRelease);
    if (scanning)
        text = QStringLiteral("%1 - %2").arg(text, tr("Scanning"));
    return text;
}

QString preReleaseNoticeText(const QString& preRelease)
{
    return tr("This is a %1 version of %2.").arg(preRelease.toLower(), QStringLiteral("Skyvane"));
}

QString leftFooterText(qint64 found, qint64 displayed)
{
    const qint64 percent = found > 0 ? qint64(std::trunc(double(displayed) * 100.0 / double(found) + 0.5)) : 0;
    return tr("Networks Found: %1, Displayed: %2 (%3%)").arg(found).arg(displayed).arg(percent);
}

QString informationElementsFooterText(qint64 count, qint64 bytes)
{
    if (count <= 0)
        return QString();
    return tr("Information Elements: %1 (%2 bytes)").arg(count).arg(bytes);
}

QString dataFromClipboardTitle()
{
    return tr("Data from Clipboard");
}

SVStateInfo stateInfoText(const SVStateInfoInput& in)
{
    SVStateInfo info;
    QString status;
    bool details = true;
    if (in.scanning) {
        status = tr("Scanning");
    } else if (!in.showsDocument) {
        status = tr("Not scanning");
    } else if (in.windowTitle == dataFromClipboardTitle()) {
        status = in.windowTitle;
        details = false;
    } else {
        status = tr("File: %1").arg(QFileInfo(in.windowTitle).fileName());
        info.toolTip = in.windowTitle;
        details = false;
    }
    if (!details) {
        info.title = status;
        return info;
    }
    if (!in.hasInterface)
        return info;
    QString association = tr("Not associated");
    if (in.associated) {
        association = QStringLiteral("%1: %2, Ch %3, %4 MHz, %5 Mbps")
                          .arg(tr("Associated"), in.ssid)
                          .arg(in.channel)
                          .arg(in.channelWidthMHz)
                          .arg(QString::number(in.transmitRate, 'f', 0));
    }
    info.title = QStringLiteral("%1: %2  |  %3").arg(in.interfaceName, status, association);
    return info;
}
