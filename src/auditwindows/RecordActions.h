#pragma once

#include <QObject>

#include "store/AuditTrail.h"

class QAbstractItemView;
class QMenu;
class QWidget;

// The records grid's context-menu entries 查看记录历史 (the trail of the invoice under the pointer)
// and 撤销报销 (undo its registration, with a reason and a confirmation), added to the menu the
// window opens. The invoice is known by the 发票代码 and 发票号码 texts its row shows.
namespace audit {

class RecordActions final : public QObject {
    Q_OBJECT
public:
    RecordActions(QAbstractItemView* grid, QWidget* owner);

    // Adds the entries for a grid row to a menu.
    void addTo(QMenu& menu, int row);
    // A menu of these entries alone (the caller owns it).
    QMenu* menuFor(int row);
    trail::InvoiceKey keyOf(int row) const;

    static QString historyText() { return QStringLiteral("查看记录历史"); }
    static QString undoText() { return QStringLiteral("撤销报销"); }

public slots:
    void showHistory(int row);
    // True when the registration was undone.
    bool undo(int row);

signals:
    // The store changed (an undo): the grid and its counts should be read again. row is the
    // grid row the change was made from.
    void recordsChanged(int row);

private:
    QAbstractItemView* grid_;
    QWidget* owner_;
};

// The undo's texts, in one place.
QString undoCaption(const QString& number);  // "撤销报销->发票号码:" + number
inline constexpr char16_t kUndoPrompt[] = u"撤销原因（必填）:";
inline constexpr char16_t kUndoConfirmation[] = u"确认撤销该发票的报销记录？";
inline constexpr char16_t kReasonRequired[] = u"请填写撤销原因！";
inline constexpr char16_t kUndone[] = u"撤销成功，该发票可以重新报销";
inline constexpr char16_t kNoLongerRecorded[] = u"该发票已不在报销记录中";

}  // namespace audit
