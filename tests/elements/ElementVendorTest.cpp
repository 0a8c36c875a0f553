#include <gtest/gtest.h>

#include "support/QStringPrinter.h"
#include "elements/SVInfoElement.h"

namespace {

struct IdentifierCase {
    unsigned id;
    const char* body;
    const char* identifier;
};

} // namespace

// The outline keys expanded rows by identifier, so it must be the same
// before and after the fields are first asked for.
TEST(VendorIdentifier, IsStableAndNeedsOUIAndType)
{
    const IdentifierCase cases[] = {
        {221, "00112207AABB", "id=221,oui=00-11-22,type=7"},
        {150, "0040960005", "id=221,oui=00-40-96,type=0"},
        {221, "001122", "id=221"},
        {221, "", "id=221"},
        {48, "0100000FAC040000", "id=48"},
    };
    for (const IdentifierCase& c : cases) {
        const SVInfoElement element(c.id, QByteArray::fromHex(c.body));
        EXPECT_EQ(element.ieIdentifier(), QString::fromLatin1(c.identifier)) << c.body;
        (void)element.fields();
        EXPECT_EQ(element.ieIdentifier(), QString::fromLatin1(c.identifier)) << c.body;
    }
}
