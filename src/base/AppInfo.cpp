#include "base/AppInfo.h"

namespace appinfo {

QString programVersion() {
    return QStringLiteral(FPBX_VERSION);
}

}  // namespace appinfo
