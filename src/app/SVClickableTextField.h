#pragma once

#include <QLabel>

// A text field that shows the pointing hand over its whole area while it
// carries a link (the vendor field of the network details).
class SVClickableTextField : public QLabel {
    Q_OBJECT
public:
    explicit SVClickableTextField(QWidget* parent = nullptr) : QLabel(parent) {}

    bool clickable() const { return m_clickable; }
    void setClickable(bool clickable);

private:
    bool m_clickable = false;
};
