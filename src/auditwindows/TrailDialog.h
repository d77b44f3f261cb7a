#pragma once

#include <QDialog>
#include <optional>

#include "store/AuditTrail.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;
namespace records {
class TrailPages;
}

// The audit trail in a window: the history of one invoice (the records grid's 查看记录历史), or
// every line written on a range of days (the records window's 操作记录), with export as .csv.
// Lines are read a page at a time off the window's thread as the list is scrolled; the export
// writes every line, on a thread of its own with a progress window.
namespace audit {

class TrailDialog final : public QDialog {
    Q_OBJECT
public:
    // The lines of one invoice.
    TrailDialog(const trail::InvoiceKey& invoice, QWidget* owner);
    // The lines of a range of days, today's at first.
    explicit TrailDialog(QWidget* owner);
    ~TrailDialog() override;

    // The export reads and writes this many lines at a time.
    static constexpr qsizetype kExportPage = 5000;

    QDateEdit* fromDate = nullptr;  // range only
    QDateEdit* toDate = nullptr;
    QPushButton* searchButton = nullptr;
    QTableView* table = nullptr;
    QLabel* countLabel = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* closeButton = nullptr;

    const QList<trail::Entry>& entries() const;
    records::TrailPages& pages() const { return *pages_; }

public slots:
    void search();
    void exportCsv();

private:
    void build();
    trail::Filter filter() const;
    void listed();  // a page has come
    void writeAll(const QString& path);

    std::optional<trail::InvoiceKey> invoice_;
    records::TrailPages* pages_ = nullptr;
    bool columnsFitted_ = false;
};

}  // namespace audit
