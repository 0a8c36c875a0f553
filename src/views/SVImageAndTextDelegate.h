#pragma once

#include <QStyledItemDelegate>

// The sidebar's cell: an optional image (the item's decoration) left of its
// title, within left and right margins; a title without image is a group
// heading, centred vertically. Text in the small system font.
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

    // The small system font the cell draws in.
    static QFont cellFont(const QFont& base);

private:
    double m_leftMargin = 0;
    double m_rightMargin = 0;
};
