#pragma once

#include "views/SVElidingLabel.h"

// A text field that shows the pointing hand over its whole area while it
// carries a link (the vendor field of the network details); a long text is
// cut to the field's width.
class SVClickableTextField : public SVElidingLabel {
    Q_OBJECT
public:
    explicit SVClickableTextField(QWidget* parent = nullptr) : SVElidingLabel(parent) {}

    bool clickable() const { return m_clickable; }
    void setClickable(bool clickable);

private:
    bool m_clickable = false;
};
