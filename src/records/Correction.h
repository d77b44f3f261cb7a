#pragma once

#include <QString>
#include <optional>

class Database;

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

// Sets 报销人 of the invoice (code, number). Throws AppError when the database refuses or the
// invoice is no longer in the table.
void saveReimburser(Database& db, const QString& code, const QString& number, const QString& name);

}  // namespace correction
