#include "base/DatabaseSettings.h"

#include <QReadWriteLock>

namespace {

QReadWriteLock settingsLock;
DatabaseSettings settingsOfThisRun;

}  // namespace

DatabaseSettings currentDatabaseSettings() {
    QReadLocker lock(&settingsLock);
    return settingsOfThisRun;
}

void setDatabaseSettings(const DatabaseSettings& settings) {
    QWriteLocker lock(&settingsLock);
    settingsOfThisRun = settings;
}
