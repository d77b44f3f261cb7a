#pragma once

#include <QObject>
#include <QString>

#include "claims/ClaimSheet.h"
#include "store/ClaimStore.h"

// A claim's sheet as the program keeps it (<company>/报销单/<yyyyMM>/<number>.pdf) and offers it
// to the clerk: printed through the system's print dialog, or saved where the clerk picks.
namespace claimsheet {

struct Kept {
    QString path;  // the kept PDF
    claims::SheetContent content;
    QString error;  // why there is no sheet; empty when written
    bool ok() const { return error.isEmpty(); }
};

// Reads the claim: what its sheet says and where it is kept, nothing written.
Kept read(ClaimStore& store, const QString& number, const QString& companyDir);
// Reads the claim and writes its sheet anew into the company folder.
Kept keep(ClaimStore& store, const QString& number, const QString& companyDir);

// Tells the clerk the sheet was written and where, and offers 打印….
void offer(QObject* owner, const Kept& kept);
// Copies the kept sheet where the clerk picks (另存为…).
void saveCopy(QObject* owner, const Kept& kept);

// The claim a batch of invoices (an Excel import) joins: opened before the batch (its failure
// told in a box: empty then), closed after it with its sheet kept and offered. A claim the batch
// left empty is closed without a sheet.
QString openBatchClaim(QObject* owner, ClaimStore& store, const QString& reimburser);
void closeBatchClaim(QObject* owner, ClaimStore& store, const QString& number,
                     const QString& companyDir);

}  // namespace claimsheet
