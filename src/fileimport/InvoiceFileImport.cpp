#include "fileimport/InvoiceFileImport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "base/Clock.h"
#include "base/CsvText.h"
#include "base/DailyLog.h"
#include "base/Paths.h"
#include "base/TextCodec.h"
#include "import/ImportFailures.h"
#include "invoice/InvoiceColumns.h"
#include "invoice/InvoiceFace.h"
#include "reader/ReaderClient.h"
#include "scan/ScanDecision.h"
#include "scan/ScanPayload.h"

namespace fileimport {

bool isInvoiceFileName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("pdf") || suffix == QStringLiteral("ofd");
}

namespace {

InvoiceRecord record(const QString& code, const QString& number, const QString& amount,
                     const QString& date, const QString& checkCode) {
    InvoiceRecord invoice;
    invoice.code = code;
    invoice.number = number;
    invoice.amount = amount;
    invoice.invoiceDate = date;
    invoice.checkCode = checkCode;
    return invoice;
}

}  // namespace

QStringList collectFiles(const QStringList& paths) {
    QStringList files;
    QSet<QString> seen;
    const auto add = [&](const QString& file) {
        const QString absolute = QFileInfo(file).absoluteFilePath();
        if (files.size() < kMaxFiles && !seen.contains(absolute)) {
            seen.insert(absolute);
            files << absolute;
        }
    };
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            QStringList inFolder;
            QDirIterator it(path, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
            while (it.hasNext() && inFolder.size() < kMaxFiles) {
                const QString file = it.next();
                if (isInvoiceFileName(file)) {
                    inFolder << file;
                }
            }
            inFolder.sort();
            for (const QString& file : inFolder) {
                add(file);
            }
        } else {
            add(path);
        }
    }
    return files;
}

FileInvoice invoiceOf(const invoicefiles::FileReading& reading) {
    FileInvoice found;
    switch (reading.source) {
        case invoicefiles::Source::QrCode: {
            // Exactly what a scan of the printed code goes through.
            QStringList items;
            SplitPayload(reading.payload, items);
            const scan::Decision decision = scan::decide(items, true);
            if (decision.action != scan::Action::Register) {
                found.problem = QStringLiteral("二维码不是发票信息");
                return found;
            }
            const scan::InvoiceItems& i = decision.items;
            found.invoice = record(i.code, i.number, i.amount, i.date, i.checkCode);
            found.kind = i.kind;
            return found;
        }
        case invoicefiles::Source::FileFields: {
            const invoicefiles::InvoiceFields& f = reading.fields;
            found.invoice = record(f.code, f.number, f.amount, f.date, f.checkCode);
            return found;
        }
        case invoicefiles::Source::None:
            break;
    }
    found.problem = reading.reason();
    return found;
}

FileOutcome importFile(const QString& path, InvoiceStore& store, const QString& reimburser,
                       const QString& companyDir) {
    readerclient::InvoiceFileReader reader;
    return importFile(path, store, reimburser, companyDir, reader);
}

