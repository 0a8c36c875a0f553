#include "preferences/ColumnsPrefsViewController.h"
#include "model/SVDefaultsKeys.h"

#include "platform/UserDefaults.h"
#include "model/SVNetworkColumns.h"
#include "views/SVTableHeaderMenu.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The translation of key in the columns' context; empty when none is installed.
QString translatedOrEmpty(const QString& key)
{
    const QByteArray utf8 = key.toUtf8();
    const QString translated = QCoreApplication::translate("SVNetworkColumns", utf8.constData());
    return translated == key ? QString() : translated;
}

} // namespace

ColumnsPrefsViewController::ColumnsPrefsViewController(sv::UserDefaults& defaults, QWidget* parent)
    : QWidget(parent), m_defaults(defaults)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    m_table = new QTreeWidget;
    m_table->setObjectName(QStringLiteral("columnNamesTableView"));
    m_table->setRootIsDecorated(false);
    m_table->setUniformRowHeights(true);
    m_table->setColumnCount(2);
    m_table->setHeaderLabels({tr("Show"), tr("Column")});
    m_table->header()->setSectionResizeMode(ShowColumn, QHeaderView::ResizeToContents);
    m_table->header()->setStretchLastSection(true);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(ColumnNameColumn, Qt::AscendingOrder);
    m_table->setMinimumSize(320, 300);
    layout->addWidget(m_table, 1);

    m_description = new QLabel;
    m_description->setObjectName(QStringLiteral("columnDescLbl"));
    m_description->setWordWrap(true);
    m_description->setTextFormat(Qt::PlainText);
    m_description->setMinimumHeight(m_description->fontMetrics().height() * 2);
    layout->addWidget(m_description);

    m_displayAnnotations = new QCheckBox(tr("Show annotations in the graphs"));
    m_displayAnnotations->setObjectName(QStringLiteral("displayAnnotationsBtn"));
    layout->addWidget(m_displayAnnotations);

    // The list grows with the window in height only.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    connect(m_table, &QTreeWidget::itemChanged, this, &ColumnsPrefsViewController::itemChanged);
    connect(m_table, &QTreeWidget::itemSelectionChanged, this, &ColumnsPrefsViewController::selectionDidChange);
    connect(m_displayAnnotations, &QCheckBox::clicked, this, &ColumnsPrefsViewController::onDisplayAnnotations);

    m_displayAnnotations->setChecked(m_defaults.boolForKey(SVDefaultsKey::DisplayAnnotations));
    m_hiddenStateObservation = sv::NotificationCenter::defaultCenter().addObserver(
        kColumnDidChangeHiddenStateNotification, [this](const sv::Notification&) { reload(); });
}

QIcon ColumnsPrefsViewController::toolbarItemImage() const
{
    return QIcon::fromTheme(QStringLiteral("view-list-details"), style()->standardIcon(QStyle::SP_FileDialogDetailedView));
}

QWidget* ColumnsPrefsViewController::initialKeyView()
{
    return m_table;
}

QString ColumnsPrefsViewController::nameForColumnWithIdentifier(const QString& identifier)
{
    return translatedOrEmpty(QStringLiteral("Title for column %1").arg(identifier));
}

QString ColumnsPrefsViewController::descForColumnIdentifier(const QString& identifier)
{
    const SVNetworkColumn* column = networkColumn(identifier);
    return column ? networkColumnDescription(*column) : QString();
}

void ColumnsPrefsViewController::viewWillAppear()
{
    reload();
    m_table->clearSelection();
    m_description->setText(tr("Select a column name for details."));
}

void ColumnsPrefsViewController::reload()
{
    if (!m_networksView)
        return;
    m_reloading = true;
    const QHeaderView* header = m_networksView->header();
    const auto columns = networkColumns();
    if (m_table->topLevelItemCount() == 0) {
        m_table->setSortingEnabled(false);
        for (int logical = 0; logical < header->count() && logical < int(columns.size()); ++logical) {
            const QString& id = columns[size_t(logical)].identifier;
            if (id == SVColumnId::IsUserHidden)
                continue;
            QString name = nameForColumnWithIdentifier(id);
            if (name.isEmpty())
                name = m_networksView->model()->headerData(logical, Qt::Horizontal).toString();
            auto* item = new QTreeWidgetItem(m_table);
            item->setData(0, IdentifierRole, id);
            item->setText(ColumnNameColumn, name);
            // The tree's own column carries the disclosure triangles: it stays.
            if (id == outlineColumnIdentifier())
                item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        }
        m_table->setSortingEnabled(true);
    }
    // The rows stay; only their boxes follow the table, so a click that is
    // still being handled never finds its row gone.
    for (int i = 0; i < m_table->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_table->topLevelItem(i);
        const int logical = networkColumnIndex(item->data(0, IdentifierRole).toString());
        if (logical >= 0 && logical < header->count())
            item->setCheckState(ShowColumn, header->isSectionHidden(logical) ? Qt::Unchecked : Qt::Checked);
    }
    m_reloading = false;
}

void ColumnsPrefsViewController::itemChanged(QTreeWidgetItem* item, int column)
{
    if (m_reloading || column != ShowColumn || !m_networksView)
        return;
    const QString id = item->data(0, IdentifierRole).toString();
    const int logical = networkColumnIndex(id);
    if (logical < 0 || logical >= m_networksView->header()->count() || id == outlineColumnIdentifier())
        return;
    m_networksView->header()->setSectionHidden(logical, item->checkState(ShowColumn) != Qt::Checked);
    if (m_delegate)
        QMetaObject::invokeMethod(this, [this, id] { if (m_delegate) m_delegate->userDidToggleColumnState(id); },
                                  Qt::QueuedConnection);
    reload();
}

void ColumnsPrefsViewController::selectionDidChange()
{
    const QList<QTreeWidgetItem*> selected = m_table->selectedItems();
    m_description->setText(selected.isEmpty()
                               ? QString()
                               : descForColumnIdentifier(selected.front()->data(0, IdentifierRole).toString()));
}

void ColumnsPrefsViewController::onDisplayAnnotations(bool on)
{
    m_defaults.setBool(on, SVDefaultsKey::DisplayAnnotations);
    if (m_delegate)
        QMetaObject::invokeMethod(this, [this, on] { if (m_delegate) m_delegate->toggleDisplayAnnotations(on); },
                                  Qt::QueuedConnection);
}

void ColumnsPrefsViewController::setNetworksView(QTreeView* view)
{
    m_networksView = view;
    // The preferences window may have shown this pane before it had a table.
    reload();
}
