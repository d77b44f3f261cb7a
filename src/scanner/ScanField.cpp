#include "scanner/ScanField.h"

#include <QPainter>

ScanField::ScanField(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void ScanField::insertText(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    text_ += text;
    update();
    emit textChanged();
}

void ScanField::deletePreviousChar() {
    if (text_.isEmpty()) {
        return;
    }
    text_.chop(text_.size() >= 2 && text_.back().isLowSurrogate() ? 2 : 1);
    update();
    emit textChanged();
}

void ScanField::clear() {
    if (text_.isEmpty()) {
        return;
    }
    text_.clear();
    update();
    emit textChanged();
}

void ScanField::paintEvent(QPaintEvent*) {
    // Shown only when someone looks: the last lines, as far as they fit.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(rect().adjusted(2, 1, -2, -1),
                     Qt::AlignLeft | Qt::AlignBottom | Qt::TextWrapAnywhere, text_.right(512));
}