FileOutcome importFile(const QString& path, InvoiceStore& store, const QString& reimburser,
                       const QString& companyDir, readerclient::InvoiceFileReader& reader,
                       const rules::Confirm& confirm, const QString& claimNumber) {
    FileOutcome outcome;
    outcome.file = path;
    const invoicefiles::FileReading reading = reader.read(path);
    FileInvoice found = invoiceOf(reading);
    if (!found.invoice) {
        outcome.kind = FileOutcome::Kind::Unrecognised;
        outcome.result = QStringLiteral("无法识别：") + found.problem;
        WriteLog(GetExeDir(), QStringLiteral("发票文件无法识别：%1：%2").arg(path, found.problem));
        return outcome;
    }
    InvoiceRecord& invoice = *found.invoice;
    invoice.reimburser = reimburser;
    invoice.reimbursedAt = appclock::now();
    invoice.claimNumber = claimNumber;
    invoice.kindCode = found.kind;
    outcome.code = invoice.code;
    outcome.number = invoice.number;
    outcome.amount = invoice.amount;
    const invoicefiles::Parties& parties = reading.parties;
    outcome.face = invoice::faceItems({found.kind, invoice.code, invoice.number,
                                       invoice.invoiceDate, invoice.amount, invoice.checkCode,
                                       parties.buyerName, parties.sellerName});
    WriteLog(GetExeDir(), QStringLiteral("读取发票文件：%1（%2）").arg(path, reading.origin));
    const rules::Checked checked =
        rules::registerChecked(store, invoice, EntryMode::File, parties.buyerTaxNumber, confirm);
    if (checked.kind == rules::Checked::Kind::Refused) {
        outcome.kind = FileOutcome::Kind::Refused;
        outcome.result = checked.refusal;
        outcome.note = checked.refusal;
        return outcome;
    }
    const Registration& registration = checked.registration;
    switch (registration.result) {
        case Registration::Result::Registered: {
            outcome.kind = FileOutcome::Kind::Registered;
            outcome.result = QStringLiteral("报销成功");
            if (!checked.warning.isEmpty()) {
                outcome.note = QStringLiteral("提示：") + checked.warning;
                outcome.result += QStringLiteral("（%1）").arg(outcome.note);
            }
            const QString kept =
                keptPath(companyDir, invoice, QFileInfo(path).suffix(), invoice.reimbursedAt);
            if (QDir().mkpath(QFileInfo(kept).absolutePath()) && QFile::copy(path, kept)) {
                outcome.kept = kept;
            } else {
                WriteLog(GetExeDir(), QStringLiteral("发票文件未能保存：%1 → %2").arg(path, kept));
            }
            break;
        }
        case Registration::Result::AlreadyRecorded:
            outcome.kind = FileOutcome::Kind::AlreadyRecorded;
            outcome.result = importfailures::alreadyReimbursed(registration.earlierAt,
                                                               registration.earlierReimburser);
            outcome.note =
                invoice::firstReimbursed(registration.earlierAt, registration.earlierReimburser);
            break;
        case Registration::Result::Failed:
            outcome.kind = FileOutcome::Kind::Failed;
            outcome.result = QStringLiteral("登记失败：") +
                             (registration.error.kind == StoreError::Kind::InvalidValue
                                  ? registration.error.detail
                                  : registration.error.reason());
            break;
    }
    return outcome;
}

QString keptPath(const QString& companyDir, const InvoiceRecord& invoice, const QString& suffix,
                 const QDateTime& when) {
    const QString folder = joinPath(joinPath(companyDir, QStringLiteral("票据")),
                                    when.toString(QStringLiteral("yyyyMM")));
    const QString stem =
        (invoice.code.isEmpty() ? QStringLiteral("数电") : invoice.code) + u'_' + invoice.number;
    const QString extension = suffix.isEmpty() ? QString() : u'.' + suffix.toLower();
    QString path = joinPath(folder, stem + extension);
    for (int n = 2; QFileInfo::exists(path); ++n) {
        path = joinPath(folder, QStringLiteral("%1_%2%3").arg(stem).arg(n).arg(extension));
    }
    return path;
}

QString findOriginal(const QString& companyDir, const QString& code, const QString& number) {
    const QString stem = (code.isEmpty() ? QStringLiteral("数电") : code) + u'_' + number;
    QDirIterator it(joinPath(companyDir, QStringLiteral("票据")), {stem + QStringLiteral(".*")},
                    QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

void Totals::add(FileOutcome::Kind kind) {
    switch (kind) {
        case FileOutcome::Kind::Registered:
            ++registered;
            break;
        case FileOutcome::Kind::AlreadyRecorded:
            ++alreadyRecorded;
            break;
        case FileOutcome::Kind::Unrecognised:
            ++unrecognised;
            break;
        case FileOutcome::Kind::Failed:
            ++failed;
            break;
        case FileOutcome::Kind::Refused:
            ++refused;
            break;
    }
}

QString totalsText(const Totals& totals) {
    return QStringLiteral("共%1个文件：报销成功%2，已报销%3，无法识别%4，登记失败%5")
               .arg(totals.files)
               .arg(totals.registered)
               .arg(totals.alreadyRecorded)
               .arg(totals.unrecognised)
               .arg(totals.failed) +
           (totals.refused > 0 ? QStringLiteral("，不符合核销规则%1").arg(totals.refused)
                               : QString());
}

QByteArray csv(const QList<FileOutcome>& outcomes) {
    using invoicecolumns::title;
    QString text = csvtext::line({QStringLiteral("文件名"), title(invoicecolumns::kCode),
                                  title(invoicecolumns::kNumber), title(invoicecolumns::kAmount),
                                  QStringLiteral("结果")});
    for (const FileOutcome& o : outcomes) {
        text += csvtext::line({QFileInfo(o.file).fileName(), o.code, o.number, o.amount, o.result});
    }
    return textcodec::toGbk(text);
}

}  // namespace fileimport
