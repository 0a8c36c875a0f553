#include "app/SVMenuValidation.h"

#include <QAction>
#include <QMenu>

SVMenuValidation validateMenuItem(const SVMenuItemInfo& item, const SVMenuState& state)
{
    switch (item.command) {
    case SVMenuCommand::ExportAllNetworks: return {state.hasNetworks, {}};
    case SVMenuCommand::ExportDisplayedNetworks: return {state.hasFilteredNetworks, {}};
    case SVMenuCommand::ExportSelectedNetworks: return {state.hasHighlightedNetwork, {}};
    case SVMenuCommand::ViewGraph: return {state.selectedTab == 0, {}};
    case SVMenuCommand::ViewTimescale: {
        if ((state.selectedTab != 0 && state.selectedTab != 1) || !state.graphSpan)
            return {false, {}};
        const SVMenuState::Span& s = *state.graphSpan;
        if (item.tag == 4002)
            return {s.timescale != s.minTimescale, {}};
        if (item.tag == 4001)
            return {s.timescale != s.maxTimescale, {}};
        return {true, {}};
    }
    case SVMenuCommand::TableColumn: {
        const bool fixed = item.columnIdentifier == u"ie" || item.columnIdentifier == u"fields"
                           || item.columnIsOutlineColumn;
        return {!fixed, item.columnVisible};
    }
    case SVMenuCommand::SaveAs: return {state.hasUnsavedResults, {}};
    case SVMenuCommand::Copy:
        // Copy copies the table's selected rows, and only from the table.
        return {state.firstResponder == SVFirstResponder::NetworksOutline && state.hasSelectedRows, {}};
    case SVMenuCommand::Paste: return {false, {}};
    case SVMenuCommand::Other: break;
    }
    return {true, {}};
}

void SVMenuValidator::add(QAction* action, Rule rule, Handler handler)
{
    m_entries.push_back({action, rule});
    connect(action, &QAction::triggered, this, [this, action, handler = std::move(handler)] {
        const Entry* e = entry(action);
        if (e && e->rule && !e->rule().enabled)
            return;
        if (handler)
            handler();
    });
}

const SVMenuValidator::Entry* SVMenuValidator::entry(QAction* action) const
{
    for (const Entry& e : m_entries)
        if (e.action == action)
            return &e;
    return nullptr;
}

bool SVMenuValidator::isEnabled(QAction* action) const
{
    const Entry* e = entry(action);
    return !e || !e->rule || e->rule().enabled;
}

void SVMenuValidator::watch(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { validate(menu); });
    connect(menu, &QMenu::aboutToHide, this, [this, menu] { release(menu); });
}

void SVMenuValidator::apply(const Entry& e)
{
    const SVMenuValidation v = e.rule();
    e.action->setEnabled(v.enabled);
    if (v.checked) {
        e.action->setCheckable(true);
        e.action->setChecked(*v.checked);
    }
}

void SVMenuValidator::validate(QMenu* menu)
{
    const QList<QAction*> actions = menu->actions();
    for (const Entry& e : m_entries) {
        if (!e.action || !actions.contains(e.action.data()) || !e.rule)
            continue;
        apply(e);
    }
}

void SVMenuValidator::release(QMenu* menu)
{
    const QList<QAction*> actions = menu->actions();
    for (const Entry& e : m_entries)
        if (e.action && actions.contains(e.action.data()))
            e.action->setEnabled(true);
}
