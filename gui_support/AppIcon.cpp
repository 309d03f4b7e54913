#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>

QImage DrawAppIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // Plot face
    p.setPen(QPen(QColor(0x30, 0x40, 0x50), 2));
    p.setBrush(QColor(0xF0, 0xF0, 0xF0));
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 8, 8);
    p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1));
    for (int i = 1; i < 4; ++i) {
        p.drawLine(QPointF(8, 8 + i * 12), QPointF(56, 8 + i * 12));
        p.drawLine(QPointF(8 + i * 12, 8), QPointF(8 + i * 12, 56));
    }
    // Measurement trace in the chart's measurement green, with a peak.
    QPainterPath trace;
    const double ys[] = {44, 42, 45, 40, 41, 22, 14, 30, 38, 40, 36, 39, 37};
    trace.moveTo(8, ys[0]);
    for (int i = 1; i < 13; ++i)
        trace.lineTo(8 + i * 4, ys[i]);
    p.setPen(QPen(QColor(0x20, 0x80, 0x00), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trace);
    // Mercury drop
    QPainterPath drop;
    drop.moveTo(46, 34);
    drop.cubicTo(52, 44, 56, 48, 56, 52);
    drop.cubicTo(56, 58, 50, 60, 46, 60);
    drop.cubicTo(42, 60, 36, 58, 36, 52);
    drop.cubicTo(36, 48, 40, 44, 46, 34);
    QLinearGradient g(36, 34, 56, 60);
    g.setColorAt(0, QColor(0xF4, 0xF6, 0xF8));
    g.setColorAt(1, QColor(0x70, 0x78, 0x88));
    p.setPen(QPen(QColor(0x40, 0x48, 0x58), 1.5));
    p.setBrush(g);
    p.drawPath(drop);
    p.end();
    return img;
}

QIcon AppIcon() {
    QIcon icon;
    for (int s : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawAppIcon(s)));
    return icon;
}
