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
#include "fileimport/InvoiceFileImport.h"
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

namespace {

// Why a path named without the file command cannot be opened; empty when it can.
QString refusal(const QFileInfo& path) {
    if (!path.exists()) {
        return QStringLiteral("文件不存在");
    }
    if (path.isDir()) {
        return path.isReadable() ? QString() : QStringLiteral("文件夹无法读取");
    }
    QFile file(path.absoluteFilePath());
    if (!path.isFile() || !file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("文件无法读取");
    }
    if (fileimport::isInvoiceFileName(path.fileName()) ||
        file.read(5) == QByteArrayLiteral("%PDF-")) {
        return QString();
    }
    return QStringLiteral("不是PDF或OFD发票文件");
}

}  // namespace

CommandLine readCommandLine(const QStringList& arguments) {
    CommandLine line;
    const bool fileCommand = arguments.size() >= 2 && arguments.at(1) == QStringLiteral("file");
    for (const QString& argument : arguments.mid(fileCommand ? 2 : 1)) {
        if (argument.isEmpty() || (!fileCommand && argument.startsWith(u'-'))) {
            continue;
        }
        const QFileInfo path(argument);
        const QString why = fileCommand ? QString() : refusal(path);
        if (why.isEmpty()) {
            line.files << path.absoluteFilePath();
        } else {
            line.refused << argument + QStringLiteral("：") + why;
        }
    }
    return line;
}

QString refusedArgumentsText(const QStringList& refused) {
    return QStringLiteral("以下启动参数不是可以打开的发票文件或文件夹，未打开：\n") +
           refused.join(u'\n');
}

}  // namespace startup
