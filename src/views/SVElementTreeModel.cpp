#include "views/SVElementTreeModel.h"

#include "elements/SVInfoElement.h"
#include "views/SVThemeHelper.h"

#include <QFontDatabase>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

struct SVElementTreeModel::Node {
    Node* parent = nullptr;
    int row = 0;
    std::shared_ptr<SVInfoElement> element; // element rows
    const SVField* field = nullptr;         // field rows (owned by the element)
    QString key;
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

using Node = SVElementTreeModel::Node;

// A field compared by content: the same texts at every level give the same key.
void appendContent(QString& out, const SVField& f)
{
    const auto put = [&out](char tag, const std::optional<QString>& text) {
        if (!text)
            return;
        out += QLatin1Char(tag);
        out += QString::number(text->size());
        out += QLatin1Char(':');
        out += *text;
    };
    put('n', f.name);
    put('v', f.value);
    put('o', f.notes);
    put('s', f.subfieldName);
    if (f.subfields) {
        out += QLatin1Char('[');
        for (const SVField& sub : *f.subfields)
            appendContent(out, sub);
        out += QLatin1Char(']');
    }
}

void addFields(Node& parent, const std::vector<SVField>& fields)
{
    parent.children.reserve(fields.size());
    for (const SVField& f : fields) {
        auto node = std::make_unique<Node>();
        node->parent = &parent;
        node->row = int(parent.children.size());
        node->field = &f;
        node->key = QStringLiteral("field:");
        appendContent(node->key, f);
        if (f.subfields)
            addFields(*node, *f.subfields);
        parent.children.push_back(std::move(node));
    }
}

QFont systemFont(double size, bool italic = false)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSizeF(std::max(1.0, size));
    f.setItalic(italic);
    return f;
}

// The small label drawn before an element that opens.
const QIcon& tagIcon()
{
    static const QIcon icon = [] {
        QPixmap pixmap(28, 28);
        pixmap.setDevicePixelRatio(2);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath tag;
        tag.moveTo(1.5, 4);
        tag.lineTo(8, 4);
        tag.lineTo(12.5, 7);
        tag.lineTo(8, 10);
        tag.lineTo(1.5, 10);
        tag.closeSubpath();
        p.setPen(QPen(QColor(110, 120, 140), 1));
        p.setBrush(QColor(190, 200, 215));
        p.drawPath(tag);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8.2, 7), 1.2, 1.2);
        return QIcon(pixmap);
    }();
    return icon;
}

Node* nodeOf(const QModelIndex& index)
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

} // namespace

QFont monospacedFont(double pointSize)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Asked for outright: the system's fixed face need not be one whose
    // advances are all equal, and bit patterns must line up.
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPointSizeF(std::max(1.0, pointSize));
    return f;
}

SVElementTreeModel::SVElementTreeModel(QObject* parent) : QAbstractItemModel(parent) {}
SVElementTreeModel::~SVElementTreeModel() = default;

QString SVElementTreeModel::columnIdentifier(int column)
{
    switch (column) {
    case IeColumn: return QStringLiteral("ie");
    case IdColumn: return QStringLiteral("id");
    case LengthColumn: return QStringLiteral("length");
    case FieldsColumn: return QStringLiteral("fields");
    default: return {};
    }
}

void SVElementTreeModel::setElements(std::vector<std::shared_ptr<SVInfoElement>> elements)
{
    beginResetModel();
    m_given = std::move(elements);
    m_elements = sorted();
    buildRoots();
    endResetModel();
}

void SVElementTreeModel::buildRoots()
{
    m_roots.clear();
    m_roots.reserve(m_elements.size());
    for (const auto& e : m_elements) {
        auto node = std::make_unique<Node>();
        node->row = int(m_roots.size());
        node->element = e;
        node->key = e->ieIdentifier();
        addFields(*node, e->fields());
        m_roots.push_back(std::move(node));
    }
}

std::vector<std::shared_ptr<SVInfoElement>> SVElementTreeModel::sorted() const
{
    std::vector<std::shared_ptr<SVInfoElement>> out;
    out.reserve(m_given.size());
    for (const auto& e : m_given)
        if (e)
            out.push_back(e);
    const auto less = [column = m_sortColumn](const std::shared_ptr<SVInfoElement>& a,
                                              const std::shared_ptr<SVInfoElement>& b) {
        switch (column) {
        case IdColumn: return a->ieID() < b->ieID();
        case LengthColumn: return a->ieLength() < b->ieLength();
        case IeColumn: return QString::compare(a->ieName(), b->ieName(), Qt::CaseInsensitive) < 0;
        case FieldsColumn: return QString::compare(a->ieSummary(), b->ieSummary(), Qt::CaseInsensitive) < 0;
        default: return false;
        }
    };
    if (m_sortOrder == Qt::AscendingOrder)
        std::stable_sort(out.begin(), out.end(), less);
    else
        std::stable_sort(out.begin(), out.end(), [&](const auto& a, const auto& b) { return less(b, a); });
    return out;
}

