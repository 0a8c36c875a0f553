#include "elements/ElementList.h"

std::vector<std::shared_ptr<SVInfoElement>> splitInformationElements(QByteArrayView data)
{
    std::vector<std::shared_ptr<SVInfoElement>> elements;
    qsizetype at = 0;
    while (data.size() - at >= 2) {
        const auto id = quint8(data[at]);
        const auto length = quint8(data[at + 1]);
        if (data.size() - at - 2 < length)
            break;
        elements.push_back(std::make_shared<SVInfoElement>(id, data.sliced(at + 2, length).toByteArray()));
        at += 2 + length;
    }
    return elements;
}
