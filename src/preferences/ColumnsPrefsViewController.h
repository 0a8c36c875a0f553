#pragma once

#include "platform/NotificationCenter.h"
#include "preferences/MASPreferencesViewController.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace sv {
class UserDefaults;
}

class ColumnsPrefsViewControllerDelegate {
public:
    virtual ~ColumnsPrefsViewControllerDelegate() = default;
    virtual void userDidToggleColumnState(const QString& /*identifier*/) {}
    virtual void toggleDisplayAnnotations(bool /*state*/) {}
    virtual void toggleHideDFSChannels() {}
};

// Which columns of the network table are shown: one row per column, sorted
// by title, with a checkbox; the tree's own column cannot be hidden.
class ColumnsPrefsViewController : public QWidget, public MASPreferencesViewController {
    Q_OBJECT
public:
    enum Column { ShowColumn = 0, ColumnNameColumn = 1 }; // "SHOW", "COLUMN_NAME"
    static constexpr int IdentifierRole = Qt::UserRole + 1; // a row's column identifier

    explicit ColumnsPrefsViewController(sv::UserDefaults& defaults, QWidget* parent = nullptr);

    QString identifier() const override { return QStringLiteral("Columns"); }
    QIcon toolbarItemImage() const override;
    QString toolbarItemLabel() const override { return tr("Columns"); }
    QWidget* view() override { return this; }
    void viewWillAppear() override;
    QWidget* initialKeyView() override;

    void setDelegate(ColumnsPrefsViewControllerDelegate* delegate) { m_delegate = delegate; }
    void setNetworksView(QTreeView* view);

    // Translated title of a column; empty when there is none.
    static QString nameForColumnWithIdentifier(const QString& identifier);
    // The column's description, translated where a translation is installed;
    // empty for an identifier that names no column.
    static QString descForColumnIdentifier(const QString& identifier);

    void reload();
    QTreeWidget* columnNamesTableView() const { return m_table; }
    QCheckBox* displayAnnotationsButton() const { return m_displayAnnotations; }
    QLabel* columnDescriptionLabel() const { return m_description; }

private:
    void onDisplayAnnotations(bool on);
    void itemChanged(QTreeWidgetItem* item, int column);
    void selectionDidChange();

    sv::UserDefaults& m_defaults;
    ColumnsPrefsViewControllerDelegate* m_delegate = nullptr;
    QPointer<QTreeView> m_networksView;
    QTreeWidget* m_table = nullptr;
    QCheckBox* m_displayAnnotations = nullptr;
    QLabel* m_description = nullptr;
    bool m_reloading = false;
    sv::NotificationCenter::Observation m_hiddenStateObservation;
};
