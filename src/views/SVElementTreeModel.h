#pragma once

#include "elements/SVField.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QFont>

#include <memory>
#include <vector>

class SVInfoElement;

// Where a row stands, by identity rather than by position: each row's key
// from the top down, with the number of same-keyed rows before it under the
// same parent. A rebuilt tree with new element objects finds the row again.
struct SVElementRowPath {
    QList<std::pair<QString, int>> steps;
    bool isEmpty() const { return steps.isEmpty(); }
};

// One styled piece of a cell's text.
struct SVTextRun {
    QString text;
    QFont font;
    QColor color; // invalid: the cell's colour
};
Q_DECLARE_METATYPE(QList<SVTextRun>)

// The element tree of the selected network: its decoded elements, their
// fields and the fields' subfields, in the columns "ie", "id", "length" and
// "fields". Rebuilt with new element objects after every scan; each row
// carries a key that the rebuilt tree gives the same row again.
class SVElementTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { IeColumn, IdColumn, LengthColumn, FieldsColumn, ColumnCount };
    enum Role {
        RunsRole = Qt::UserRole + 1, // QList<SVTextRun>: the cell's styled text
        KeyRole,                     // QString: the row's expansion key
        IsElementRole,               // bool
    };

    explicit SVElementTreeModel(QObject* parent = nullptr);
    ~SVElementTreeModel() override;

    void setElements(std::vector<std::shared_ptr<SVInfoElement>> elements);
    // The elements in the order shown, and as they were given.
    const std::vector<std::shared_ptr<SVInfoElement>>& elements() const { return m_elements; }
    const std::vector<std::shared_ptr<SVInfoElement>>& givenElements() const { return m_given; }
    // The "AdvancedDetailsViewFontSize" setting.
    void setFontSize(double size);
    double fontSize() const { return m_fontSize; }

    static QString columnIdentifier(int column);

    // The element row above (or at) an index; null when there is none.
    std::shared_ptr<SVInfoElement> elementAt(const QModelIndex& index) const;
    // The field of a field row; null for an element row or an invalid index.
    const SVField* fieldAt(const QModelIndex& index) const;
    QString keyAt(const QModelIndex& index) const;
    SVElementRowPath pathAt(const QModelIndex& index) const;
    // The row in column 0 at that path now; invalid when it is gone.
    QModelIndex indexOf(const SVElementRowPath& path) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Orders the elements by a column (the fields keep their order) and keeps
    // that order for the elements given later; -1 restores the given order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    struct Node;

private:
    QList<SVTextRun> runs(const Node& node, int column) const;
    // The given elements in the sort order.
    std::vector<std::shared_ptr<SVInfoElement>> sorted() const;
    void buildRoots();

    std::vector<std::shared_ptr<SVInfoElement>> m_given;    // as the record lists them
    std::vector<std::shared_ptr<SVInfoElement>> m_elements; // as shown
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::vector<std::unique_ptr<Node>> m_roots;
    double m_fontSize = 12;
};

// The monospaced face of the tree's field values.
QFont monospacedFont(double pointSize);
