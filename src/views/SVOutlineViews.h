#pragma once

#include <QSet>
#include <QString>
#include <QTreeView>

#include <optional>

class QKeyEvent;

// Notifications of the list views (posted on the default centre).
inline const QString kFilterUsingKeysNotification = QStringLiteral("FilterUsingKeys");
inline const QString kSignalStrengthThresholdKey = QStringLiteral("SignalStrengthThreshold");
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

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    SVAltKeyState m_alt;
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
    class QMenu* menuForPoint(const QPoint& viewportPoint);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QModelIndex clickedIndex() const;
    void expandWithChildren(const QModelIndex& index, bool expand);

    QSet<QString> m_expanded;
    QPersistentModelIndex m_clickedIndex;
};
