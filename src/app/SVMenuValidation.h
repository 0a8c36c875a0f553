#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMenu;

// What a menu command is, for the enabling rules.
enum class SVMenuCommand {
    ExportAllNetworks,
    ExportDisplayedNetworks,
    ExportSelectedNetworks,
    ViewGraph,     // graph metric, tags 3001..3003
    ViewTimescale, // tags 4001 (longer span), 4002 (shorter span)
    TableColumn,   // an item of a column menu
    SaveAs,
    Copy,
    Paste,
    Other,
};

enum class SVFirstResponder { Other, NetworksOutline, Sidebar, ElementOutline };

// The window's state the rules read.
struct SVMenuState {
    bool hasNetworks = false;
    bool hasFilteredNetworks = false;
    bool hasHighlightedNetwork = false; // among the filtered ones
    int selectedTab = 0;
    // The span of the graph on the selected tab (0: detail chart, 1: signal
    // graph); none on the other tabs.
    struct Span {
        double timescale = 0, minTimescale = 0, maxTimescale = 0;
    };
    std::optional<Span> graphSpan;
    bool hasUnsavedResults = false;
    SVFirstResponder firstResponder = SVFirstResponder::Other;
    bool hasSelectedRows = false; // in the network table
};

struct SVMenuItemInfo {
    SVMenuCommand command = SVMenuCommand::Other;
    int tag = 0;
    // Column menus.
    QString columnIdentifier;
    bool columnIsOutlineColumn = false;
    bool columnVisible = false;
};

struct SVMenuValidation {
    bool enabled = true;
    std::optional<bool> checked; // column items show whether the column is shown
};

// The enabling rules, first match wins.
SVMenuValidation validateMenuItem(const SVMenuItemInfo& item, const SVMenuState& state);

// Keeps menu items' enabled state current: each registered item is checked
// when its menu opens, and again when it is triggered (by its shortcut, say),
// so a command never runs in a state that forbids it. Between menus the
// items stay enabled so their shortcuts reach that second check.
class SVMenuValidator : public QObject {
    Q_OBJECT
public:
    using Rule = std::function<SVMenuValidation()>;
    using Handler = std::function<void()>;

    explicit SVMenuValidator(QObject* parent = nullptr) : QObject(parent) {}

    // The action runs handler only while rule allows it.
    void add(QAction* action, Rule rule, Handler handler);
    // The menu re-checks its registered items when it opens.
    void watch(QMenu* menu);
    // Whether the action's rule allows it now; true for an unregistered one.
    bool isEnabled(QAction* action) const;

private:
    struct Entry {
        QPointer<QAction> action;
        Rule rule;
    };
    static void apply(const Entry& e);
    void validate(QMenu* menu);
    void release(QMenu* menu);
    const Entry* entry(QAction* action) const;
    std::vector<Entry> m_entries;
};
