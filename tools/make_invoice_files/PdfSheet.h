#pragma once

#include <QPainter>
#include <QPdfWriter>
#include <QPointF>
#include <QRectF>
#include <QString>

// A PDF written page by page, placed in millimetres from the page's top-left corner, the way an
// e-invoice PDF is drawn: QR codes as pictures or as filled squares, other barcodes, text.
namespace fixtures {

class PdfSheet {
public:
    explicit PdfSheet(const QString& path, QSizeF pageMillimetres = {240, 140});
    ~PdfSheet();
    PdfSheet(const PdfSheet&) = delete;
    PdfSheet& operator=(const PdfSheet&) = delete;

    enum class Compression { Lossless, Jpeg };

    // The code as an embedded picture, turned clockwise about its centre by angle degrees.
    void qrPicture(const QString& text, const QRectF& millimetres, double angle = 0,
                   Compression compression = Compression::Lossless);
    // The code as one filled square per dark module.
    void qrSquares(const QString& text, const QRectF& millimetres);
    void code128(const QString& text, const QRectF& millimetres);
    // Text whose baseline starts at the point.
    void text(const QString& text, QPointF millimetres, double points = 9);
    void newPage();

private:
    QPointF device(QPointF millimetres) const;
    QRectF device(const QRectF& millimetres) const;

    QPdfWriter writer_;
    QPainter painter_;
};

}  // namespace fixtures
