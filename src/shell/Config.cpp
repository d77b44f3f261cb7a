#include "shell/Config.h"

#include "shell/Commonfun.h"
#include "shell/IniFile.h"
#include "shell/TextCodec.h"

namespace config {

QString iniPath() {
    return joinPath(GetExeDir(), QStringLiteral("config.ini"));
}

QString readTaxNumber(const IniFile& ini) {
    QString taxNumber = ini.readString(QStringLiteral("基本信息"), QStringLiteral("税号"), {});
    const qsizetype dot = taxNumber.indexOf(u'.');
    if (dot >= 0) {
        taxNumber.truncate(dot);
    }
    return taxNumber;
}

bool isUsableTaxNumber(const QString& taxNumber) {
    return textcodec::gbkLength(taxNumber) >= 15;
}

QString readUpdateUrlWritingDefault(IniFile& ini) {
    const QString value = ini.readString(QStringLiteral("SERVER"), QStringLiteral("updateUrl"),
                                         unconfiguredUpdateUrl());
    if (value == unconfiguredUpdateUrl() || value.isEmpty()) {
        ini.writeString(QStringLiteral("SERVER"), QStringLiteral("updateUrl"),
                        defaultUpdateBaseUrl());
    }
    return value;
}

QString readVersionWritingBack(IniFile& ini) {
    const QString value =
        ini.readString(QStringLiteral("版本信息"), QStringLiteral("Version"), defaultVersion());
    ini.writeString(QStringLiteral("版本信息"), QStringLiteral("Version"), value);
    return value;
}

QString readServer(const IniFile& ini) {
    return ini.readString(QStringLiteral("SERVER"), QStringLiteral("server"), {});
}

bool readSoundsOn(const IniFile& ini) {
    return ini.readString(QStringLiteral("声音"), QStringLiteral("开启"), QStringLiteral("1")) !=
           u'0';
}

}  // namespace config
