#include "platform/wlan/CWInterface.h"

#include <gtest/gtest.h>

namespace {

using C = CWInterface::Candidate;

} // namespace

TEST(InterfaceChoice, UpAndJoinedBeforeUpBeforeAnyInTheKernelsOrder)
{
    struct Case {
        QList<C> candidates;
        QString chosen;
    };
    const Case cases[] = {
        {{}, QString()},
        {{{"wlan0", false, false}}, "wlan0"},
        // The one first listed is down, another up and joined.
        {{{"wlan0", false, false}, {"wlan1", true, false}, {"wlan2", true, true}}, "wlan2"},
        {{{"wlan0", false, false}, {"wlan1", true, false}, {"wlan2", true, false}}, "wlan1"},
        {{{"wlan0", false, false}, {"wlan1", false, false}}, "wlan0"},
        {{{"wlan0", true, true}, {"wlan1", true, true}}, "wlan0"},
        // A link reading left on a radio that is down counts for nothing.
        {{{"wlan0", false, true}, {"wlan1", true, false}}, "wlan1"},
    };
    for (const Case& c : cases) {
        QStringList names;
        for (const C& x : c.candidates)
            names << x.name;
        EXPECT_EQ(CWInterface::defaultInterfaceName(c.candidates), c.chosen) << names.join(',').toStdString();
    }
}
