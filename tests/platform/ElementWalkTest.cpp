#include <gtest/gtest.h>

#include "platform/wlan/ElementWalk.h"

#include <QByteArray>
#include <QStringList>

using sv::wlan::Element;
using sv::wlan::ElementWalk;

namespace {

// "id:hex body" per element the walk reports.
QString walked(const QByteArray& data)
{
    QStringList out;
    for (const Element& e : ElementWalk(data))
        out << QStringLiteral("%1:%2").arg(e.id).arg(QString::fromLatin1(e.body.toByteArray().toHex()));
    return out.join(QLatin1Char(' '));
}

} // namespace

TEST(ElementWalk, ReportsWholeElementsAndStopsAtAPieceThatRunsPastTheData)
{
    struct Case {
        const char* name;
        const char* hex;
        const char* elements;
        bool complete;
    };
    const Case cases[] = {
        {"nothing", "", "", true},
        {"empty bodies", "00000500", "0: 5:", true},
        {"two elements", "00034c6162" "030106", "0:4c6162 3:06", true},
        {"a lone trailing byte", "030106" "dd", "3:06", false},
        {"a header alone", "030106" "0002", "3:06", false},
        {"a body one byte short", "030106" "0003" "4142", "3:06", false},
        {"the first element cut", "0005414243", "", false},
    };
    for (const Case& c : cases) {
        const QByteArray data = QByteArray::fromHex(c.hex);
        EXPECT_EQ(walked(data), QString::fromLatin1(c.elements)) << c.name;
        EXPECT_EQ(ElementWalk(data).complete(), c.complete) << c.name;
    }
    // The length byte's whole range.
    const QByteArray longest = QByteArray("\xdd\xff", 2) + QByteArray(255, 'x');
    EXPECT_EQ(walked(longest), QStringLiteral("221:") + QString::fromLatin1(QByteArray(255, 'x').toHex()));
    EXPECT_FALSE(ElementWalk(longest.chopped(1)).complete());
}

TEST(ElementWalk, WalksVendorSubElementsInsideABody)
{
    // The view may start inside other data: nothing before or after it is read.
    const QByteArray body = QByteArray::fromHex("000c4204" "0103414243" "0209");
    EXPECT_EQ(walked(body.sliced(4).first(5)), QStringLiteral("1:414243"));
    EXPECT_FALSE(ElementWalk(body.sliced(4)).complete());
}
