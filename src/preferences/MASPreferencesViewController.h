#pragma once

#include <QIcon>
#include <QString>

#include <optional>

class QWidget;

// One pane of the preferences window. The optional operations have defaults
// that mean "not answered".
class MASPreferencesViewController {
public:
    virtual ~MASPreferencesViewController() = default;

    // Unique among the panes; also the toolbar item's identifier.
    virtual QString identifier() const = 0;
    virtual QIcon toolbarItemImage() const = 0;
    virtual QString toolbarItemLabel() const = 0;
    // The pane's view, owned by the pane.
    virtual QWidget* view() = 0;

    virtual void viewWillAppear() {}
    virtual void viewDidDisappear() {}
    // The widget that gets the keyboard focus when the pane shows.
    virtual QWidget* initialKeyView() { return nullptr; }
    // Unanswered: the view's size policy decides (an expanding direction resizes).
    virtual std::optional<bool> hasResizableWidth() const { return std::nullopt; }
    virtual std::optional<bool> hasResizableHeight() const { return std::nullopt; }
    // False keeps the window on this pane.
    virtual bool commitEditing() { return true; }
};
