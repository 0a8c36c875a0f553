#include "views/SVOutlineViews.h"
#include "model/SVDefaultsKeys.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "views/SVNetworksTableModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include <utility>

std::optional<int> thresholdForKey(int key, Qt::KeyboardModifiers modifiers, qint64 storedThreshold)
{
    if (key == Qt::Key_Escape)
        return storedThreshold >= 1 ? std::optional<int>(0) : std::nullopt;
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (mods != Qt::AltModifier)
        return std::nullopt;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (key - Qt::Key_0) * 10;
    static constexpr int letters[] = {Qt::Key_Q, Qt::Key_W, Qt::Key_E, Qt::Key_R, Qt::Key_T,
                                      Qt::Key_Y, Qt::Key_U, Qt::Key_I, Qt::Key_O};
    for (int i = 0; i < 9; ++i)
        if (key == letters[i])
            return 15 + 10 * i;
    return std::nullopt;
}

std::optional<int> thresholdForKey(const QKeyEvent& event)
{
    const qint64 stored = sv::UserDefaults::standardUserDefaults().integerForKey(SVDefaultsKey::SignalStrengthThreshold);
    return thresholdForKey(event.key(), event.modifiers(), stored);
}

bool postThresholdForKey(const QKeyEvent& event)
{
    const auto threshold = thresholdForKey(event);
    if (!threshold)
        return false;
    sv::NotificationCenter::defaultCenter().post(kFilterUsingKeysNotification,
                                                 {{kSignalStrengthThresholdKey, *threshold}});
    return true;
}

bool SVAltKeyState::handle(const QKeyEvent& event)
{
    if (event.key() != Qt::Key_Alt || event.isAutoRepeat())
        return false;
    m_down = !m_down;
    sv::NotificationCenter::defaultCenter().post(m_down ? kAltKeyDownNotification : kAltKeyUpNotification);
    return true;
}

QPoint contextMenuPoint(const QAbstractItemView& view, const QContextMenuEvent& event)
{
    if (event.reason() != QContextMenuEvent::Keyboard)
        return event.pos();
    const QModelIndex current = view.currentIndex();
    return current.isValid() ? view.visualRect(current).center() : QPoint(-1, -1);
}

void popUpContextMenu(QAbstractItemView& view, const QContextMenuEvent& event,
                      const std::function<QMenu*(QPoint)>& menuForPoint)
{
    const QPoint at = contextMenuPoint(view, event);
    QMenu* menu = menuForPoint(at);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event.reason() == QContextMenuEvent::Keyboard ? view.viewport()->mapToGlobal(at) : event.globalPos());
}

bool takeSecondaryPress(QMouseEvent& event)
{
    if (event.button() != Qt::RightButton)
        return false;
    event.accept();
    return true;
}

// ---- network table ----

SVNetworksView::SVNetworksView(QWidget* parent) : QTreeView(parent)
{
    setAnimated(false);
}

bool SVNetworksView::event(QEvent* event)
{
    // Alt with a letter is a menu mnemonic on this platform: the threshold
    // keys are claimed before the menu bar sees them.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (thresholdForKey(*key)) {
            event->accept();
            return true;
        }
    }
    return QTreeView::event(event);
}

void SVNetworksView::keyPressEvent(QKeyEvent* event)
{
    if (m_alt.handle(*event)) {
        event->accept();
        return;
    }
    if (postThresholdForKey(*event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && state() != EditingState) {
        // Escape without a threshold to clear deselects.
        if (selectionModel() && selectionModel()->hasSelection()) {
            clearSelection();
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

void SVNetworksView::keyReleaseEvent(QKeyEvent* event)
{
    if (m_alt.handle(*event)) {
        event->accept();
        return;
    }
    QTreeView::keyReleaseEvent(event);
}

bool SVNetworksView::isSecondPress(const QMouseEvent& event) const
{
    // The platform's own test for a double-click: soon after, close by.
    return !m_pressedRecord.expired() && event.timestamp() >= m_pressTime
        && event.timestamp() - m_pressTime <= quint64(QApplication::doubleClickInterval())
        && (event.position().toPoint() - m_pressPoint).manhattanLength() <= QApplication::startDragDistance();
}

std::optional<QPoint> SVNetworksView::pointOfPressedRecord(const QMouseEvent& event) const
{
    const auto* table = qobject_cast<const SVNetworksTableModel*>(model());
    const auto record = m_pressedRecord.lock();
    const QPoint at = event.position().toPoint();
    if (!table || !record)
        return at;
    const int row = table->rowOf(record.get());
    if (row < 0)
        return std::nullopt;
    const QModelIndex under = indexAt(at);
    if (under.isValid() && under.row() == row)
        return at;
    const QRect rect = visualRect(table->index(row, under.isValid() ? under.column() : 0));
    if (!viewport()->rect().intersects(rect))
        return std::nullopt; // moved out of sight: nothing the user aimed at
    return QPoint(at.x(), rect.center().y());
}

// Hands handle the same event at another point of the viewport.
template <typename Handler>
static void atPoint(const QMouseEvent& event, QEvent::Type type, QPoint at, Handler&& handle)
{
    QMouseEvent moved(type, QPointF(at), event.scenePosition(), event.globalPosition(), event.button(),
                      event.buttons(), event.modifiers(), event.pointingDevice());
    moved.setTimestamp(event.timestamp());
    handle(&moved);
}

void SVNetworksView::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->buttons() & Qt::LeftButton;
    if (event->button() == Qt::LeftButton && isSecondPress(*event)) {
        m_secondPressSeen = true;
        const auto at = pointOfPressedRecord(*event);
        if (!at) {
            event->accept();
            return;
        }
        atPoint(*event, event->type(), *at, [this](QMouseEvent* e) { QTreeView::mousePressEvent(e); });
        return;
    }
    const auto* table = qobject_cast<const SVNetworksTableModel*>(model());
    const QModelIndex under = indexAt(event->position().toPoint());
    m_pressedRecord = table && under.isValid() ? table->rowAt(under.row()) : nullptr;
    m_secondPressSeen = false;
    m_pressTime = event->timestamp();
    m_pressPoint = event->position().toPoint();
    QTreeView::mousePressEvent(event);
}

void SVNetworksView::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_pressed = event->buttons() & Qt::LeftButton;
    const bool secondPressSeen = std::exchange(m_secondPressSeen, false);
    const auto at = pointOfPressedRecord(*event);
    if (!at) {
        event->accept();
        return;
    }
    // Where the platform sends no press of its own before the double-click,
    // the view is pressed on the record first: a reload since the first
    // click left the view no pressed row to compare with.
    if (!secondPressSeen && !m_pressedRecord.expired())
        atPoint(*event, QEvent::MouseButtonPress, *at, [this](QMouseEvent* e) { QTreeView::mousePressEvent(e); });
    atPoint(*event, event->type(), *at, [this](QMouseEvent* e) { QTreeView::mouseDoubleClickEvent(e); });
}

void SVNetworksView::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressed = event->buttons() & Qt::LeftButton;
    QTreeView::mouseReleaseEvent(event);
}

// ---- sidebar ----

SVSideView::SVSideView(QWidget* parent) : QTreeView(parent)
{
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        m_expanded.insert(index.data().toString());
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        m_expanded.remove(index.data().toString());
    });
}

