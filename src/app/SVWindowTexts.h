#pragma once

#include <QString>

// The main window's texts that need no window: title, pre-release name,
// footers and the toolbar's status text.

// "Beta" when the short version holds a "b", else "Release Candidate" when
// it holds a "c", else empty (no pre-release). Case does not matter.
QString preReleaseName(const QString& shortVersion);

// "T", "T - Scanning", and with a pre-release "T (P - For Testing Purposes Only)" [+ " - Scanning"].
QString windowTitleText(const QString& title, const QString& preRelease, bool scanning);

// "This is a <pre-release, lower case> version of Skyvane."
QString preReleaseNoticeText(const QString& preRelease);

// "Networks Found: F, Displayed: D (P%)", P rounded to the nearest whole
// percent; 0 when nothing was found.
QString leftFooterText(qint64 found, qint64 displayed);

// "Information Elements: N (B bytes)"; empty without elements.
QString informationElementsFooterText(qint64 count, qint64 bytes);

struct SVStateInfoInput {
    bool scanning = false;
    QString windowTitle;
    // A saved or opened document is shown, titled with its path (whatever
    // the path's name looks like).
    bool showsDocument = false;
    bool hasInterface = false;
    QString interfaceName;
    bool associated = false;
    QString ssid;
    qint64 channel = 0;
    qint64 channelWidthMHz = 0;
    double transmitRate = 0; // Mb/s
};

struct SVStateInfo {
    QString title;
    QString toolTip; // empty for none
};

// The Info toolbar item: scanning state, interface and association for live
// results; the source of the data otherwise.
SVStateInfo stateInfoText(const SVStateInfoInput& input);

// The window title of results pasted from the clipboard.
QString dataFromClipboardTitle();
