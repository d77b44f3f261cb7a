#include "auditwindows/StatisticsDialog.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include "auditwindows/SaveAs.h"
#include "base/AppError.h"
#include "base/Clock.h"
#include "base/LocaleFormats.h"
#include "invoice/Amount.h"
#include "statistics/FigureTable.h"
#include "store/InvoiceStore.h"

namespace audit {

namespace {

int slot(FigureGrouping grouping) {
    return grouping == FigureGrouping::ByReimburser ? 0 : 1;
}

FigureGrouping groupingOf(int slot) {
    return slot == 0 ? FigureGrouping::ByReimburser : FigureGrouping::ByMonth;
}

QString tabTitle(FigureGrouping grouping) {
    return grouping == FigureGrouping::ByReimburser ? QStringLiteral("按报销人")
                                                    : QStringLiteral("按月份");
}

// A bar's label: a month as "3月" within one year, else "24-03" (the table has it whole).
QString barLabel(FigureGrouping grouping, const QString& group, bool sameYear) {
    if (grouping == FigureGrouping::ByMonth && group.size() == 7) {
        return sameYear ? QString::number(group.mid(5).toInt()) + QStringLiteral("月")
                        : group.mid(2);
    }
    return figuretable::groupText(grouping, group);
}

}  // namespace

StatisticsDialog::StatisticsDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("StatisticsDialog"));
    setWindowTitle(QStringLiteral("报销统计"));
    setModal(true);
    resize(920, 540);
    auto* layout = new QVBoxLayout(this);

    auto* range = new QHBoxLayout;
    const QDate today = appclock::now().date();
    fromDate = new QDateEdit(QDate(today.year(), 1, 1), this);
    toDate = new QDateEdit(today, this);
    for (QDateEdit* date : {fromDate, toDate}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QString::fromLatin1(localefmt::kShortDate));
        date->setMinimumWidth(120);
    }
    countButton = new QPushButton(QStringLiteral("统  计"), this);
    countButton->setAutoDefault(false);
    range->addWidget(new QLabel(QStringLiteral("报销时间"), this));
    range->addWidget(fromDate);
    range->addWidget(new QLabel(QStringLiteral("至"), this));
    range->addWidget(toDate);
    range->addWidget(countButton);
    range->addStretch();
    layout->addLayout(range);

    tabs = new QTabWidget(this);
    for (int s = 0; s < 2; ++s) {
        const FigureGrouping grouping = groupingOf(s);
        auto* page = new QWidget(tabs);
        auto* row = new QHBoxLayout(page);
        QTableWidget* table = new QTableWidget(0, 3, page);
        table->setObjectName(s == 0 ? QStringLiteral("byReimburser") : QStringLiteral("byMonth"));
        table->setHorizontalHeaderLabels(figuretable::headings(grouping));
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->verticalHeader()->setVisible(false);
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
        table->horizontalHeader()->setStretchLastSection(true);
        table->setFixedWidth(340);
        auto* chart = new QChart;
        chart->legend()->hide();
        chart->setAnimationOptions(QChart::NoAnimation);
        auto* view = new QChartView(chart, page);
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumWidth(420);
        row->addWidget(table);
        row->addWidget(view, 1);
        tabs->addTab(page, tabTitle(grouping));
        tables[std::size_t(s)] = table;
        charts[std::size_t(s)] = view;
    }
    ruleTable = new QTableWidget(0, 4, tabs);
    ruleTable->setObjectName(QStringLiteral("byRule"));
    ruleTable->setHorizontalHeaderLabels(rulefigures::headings());
    ruleTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ruleTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    ruleTable->verticalHeader()->setVisible(false);
    ruleTable->verticalHeader()->setDefaultSectionSize(ruleTable->fontMetrics().height() + 6);
    tabs->addTab(ruleTable, QStringLiteral("核销规则"));
    claimTable = new QTableWidget(0, int(claimfigures::headings().size()), tabs);
    claimTable->setObjectName(QStringLiteral("byClaim"));
    claimTable->setHorizontalHeaderLabels(claimfigures::headings());
    claimTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    claimTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    claimTable->verticalHeader()->setVisible(false);
    claimTable->verticalHeader()->setDefaultSectionSize(claimTable->fontMetrics().height() + 6);
    tabs->addTab(claimTable, QStringLiteral("报销单"));
    layout->addWidget(tabs, 1);

    auto* bottom = new QHBoxLayout;
    exportTableButton = new QPushButton(QStringLiteral("导出表格…"), this);
    exportChartButton = new QPushButton(QStringLiteral("导出图表…"), this);
    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    bottom->addStretch();
    for (QPushButton* button : {exportTableButton, exportChartButton, closeButton}) {
        button->setAutoDefault(false);
        bottom->addWidget(button);
    }
    layout->addLayout(bottom);

    connect(countButton, &QPushButton::clicked, this, &StatisticsDialog::count);
    connect(exportTableButton, &QPushButton::clicked, this, &StatisticsDialog::exportTable);
    connect(exportChartButton, &QPushButton::clicked, this, &StatisticsDialog::exportChart);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(tabs, &QTabWidget::currentChanged, this,
            [this] { exportChartButton->setEnabled(!rulesShown() && !claimsShown()); });
    count();
}

