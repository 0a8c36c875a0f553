#include "views/SVOutlineViews.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

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
    const qint64 stored = sv::UserDefaults::standardUserDefaults().integerForKey(kSignalStrengthThresholdKey);
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
    return m_clickedIndex;
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
    m_clickedIndex = index;
    if (!index.isValid())
        return nullptr;
    const bool expandable = model()->hasChildren(index);
    if (expandable && selectionModel())
        selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    auto* menu = new QMenu(this);
    QAction* expandItem = menu->addAction(tr("Expand Item"), this, [this] {
        expandWithChildren(clickedIndex(), true);
    });
    QAction* collapseItem = menu->addAction(tr("Collapse Item"), this, [this] {
        expandWithChildren(clickedIndex(), false);
    });
    expandItem->setEnabled(expandable);
    collapseItem->setEnabled(expandable);
    menu->addAction(tr("Expand All"), this, [this] { expandWithChildren({}, true); });
    menu->addAction(tr("Collapse All"), this, [this] { expandWithChildren({}, false); });
    return menu;
}

void SVSideView::contextMenuEvent(QContextMenuEvent* event)
{
    // The scroll area hands the viewport's events on in its coordinates.
    QMenu* menu = menuForPoint(event->pos());
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
