#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "invoicefiles/FileReading.h"
#include "reader/ReaderClient.h"
#include "rules/CheckedRegistration.h"
#include "store/InvoiceStore.h"

// Invoices that arrive as files (PDF or OFD e-invoices): each file is read in the reader
// process, its QR payload goes through the split and checks of a scan (or, without one, the
// file's own fields are taken), and the invoice is registered as read from a file under the
// current reimburser; the original is kept in the company's 票据 folder.
namespace fileimport {

// The files a batch is made of: files named directly, whatever their name, and the .pdf and
// .ofd files in named folders and their subfolders; each once, in name order. At most kMaxFiles.
inline constexpr int kMaxFiles = 10000;
QStringList collectFiles(const QStringList& paths);
// A name that says PDF or OFD (.pdf, .ofd, in any case): what a folder's files are taken by.
bool isInvoiceFileName(const QString& path);

// What became of one file.
struct FileOutcome {
    enum class Kind { Registered, AlreadyRecorded, Unrecognised, Failed, Refused };
    QString file;  // the file's path
    Kind kind = Kind::Unrecognised;
    QString code;  // 发票代码, 发票号码, 开票金额 as registered (or refused)
    QString number;
    QString amount;
    // "报销成功", "报销成功（提示：…）", "已报销（…）", "不符合核销规则：…", "无法识别：…",
    // "登记失败：…"
    QString result;
    QString kept;                         // where the original was kept
    QList<QPair<QString, QString>> face;  // the invoice at a glance, when there was one
    QString note;  // the rules' refusal or warning, or the earlier registration of 已报销
};

// The invoice the reading names, or why there is none (then invoice is empty); its kind (item
// [1] of the QR code) when the code names it.
struct FileInvoice {
    std::optional<InvoiceRecord> invoice;
    QString kind;
    QString problem;
};
FileInvoice invoiceOf(const invoicefiles::FileReading& reading);

// Reads (with reader, the batch's reader process), puts the invoice through the office's rules
// (confirm is asked when the amount reaches the limit; without it such an invoice is refused),
// registers and keeps one file; the invoice joins the claim of claimNumber (none when empty).
FileOutcome importFile(const QString& path, InvoiceStore& store, const QString& reimburser,
                       const QString& companyDir, readerclient::InvoiceFileReader& reader,
                       const rules::Confirm& confirm = {}, const QString& claimNumber = {});
// The same with a reader process of its own.
FileOutcome importFile(const QString& path, InvoiceStore& store, const QString& reimburser,
                       const QString& companyDir);

// <company directory>/票据/<yyyyMM>/<发票代码 or 数电>_<发票号码>.<ext>, with _2, _3 … added when
// that name is taken: an original is never overwritten.
QString keptPath(const QString& companyDir, const InvoiceRecord& invoice, const QString& suffix,
                 const QDateTime& when);

// The kept original of an invoice, empty when none was kept.
QString findOriginal(const QString& companyDir, const QString& code, const QString& number);

// How a batch went, as its window's foot says it.
struct Totals {
    int files = 0;  // in the batch, read or not
    int registered = 0;
    int alreadyRecorded = 0;
    int unrecognised = 0;
    int failed = 0;
    int refused = 0;
    void add(FileOutcome::Kind kind);
    int done() const { return registered + alreadyRecorded + unrecognised + failed + refused; }
};
// "共3个文件：报销成功1，已报销1，无法识别1，登记失败0", and "，不符合核销规则1" when any was.
QString totalsText(const Totals& totals);

// The list as the clerk sees it, in GBK with CR LF: 文件名,发票代码,发票号码,开票金额,结果.
QByteArray csv(const QList<FileOutcome>& outcomes);

}  // namespace fileimport
