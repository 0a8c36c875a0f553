#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QTimer;
class QToolBar;
class QToolButton;

// Toolbar item identifiers.
namespace SVToolbarItem {
inline const QString Scan = QStringLiteral("Scan Toolbar Item");
inline const QString Stop = QStringLiteral("Stop Toolbar Item");
inline const QString ActivityIndicator = QStringLiteral("Activity Indicator Toolbar Item");
inline const QString Info = QStringLiteral("Info Toolbar Item");
inline const QString QuickFilter = QStringLiteral("Quick Filter Toolbar Item");
inline const QString Filter = QStringLiteral("Filter Toolbar Item");
inline const QString FlexibleSpace = QStringLiteral("NSToolbarFlexibleSpaceItem");
inline const QString Space = QStringLiteral("NSToolbarSpaceItem");
} // namespace SVToolbarItem

// Tags of the toolbar's controls (the "tag" property of each).
namespace SVToolbarTag {
inline constexpr int Scan = 1001;
inline constexpr int Stop = 1002;
inline constexpr int QuickFilter = 1004;
inline constexpr int FilterField = 1005;
inline constexpr int Info = 1006;
} // namespace SVToolbarTag

QStringList toolbarAllowedItemIdentifiers();
// With a window that hides its title, the status (Info) item is shown.
QStringList toolbarDefaultItemIdentifiers(bool windowHidesTitle);

// The small spinning indicator shown while a scan runs; blank when stopped.
class SVActivityIndicator : public QWidget {
    Q_OBJECT
public:
    explicit SVActivityIndicator(QWidget* parent = nullptr);
    void startAnimation();
    void stopAnimation();
    bool isAnimating() const;
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* m_timer;
    int m_step = 0;
};

// The main window's toolbar and its controls. The controller connects the
// controls to its actions.
struct SVMainToolbar {
    QToolBar* toolbar = nullptr;
    QToolButton* scanButton = nullptr;
    QToolButton* stopButton = nullptr;
    SVActivityIndicator* activityIndicator = nullptr;
    QPushButton* infoButton = nullptr; // null when the window shows its title
    QComboBox* quickFilter = nullptr;  // the controller fills its items
    QLineEdit* filterField = nullptr;

    // Stop is enabled while scanning, Scan while not and while there is an
    // interface to scan with.
    void validateScanStopItems(bool scanning, bool canScan = true);
    // The status text, cut in the middle to fit the button.
    void setInfoText(const QString& text, const QString& toolTip = QString());
};

// Builds the toolbar with the default items, not movable, icons only, and
// adds it to the window.
SVMainToolbar buildMainToolbar(QMainWindow& window, bool windowHidesTitle = true);
