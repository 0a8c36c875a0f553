#pragma once

#include "model/SVDefaultsKeys.h"

#include <QSet>
#include <QString>
#include <QTreeView>

#include <functional>
#include <memory>
#include <optional>

class QAbstractItemView;
class QContextMenuEvent;
class QKeyEvent;
class QMenu;
class QMouseEvent;
class SVNetworkDelegate;

// Notifications of the list views (posted on the default centre).
inline const QString kFilterUsingKeysNotification = QStringLiteral("FilterUsingKeys");
// Its user info: the threshold the keys chose, under the setting's own name.
inline const QString kSignalStrengthThresholdKey = SVDefaultsKey::SignalStrengthThreshold;
inline const QString kAltKeyDownNotification = QStringLiteral("AltKeyDown");
inline const QString kAltKeyUpNotification = QStringLiteral("AltKeyUp");

// The signal threshold a key sets: Alt (and no Shift, Control or Meta) with
// a digit 0-9 sets 0..90, with q w e r t y u i o sets 15..95; Escape sets 0
// while a threshold of at least 1 is stored, whatever the modifiers. None for
// every other key.
std::optional<int> thresholdForKey(int key, Qt::KeyboardModifiers modifiers, qint64 storedThreshold);
std::optional<int> thresholdForKey(const QKeyEvent& event);

// Posts "FilterUsingKeys" when the event is a threshold key; true when it did
// (the event is then the caller's to consume).
bool postThresholdForKey(const QKeyEvent& event);

// Where a context menu opens, in viewport coordinates: at the pointer, or
// at the current row for the keyboard's menu key (whose event position is
// the view's, not the viewport's).
QPoint contextMenuPoint(const QAbstractItemView& view, const QContextMenuEvent& event);
// Pops up the menu made for the event's point, if any; it goes when it closes.
void popUpContextMenu(QAbstractItemView& view, const QContextMenuEvent& event,
                      const std::function<QMenu*(QPoint)>& menuForPoint);
// The secondary button opens a menu and leaves the selection as it is: true
// (the event accepted) for its press, which the view then passes over.
bool takeSecondaryPress(QMouseEvent& event);

// Tells the Alt key's presses and releases apart: each flips the state and
// posts "AltKeyDown" or "AltKeyUp".
class SVAltKeyState {
public:
    // True when the event was an Alt press or release.
    bool handle(const QKeyEvent& event);
    bool altKeyDown() const { return m_down; }

private:
    bool m_down = false;
};

// The network table: the threshold keys and Escape, the Alt-key
// notifications, and rows that open and close at once. The keys are claimed
// before the menu bar's mnemonics and shortcuts see them.
class SVNetworksView : public QTreeView {
    Q_OBJECT
public:
    explicit SVNetworksView(QWidget* parent = nullptr);

    bool altKeyDown() const { return m_alt.altKeyDown(); }
    // The table's rows are never kept open across reloads.
    bool isExpandedItem(const QString&) const { return false; }
    // A mouse button is down on the rows: a reload now would move the rows
    // under a press or a drag.
    bool isPressed() const { return m_pressed; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // The second click of a double-click goes to the record the first one
    // pressed, wherever a reload has moved it meanwhile; nowhere when it is gone.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The event moved onto the row of the first click's record; none when
    // that record is no longer shown.
    std::optional<QPoint> pointOfPressedRecord(const QMouseEvent& event) const;
    bool isSecondPress(const QMouseEvent& event) const;

    SVAltKeyState m_alt;
    bool m_pressed = false;
    std::weak_ptr<SVNetworkDelegate> m_pressedRecord; // under the pointer at the first press
    quint64 m_pressTime = 0;
    QPoint m_pressPoint;
    bool m_secondPressSeen = false; // the platform sent the double-click's own press
};

// The sidebar: moves its selection only with Up and Down, toggles a row with
// the space bar, offers Expand/Collapse Item and All in its context menu,
// and remembers which rows (by title) are open across its rebuilds, seeded
// from the "SideViewExpandedItems" setting.
class SVSideView : public QTreeView {
    Q_OBJECT
public:
    explicit SVSideView(QWidget* parent = nullptr);

    // Seeds the remembered titles (the stored setting).
    void setExpandedTitles(const QStringList& titles);
    QStringList expandedTitles() const;
    bool isExpandedTitle(const QString& title) const { return m_expanded.contains(title); }

    // The context menu for a point in the viewport; none off every row. The
    // caller owns it.
    QMenu* menuForPoint(const QPoint& viewportPoint);

    // The row the menu was opened on, found again by its titles after any
    // rebuild; invalid when it is gone.
    QModelIndex clickedIndex() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void expandWithChildren(const QModelIndex& index, bool expand);

    QSet<QString> m_expanded;
    QStringList m_clicked; // titles from the top down to the row the menu was opened on
};
