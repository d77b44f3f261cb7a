#include "export/ExportCommand.h"

#include <QFile>
#include <QScopeGuard>
#include <atomic>

#include "base/Clock.h"
#include "base/LongTask.h"
#include "export/Exporters.h"

namespace {

// The grid as the export's thread sees it: its look and columns taken on the UI thread before
// the export, and its rows through the cursor made there, counted for the progress window and
// stopped by a cancel.
class DetachedGrid final : public exportgrid::Grid {
public:
    DetachedGrid(exportgrid::Grid& grid, TaskControl& control)
        : name_(grid.name()),
          lines_(grid.showsLines()),
          look3D_(grid.has3DLook()),
          flat_(grid.isFlat()),
          fixed_(grid.fixedColor()),
          dpi_(grid.screenDpi()),
          columns_(grid.columns()),
          rowCount_(grid.rowCount()),
          rows_(grid.rows()),
          control_(control) {}

    QString name() const override { return name_; }
    bool showsLines() const override { return lines_; }
    bool has3DLook() const override { return look3D_; }
    bool isFlat() const override { return flat_; }
    exportgrid::Rgb fixedColor() const override { return fixed_; }
    int screenDpi() const override { return dpi_; }
    QList<exportgrid::Column> columns() const override { return columns_; }
    qint64 rowCount() const override { return rowCount_; }
    std::unique_ptr<exportgrid::RowCursor> rows() override {
        return std::make_unique<CountingCursor>(std::move(rows_), control_);
    }
    // The UI thread keeps the grid's own row and painting around the whole export.
    void beginExport() override {}
    void endExport() override {}
    void selectAllRows() override {}
    void clearRowSelection() override {}

private:
    class CountingCursor final : public exportgrid::RowCursor {
    public:
        CountingCursor(std::unique_ptr<exportgrid::RowCursor> rows, TaskControl& control)
            : rows_(std::move(rows)), control_(control) {}
        bool next() override {
            control_.checkCancelled();
            if (!rows_ || !rows_->next()) {
                return false;
            }
            control_.setDone(++done_);
            return true;
        }
        exportgrid::Cell cell(int column) const override { return rows_->cell(column); }

    private:
        std::unique_ptr<exportgrid::RowCursor> rows_;
        TaskControl& control_;
        qint64 done_ = 0;
    };

    QString name_;
    bool lines_;
    bool look3D_;
    bool flat_;
    exportgrid::Rgb fixed_;
    int dpi_;
    QList<exportgrid::Column> columns_;
    qint64 rowCount_;
    std::unique_ptr<exportgrid::RowCursor> rows_;
    TaskControl& control_;
};

QString progressLabel(qint64 done, qint64 total) {
    return QStringLiteral("正在导出：%1 / %2 条").arg(done).arg(total);
}

// Writes the file on a thread of its own while a progress window with a "取消" button shows the
// rows written. False when cancelled: the file is then removed if the export had begun it.
bool exportWhileAnswering(ExporterClass exporter, exportgrid::Grid& grid, const QString& fileName,
                          QObject* owner) {
    const qint64 total = grid.rowCount();
    std::unique_ptr<DetachedGrid> detached;
    std::atomic<bool> begun{false};
    LongTask task(
        [&](TaskControl& control) {
            if (!grid.prepareRows()) {
                return false;
            }
            detached = std::make_unique<DetachedGrid>(grid, control);
            return true;
        },
        [&](TaskControl& control) {
            control.setTotal(total);
            begun = true;
            exportGridToFile(exporter, *detached, fileName, true);
        });
    ProgressRequest request;
    request.owner = owner;
    request.caption = QStringLiteral("导出文件");
    request.label = progressLabel(0, total);
    request.total = total;
    request.cancel = [&task] { task.cancel(); };
    std::unique_ptr<ProgressWindow> window = appprompts::get().showProgress(request);
    QObject::connect(&task, &LongTask::progressed, [&] {
        if (window) {
            const qint64 done = task.control().done();
            window->setProgress(done, progressLabel(done, total));
        }
    });
    task.start();
    LongTask::Outcome outcome = LongTask::Outcome::Running;
    try {
        outcome = task.wait();
    } catch (...) {
        window.reset();
        throw;
    }
    window.reset();
    if (outcome != LongTask::Outcome::Cancelled) {
        return true;
    }
    if (begun) {
        QFile::remove(fileName);
    }
    return false;
}

}  // namespace

const QList<ExportFileType>& exportFileTypes() {
    static const QList<ExportFileType> types = {
        {{QStringLiteral("文本文件(*.txt)"), QStringLiteral("*.txt")},
         QStringLiteral("txt"),
         ExporterClass::Text},
        {{QStringLiteral("文本交换文件(*.csv)"), QStringLiteral("*.csv")},
         QStringLiteral("csv"),
         ExporterClass::Csv},
        {{QStringLiteral("htm文件(*.htm)"), QStringLiteral("*.htm")},
         QStringLiteral("htm"),
         ExporterClass::Html},
        {{QStringLiteral("副文本文件(*.rtf)"), QStringLiteral("*.rtf")},
         QStringLiteral("rtf"),
         ExporterClass::Rtf},
        {{QStringLiteral("Excel工作簿(*.xls)"), QStringLiteral("*.xls")},
         QStringLiteral("xls"),
         ExporterClass::Xls},
        {{QStringLiteral("Excel 2007工作簿(*.xlsx)"), QStringLiteral("*.xlsx")},
         QStringLiteral("xlsx"),
         ExporterClass::Xlsx},
    };
    return types;
}

QString proposedExportName(const QDateTime& now) {
    return now.toString(QStringLiteral("yyyyMMddHHmmss")) + QStringLiteral("_电子发票报销记录");
}

QString proposedExportName() {
    return proposedExportName(appclock::now());
}

void ExportGridToFile(exportgrid::Grid& grid, const QString& proposedName, QObject* owner) {
    const QList<ExportFileType>& types = exportFileTypes();
    FileDialogRequest request;
    request.owner = owner;
    request.proposedName = proposedName;
    for (const ExportFileType& type : types) {
        request.filters << type.filter;
    }
    request.selectedFilter = kPreselectedExportType;
    const std::optional<FileDialogResult> chosen = appprompts::get().saveFile(request);
    if (!chosen) {
        return;
    }
    const ExportFileType& type = types.at(qBound(1, chosen->filterIndex, int(types.size())) - 1);
    if (appprompts::get().message(owner, QStringLiteral("确认"), QStringLiteral("确认导出？"),
                                  MsgIcon::None, MsgButtons::OkCancel) != MsgAnswer::Ok) {
        return;
    }
    // Appended whatever the typed name ends with.
    const QString fileName = chosen->path + u'.' + type.extension;
    // The grid keeps its row and does not repaint from before its rows are selected until the
    // selection is gone again: a selection of a million rows is slow to paint, and no one sees it.
    grid.beginExport();
    grid.selectAllRows();
    bool written = false;
    try {
        written = exportWhileAnswering(type.exporter, grid, fileName, owner);
    } catch (...) {
        grid.clearRowSelection();
        grid.endExport();
        throw;
    }
    grid.clearRowSelection();
    grid.endExport();
    if (!written) {
        return;
    }
    appprompts::get().message(owner, QStringLiteral("导出文件"),
                              QStringLiteral("文件导出成功！\r\n\r\n") + fileName,
                              MsgIcon::Information, MsgButtons::Ok);
}
