#pragma once

#include "app/AppDelegate.h"
#include "preferences/AdvancedPrefsViewController.h"
#include "preferences/ColumnsPrefsViewController.h"
#include "preferences/GeneralPrefsViewController.h"
#include "preferences/MASPreferencesWindowController.h"

#include <QTreeView>

// The panes' delegate: forwards each operation to the controller.
class SVPreferencesPanes final : public GeneralPrefsViewControllerDelegate,
                                 public ColumnsPrefsViewControllerDelegate,
                                 public AdvancedPrefsViewControllerDelegate {
public:
    SVPreferencesPanes(AppDelegate& app, sv::UserDefaults& defaults)
        : app(app),
          general(defaults),
          columns(defaults),
          advanced(defaults),
          window({&general, &columns, &advanced}, QString(), defaults)
    {
        general.setDelegate(this);
        columns.setDelegate(this);
        columns.setNetworksView(app.networksView());
        advanced.setDelegate(this);
        window.setObjectName(QStringLiteral("preferencesWindow"));
    }
    ~SVPreferencesPanes() override
    {
        // The window gives the panes back before they go.
        window.setSelectedViewController(nullptr);
    }

    void valuesDidChange(GeneralPrefsViewController*) override { app.valuesDidChange(); }
    void userDidToggleColumnState(const QString& identifier) override { app.userDidToggleColumnState(identifier); }
    // The checkbox joins the column in deciding, which the controller reads again.
    void toggleDisplayAnnotations(bool) override { app.userDidToggleColumnState(QStringLiteral("ANNOTATIONS")); }
    void toggleHideDFSChannels() override { app.toggleHideDFSChannels(); }
    void toggleHideChannelGraphs() override { app.toggleHideChannelGraphs(); }

    AppDelegate& app;
    GeneralPrefsViewController general;
    ColumnsPrefsViewController columns;
    AdvancedPrefsViewController advanced;
    MASPreferencesWindowController window;
};
