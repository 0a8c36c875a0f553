#pragma once

#include <QSet>
#include <QString>
#include <QVector>

#include <vector>
#include <optional>

// The filter field's language: groups joined by "&" must all match, terms
// joined by "," are alternatives, a leading "!" negates a term, double
// quotes ask for an exact match, and keyword terms (security, PHY, band,
// width, channel, BSSID fragment, signal comparison) are decided by their
// own test alone. The text is parsed once per filtering into the tree below;
// the evaluator then runs each term over every record once.

// What a term reads of one record. The caller fills only the fields that
// the expression needs (SVFilterExpression::neededFacts).
struct SVFilterFacts {
    enum Field : unsigned {
        Rssi = 1u << 0,
        Security = 1u << 1,
        Phy = 1u << 2,
        Bssid = 1u << 3,
        Band = 1u << 4,
        Width = 1u << 5,
        Channel = 1u << 6,
        Ssid = 1u << 7,
        DeviceName = 1u << 8,
        Annotations = 1u << 9,
        Vendor = 1u << 10,
        CountryCode = 1u << 11,
    };

    qint64 rssiLast = -120;
    bool isWPA = false;
    bool isWPA2 = false;
    bool isWPA3 = false;
    bool isSAE = false;
    bool isOWE = false;
    bool isWEP = false;
    bool isPSK = false;
    bool is80211X = false;
    bool is2Dot4GHz = false;
    bool is5GHz = false;
    qint64 channel = 0;
    qint64 channelWidth = 0; // code: 1 = 20, 2 = 40, 3 = 80, 4 = 160 MHz
    QString phyModeValue;    // "a/n/ac"
    QString bssid;
    QString ssid;
    QString deviceName;
    QString annotations;
    QString vendor;
    QString countryCode;
};

// One term after preparation: everything that does not depend on a record is
// worked out here, so the per-record test only compares.
struct SVFilterTerm {
    enum class Comparison { None, GreaterOrEqual, LessOrEqual, Greater, Less };
    enum class Security { None, WPA, WPA2, WPA3, SAE, OWE, WEP, PSK, Dot1X };
    enum class Band { None, TwoDotFour, Five };

    QString text;          // trimmed, without the "!"
    bool negated = false;
    bool matchesAll = false; // nothing left after the "!": every record, negation not applied
    bool quoted = false;

    // Signal comparison (deciding for every comparison term).
    bool isComparison = false;
    bool comparisonValid = false; // false: matches nothing
    Comparison op = Comparison::None;
    qint64 operand = 0;
    bool percent = false;

    Security security = Security::None; // deciding when set

    QString phyReduced;   // the term with ".", "80211" and "11" removed, lower case
    bool phyDeciding = false;

    QString exactText;    // a quoted term without its enclosing quotes
    QString unquotedText; // the term without any double quote
    bool bssidFragment = false; // unquoted with ":": deciding

    Band band = Band::None;
    qint64 widthCode = 0; // 1..4 when the term names a width: deciding
    std::optional<qint64> channel; // a valid channel number: deciding
};

struct SVFilterGroup {
    QVector<SVFilterTerm> terms; // empty: the group matches nothing
};

class SVFilterExpression {
public:
    // Column identifiers through which a term can match, as one bit each.
    enum Mark : unsigned {
        MarkRssi = 1u << 0,
        MarkSecurityMode = 1u << 1,
        MarkPhyMode = 1u << 2,
        MarkBssid = 1u << 3,
        MarkChannelBand = 1u << 4,
        MarkChannelWidth = 1u << 5,
        MarkChannel = 1u << 6,
        MarkSsid = 1u << 7,
        MarkDeviceName = 1u << 8,
        MarkAnnotations = 1u << 9,
        MarkVendor = 1u << 10,
        MarkCountryCode = 1u << 11,
    };

    static SVFilterExpression parse(const QString& filter);
    static SVFilterTerm parseTerm(const QString& term);

    const QVector<SVFilterGroup>& groups() const { return m_groups; }
    // Bits of SVFilterFacts::Field the evaluation reads.
    unsigned neededFacts() const { return m_needed; }

    // One flag per record: whether it passes every group. The column marks
    // of every match (before negation) are or-ed into marks.
    std::vector<char> evaluate(const std::vector<SVFilterFacts>& records, unsigned* marks) const;

    // One term over every record: one flag per record, negation applied.
    static std::vector<char> evaluateTerm(const SVFilterTerm& term, const std::vector<SVFilterFacts>& records,
                                          unsigned* marks);
    static unsigned neededFacts(const SVFilterTerm& term);

    // One term over one record: whether it matches, before negation; the
    // column it matched through goes to mark.
    static bool matchTerm(const SVFilterTerm& term, const SVFilterFacts& record, unsigned* mark);

    // The column identifiers ("RSSI", "SSID", ...) of a set of marks.
    static QSet<QString> columnIdentifiers(unsigned marks);

private:
    QVector<SVFilterGroup> m_groups;
    unsigned m_needed = 0;
};

namespace sv {

// How the platform reads an integer from text: leading white space, an
// optional sign, the leading decimal digits; 0 when there are none;
// saturating at the ends of the 64-bit range.
qint64 integerValue(QStringView text);

// A channel number the filter language accepts: 1-14, 36-64, 100-140 and
// 149-165 in steps of 4 in the 5 GHz band.
bool isValidFilterChannel(qint64 channel);

} // namespace sv
