// The preferences window: made on first use with its three panes, whose
// changes reach the controller through the panes' delegate operations.

#include "app/AppDelegate.h"

#include "app/SVMainWindow.h"
#include "app/SVPreferencesPanes.h"
#include "platform/UserDefaults.h"

void AppDelegate::showPreferencesWithIdentifier(const QString& identifier)
{
    if (!m_preferences) {
        m_preferences = std::make_unique<SVPreferencesPanes>(*this, m_defaults);
        // Until the user places it, it opens over the main window.
        if (!m_defaults.hasStoredValue(MASPreferencesWindowController::FrameTopLeftKey) && m_window)
            m_preferences->window.move(m_window->geometry().center()
                                       - QPoint(m_preferences->window.width() / 2, m_window->height() / 3));
    }
    if (!identifier.isEmpty())
        m_preferences->window.selectControllerWithIdentifier(identifier);
    m_preferences->window.show();
    m_preferences->window.raise();
    m_preferences->window.activateWindow();
}

MASPreferencesWindowController* AppDelegate::preferencesWindow() const
{
    return m_preferences ? &m_preferences->window : nullptr;
}

void AppDelegate::closePreferencesWindow()
{
    if (m_preferences)
        m_preferences->window.close();
}

void AppDelegate::valuesDidChange()
{
    loadDefaults();
    filterAndSetNetworks(networks());
    prepareAndReload();
}

void AppDelegate::toggleHideDFSChannels()
{
    configureSelectedTabView();
}

void AppDelegate::toggleHideChannelGraphs()
{
    configureSelectedTabView();
}
