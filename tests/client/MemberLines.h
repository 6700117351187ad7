#pragma once

// The scalar members of a record, one "name=value" line each, from the
// readers' own member table: a member added to the table is compared by
// every test that describes records this way.

#include "RecordMembers.h"

#include <QString>
#include <QStringList>

#include <cmath>
#include <span>
#include <variant>

// A real in full precision, with the sign of a zero.
inline QString RealText(double v)
{
    return std::isnan(v) ? QStringLiteral("nan")
                         : (std::signbit(v) ? QStringLiteral("-") : QString()) + QString::number(std::abs(v), 'g', 17);
}

template <class R>
QStringList MemberLines(std::span<const RecordMembers::Member<R>> members, const R &r, const QString &prefix = QString())
{
    QStringList lines;
    for (const auto &m : members) {
        const QString value = std::visit(
            [&r](auto member) {
                const auto &v = r.*member;
                using V = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<V, QString>)
                    return v;
                else if constexpr (std::is_same_v<V, double>)
                    return RealText(v);
                else
                    return QString::number(qint64(v));
            },
            m.member);
        lines << prefix + QString::fromLatin1(m.name.data(), qsizetype(m.name.size())) + QLatin1Char('=') + value;
    }
    return lines;
}
