#include "claimsheet/KeptSheet.h"

#include <QFile>

#include "base/Config.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "claimsheet/ClaimSheetWriter.h"
#include "prompts/Prompts.h"

namespace claimsheet {

Kept read(ClaimStore& store, const QString& number, const QString& companyDir) {
    Kept kept;
    const ClaimRead read = store.readClaim(number);
    if (!read.ok) {
        kept.error = read.error.reason();
        return kept;
    }
    if (!read.claim) {
        kept.error = QStringLiteral("没有报销单%1").arg(number);
        return kept;
    }
    const IniFile ini(config::iniPath());
    kept.content = claims::sheetContent(*read.claim, config::readCompanyName(ini), TaxNumber());
    kept.path = claims::sheetPath(companyDir, number);
    return kept;
}

Kept keep(ClaimStore& store, const QString& number, const QString& companyDir) {
    Kept kept = read(store, number, companyDir);
    if (kept.ok()) {
        kept.error = writePdf(kept.content, kept.path);
    }
    return kept;
}

void offer(QObject* owner, const Kept& kept) {
    Prompts& prompts = appprompts::get();
    if (!kept.ok()) {
        prompts.message(owner, QStringLiteral("报销单"),
                        QStringLiteral("报销单未能生成：") + kept.error, MsgIcon::Warning);
        return;
    }
    const QString text =
        QStringLiteral("报销单%1：%2，合计%3。\n已保存：%4")
            .arg(kept.content.number, kept.content.count, kept.content.totalFigures, kept.path);
    if (prompts.message(owner, QStringLiteral("报销单"), text, MsgIcon::Information,
                        MsgButtons::OkDetails, QStringLiteral("打印…")) == MsgAnswer::Details) {
        prompts.print(owner, QStringLiteral("打印报销单"),
                      [&](QPagedPaintDevice& device) { paint(kept.content, device); });
    }
}

void saveCopy(QObject* owner, const Kept& kept) {
    FileDialogRequest request;
    request.owner = owner;
    request.caption = QStringLiteral("另存报销单");
    request.proposedName = kept.content.number + QStringLiteral(".pdf");
    request.filters = {{QStringLiteral("PDF文件(*.pdf)"), QStringLiteral("*.pdf")}};
    const std::optional<FileDialogResult> chosen = appprompts::get().saveFile(request);
    if (!chosen || chosen->path.isEmpty()) {
        return;
    }
    QFile::remove(chosen->path);
    if (!QFile::copy(kept.path, chosen->path)) {
        appprompts::get().message(owner, QStringLiteral("报销单"),
                                  QStringLiteral("无法保存：%1").arg(chosen->path),
                                  MsgIcon::Warning);
    }
}

QString openBatchClaim(QObject* owner, ClaimStore& store, const QString& reimburser) {
    const OpenedClaim opened = store.openClaim(reimburser);
    if (!opened.ok) {
        appprompts::get().message(owner, QStringLiteral("报销单"),
                                  QStringLiteral("报销单未能新建：") + opened.error.reason(),
                                  MsgIcon::Warning);
    }
    return opened.number;
}

void closeBatchClaim(QObject* owner, ClaimStore& store, const QString& number,
                     const QString& companyDir) {
    const ChangeOutcome closed = store.closeClaim(number);
    if (!closed.done()) {
        appprompts::get().message(
            owner, QStringLiteral("报销单"),
            QStringLiteral("报销单%1未能结束：%2").arg(number, closed.error.reason()),
            MsgIcon::Warning);
        return;
    }
    const ClaimRead read = store.readClaim(number);
    if (read.ok && read.claim && read.claim->invoices.isEmpty()) {
        return;  // nothing joined it: no sheet
    }
    offer(owner, keep(store, number, companyDir));
}

}  // namespace claimsheet
