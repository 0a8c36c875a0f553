#pragma once

#include "elements/SVInfoElement.h"

#include <QByteArrayView>

#include <memory>
#include <vector>

// The elements of raw element data, in order: ID byte, length byte, body.
// A trailing element whose body does not fit ends the list.
std::vector<std::shared_ptr<SVInfoElement>> splitInformationElements(QByteArrayView data);
