#pragma once

#include <QList>
#include <QPair>
#include <QWidget>

class QLabel;

// The invoice at a glance under an outcome: "title：value" items in rows of a few columns, each
// cut short with "…" where it would not fit (its whole text then in its tool tip). A last row of
// fewer items shares the width among them, so that long names get room.
class InvoiceFaceView final : public QWidget {
    Q_OBJECT
public:
    InvoiceFaceView(int columns, const QFont& font, QWidget* parent);

    void setItems(const QList<QPair<QString, QString>>& items);
    void clear() { setItems({}); }
    // The texts as shown, in order (tests read them).
    QStringList shownTexts() const;

    static constexpr int kRowHeight = 15;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeItems();

    int columns_;
    QList<QPair<QString, QString>> items_;
    QList<QLabel*> labels_;
};
