#include "app/SVSplitViewLimits.h"

#include <algorithm>

double constrainHorizontalDivider(double proposed, double splitHeight)
{
    // The lower bound wins when the split is too short for both.
    return std::max(std::min(proposed, splitHeight - 400), 100.0);
}

double constrainVerticalDivider(double proposed, double splitWidth)
{
    if (proposed <= 0)
        return 0; // collapsed
    return std::max(std::min(proposed, splitWidth / 4), 125.0);
}
