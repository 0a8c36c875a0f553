#pragma once

#include <QUrl>

class QWidget;
class SVAlert;

// The alerts of start-up and the scan cycle, ready to run or to show as a
// sheet. Each is made with new; a sheet deletes itself when done.

// Critical, "Quit" (1000) or "Open Survey..." (1001), with a line pointing
// to the support page; Escape and closing quit.
SVAlert* newNoInterfaceAlert(const QUrl& supportPage, QWidget* parent = nullptr);

// "Turn Wi-Fi On" (1000) or "Cancel" (1001).
SVAlert* newWiFiOffAlert(QWidget* parent = nullptr);
// The radio stayed off after "Turn Wi-Fi On": why, as the platform said it.
SVAlert* newWiFiStaysOffAlert(const QString& reason, QWidget* parent = nullptr);

// A scenario file that cannot be played: the problem names the file and
// what is wrong with it. Its only way out quits.
SVAlert* newScenarioErrorAlert(const QString& problem, QWidget* parent = nullptr);

// Informational, "Accept" (1000) or "Quit" (1001).
SVAlert* newPreReleaseAlert(const QString& preRelease, QWidget* parent = nullptr);
