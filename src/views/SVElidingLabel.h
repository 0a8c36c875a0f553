#pragma once

#include <QLabel>

// A one-line label whose width does not follow its text: a text longer
// than the room it is given is drawn cut with an ellipsis, and the whole
// text shows as a plain-text tooltip. text() always holds the whole text;
// a rich text (a link) is cut as its plain characters, in the link colour.
// In a grid its text never sets the column's width (its width policy is
// Ignored); in a row of its own, set Preferred, it asks for its text's
// width and gives way.
class SVElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit SVElidingLabel(QWidget* parent = nullptr);

    // The characters the label shows when it has room for all of them.
    QString displayedText() const;
    // What is drawn in the present width.
    QString shownText() const;
    bool isElided() const { return shownText() != displayedText(); }
    // As narrow as nothing: a layout that gives the label less than its
    // text cuts the text instead of widening.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
