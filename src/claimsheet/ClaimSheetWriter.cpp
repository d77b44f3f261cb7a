#include "claimsheet/ClaimSheetWriter.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace claimsheet {

namespace {

QFont sheetFont(double points, bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("微软雅黑")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The claim's number as a QR code, a square of side pixels at (x, y).
void drawQr(QPainter& painter, const QString& text, const QRectF& square) {
    const ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                        .setMargin(0)
                                        .encode(text.toStdString(), 0, 0);
    const int modules = matrix.width();
    if (modules <= 0) {
        return;
    }
    const double cell = square.width() / modules;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int y = 0; y < matrix.height(); ++y) {
        for (int x = 0; x < modules; ++x) {
            if (matrix.get(x, y)) {
                painter.drawRect(QRectF(square.left() + x * cell, square.top() + y * cell,
                                        cell + 0.5, cell + 0.5));
            }
        }
    }
    painter.restore();
}

// The width of each column of the invoice table, as parts of the whole.
constexpr double kColumnParts[] = {0.07, 0.22, 0.17, 0.24, 0.14, 0.16};

}  // namespace

void paint(const claims::SheetContent& sheet, QPagedPaintDevice& device) {
    QPainter painter(&device);
    const QRectF page(0, 0, device.width(), device.height());  // within the margins
    const double w = page.width();
    const double unit = device.logicalDpiY() / 25.4;  // pixels per millimetre
    const double line = 8 * unit;
    double y = 0;

    painter.setFont(sheetFont(18, true));
    painter.drawText(QRectF(0, y, w, 14 * unit), Qt::AlignCenter, sheet.title);
    const double qr = 26 * unit;
    drawQr(painter, sheet.number, QRectF(w - qr, y, qr, qr));
    y += 16 * unit;
    painter.setFont(sheetFont(10.5));
    const QStringList heads = {
        QStringLiteral("单位：") + sheet.company, QStringLiteral("报销单号：") + sheet.number,
        QStringLiteral("报销人：") + sheet.reimburser + QStringLiteral("    日期：") + sheet.date};
    for (const QString& text : heads) {
        painter.drawText(QRectF(0, y, w - qr - 2 * unit, line), Qt::AlignLeft | Qt::AlignVCenter,
                         text);
        y += line;
    }
    y = std::max(y, qr) + 4 * unit;

    const auto row = [&](const QStringList& cells, bool heading) {
        if (y + line > page.height() - 4 * line) {
            device.newPage();
            y = 0;
        }
        painter.setFont(sheetFont(10, heading));
        double x = 0;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const double cw = w * kColumnParts[c];
            const QRectF cell(x, y, cw, line);
            painter.drawRect(cell);
            const Qt::Alignment align =
                c == cells.size() - 1 && !heading ? Qt::AlignRight : Qt::AlignHCenter;
            painter.drawText(cell.adjusted(unit, 0, -unit, 0), align | Qt::AlignVCenter, cells[c]);
            x += cw;
        }
        y += line;
    };
    row(sheet.headings, true);
    for (const QStringList& cells : sheet.rows) {
        row(cells, false);
    }
    y += 3 * unit;
    painter.setFont(sheetFont(11, true));
    painter.drawText(QRectF(0, y, w, line), Qt::AlignLeft | Qt::AlignVCenter,
                     sheet.count + QStringLiteral("    合计：") + sheet.totalFigures);
    y += line;
    painter.drawText(QRectF(0, y, w, line), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("合计（大写）：") + sheet.totalCapitals);
    y += 3 * line;
    painter.setFont(sheetFont(10.5));
    painter.drawText(QRectF(0, y, w, line), Qt::AlignLeft | Qt::AlignVCenter, sheet.signatures);
}

QString writePdf(const claims::SheetContent& sheet, const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return QStringLiteral("无法创建文件夹：%1").arg(QFileInfo(path).absolutePath());
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return QStringLiteral("无法写入文件：%1（%2）").arg(path, file.errorString());
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(sheet.title + u' ' + sheet.number);
        writer.setCreator(QStringLiteral("电子发票核销"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(18, 15, 18, 15), QPageLayout::Millimeter));
        paint(sheet, writer);
    }
    if (!file.commit()) {
        return QStringLiteral("无法写入文件：%1（%2）").arg(path, file.errorString());
    }
    return {};
}

}  // namespace claimsheet