const ReimbursementFigures& StatisticsDialog::figures(FigureGrouping grouping) const {
    return figures_[std::size_t(slot(grouping))];
}

FigureGrouping StatisticsDialog::shownGrouping() const {
    return groupingOf(tabs->currentIndex());
}

bool StatisticsDialog::rulesShown() const {
    return tabs->currentWidget() == ruleTable;
}

bool StatisticsDialog::claimsShown() const {
    return tabs->currentWidget() == claimTable;
}

QString StatisticsDialog::rangeText() const {
    const QString format = QString::fromLatin1(localefmt::kShortDate);
    return fromDate->date().toString(format) + QStringLiteral(" 至 ") +
           toDate->date().toString(format);
}

bool StatisticsDialog::count() {
    if (fromDate->date() > toDate->date()) {
        appprompts::get().message(this, QStringLiteral("提示"),
                                  QStringLiteral("开始日期不能晚于结束日期！"), MsgIcon::Warning,
                                  MsgButtons::Ok);
        return false;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore(StoreUse::Reading);
    for (int s = 0; s < 2; ++s) {
        figures_[std::size_t(s)] = store->figures(fromDate->date(), toDate->date(), groupingOf(s));
    }
    const RuleNoteCounts notes = store->ruleNotes(fromDate->date(), toDate->date());
    ruleRows_ = rulefigures::tally(notes);
    const ClaimFigures claims = openClaimStore()->figures(fromDate->date(), toDate->date());
    claimRows_ = claims.rows;
    QGuiApplication::restoreOverrideCursor();
    showFigures(FigureGrouping::ByReimburser);
    showFigures(FigureGrouping::ByMonth);
    showRuleFigures();
    fill(claimTable, claimfigures::displayRows(claimRows_), 2);
    QList<StoreError> errors;
    for (const ReimbursementFigures& f : figures_) {
        if (!f.ok) {
            errors << f.error;
        }
    }
    if (!claims.ok) {
        errors << claims.error;
    }
    if (!notes.ok) {
        errors << notes.error;
    }
    if (!errors.isEmpty()) {
        appprompts::get().message(this, QStringLiteral("报销统计"),
                                  QStringLiteral("无法统计：") + errors[0].reason() +
                                      QStringLiteral("\n\n") + errors[0].detail,
                                  MsgIcon::Stop, MsgButtons::Ok);
        return false;
    }
    return true;
}

void StatisticsDialog::showFigures(FigureGrouping grouping) {
    const ReimbursementFigures& shown = figures(grouping);
    QTableWidget* table = tables[std::size_t(slot(grouping))];
    const QList<QStringList> rows = figuretable::displayRows(grouping, shown);
    table->setRowCount(0);
    table->setRowCount(int(rows.size()));
    QFont bold = table->font();
    bold.setBold(true);
    for (int r = 0; r < rows.size(); ++r) {
        const bool total = r == rows.size() - 1;
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                          : Qt::AlignRight | Qt::AlignVCenter);
            if (total) {
                item->setFont(bold);
            }
            table->setItem(r, c, item);
        }
    }
    table->resizeColumnToContents(0);
    table->setColumnWidth(0, std::max(table->columnWidth(0), 90));
    table->setColumnWidth(1, 70);

    QChart* chart = charts[std::size_t(slot(grouping))]->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto* set = new QBarSet(QStringLiteral("开票金额"));
    set->setColor(QColor(0x2e, 0x7d, 0x32));
    QStringList categories;
    const bool sameYear = fromDate->date().year() == toDate->date().year();
    double highest = 0;
    const qsizetype bars = grouping == FigureGrouping::ByReimburser
                               ? std::min<qsizetype>(shown.rows.size(), kMostBars)
                               : shown.rows.size();
    for (qsizetype i = 0; i < bars; ++i) {
        const double value = amount::toDouble(shown.rows[i].amountUnits);
        *set << value;
        highest = std::max(highest, value);
        categories << barLabel(grouping, shown.rows[i].group, sameYear);
    }
    auto* series = new QBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setTruncateLabels(false);
    if (categories.size() > 12) {
        x->setLabelsAngle(-60);
    }
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis;
    y->setRange(0, highest > 0 ? highest * 1.1 : 1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->applyNiceNumbers();
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    QString title = QStringLiteral("开票金额合计（元）%1，%2").arg(tabTitle(grouping), rangeText());
    if (bars < shown.rows.size()) {
        title += QStringLiteral("（金额最大的 %1 人）").arg(bars);
    }
    chart->setTitle(title);
}