void SVSideView::setExpandedTitles(const QStringList& titles)
{
    m_expanded = QSet<QString>(titles.begin(), titles.end());
}

QStringList SVSideView::expandedTitles() const
{
    QStringList out(m_expanded.begin(), m_expanded.end());
    out.sort();
    return out;
}

void SVSideView::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex current = currentIndex();
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        QTreeView::keyPressEvent(event);
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // Opens or closes a category; never moves to another row.
        if (current.isValid() && model() && model()->hasChildren(current.siblingAtColumn(0))) {
            QTreeView::keyPressEvent(event);
            return;
        }
        break;
    case Qt::Key_Space:
        if (event->modifiers() == Qt::NoModifier && selectionModel()) {
            const QModelIndexList selected = selectionModel()->selectedRows();
            if (!selected.isEmpty()) {
                const QModelIndex row = selected.first();
                if (isExpanded(row))
                    collapse(row);
                else
                    expand(row);
            }
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    // Letters, digits and the other moving keys would jump to a row and
    // narrow the table; they go on to the window instead.
    event->ignore();
}

QModelIndex SVSideView::clickedIndex() const
{
    QModelIndex found;
    for (const QString& title : m_clicked) {
        const QModelIndex parent = found;
        found = {};
        for (int row = 0; model() && row < model()->rowCount(parent); ++row)
            if (model()->index(row, 0, parent).data().toString() == title) {
                found = model()->index(row, 0, parent);
                break;
            }
        if (!found.isValid())
            return {};
    }
    return found;
}

void SVSideView::mousePressEvent(QMouseEvent* event)
{
    // A secondary click picks no side filter.
    if (!takeSecondaryPress(*event))
        QTreeView::mousePressEvent(event);
}

void SVSideView::expandWithChildren(const QModelIndex& index, bool expand)
{
    if (!index.isValid()) {
        if (expand)
            expandAll();
        else
            collapseAll();
        return;
    }
    if (expand) {
        expandRecursively(index);
        return;
    }
    for (int row = 0; row < model()->rowCount(index); ++row)
        expandWithChildren(model()->index(row, 0, index), false);
    collapse(index);
}

QMenu* SVSideView::menuForPoint(const QPoint& viewportPoint)
{
    const QModelIndex index = indexAt(viewportPoint).siblingAtColumn(0);
    m_clicked.clear();
    for (QModelIndex i = index; i.isValid(); i = i.parent())
        m_clicked.prepend(i.data().toString());
    if (!index.isValid())
        return nullptr;
    const bool expandable = model()->hasChildren(index);
    if (expandable && selectionModel())
        selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    auto* menu = new QMenu(this);
    // The sidebar is rebuilt every few seconds: each action finds its row
    // again and does nothing when it is gone.
    QAction* expandItem = menu->addAction(tr("Expand Item"), this, [this] {
        if (const QModelIndex i = clickedIndex(); i.isValid())
            expandWithChildren(i, true);
    });
    QAction* collapseItem = menu->addAction(tr("Collapse Item"), this, [this] {
        if (const QModelIndex i = clickedIndex(); i.isValid())
            expandWithChildren(i, false);
    });
    expandItem->setEnabled(expandable);
    collapseItem->setEnabled(expandable);
    menu->addAction(tr("Expand All"), this, [this] { expandWithChildren({}, true); });
    menu->addAction(tr("Collapse All"), this, [this] { expandWithChildren({}, false); });
    return menu;
}

void SVSideView::contextMenuEvent(QContextMenuEvent* event)
{
    popUpContextMenu(*this, *event, [this](QPoint at) { return menuForPoint(at); });
}
