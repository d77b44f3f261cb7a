#include "mainwindow/InvoiceFaceView.h"

#include <QLabel>

namespace {

// The share of the width each of three columns gets: the kind's name, the code, and the number
// of a fully digital invoice (20 digits) each fit whole in the main window.
constexpr double kThreeColumnShares[] = {0.34, 0.28, 0.38};

}  // namespace

InvoiceFaceView::InvoiceFaceView(int columns, const QFont& font, QWidget* parent)
    : QWidget(parent), columns_(columns) {
    setFont(font);
}

void InvoiceFaceView::setItems(const QList<QPair<QString, QString>>& items) {
    items_ = items;
    while (labels_.size() < items_.size()) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        labels_ << label;
    }
    placeItems();
}

QStringList InvoiceFaceView::shownTexts() const {
    QStringList texts;
    for (qsizetype i = 0; i < items_.size(); ++i) {
        texts << labels_[i]->text();
    }
    return texts;
}

void InvoiceFaceView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeItems();
}

void InvoiceFaceView::placeItems() {
    const qsizetype count = items_.size();
    for (qsizetype i = 0; i < labels_.size(); ++i) {
        labels_[i]->setVisible(i < count);
    }
    for (qsizetype i = 0; i < count; ++i) {
        const int row = int(i / columns_);
        const int column = int(i % columns_);
        const qsizetype inRow = std::min<qsizetype>(columns_, count - qsizetype(row) * columns_);
        int left = 0;
        int cellWidth = width() / int(inRow);
        if (inRow == columns_ && columns_ == 3) {
            for (int c = 0; c < column; ++c) {
                left += int(width() * kThreeColumnShares[c]);
            }
            cellWidth = int(width() * kThreeColumnShares[column]);
        } else {
            left = column * cellWidth;
        }
        const QString whole = items_[i].first + QStringLiteral("：") + items_[i].second;
        QLabel* label = labels_[i];
        label->setGeometry(left, row * kRowHeight, cellWidth, kRowHeight);
        const QString shown = label->fontMetrics().elidedText(whole, Qt::ElideRight, cellWidth - 6);
        label->setText(shown);
        label->setToolTip(shown == whole ? QString() : whole);
    }
}
