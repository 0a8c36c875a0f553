#include "app/SVDefaults.h"

#include "platform/UserDefaults.h"
#include "preferences/GeneralPrefsViewController.h"

#include <QtGlobal>

#include <array>

namespace {

using K = QMetaType::Type;

// "Sensitivity" is a dBm magnitude within the General pane's slider; a cut
// above it (0 keeps nothing) would hide every network.
constexpr qint64 kLowestSensitivity = GeneralPrefsViewController::MinimumSensitivity;
constexpr qint64 kHighestSensitivity = GeneralPrefsViewController::MaximumSensitivity;

const std::array<SVRegisteredDefault, 22>& table()
{
    namespace key = SVDefaultsKey;
    static const std::array<SVRegisteredDefault, 22> t = {{
        {key::Sensitivity, K::Int, 100, kLowestSensitivity, kHighestSensitivity},
        {key::Units, K::Int, 0, 0, 1},
        {key::ShowAdHoc, K::Bool, true},
        {key::ShowSecure, K::Bool, true},
        {key::AutoScan, K::Bool, true},
        {key::DeleteIfNotSeen, K::Bool, true},
        {key::MaxElapsedTimeNotSeen, K::Int, 3},
        {key::HighlightAssociatedNetwork, K::Bool, true},
        {key::Metric, K::Int, 0, 0, 2}, // signal, signal and noise, noise
        {key::SignalStrengthViewTimescale, K::Int, 300, 1, kOneYearSeconds},
        {key::NetworkSignalStrengthViewTimescale, K::Int, 300, 1, kOneYearSeconds},
        {key::QuickFilterSelectedItem, K::Int, 0, 0, 3},
        {key::FilterString, K::QString, QString()},
        {key::SaveAlertSupressionButton, K::Int, 0},
        {key::UpdateAlertSuppressionButton, K::Int, 0},
        {key::SelectedScanInterval, K::Int, 1, 0, 8},
        {key::HideDFSChannels, K::Bool, false},
        {key::HideChannelGraphs, K::Bool, false},
        {key::NetworksViewFontSize, K::Double, 11.0},
        {key::AdvancedDetailsViewFontSize, K::Double, 12.0},
        {key::SideViewFontSize, K::Double, 11.0},
        {key::ShowNetworkLabel, K::Bool, true},
    }};
    return t;
}

// A font-size setting and the bounds it is held to.
struct SVFontSizeSetting {
    QString key;
    double minimum;
    double maximum;
};

const std::array<SVFontSizeSetting, 3>& fonts()
{
    static const std::array<SVFontSizeSetting, 3> t = {{
        {SVDefaultsKey::NetworksViewFontSize, 9.0, 18.0},
        {SVDefaultsKey::AdvancedDetailsViewFontSize, 10.0, 19.0},
        {SVDefaultsKey::SideViewFontSize, 9.0, 18.0},
    }};
    return t;
}

// Reads, shifts, clamps and writes back each font size (a size written back
// unchanged is no change of the store).
void writeClampedFontSizes(sv::UserDefaults& defaults, double delta)
{
    for (const SVFontSizeSetting& f : fonts())
        defaults.setDouble(qBound(f.minimum, defaults.doubleForKey(f.key) + delta, f.maximum), f.key);
}

} // namespace

std::span<const SVRegisteredDefault> registeredDefaultsTable()
{
    return table();
}

void registerDefaults(sv::UserDefaults& defaults)
{
    QVariantMap map;
    for (const SVRegisteredDefault& d : table())
        map.insert(d.key, d.value);
    defaults.registerDefaults(map);
    for (const SVRegisteredDefault& d : table())
        if (d.type == QMetaType::Int)
            defaults.registerRange(d.key, d.minimum, d.maximum);
}

SVLoadedDefaults loadDefaults(sv::UserDefaults& defaults)
{
    namespace key = SVDefaultsKey;
    registerDefaults(defaults);
    writeClampedFontSizes(defaults, 0.0);

    SVLoadedDefaults loaded;
    loaded.units = int(defaults.integerForKey(key::Units));
    loaded.highlightAssociatedNetwork = defaults.boolForKey(key::HighlightAssociatedNetwork);
    loaded.maxLastSeenElapsedSeconds = maxLastSeenElapsedSecondsFor(
        defaults.integerForKey(key::MaxElapsedTimeNotSeen), defaults.boolForKey(key::DeleteIfNotSeen));
    loaded.quickFilterSelectedItem = int(defaults.integerForKey(key::QuickFilterSelectedItem));
    loaded.networksViewFontSize = defaults.doubleForKey(key::NetworksViewFontSize);
    loaded.advancedDetailsViewFontSize = defaults.doubleForKey(key::AdvancedDetailsViewFontSize);
    loaded.sideViewFontSize = defaults.doubleForKey(key::SideViewFontSize);
    return loaded;
}

void changeFontSizes(sv::UserDefaults& defaults, double delta)
{
    writeClampedFontSizes(defaults, delta);
}

SVThresholdSliderRange thresholdSliderRange(int units)
{
    // dBm thresholds run over 0..90 dB of range, percentages over 0..100 %.
    return units == 0 ? SVThresholdSliderRange{0, 100, 11} : SVThresholdSliderRange{0, 90, 10};
}
