#pragma once

#include <QLabel>

// The number of recorded invoices in large digits. A number too wide for the label's designed
// bounds (eight digits and more at 32 pixels) is drawn in a smaller size that fits, so that it is
// read whole instead of cut off at both ends.
class CountLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The font the current text is drawn in: the label's font, or a smaller one that fits.
    QFont textFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
