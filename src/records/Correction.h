#pragma once

#include <QString>
#include <optional>

class Database;
class InvoiceStore;

// The rules of correcting the reimburser of a recorded invoice from the records grid.
namespace correction {

// A stored reimburser that only invites a click counts as none.
inline constexpr char16_t kPlaceholder[] = u"点击修改";

QString initialText(const QString& stored);
QString caption(const QString& number);  // "修改报销人->发票号码:" + number

enum class Verdict {
    Ignore,   // cancelled or empty: nothing happens
    TooLong,  // the name limit's message
    Save,
};
// The entered text is taken as typed: no trimming, so blanks are a name too.
Verdict judge(const std::optional<QString>& entered);

// Sets 报销人 of the invoice (code, number) through the store, which keeps the old and the new
// name in its trail. Throws AppError when the store refuses or the invoice is no longer recorded.
void saveReimburser(InvoiceStore& store, const QString& code, const QString& number,
                    const QString& name);
// The same on the store in the file the records window's connection has open (the write goes
// through a store connection of its own, so that it carries its trail line).
void saveReimburser(Database& db, const QString& code, const QString& number, const QString& name);

}  // namespace correction
