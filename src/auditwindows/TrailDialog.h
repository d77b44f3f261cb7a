#pragma once

#include <QDialog>
#include <optional>

#include "store/AuditTrail.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

// The audit trail in a window: the history of one invoice (the records grid's 查看记录历史), or
// every line written on a range of days (the records window's 操作记录), with export as .csv.
namespace audit {

class TrailDialog final : public QDialog {
    Q_OBJECT
public:
    // The lines of one invoice, read at once.
    TrailDialog(const trail::InvoiceKey& invoice, QWidget* owner);
    // The lines of a range of days, today's at first.
    explicit TrailDialog(QWidget* owner);

    // At most this many lines are listed; the export holds them all.
    static constexpr qsizetype kListed = 5000;

    QDateEdit* fromDate = nullptr;  // range only
    QDateEdit* toDate = nullptr;
    QPushButton* searchButton = nullptr;
    QTableWidget* table = nullptr;
    QLabel* countLabel = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* closeButton = nullptr;

    const QList<trail::Entry>& entries() const { return entries_; }

public slots:
    void search();
    void exportCsv();

private:
    void build();
    trail::Filter filter() const;
    void list(const trail::Lines& lines);

    std::optional<trail::InvoiceKey> invoice_;
    QList<trail::Entry> entries_;
};

}  // namespace audit
