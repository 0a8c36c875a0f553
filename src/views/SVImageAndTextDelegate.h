#pragma once

#include <QStyledItemDelegate>

// The sidebar's cell: an optional image (the item's decoration) left of its
// title, within left and right margins; a title without image is a group
// heading, centred vertically. The text is drawn in the view's font (the
// sidebar's font-size setting), in the model's foreground colour and
// alignment; a model may give each cell its margins through the margin roles.
class SVImageAndTextDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit SVImageAndTextDelegate(QObject* parent = nullptr);

    double leftMargin() const { return m_leftMargin; }
    void setLeftMargin(double margin) { m_leftMargin = margin; }
    double rightMargin() const { return m_rightMargin; }
    void setRightMargin(double margin) { m_rightMargin = margin; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // Roles a model may answer with a cell's margins (a double each).
    void setMarginRoles(int leftRole, int rightRole)
    {
        m_leftMarginRole = leftRole;
        m_rightMarginRole = rightRole;
    }
    double leftMarginFor(const QModelIndex& index) const;
    double rightMarginFor(const QModelIndex& index) const;

private:
    double m_leftMargin = 0;
    double m_rightMargin = 0;
    int m_leftMarginRole = -1;
    int m_rightMarginRole = -1;
};
