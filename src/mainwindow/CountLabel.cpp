#include "mainwindow/CountLabel.h"

#include <QPainter>

QFont CountLabel::textFont() const {
    QFont fitted = font();
    const int room = contentsRect().width();
    for (int px = fitted.pixelSize(); px > 6; --px) {
        fitted.setPixelSize(px);
        if (QFontMetrics(fitted).horizontalAdvance(text()) <= room) {
            break;
        }
    }
    return fitted;
}

void CountLabel::paintEvent(QPaintEvent* event) {
    const QFont fitted = textFont();
    if (fitted.pixelSize() == font().pixelSize()) {
        QLabel::paintEvent(event);
        return;
    }
    // Smaller digits stand where the designed ones would have their middle.
    QRect line = contentsRect();
    line.setHeight(std::min(line.height(), QFontMetrics(font()).height()));
    QPainter painter(this);
    painter.setFont(fitted);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter, text());
}
