#include "Decimal.h"

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int MaxScale = 9;

qint64 pow10(int n)
{
    qint64 result = 1;
    while (n-- > 0)
        result *= 10;
    return result;
}
} // namespace

Decimal Decimal::fromUnits(qint64 units, int scale)
{
    Decimal d;
    d.m_units = units;
    d.m_scale = qBound(0, scale, MaxScale);
    d.m_null = false;
    return d;
}

std::optional<Decimal> Decimal::parse(QStringView text, int scale)
{
    text = text.trimmed();
    if (text.isEmpty())
        return Decimal();
    bool negative = false;
    if (text.front() == u'-' || text.front() == u'+') {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    qint64 whole = 0;
    qint64 fraction = 0;
    int fractionDigits = 0;
    int wholeDigits = 0;
    bool inFraction = false;
    for (const QChar ch : text) {
        if (ch == u',' || ch == u'.') {
            if (inFraction)
                return std::nullopt;
            inFraction = true;
            continue;
        }
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        const int digit = ch.unicode() - u'0';
        if (inFraction) {
            if (++fractionDigits > scale)
                return std::nullopt;
            fraction = fraction * 10 + digit;
        } else {
            if (++wholeDigits + scale > 18)
                return std::nullopt;
            whole = whole * 10 + digit;
        }
    }
    if (wholeDigits == 0 && fractionDigits == 0)
        return std::nullopt;
    qint64 units = whole * pow10(scale) + fraction * pow10(scale - fractionDigits);
    return fromUnits(negative ? -units : units, scale);
}

Decimal Decimal::fromVariant(const QVariant& value, int scale)
{
    if (value.isNull() || !value.isValid())
        return Decimal();
    bool ok = false;
    const qint64 units = value.toLongLong(&ok);
    return ok ? fromUnits(units, scale) : Decimal();
}

Decimal Decimal::rescaled(int scale) const
{
    if (m_null)
        return Decimal();
    scale = qBound(0, scale, MaxScale);
    if (scale >= m_scale)
        return fromUnits(m_units * pow10(scale - m_scale), scale);
    const qint64 divisor = pow10(m_scale - scale);
    const qint64 magnitude = (std::llabs(m_units) + divisor / 2) / divisor;
    return fromUnits(m_units < 0 ? -magnitude : magnitude, scale);
}

QString Decimal::toString(int decimals) const
{
    if (m_null)
        return {};
    const Decimal d = rescaled(decimals);
    const qint64 magnitude = std::llabs(d.m_units);
    const qint64 divisor = pow10(d.m_scale);
    QString text = QString::number(magnitude / divisor);
    if (d.m_scale > 0)
        text += u',' + QString::number(magnitude % divisor).rightJustified(d.m_scale, u'0');
    if (d.m_units < 0)
        text.prepend(u'-');
    return text;
}

QVariant Decimal::toVariant() const
{
    return m_null ? QVariant() : QVariant(m_units);
}

bool operator==(const Decimal& a, const Decimal& b)
{
    if (a.m_null || b.m_null)
        return a.m_null == b.m_null;
    const int scale = qMax(a.m_scale, b.m_scale);
    return a.rescaled(scale).m_units == b.rescaled(scale).m_units;
}
