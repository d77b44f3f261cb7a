// The records window over a large store (1,000,000 recorded invoices spread over two years, or
// the count given as the first argument, such as 10000000), each figure beside the sqlite3
// command-line tool doing the same on the same store:
//   - opening the window (connection, today's query, first screen) and "查  询" without criteria;
//   - "查  询" with 报销人 containing a text: a common name, a rare one, none;
//   - the find dialog's walk without a match, over every column and over one;
//   - the export of a 100,000-row result in each format (XLS: 65,535 rows, a sheet's most);
//   - the peak memory of exports of 100,000 and 1,000,000 rows;
//   - the longest time the window did not answer during a long find and a long export;
//   - bringing a store of an earlier version up to date.
// Times are wall clock (median of a few runs) and, where a thread of ours works, CPU time of the
// process; on a shared machine the CPU figures are the steadier ones.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchSupport.h"
#include "base/Clock.h"
#include "export/ExportCommand.h"
#include "invoice/EntryMode.h"
#include "prompts/QtPrompts.h"
#include "records/RecordsModel.h"
#include "recordswindow/FindDialog.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"

namespace {

const QString kColumns = QStringLiteral("发票代码,发票号码,开票金额,开票日期,报销时间,报销人,") +
                         entrymode::displaySql();
const QString kOrder = QStringLiteral(" order by 报销时间 desc, rowid desc");

// Answers the export's save dialog and confirmation as the benchmark wants; progress windows
// are the program's own.
class BenchPrompts final : public Prompts {
public:
    MsgAnswer message(QObject*, const QString&, const QString&, MsgIcon, MsgButtons,
                      const QString&) override {
        return MsgAnswer::Ok;
    }
    std::optional<FileDialogResult> saveFile(const FileDialogRequest&) override { return save; }
    std::optional<FileDialogResult> openFile(const FileDialogRequest&) override { return {}; }
    std::optional<QString> inputText(QObject*, const QString&, const QString&,
                                     const QString&) override {
        return {};
    }
    std::unique_ptr<ProgressWindow> showProgress(const ProgressRequest& request) override {
        return windows.showProgress(request);
    }

