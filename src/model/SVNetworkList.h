#pragma once

#include <QList>

#include <memory>

class SVNetwork;

// A list of records, as the controller, the filter, the merge, documents and
// views hand them on. Records are shared; a list never copies one.
using SVNetworkList = QList<std::shared_ptr<SVNetwork>>;
