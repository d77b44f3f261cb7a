#include "auditwindows/SaveAs.h"

#include <QFile>

#include "base/AppError.h"

namespace audit {

std::optional<SaveChoice> askSavePath(QObject* owner, const QString& caption,
                                      const QString& proposedName, const QList<SaveType>& types) {
    FileDialogRequest request;
    request.owner = owner;
    request.caption = caption;
    request.proposedName = proposedName;
    for (const SaveType& type : types) {
        request.filters << type.filter;
    }
    request.selectedFilter = 1;
    const std::optional<FileDialogResult> chosen = appprompts::get().saveFile(request);
    if (!chosen || chosen->path.isEmpty()) {
        return std::nullopt;
    }
    SaveChoice choice;
    choice.type = qBound(1, chosen->filterIndex, int(types.size())) - 1;
    const QString suffix = u'.' + types.at(choice.type).extension;
    choice.path =
        chosen->path.endsWith(suffix, Qt::CaseInsensitive) ? chosen->path : chosen->path + suffix;
    return choice;
}

bool writeAndTell(QObject* owner, const QString& path, const std::function<void()>& write) {
    try {
        write();
    } catch (const AppError& error) {
        appprompts::get().message(owner, QStringLiteral("导出文件"),
                                  QStringLiteral("文件导出失败：") + error.message(), MsgIcon::Stop,
                                  MsgButtons::Ok);
        return false;
    }
    appprompts::get().message(owner, QStringLiteral("导出文件"),
                              QStringLiteral("文件导出成功！\r\n\r\n") + path, MsgIcon::Information,
                              MsgButtons::Ok);
    return true;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        throw AppError(QStringLiteral("Cannot create file %1. %2").arg(path, file.errorString()));
    }
}

}  // namespace audit
