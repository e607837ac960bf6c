#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>

#include <optional>

/// An exact fixed-point number: integer units of 10^-scale (kopecks for scale 2).
/// Money, areas, volumes and tariffs are kept in this form from the database to
/// the screen, so that sums compare exactly. A default-constructed Decimal is null
/// (SQL NULL).
class Decimal
{
public:
    Decimal() = default;
    static Decimal fromUnits(qint64 units, int scale);
    /// Reads "123,45", "-0.5", "7" (comma or point). Returns nothing when the text is
    /// not a plain number or has more decimals than `scale`. Empty text gives a null.
    static std::optional<Decimal> parse(QStringView text, int scale);
    /// A value read from the database (integer units); null stays null.
    static Decimal fromVariant(const QVariant& value, int scale);

    bool isNull() const { return m_null; }
    qint64 units() const { return m_units; }
    int scale() const { return m_scale; }

    /// The same value with another scale; a finer scale is exact, a coarser one
    /// rounds half away from zero.
    Decimal rescaled(int scale) const;
    /// Text with exactly `decimals` digits after a comma separator ("1234,50");
    /// an empty text for null.
    QString toString(int decimals) const;
    QString toString() const { return toString(m_scale); }
    /// Units for binding; a null QVariant for null.
    QVariant toVariant() const;

    friend bool operator==(const Decimal& a, const Decimal& b);

private:
    qint64 m_units = 0;
    int m_scale = 0;
    bool m_null = true;
};
