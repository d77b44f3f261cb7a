// Draws the program's icon, an invoice on the program's green stamped as written off, as PNG
// files of the sizes the desktop asks for:
//   make_icon <output directory> <size>...   writes fpbx-<size>.png for each size
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor kGreen(0x62, 0xa3, 0x06);  // the main window's top bar
const QColor kDarkGreen(0x4a, 0x7d, 0x04);
const QColor kPaleLine(0xb9, 0xc9, 0xa4);
const QColor kStampRed(0xe2, 0x3b, 0x2e);

// The paper: a receipt whose lower edge is torn off in teeth.
QPainterPath paper() {
    QPainterPath path(QPointF(60, 36));
    path.lineTo(180, 36);
    path.lineTo(180, 204);
    for (int x = 168; x >= 60; x -= 12) {
        path.lineTo(x, (x / 12) % 2 == 0 ? 204 : 194);
    }
    path.closeSubpath();
    return path;
}

// Drawn on a 256 by 256 grid, scaled to size.
QImage draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);

    painter.setPen(Qt::NoPen);
    painter.setBrush(kGreen);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    painter.setPen(QPen(kDarkGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::white);
    painter.drawPath(paper());

    painter.setPen(Qt::NoPen);
    painter.setBrush(kGreen);
    painter.drawRoundedRect(QRectF(78, 60, 64, 10), 5, 5);
    painter.setBrush(kPaleLine);
    painter.drawRoundedRect(QRectF(78, 86, 84, 8), 4, 4);
    painter.drawRoundedRect(QRectF(78, 106, 84, 8), 4, 4);
    painter.drawRoundedRect(QRectF(78, 126, 60, 8), 4, 4);

    painter.setPen(QPen(Qt::white, 6));
    painter.setBrush(kStampRed);
    painter.drawEllipse(QPointF(176, 172), 48, 48);
    QPainterPath tick(QPointF(152, 172));
    tick.lineTo(169, 189);
    tick.lineTo(202, 155);
    painter.setPen(QPen(Qt::white, 13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icon <output directory> <size>...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString path =
            QStringLiteral("%1/fpbx-%2.png").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (size <= 0 || !draw(size).save(path, "PNG")) {
            std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
