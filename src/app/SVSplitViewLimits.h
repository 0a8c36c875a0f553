#pragma once

// Where the main window's split-view dividers may go, in points. The
// horizontal split holds the table above the tab area, the vertical one
// the sidebar left of the rest.

// The top area keeps at least 100 points, the tab area at least 400.
double constrainHorizontalDivider(double proposed, double splitHeight);
// The sidebar is at least 125 points wide (below that it can only
// collapse, to 0) and at most a quarter of the split's width.
double constrainVerticalDivider(double proposed, double splitWidth);
