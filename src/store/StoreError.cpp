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
        case Kind::NoAnswer:
            return QStringLiteral("数据库服务器没有响应");
        case Kind::NoRegistry:
            return QStringLiteral("本税号的登记表尚未建立");
        case Kind::NoRights:
            return QStringLiteral("数据库用户权限不足");
        case Kind::Misconfigured:
            return QStringLiteral("数据库设置有误");
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
        case Kind::NoAnswer:
            return QStringLiteral(
                "数据库服务器没有响应，发票未登记。请检查网络和服务器后重新扫描。");
        case Kind::NoRegistry:
            return QStringLiteral(
                "本税号的登记表尚未建立，请先运行 fpbxdb init。发票未登记：请管理员在数据库"
                "服务器上建立本公司（本税号）的发票登记表后重新扫描。");
        case Kind::NoRights:
            return QStringLiteral(
                "数据库服务器拒绝了本机数据库用户的操作，发票未登记。请管理员检查该用户的权限。");
        case Kind::Misconfigured:
            return QStringLiteral(
                "config.ini 中 [数据库] "
                "的类型或连接设置有误，发票未登记。请管理员改正后重新启动程序。");
        case Kind::Other:
            break;
    }
    return QStringLiteral("数据库出错，发票未登记。请稍后重新扫描；问题仍在时请联系管理员。");
}

QString StoreError::panelText() const {
    switch (kind) {
        case Kind::NoRegistry:
            return QStringLiteral("本税号的登记表尚未建立，请先运行 fpbxdb init");
        case Kind::Unreachable:
        case Kind::NoAnswer:
            // detail is "无法连接数据库服务器：<why>" already.
            return detail.isEmpty() ? reason() : detail;
        default:
            break;
    }
    return detail.isEmpty() ? reason() : reason() + QStringLiteral("：") + detail;
}

QString StoreError::messageText() const {
    return detail.isEmpty() ? explanation() : explanation() + QStringLiteral("\n\n") + detail;
}
