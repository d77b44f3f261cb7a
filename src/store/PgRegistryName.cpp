#include "store/PgRegistryName.h"

#include "base/AppError.h"

namespace pgregistry {

namespace {
// The server cuts names past 63 bytes, which would let two long tax numbers share a registry.
constexpr qsizetype kMaxNameBytes = 63;
}  // namespace

QString schemaName(const QString& taxNumber) {
    const QString name = QStringLiteral("fpbx_") + taxNumber;
    if (taxNumber.isEmpty() || name.toUtf8().size() > kMaxNameBytes) {
        throw AppError(QStringLiteral("税号“%1”不能用作数据库服务器上的登记表名").arg(taxNumber));
    }
    return name;
}

}  // namespace pgregistry