void SVElementTreeModel::sort(int column, Qt::SortOrder order)
{
    if (column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_elements = sorted();
    // The same rows in a new order: open rows and the selection go with them.
    std::vector<std::unique_ptr<Node>> before = std::move(m_roots);
    m_roots.clear();
    for (const auto& e : m_elements) {
        const auto it = std::find_if(before.begin(), before.end(),
                                     [&](const std::unique_ptr<Node>& n) { return n && n->element == e; });
        (*it)->row = int(m_roots.size());
        m_roots.push_back(std::move(*it));
    }
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex& i : persistent)
        moved.append(createIndex(nodeOf(i)->row, i.column(), i.internalPointer()));
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SVElementTreeModel::setFontSize(double size)
{
    if (size == m_fontSize)
        return;
    m_fontSize = size;
    if (!m_roots.empty()) {
        beginResetModel();
        endResetModel();
    }
}

std::shared_ptr<SVInfoElement> SVElementTreeModel::elementAt(const QModelIndex& index) const
{
    for (const Node* n = nodeOf(index); n; n = n->parent)
        if (n->element)
            return n->element;
    return nullptr;
}

const SVField* SVElementTreeModel::fieldAt(const QModelIndex& index) const
{
    const Node* n = nodeOf(index);
    return n ? n->field : nullptr;
}

QString SVElementTreeModel::keyAt(const QModelIndex& index) const
{
    const Node* n = nodeOf(index);
    return n ? n->key : QString();
}

SVElementRowPath SVElementTreeModel::pathAt(const QModelIndex& index) const
{
    SVElementRowPath path;
    for (const Node* n = nodeOf(index); n; n = n->parent) {
        const auto& siblings = n->parent ? n->parent->children : m_roots;
        int before = 0;
        for (int r = 0; r < n->row; ++r)
            before += siblings[size_t(r)]->key == n->key;
        path.steps.prepend({n->key, before});
    }
    return path;
}

QModelIndex SVElementTreeModel::indexOf(const SVElementRowPath& path) const
{
    const Node* found = nullptr;
    for (const auto& [key, before] : path.steps) {
        const auto& rows = found ? found->children : m_roots;
        const Node* next = nullptr;
        int seen = 0;
        for (const auto& n : rows)
            if (n->key == key && seen++ == before) {
                next = n.get();
                break;
            }
        if (!next)
            return {};
        found = next;
    }
    return found ? createIndex(found->row, 0, const_cast<Node*>(found)) : QModelIndex();
}

QModelIndex SVElementTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column >= ColumnCount || row < 0)
        return {};
    const auto& list = parent.isValid() ? nodeOf(parent)->children : m_roots;
    if (size_t(row) >= list.size())
        return {};
    return createIndex(row, column, list[size_t(row)].get());
}

QModelIndex SVElementTreeModel::parent(const QModelIndex& child) const
{
    const Node* n = nodeOf(child);
    if (!n || !n->parent)
        return {};
    return createIndex(n->parent->row, 0, n->parent);
}

int SVElementTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_roots.size());
    if (parent.column() != 0)
        return 0;
    return int(nodeOf(parent)->children.size());
}

int SVElementTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

bool SVElementTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant SVElementTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case IeColumn: return tr("Element");
    case IdColumn: return tr("ID");
    case LengthColumn: return tr("Length");
    case FieldsColumn: return tr("Details");
    default: return {};
    }
}

QList<SVTextRun> SVElementTreeModel::runs(const Node& node, int column) const
{
    const double s = m_fontSize;
    QList<SVTextRun> out;
    if (node.element) {
        const SVInfoElement& e = *node.element;
        switch (column) {
        case IdColumn: out.append({QString::number(e.ieID()), systemFont(s), {}}); break;
        case LengthColumn:
            out.append({tr("%1 bytes").arg(e.ieLength()), systemFont(s), SVThemeHelper::textColorForInfoElementSummary()});
            break;
        case IeColumn:
            out.append({e.ieName(), systemFont(s), SVThemeHelper::textColorForInfoElementName()});
            break;
        case FieldsColumn:
            out.append({e.ieSummary(), systemFont(s, true), SVThemeHelper::textColorForInfoElementSummary()});
            break;
        default: break;
        }
        return out;
    }
    const SVField& f = *node.field;
    if (column == IeColumn) {
        if (f.subfieldName)
            out.append({*f.subfieldName + QLatin1Char(' '), monospacedFont(s - 1),
                        SVThemeHelper::textColorForInfoElementSubfieldName()});
        else if (f.name)
            out.append({*f.name + (f.value && !f.value->isEmpty() ? QStringLiteral(":") : QString()), systemFont(s),
                        SVThemeHelper::textColorForInfoElementFieldName()});
    } else if (column == FieldsColumn) {
        if (f.subfieldName) {
            if (!f.value) {
                out.append({*f.subfieldName, systemFont(s), {}});
            } else {
                out.append({*f.value + (f.notes ? QStringLiteral(": ") : QString()), monospacedFont(s - 1),
                            SVThemeHelper::textColorForInfoElementFieldValue()});
                if (f.notes)
                    out.append({*f.notes, monospacedFont(s - 1), SVThemeHelper::textColorForInfoElementFieldValueNotes()});
            }
        } else if (f.notes) {
            out.append({f.value.value_or(QString()), systemFont(s), {}});
            out.append({QStringLiteral(" ") + *f.notes, systemFont(s - 1), QColor(Qt::gray)});
        } else if (f.name && f.value) {
            out.append({*f.value, systemFont(s), {}});
        }
    }
    return out;
}

QVariant SVElementTreeModel::data(const QModelIndex& index, int role) const
{
    const Node* n = nodeOf(index);
    if (!n)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        QString text;
        for (const SVTextRun& r : runs(*n, index.column()))
            text += r.text;
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case RunsRole: return QVariant::fromValue(runs(*n, index.column()));
    case Qt::DecorationRole:
        if (n->element && index.column() == IeColumn && !n->children.empty())
            return tagIcon();
        return {};
    case KeyRole: return n->key;
    case IsElementRole: return bool(n->element);
    case Qt::TextAlignmentRole:
        if (index.column() == IdColumn || index.column() == LengthColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (index.column() == IeColumn && n->field && n->field->subfieldName)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        if (n->element && index.column() == IeColumn) {
            const QString help = n->element->ieDescription();
            return help.isEmpty() ? QVariant() : QVariant(help);
        }
        return {};
    default: return {};
    }
}
