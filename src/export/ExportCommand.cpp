#include "export/ExportCommand.h"

#include "shell/Clock.h"

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
    grid.selectAllRows();
    try {
        SaveDBGridEhToExportFile(type.exporter, grid, fileName, true);
    } catch (...) {
        grid.clearRowSelection();
        throw;
    }
    grid.clearRowSelection();
    appprompts::get().message(owner, QStringLiteral("导出文件"),
                              QStringLiteral("文件导出成功！\r\n\r\n") + fileName,
                              MsgIcon::Information, MsgButtons::Ok);
}
