#include "ui/logo.h"

#include <QApplication>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quillmar {

QPixmap quillmarLogo()
{
    return quillmarLogo(QApplication::palette());
}

QPixmap quillmarLogo(const QPalette& palette)
{
    QPixmap pixmap(305, 59);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // The printer's white paper and dark body need a light card of their own.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 250, 250));
    painter.drawRoundedRect(QRectF(1, 1, 70, 57), 8, 8);

    // A receipt printer with paper coming out, beside the word mark.
    QLinearGradient body(0, 18, 0, 52);
    body.setColorAt(0, QColor(70, 110, 170));
    body.setColorAt(1, QColor(25, 50, 95));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.drawRect(QRectF(14.5, 4.5, 26, 22));
    for (int line = 0; line < 3; ++line)
        painter.drawLine(QPointF(18, 10 + 5 * line), QPointF(37 - 4 * line, 10 + 5 * line));
    painter.setPen(Qt::NoPen);
    painter.setBrush(body);
    QPainterPath printer;
    printer.addRoundedRect(QRectF(6, 20, 44, 30), 6, 6);
    painter.drawPath(printer);
    painter.setBrush(QColor(255, 160, 40));
    painter.drawEllipse(QPointF(42, 41), 3, 3);

    // Wi-Fi arcs above the printer.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 160, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int arc = 0; arc < 3; ++arc) {
        const qreal r = 4 + 4.5 * arc;
        painter.drawArc(QRectF(56 - r, 22 - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }

    QFont mark(QStringLiteral("DejaVu Sans"), 24, QFont::Black);
    mark.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    painter.setFont(mark);
    // The word mark in the theme's text colour; the house blue where the
    // background is light enough for it.
    const QColor text = palette.color(QPalette::WindowText);
    const bool lightWindow = palette.color(QPalette::Window).lightness() >= 128;
    painter.setPen(lightWindow ? QColor(25, 50, 95) : text);
    painter.drawText(QRectF(76, 4, 229, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QUILLMAR"));

    QFont tag(QStringLiteral("DejaVu Sans"), 8);
    painter.setFont(tag);
    painter.setPen(lightWindow ? QColor(90, 90, 90) : palette.color(QPalette::Disabled, QPalette::WindowText));
    painter.drawText(QRectF(78, 38, 227, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("LAN / WI-FI POS PRINTERS"));
    return pixmap;
}

}  // namespace quillmar