void StatisticsDialog::showRuleFigures() {
    fill(ruleTable, rulefigures::displayRows(ruleRows_), 2);
}

void StatisticsDialog::fill(QTableWidget* table, const QList<QStringList>& rows, int leftColumns) {
    table->setRowCount(0);
    table->setRowCount(int(rows.size()));
    QFont bold = table->font();
    bold.setBold(true);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            item->setTextAlignment(c < leftColumns ? Qt::AlignLeft | Qt::AlignVCenter
                                                   : Qt::AlignRight | Qt::AlignVCenter);
            if (r == rows.size() - 1) {
                item->setFont(bold);
            }
            table->setItem(r, c, item);
        }
    }
    table->resizeColumnsToContents();
    for (int c = 0; c < table->columnCount(); ++c) {
        table->setColumnWidth(c, std::max(table->columnWidth(c), 90));
    }
}

void StatisticsDialog::exportTable() {
    if (claimsShown()) {
        const QString proposed = appclock::now().toString(QStringLiteral("yyyyMMddHHmmss")) +
                                 QStringLiteral("_报销单统计");
        const std::optional<SaveChoice> choice =
            askSavePath(this, QStringLiteral("导出统计表"), proposed, {kCsvType});
        if (choice) {
            writeAndTell(this, choice->path,
                         [&] { writeBytes(choice->path, claimfigures::csv(claimRows_)); });
        }
        return;
    }
    if (rulesShown()) {
        const QString proposed = appclock::now().toString(QStringLiteral("yyyyMMddHHmmss")) +
                                 QStringLiteral("_核销规则统计");
        const std::optional<SaveChoice> choice =
            askSavePath(this, QStringLiteral("导出统计表"), proposed, {kCsvType});
        if (choice) {
            writeAndTell(this, choice->path,
                         [&] { writeBytes(choice->path, rulefigures::csv(ruleRows_)); });
        }
        return;
    }
    const FigureGrouping grouping = shownGrouping();
    const QString proposed = appclock::now().toString(QStringLiteral("yyyyMMddHHmmss")) +
                             QStringLiteral("_报销统计_") + tabTitle(grouping);
    const std::optional<SaveChoice> choice =
        askSavePath(this, QStringLiteral("导出统计表"), proposed, {kXlsxType, kCsvType});
    if (!choice) {
        return;
    }
    const ReimbursementFigures& shown = figures(grouping);
    writeAndTell(this, choice->path, [&] {
        if (choice->type == 0) {
            figuretable::writeXlsx(
                choice->path, grouping,
                QStringLiteral("报销统计（%1）报销时间 %2").arg(tabTitle(grouping), rangeText()),
                shown);
        } else {
            writeBytes(choice->path, figuretable::csv(grouping, shown));
        }
    });
}

void StatisticsDialog::exportChart() {
    const FigureGrouping grouping = shownGrouping();
    const QString proposed = appclock::now().toString(QStringLiteral("yyyyMMddHHmmss")) +
                             QStringLiteral("_报销统计图_") + tabTitle(grouping);
    const std::optional<SaveChoice> choice =
        askSavePath(this, QStringLiteral("导出统计图"), proposed, {kPngType});
    if (!choice) {
        return;
    }
    QChartView* view = charts[std::size_t(slot(grouping))];
    writeAndTell(this, choice->path, [&] {
        if (!view->grab().save(choice->path, "PNG")) {
            throw AppError(QStringLiteral("Cannot create file %1").arg(choice->path));
        }
    });
}

}  // namespace audit
