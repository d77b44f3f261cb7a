// The records window over 1,000,000 recorded invoices spread over two years: opening (connection,
// today's query, first screen painted), "查  询" without criteria and with 报销人 contains a
// text (first screen and exact total), and the resident memory afterwards.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>

#include "BenchSupport.h"
#include "records/Fpbx_result.h"
#include "records/RecordsGrid.h"
#include "records/RecordsModel.h"

namespace {

// Paints the window now, as the first screen after an action.
void paint(TListForm& form) {
    form.repaint();
}

void report(const char* what, std::vector<double> samples, double limit, const QString& label) {
    std::printf("%-44s first %7.1f ms  median %7.1f ms  max %7.1f ms  (limit %4.0f ms)  %s\n", what,
                samples.front(), bench::median(samples),
                *std::max_element(samples.begin(), samples.end()), limit,
                label.toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv) {
    bench::useOffscreenUnlessSet();
    QApplication app(argc, argv);
    bench::ScratchStore store;
    store.fillReporting(1000000);

    const int runs = 5;
    std::vector<double> opening, construction, all, contains;
    QString openLabel, allLabel, containsLabel;
    std::unique_ptr<TListForm> form;
    for (int i = 0; i < runs; ++i) {
        form.reset();
        bench::Stopwatch sw;
        form = std::make_unique<TListForm>(nullptr);
        construction.push_back(sw.elapsedMs());
        form->show();
        paint(*form);
        opening.push_back(sw.elapsedMs());
        openLabel = form->Label1->text();
    }
    for (int i = 0; i < runs; ++i) {
        bench::Stopwatch sw;
        form->searchButtonClick();
        paint(*form);
        all.push_back(sw.elapsedMs());
        allLabel = form->Label1->text();
    }
    form->CheckBox_bxr->setChecked(true);
    form->Edit_bxr->setText(QStringLiteral("财务"));
    for (int i = 0; i < runs; ++i) {
        bench::Stopwatch sw;
        form->searchButtonClick();
        paint(*form);
        contains.push_back(sw.elapsedMs());
        containsLabel = form->Label1->text();
    }
    report("opening (connect, today, first screen)", opening, 100, openLabel);
    // The first opening also pays for the process's first window (fonts, style).
    report("  of which connection and today's query", construction, 100, openLabel);
    report("查询, no criteria (first screen, total)", all, 500, allLabel);
    report("查询, 报销人 contains 财务", contains, 1000, containsLabel);
    std::printf("resident memory after the searches: %.1f MiB (limit 200)\n", bench::residentMiB());

    // For information: reading the rest of the keys in the background, and the memory then.
    form->CheckBox_bxr->setChecked(false);
    form->searchButtonClick();
    bench::Stopwatch drain;
    while (!form->model()->source().allKeysKnown()) {
        app.processEvents();
    }
    std::printf("all 1000000 keys read while idle in %.0f ms; resident %.1f MiB\n",
                drain.elapsedMs(), bench::residentMiB());
    bench::Stopwatch last;
    form->DBGridEh1->scrollToBottom();
    paint(*form);
    std::printf("scrolling to the last record: %.1f ms\n", last.elapsedMs());
    return 0;
}
