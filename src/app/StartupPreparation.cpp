#include "app/StartupPreparation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/AppInfo.h"
#include "base/Config.h"
#include "base/DailyLog.h"
#include "base/DatabaseSettings.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "store/BackupFiles.h"

namespace startup {

bool PrepareStartup() {
    const IniFile ini(config::iniPath());
    const QString taxNumber = config::readTaxNumber(ini);
    setTaxNumber(taxNumber);
    setDatabaseSettings(config::readDatabaseSettings(ini));
    if (!config::isUsableTaxNumber(taxNumber)) {
        WriteLog(GetExeDir(), QStringLiteral("读取失败，税号为空或税号不符合规则"));
        return false;
    }
    const QString companyDir = joinPath(GetExeDir(), taxNumber);
    if (!QFileInfo::exists(companyDir)) {
        QDir().mkdir(companyDir);
    }
    const QString templateDir = joinPath(GetExeDir(), QStringLiteral("database")) + u'/';
    QStringList names;
    FindFilesByName(templateDir, QStringLiteral("fpbx.mdb"), names);
    for (const QString& name : names) {
        if (name != QStringLiteral("fpbx.mdb")) {
            continue;  // FPBX.MDB and the like: names are compared exactly
        }
        // A company whose database has gone but whose copies are there keeps its absence:
        // an empty database in its place would let every invoice it held through again.
        const bool lost = !backupfiles::newest(backupfiles::folder(companyDir)).isEmpty();
        if (!QFileInfo::exists(joinPath(companyDir, QStringLiteral("fpbx.mdb"))) && !lost) {
            if (CopyFileTo(joinPath(templateDir, name), companyDir + u'/') != 0) {
                return false;
            }
        }
    }
    return true;
}

void WriteBackSettings() {
    IniFile ini(config::iniPath());
    config::readUpdateUrlWritingDefault(ini);
    config::readVersionWritingBack(ini);
}

void InstallStagedUpdater() {
    const QString staged = joinPath(GetExeDir(), QStringLiteral("temp/Update.exe"));
    if (!QFileInfo::exists(staged)) {
        return;
    }
    if (CopyFileTo(staged, GetExeDir()) == 0) {
        QFile::remove(staged);
    }
}

QString updaterProgram() {
    return QStringLiteral("Update.exe");
}

QString updaterArguments(const QString& executablePath) {
    return QFileInfo(executablePath).fileName() + u' ' + appinfo::updateFlag();
}

QStringList filesToOpen(const QStringList& arguments) {
    QStringList files;
    if (arguments.size() < 2 || arguments.at(1) != QStringLiteral("file")) {
        return files;
    }
    for (const QString& argument : arguments.mid(2)) {
        if (!argument.isEmpty()) {
            files << QFileInfo(argument).absoluteFilePath();
        }
    }
    return files;
}

}  // namespace startup
