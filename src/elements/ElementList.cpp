#include "elements/ElementList.h"

#include "platform/wlan/ElementWalk.h"

std::vector<std::shared_ptr<SVInfoElement>> splitInformationElements(QByteArrayView data)
{
    std::vector<std::shared_ptr<SVInfoElement>> elements;
    for (const sv::wlan::Element& e : sv::wlan::ElementWalk(data))
        elements.push_back(std::make_shared<SVInfoElement>(e.id, e.body.toByteArray()));
    return elements;
}
