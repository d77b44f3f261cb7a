#pragma once

#include <QString>
#include <QWidget>

// The hidden multi-line field the capture types into. It keeps the text and reports every
// change at once. It lays nothing out: a text editor shapes its whole line at every key, which
// made a long scan cost seconds.
class ScanField final : public QWidget {
    Q_OBJECT

public:
    explicit ScanField(QWidget* parent = nullptr);

    const QString& toPlainText() const { return text_; }
    void insertText(const QString& text);  // at the end
    void deletePreviousChar();
    void clear();

signals:
    void textChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};
