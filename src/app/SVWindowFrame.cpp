#include "app/SVWindowFrame.h"

#include <algorithm>

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

// The rectangle value's class, its kind code for a rectangle and its text form.
const QStringList kValueChain = {QStringLiteral("NSValue"), QStringLiteral("NSObject")};
constexpr qint64 kRectKind = 1;

QString rectText(const QRect& r)
{
    return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

QByteArray archivedWindowFrame(const QRect& frame)
{
    QByteArray data;
    sv::KeyedArchiver archiver(&data);
    archiver.encodeObjectWith("root", kValueChain, [&](sv::KeyedArchiver& c) {
        c.encodeInt("NS.special", kRectKind);
        c.encodeObject("NS.rectval", rectText(frame));
    });
    return archiver.finish() ? data : QByteArray();
}

std::optional<QRect> unarchivedWindowFrame(const QByteArray& data)
{
    if (data.isEmpty())
        return std::nullopt;
    sv::KeyedUnarchiver archive = sv::KeyedUnarchiver::fromData(data);
    QString text;
    archive.decodeObjectWith("root", [&](sv::KeyedUnarchiver& value) {
        text = value.decodeObject("NS.rectval").toString();
    });
    if (archive.failed())
        return std::nullopt;
    static const QRegularExpression form(
        QStringLiteral(R"(^\{\{\s*(-?[\d.]+)\s*,\s*(-?[\d.]+)\s*\}\s*,\s*\{\s*([\d.]+)\s*,\s*([\d.]+)\s*\}\}$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = m.captured(i + 1).toDouble(&ok);
        if (!ok || !std::isfinite(v[i]) || std::abs(v[i]) > 1e6)
            return std::nullopt;
    }
    const QRect r(int(std::lround(v[0])), int(std::lround(v[1])), int(std::lround(v[2])), int(std::lround(v[3])));
    if (r.width() <= 0 || r.height() <= 0)
        return std::nullopt;
    return r;
}

QRect firstLaunchWindowFrame(const QRect& area, QSize designed)
{
    const QSize size(int(std::lround(designed.width() * 0.9)), int(std::lround(designed.height() * 0.85)));
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(area.center());
    return frame;
}

QRect frameOnScreens(const QRect& frame, const QList<QRect>& screenAreas, const QRect& primaryArea)
{
    // The strip a user grabs to move a window.
    const QRect grip(frame.left(), frame.top(), frame.width(), std::min(frame.height(), 30));
    for (const QRect& area : screenAreas) {
        const QRect shown = area.intersected(grip);
        if (shown.width() >= std::min(grip.width(), 100) && shown.height() >= std::min(grip.height(), 20))
            return frame;
    }
    if (primaryArea.isEmpty())
        return frame;
    QRect moved(QPoint(), frame.size().boundedTo(primaryArea.size()));
    moved.moveCenter(primaryArea.center());
    return moved;
}
