#include "views/SVThemeHelper.h"

#include <gtest/gtest.h>

namespace {

TEST(ThemeHelperTest, OneCachedColourPerRole)
{
    using T = SVThemeHelper;
    const QColor& (*roles[])() = {
        T::textColorForTableHeader, T::textColorForNetwork, T::textColorForNetworkNotFound,
        T::textColorForNetworkCollection, T::textColorForMultipleValuesPlaceholder, T::textColorForInfoElementName,
        T::textColorForInfoElementFieldName, T::textColorForInfoElementSubfieldName, T::barColorForRSSI,
        T::barColorForNoise, T::barColorForSNR, T::barColorForChUtilization, T::backgroundColorForChart,
        T::backgroundColorForChartView, T::backgroundColorForFilteredCell, T::colorFor2Dot4GHzBand,
        T::colorFor5GHzBand,
    };
    for (auto role : roles) {
        EXPECT_EQ(&role(), &role());
        EXPECT_TRUE(role().isValid());
    }
    EXPECT_EQ(T::textColorForTableHeader(), QColor::fromRgbF(0.298f, 0.298f, 0.298f));
    EXPECT_EQ(T::colorFor5GHzBand(), QColor::fromRgbF(0.129f, 0.565f, 0.827f));
    EXPECT_NEAR(T::backgroundColorForChart().alphaF(), 0.15, 1e-4);
    EXPECT_NEAR(T::colorFor2Dot4GHzBand().alphaF(), 0.7, 1e-4);
    EXPECT_FALSE(T::isDarkTheme());
}

} // namespace
