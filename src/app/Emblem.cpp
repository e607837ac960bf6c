#include "Emblem.h"

#include <QPainter>
#include <QPainterPath>

QPixmap orbelonEmblem(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);

    // The sheet of accounts behind the house.
    p.setPen(QPen(QColor(90, 110, 140), 1.5));
    p.setBrush(QColor(250, 250, 245));
    p.drawRoundedRect(QRectF(52, 30, 40, 56), 3, 3);
    p.setPen(QPen(QColor(150, 165, 185), 1.2));
    for (int y = 42; y <= 78; y += 7)
        p.drawLine(QPointF(58, y), QPointF(86, y));

    // The block of flats.
    p.setPen(QPen(QColor(40, 60, 100), 2));
    p.setBrush(QColor(70, 120, 180));
    p.drawRect(QRectF(10, 40, 44, 50));
    QPainterPath roof;
    roof.moveTo(6, 42);
    roof.lineTo(32, 16);
    roof.lineTo(58, 42);
    roof.closeSubpath();
    p.setBrush(QColor(180, 60, 50));
    p.drawPath(roof);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 230, 140));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRectF(15 + col * 13, 47 + row * 13, 8, 8));
    }
    return pixmap;
}
