#pragma once

#include "preferences/MASPreferencesViewController.h"

#include <QHash>
#include <QMainWindow>
#include <QRect>

#include <vector>

class QAction;
class QActionGroup;
class QToolBar;

namespace sv {
class UserDefaults;
}

// A window of preference panes switched by a toolbar with one item per pane.
// It remembers the pane shown last, the window's top-left corner and each
// pane's size, and resizes around a pane when it switches, keeping its
// top-left corner in place. A null pane stands for a flexible space.
class MASPreferencesWindowController : public QMainWindow {
    Q_OBJECT
public:
    static inline const QString SelectedIdentifierKey = QStringLiteral("MASPreferences Selected Identifier View");
    static inline const QString FrameTopLeftKey = QStringLiteral("MASPreferences Frame Top Left");
    static inline const QString DidChangeViewNotification =
        QStringLiteral("MASPreferencesWindowControllerDidChangeViewNotification");
    // "MASPreferences <identifier> Frame"
    static QString paneFrameKey(const QString& identifier);

    // The panes are not owned. At least one is required.
    MASPreferencesWindowController(std::vector<MASPreferencesViewController*> viewControllers, const QString& title,
                                   sv::UserDefaults& defaults, QWidget* parent = nullptr);
    ~MASPreferencesWindowController() override;

    const std::vector<MASPreferencesViewController*>& viewControllers() const { return m_viewControllers; }
    QString title() const { return m_title; }
    MASPreferencesViewController* selectedViewController() const { return m_selected; }
    QStringList toolbarItemIdentifiers() const;
    // The shown pane's position among the toolbar items; -1 when none is shown.
    int indexOfSelectedController() const;
    QToolBar* toolbar() const { return m_toolbar; }

    void addViewController(MASPreferencesViewController* viewController);
    void selectControllerWithIdentifier(const QString& identifier);
    void selectControllerAtIndex(int index);
    void goNextTab();
    void goPreviousTab();
    void setSelectedViewController(MASPreferencesViewController* controller);
    MASPreferencesViewController* viewControllerForIdentifier(const QString& identifier) const;
    MASPreferencesViewController* firstViewController() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void windowDidLoad();
    void addToolbarItem(MASPreferencesViewController* controller);
    void selectToolbarItem(const QString& identifier);
    void stepTab(int step);

    sv::UserDefaults& m_defaults;
    std::vector<MASPreferencesViewController*> m_viewControllers;
    QHash<QString, QRect> m_minimumViewRects;
    QString m_title;
    MASPreferencesViewController* m_selected = nullptr;
    QToolBar* m_toolbar = nullptr;
    QActionGroup* m_toolbarGroup = nullptr;
    bool m_switching = false; // our own resizes are not the user's
};

// The platform's string forms of points and rectangles: "{x, y}" and
// "{{x, y}, {w, h}}". Anything else reads as nullopt.
QString stringFromPoint(const QPoint& point);
QString stringFromRect(const QRect& rect);
std::optional<QPoint> pointFromString(const QString& text);
std::optional<QRect> rectFromString(const QString& text);
