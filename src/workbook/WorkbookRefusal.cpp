#include "workbook/WorkbookRefusal.h"

namespace workbook {

namespace {
const QString kRefusal = QStringLiteral("无法读取该Excel表：");
}  // namespace

AppError unreadable(const QString& reason) {
    return AppError(kRefusal + reason);
}

bool isRefusal(const AppError& error) {
    return error.message().startsWith(kRefusal);
}

AppError unreadable(Unreadable reason) {
    switch (reason) {
        case Unreadable::Damaged:
            return unreadable(QStringLiteral("文件不完整或已损坏。"));
        case Unreadable::Encrypted:
            return unreadable(QStringLiteral("文件已加密，请先取消密码保护。"));
        case Unreadable::NoWorkbook:
            return unreadable(QStringLiteral("文件中没有Excel工作簿。"));
        case Unreadable::NoSheet:
            return unreadable(QStringLiteral("工作簿中没有工作表。"));
        case Unreadable::TooLarge:
            return unreadable(QStringLiteral("文件解压后过大，可能已损坏。"));
        case Unreadable::OutOfMemory:
            return unreadable(QStringLiteral("内存不足。"));
        case Unreadable::Missing:
            return unreadable(QStringLiteral("文件不存在。"));
        case Unreadable::CannotOpen:
            break;
    }
    return unreadable(QStringLiteral("文件无法打开，请检查是否有读取权限。"));
}

}  // namespace workbook