    FileDialogResult save;
    QtPrompts windows;
};

// Paints the window now, as the first screen after an action: every visible row is read.
void paint(RecordsWindow& form) {
    form.grab();
}

void line(const char* what, double ours, double cli, const char* note = "") {
    std::printf("  %-46s %9.1f ms   sqlite3 %8.1f ms   x%5.2f  %s\n", what, ours, cli,
                cli > 0 ? ours / cli : 0.0, note);
}

void lineCpu(const char* what, double oursWall, double oursCpu, const bench::CliRun& cli,
             const QString& note) {
    std::printf(
        "  %-10s wall %8.1f ms  cpu %8.1f ms | sqlite3 csv wall %8.1f ms  cpu %8.1f ms"
        " | x%5.2f cpu  %s\n",
        what, oursWall, oursCpu, cli.wallMs, cli.cpuMs, cli.cpuMs > 0 ? oursCpu / cli.cpuMs : 0.0,
        note.toUtf8().constData());
}

// The median CLI time of a statement over three runs (its CPU time alongside).
bench::CliRun cliMedian(const QString& db, const QString& sql, const QStringList& options = {},
                        const QString& out = QString()) {
    std::vector<double> wall, cpu;
    bench::CliRun last;
    for (int i = 0; i < 3; ++i) {
        last = bench::runCli(db, sql, options, out);
        wall.push_back(last.wallMs);
        cpu.push_back(last.cpuMs);
    }
    last.wallMs = bench::median(wall);
    last.cpuMs = bench::median(cpu);
    return last;
}

// The 报销时间 bounds of the newest rows of the store: the days back from today holding about
// the given number of rows.
QDate firstDayFor(qint64 wanted, qint64 rows) {
    const double perDay = double(rows) / 730.0;
    return appclock::now().date().addDays(-qint64(double(wanted) / perDay) + 1);
}

void searchDays(RecordsWindow& form, const QDate& from) {
    form.resetButtonClick();
    form.CheckBox_bxsj->setChecked(true);
    form.Date_bxsj_start->setDate(from);
    form.Date_bxsj_end->setDate(appclock::now().date());
    form.searchButtonClick();
}

QString daysSql(const QDate& from) {
    return QStringLiteral(" where 报销时间 >= '%1' and 报销时间 < '%2'")
        .arg(from.toString(QStringLiteral("yyyy-MM-dd")),
             appclock::now().date().addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
}

void drainKeys(QApplication& app, RecordsWindow& form) {
    while (!form.model()->source().allKeysKnown()) {
        app.processEvents();
    }
}

}  // namespace

int main(int argc, char** argv) {
    bench::useOffscreenUnlessSet();
    QApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    bench::ScratchStore store;
    store.fillReporting(rows);
    const QString db = store.databasePath();
    {
        // A few invoices of a rare reimburser.
        Database writer = Database::open(GetConnectionString());
        Statement insert =
            writer.prepare(QStringLiteral("insert into 发票报销 (发票号码, 发票代码, 报销时间, "
                                          "报销方式, 开票日期, 开票金额, 报销人)"
                                          " values (?1, '044031900999', '2024-01-01 10:00:00', 0, "
                                          "'20240101', 10000, '欧阳明月')"));
        for (int i = 0; i < 12; ++i) {
            insert.bind(1, QString::number(90000000 + i)).execute();
            insert.reset();
        }
    }
    BenchPrompts prompts;
    appprompts::install(&prompts);
    QTemporaryDir out;
    std::printf("records benchmark over %lld invoices\n", static_cast<long long>(rows));

    // Opening and searching.
    std::printf("opening and searching (first screen painted and exact total):\n");
    const int runs = 5;
    std::vector<double> opening;
    std::unique_ptr<RecordsWindow> form;
    for (int i = 0; i < runs; ++i) {
        form.reset();
        bench::Stopwatch sw;
        form = std::make_unique<RecordsWindow>(nullptr);
        form->show();
        paint(*form);
        opening.push_back(sw.elapsedMs());
    }
    const QString today = appclock::now().date().toString(QStringLiteral("yyyy-MM-dd"));
    const QString tomorrow =
        appclock::now().date().addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    const QString todayWhere =
        QStringLiteral(" where 报销时间 >= '%1' and 报销时间 < '%2'").arg(today, tomorrow);
    bench::CliRun cli = cliMedian(db, QStringLiteral("select count(*) from 发票报销") + todayWhere +
                                          QStringLiteral("; select ") + kColumns +
                                          QStringLiteral(" from 发票报销") + todayWhere + kOrder +
                                          QStringLiteral(" limit 40"));
    line("opening the window (today's invoices)", bench::median(opening), cli.wallMs,
         form->Label1->text().toUtf8().constData());
    std::printf("    (first opening, with the process's first window: %.1f ms)\n", opening.front());

    std::vector<double> all;
    for (int i = 0; i < runs; ++i) {
        bench::Stopwatch sw;
        form->searchButtonClick();
        paint(*form);
        all.push_back(sw.elapsedMs());
    }
    cli =
        cliMedian(db, QStringLiteral("select count(*) from 发票报销; select ") + kColumns +
                          QStringLiteral(" from 发票报销") + kOrder + QStringLiteral(" limit 40"));
    line("查询 without criteria", bench::median(all), cli.wallMs,
         form->Label1->text().toUtf8().constData());

    for (const QString& name : {QStringLiteral("财务"), QStringLiteral("Alice"),
                                QStringLiteral("欧阳"), QStringLiteral("不存在的人")}) {
        form->CheckBox_bxr->setChecked(true);
        form->Edit_bxr->setText(name);
        std::vector<double> samples;
        for (int i = 0; i < runs; ++i) {
            bench::Stopwatch sw;
            form->searchButtonClick();
            paint(*form);
            samples.push_back(sw.elapsedMs());
        }
        const QString where = QStringLiteral(" where 报销人 like '%") + name + QStringLiteral("%'");
        cli = cliMedian(db, QStringLiteral("select count(*) from 发票报销") + where +
                                QStringLiteral("; select ") + kColumns +
                                QStringLiteral(" from 发票报销") + where + kOrder +
                                QStringLiteral(" limit 40"));
        const QByteArray what = (QStringLiteral("查询 报销人 contains ") + name).toUtf8();
        line(what.constData(), bench::median(samples), cli.wallMs,
             form->Label1->text().toUtf8().constData());
    }
    form->CheckBox_bxr->setChecked(false);
    form->Edit_bxr->clear();
    std::printf("  resident memory after the searches: %.1f MiB\n", bench::residentMiB());

    // Find.
    std::printf("find walk without a match, every row of the result (no criteria):\n");
    form->searchButtonClick();
    bench::Stopwatch drain;
    drainKeys(app, *form);
    std::printf("  (all %lld keys of the result read while idle in %.0f ms; resident %.1f MiB)\n",
                static_cast<long long>(form->model()->source().rowCount()), drain.elapsedMs(),
                bench::residentMiB());
    struct FindCase {
        const char* what;
        int scope;  // a display column, or 8 for <All>
        QString cliWhere;
    };
    const QString text = QStringLiteral("不存在");
    QString everyColumn;
    for (const QString& column :
         {QStringLiteral("发票代码"), QStringLiteral("发票号码"), QStringLiteral("开票金额"),
          QStringLiteral("开票日期"), QStringLiteral("报销时间"), QStringLiteral("报销人"),
          entrymode::displaySql(), QStringLiteral("报销单号")}) {
        everyColumn += (everyColumn.isEmpty() ? QString() : QStringLiteral(" or ")) +
                       QStringLiteral("instr(") + column + QStringLiteral(", '") + text +
                       QStringLiteral("') > 0");
    }
    const FindCase finds[] = {
        {"find, <All> columns", 8, everyColumn},
        {"find, 报销人 only", 5,
         QStringLiteral("instr(报销人, '") + text + QStringLiteral("') > 0")},
    };
    double findStall = 0;
    double findBusy = 0;
    for (const FindCase& find : finds) {
        FindDialog dialog(form->DBGridEh1, form.get());
        dialog.show();
        dialog.scopeBox()->setCurrentIndex(find.scope);
        dialog.textBox()->setEditText(text);
        std::vector<double> wall, cpu;
        for (int i = 0; i < 3; ++i) {
            bench::StallMeter stall;
            stall.start();
            const double cpuStart = bench::cpuMs();
            bench::Stopwatch sw;
            dialog.findNext(false);
            wall.push_back(sw.elapsedMs());
            cpu.push_back(bench::cpuMs() - cpuStart);
            findStall = std::max(findStall, stall.stopMs());
            findBusy = std::max(findBusy, stall.busyMs());
        }
        cli = cliMedian(db, QStringLiteral("select rowid from 发票报销 where ") + find.cliWhere +
                                kOrder + QStringLiteral(" limit 1"));
        std::printf(
            "  %-22s wall %8.1f ms  cpu %8.1f ms | sqlite3 wall %8.1f ms  cpu %8.1f ms |"
            " x%5.2f cpu\n",
            find.what, bench::median(wall), bench::median(cpu), cli.wallMs, cli.cpuMs,
            cli.cpuMs > 0 ? bench::median(cpu) / cli.cpuMs : 0.0);
    }
    std::printf(
        "  longest time the window did not answer during the walks: %.1f ms (its thread "
        "busy at most %.1f ms of a gap)\n",
        findStall, findBusy);

    // Sorting: a click on a column title with every invoice in the grid. The window's thread
    // must go on answering while the engine sorts; beside it, the sqlite3 tool running the same
    // key statement to its end.
    std::printf("sorting every invoice by a column title (the window answering throughout):\n");
    form->resetButtonClick();
    form->searchButtonClick();
    paint(*form);
    {
        QHeaderView* titles = form->DBGridEh1->horizontalHeader();
        records::RecordsModel* model = form->model();
        struct SortCase {
            const char* what;
            int column;
            Qt::SortOrder order;
        };
        const SortCase sorts[] = {{"开票金额 up", 2, Qt::AscendingOrder},
                                  {"报销人 up", 5, Qt::AscendingOrder},
                                  {"发票代码 down", 0, Qt::DescendingOrder},
                                  {"录入方式 up", 6, Qt::AscendingOrder},
                                  {"报销时间 down (the default)", 4, Qt::DescendingOrder}};
        double sortStall = 0;
        double sortBusy = 0;
        for (const SortCase& sort : sorts) {
            bench::StallMeter stall;
            stall.start();
            bench::Stopwatch sw;
            QEventLoop shown;
            QObject::connect(model, &records::RecordsModel::resultShown, &shown, &QEventLoop::quit);
            titles->setSortIndicator(sort.column, sort.order);
            if (model->searching()) {
                shown.exec();
            }
            paint(*form);
            const double ms = sw.elapsedMs();
            sortStall = std::max(sortStall, stall.stopMs());
            sortBusy = std::max(sortBusy, stall.busyMs());
            const QString keys = records::keyStatement(model->source().spec());
            const bench::CliRun bare = cliMedian(db, keys, {}, QStringLiteral("/dev/null"));
            const QByteArray what = QByteArray("sorted by ") + sort.what;
            line(what.constData(), ms, bare.wallMs, form->Label1->text().toUtf8().constData());
        }
        std::printf(
            "  longest time the window did not answer while sorting: %.1f ms (its thread busy "
            "at most %.1f ms of a gap; limit 100)\n",
            sortStall, sortBusy);
    }

    // Export.
    struct Format {
        const char* name;
        int type;  // the save dialog's type index
    };
    const Format formats[] = {{"txt", 1}, {"csv", 2}, {"htm", 3}, {"rtf", 4}, {"xls", 5}};
    double exportBusy = 0;
    const auto exportOnce = [&](const Format& format, const QString& file, double& wall,
                                double& cpu, double& stallMs) {
        prompts.save = FileDialogResult{file, format.type};
        bench::StallMeter stall;
        stall.start();
        const double cpuStart = bench::cpuMs();
        bench::Stopwatch sw;
        ExportGridToFile(form->exportGrid(), QStringLiteral("x"), form.get());
        wall = sw.elapsedMs();
        cpu = bench::cpuMs() - cpuStart;
        stallMs = stall.stopMs();
        exportBusy = std::max(exportBusy, stall.busyMs());
        if (qEnvironmentVariableIsSet("BENCH_VERBOSE")) {
            std::printf("    [%s: longest gap %.1f ms, busy %.1f ms]\n", format.name, stallMs,
                        stall.busyMs());
        }
    };
    for (const qint64 wanted : {qint64(100000), qint64(65535)}) {
        const QDate from = firstDayFor(wanted, rows);
        searchDays(*form, from);
        drainKeys(app, *form);
        const qint64 count = form->model()->source().rowCount();
        std::printf("export of %lld rows (报销时间 %s to today):\n", static_cast<long long>(count),
                    from.toString(QStringLiteral("yyyy-MM-dd")).toUtf8().constData());
        cli = cliMedian(db,
                        QStringLiteral("select ") + kColumns + QStringLiteral(" from 发票报销") +
                            daysSql(from) + kOrder,
                        {QStringLiteral("-csv")}, out.filePath(QStringLiteral("cli.csv")));
        for (const Format& format : formats) {
            const bool xls = QByteArray(format.name) == "xls";
            if (xls != (wanted == 65535)) {
                continue;
            }
            std::vector<double> wall, cpu;
            double stallMs = 0;
            const QString file = out.filePath(QStringLiteral("bench"));
            for (int i = 0; i < 3; ++i) {
                double w = 0, c = 0, s = 0;
                exportOnce(format, file, w, c, s);
                wall.push_back(w);
                cpu.push_back(c);
                stallMs = std::max(stallMs, s);
            }
            const QString written = file + u'.' + QLatin1String(format.name);
            lineCpu(format.name, bench::median(wall), bench::median(cpu), cli,
                    QStringLiteral("%1 MiB, longest stall %2 ms")
                        .arg(double(QFileInfo(written).size()) / 1048576.0, 0, 'f', 1)
                        .arg(stallMs, 0, 'f', 1));
            QFile::remove(written);
        }
    }
    std::printf("peak resident memory of one export (MiB; before it: %.1f):\n",
                bench::residentMiB());
    std::printf("  rows        txt      csv      htm      rtf   longest stall\n");
    for (const qint64 wanted : {qint64(100000), qint64(1000000)}) {
        if (wanted > rows) {
            continue;
        }
        searchDays(*form, wanted >= rows ? QDate(2000, 1, 1) : firstDayFor(wanted, rows));
        drainKeys(app, *form);
        std::printf("  %8lld", static_cast<long long>(form->model()->source().rowCount()));
        double stallMs = 0;
        for (const Format& format : formats) {
            if (QByteArray(format.name) == "xls") {
                continue;
            }
            bench::resetPeakMemory();
            double w = 0, c = 0, s = 0;
            exportOnce(format, out.filePath(QStringLiteral("peak")), w, c, s);
            stallMs = std::max(stallMs, s);
            std::printf(" %8.1f", bench::peakMiB());
            QFile::remove(out.filePath(QStringLiteral("peak.")) + QLatin1String(format.name));
        }
        std::printf("   %.1f ms\n", stallMs);
    }
    std::printf("  (during the exports the window's thread was busy at most %.1f ms of a gap)\n",
                exportBusy);
    form.reset();

    // An earlier version's store.
    {
        Database writer = Database::open(GetConnectionString());
        writer.exec(
            QStringLiteral("drop trigger 发票报销_报销人_加; drop trigger 发票报销_报销人_减; "
                           "drop trigger 发票报销_报销人_改; drop index 发票报销_报销人时间; "
                           "drop table 发票报销_报销人"));
    }
    bench::StallMeter stall;
    stall.start();
    bench::Stopwatch upgrade;
    form = std::make_unique<RecordsWindow>(nullptr);
    const double upgradeMs = upgrade.elapsedMs();
    const double upgradeStall = stall.stopMs();
    std::printf(
        "a store of an earlier version brought up to date on opening: %.0f ms "
        "(longest stall %.1f ms, its thread busy at most %.1f ms of it)\n",
        upgradeMs, upgradeStall, stall.busyMs());
    return 0;
}
