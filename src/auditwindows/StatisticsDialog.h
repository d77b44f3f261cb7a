#pragma once

#include <QDialog>
#include <array>

#include "statistics/ClaimFigures.h"
#include "statistics/RuleFigures.h"
#include "store/AuditTrail.h"

class QChart;
class QChartView;
class QDateEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

// 统计: for a range of 报销时间, the number of invoices and the sum of 开票金额 per reimburser and
// per month, with totals, as tables and bar charts; the table shown exports as .csv or .xlsx,
// the chart shown as .png. A third table counts the office's rules' refusals and warnings per
// month and rule (by the trail's time), a fourth the reimbursement claims closed per month and
// reimburser with their average invoices; both export as .csv. Each table is one query of the
// store.
namespace audit {

class StatisticsDialog final : public QDialog {
    Q_OBJECT
public:
    explicit StatisticsDialog(QWidget* owner);

    // At most this many reimbursers get a bar (the largest sums); the table lists them all.
    static constexpr int kMostBars = 30;

    QDateEdit* fromDate;
    QDateEdit* toDate;
    QPushButton* countButton;
    QTabWidget* tabs;
    std::array<QTableWidget*, 2> tables{};  // by reimburser, by month
    std::array<QChartView*, 2> charts{};
    QTableWidget* ruleTable;   // 核销规则: refusals and warnings per month and rule
    QTableWidget* claimTable;  // 报销单: claims per month and reimburser
    QPushButton* exportTableButton;
    QPushButton* exportChartButton;
    QPushButton* closeButton;

    const ReimbursementFigures& figures(FigureGrouping grouping) const;
    FigureGrouping shownGrouping() const;
    const QList<rulefigures::Row>& ruleRows() const { return ruleRows_; }
    bool rulesShown() const;
    const QList<ClaimFigure>& claimRows() const { return claimRows_; }
    bool claimsShown() const;

public slots:
    // Reads both tables for the range and shows them. False when the store failed.
    bool count();
    void exportTable();
    void exportChart();

private:
    void showFigures(FigureGrouping grouping);
    void showRuleFigures();
    // A table of texts, the last row (the totals) bold, the first columns left-aligned.
    static void fill(QTableWidget* table, const QList<QStringList>& rows, int leftColumns);
    QString rangeText() const;

    std::array<ReimbursementFigures, 2> figures_;
    QList<rulefigures::Row> ruleRows_;
    QList<ClaimFigure> claimRows_;
};

}  // namespace audit
