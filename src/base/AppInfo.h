#pragma once

#include <QString>

namespace appinfo {

// The application's title: caption of the top-level error display and the name the
// single-instance guard is known by.
inline QString title() {
    return QStringLiteral("Velmora电子发票核销软件");
}

// Sent to the update service and handed to the updater.
inline QString updateFlag() {
    return QStringLiteral("16");
}

// The version of this build of the program (the project's version), as the audit trail records
// it beside every change.
QString programVersion();

}  // namespace appinfo
