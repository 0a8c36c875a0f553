#pragma once

#include <QString>

class QWidget;

// The software-update service. This build has no updater of its own: it
// tells the user how this copy is kept up to date.
class SVUpdater {
public:
    enum class Origin { Package, SourceBuild, Portable, Unknown };

    static SVUpdater& sharedUpdater();

    // Where a copy at this path (of the executable) came from.
    static Origin originOf(const QString& executablePath, bool portableImage);
    static QString explanation(Origin origin);

    Origin origin() const;
    // Shows the explanation in an alert over window.
    void checkForUpdates(QWidget* window);
};
