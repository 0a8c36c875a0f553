#pragma once

#include "model/SVNetworkCellText.h"

#include <QMimeData>
#include <QString>
#include <QVector>

#include <memory>
#include <utility>

class SVNetworkDelegate;

// A shown column of the table for the copied text: identifier and title.
using SVCopiedColumn = std::pair<QString, QString>;

// The copied text of rows: one block per row, one "title: value" line per
// column that has a value in that row (levels in dBm carry " dBm"; dates
// in full), lines joined by a line feed and blocks by an empty line.
QString copiedRowsText(const QVector<std::shared_ptr<SVNetworkDelegate>>& rows,
                       const QVector<SVCopiedColumn>& columns, const SVNetworkCellContext& context);

// The text as rich text in "Courier" 12 ("text/rtf") with the plain text beside it.
std::unique_ptr<QMimeData> copiedRowsMimeData(const QString& text);
