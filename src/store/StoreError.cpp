#include "store/StoreError.h"

QString StoreError::reason() const {
    switch (kind) {
        case Kind::InvalidValue:
            return QStringLiteral("发票信息有误");
        case Kind::DiskFull:
            return QStringLiteral("磁盘空间不足");
        case Kind::Missing:
            return QStringLiteral("数据库文件不存在");
        case Kind::ReadOnly:
            return QStringLiteral("数据库文件只读");
        case Kind::Corrupt:
            return QStringLiteral("数据库文件已损坏");
        case Kind::Busy:
            return QStringLiteral("数据库被占用");
        case Kind::Unreachable:
            return QStringLiteral("无法连接数据库服务器");
        case Kind::Other:
            break;
    }
    return QStringLiteral("数据库出错");
}

QString StoreError::explanation() const {
    switch (kind) {
        case Kind::InvalidValue:
            return QStringLiteral("发票信息有误，发票未登记。请核对发票后重新录入。");
        case Kind::DiskFull:
            return QStringLiteral("磁盘空间不足，发票未登记。请清理磁盘空间后重新扫描。");
        case Kind::Missing:
            return QStringLiteral(
                       "数据库文件不存在：%1\n发票未登记。请从备份恢复数据库文件后重新扫描。")
                .arg(path);
        case Kind::ReadOnly:
            return QStringLiteral(
                       "数据库文件只读：%1\n发票未登记。请取消文件及其文件夹的只读属性后重新扫描。")
                .arg(path);
        case Kind::Corrupt:
            return QStringLiteral(
                       "数据库文件已损坏：%1\n发票未登记。请从备份恢复数据库文件后重新扫描。")
                .arg(path);
        case Kind::Busy:
            return QStringLiteral("数据库正被其他程序占用，发票未登记。请稍后重新扫描。");
        case Kind::Unreachable:
            return QStringLiteral(
                "无法连接数据库服务器，发票未登记。请检查网络和服务器后重新扫描。");
        case Kind::Other:
            break;
    }
    return QStringLiteral("数据库出错，发票未登记。请稍后重新扫描；问题仍在时请联系管理员。");
}

QString StoreError::messageText() const {
    return detail.isEmpty() ? explanation() : explanation() + QStringLiteral("\n\n") + detail;
}
