#pragma once

#include <QString>

class IniFile;
struct DatabaseSettings;

// The keys of config.ini the program reads and writes, with their defaults and write-back
// rules.
namespace config {

QString iniPath();  // <exe directory>/config.ini

// The base URL written into [SERVER] updateUrl when it was never configured. Nothing listens on
// port 9 of the local machine, so without a configured service the check fails at once.
inline QString defaultUpdateBaseUrl() {
    return QStringLiteral("http://127.0.0.1:9/fpbx");
}
inline QString unconfiguredUpdateUrl() {
    return QStringLiteral("100");
}
inline QString defaultVersion() {
    return QStringLiteral("1.0.1");
}

// [基本信息] 税号, cut before its first ".".
QString readTaxNumber(const IniFile& ini);
// At least 15 bytes of GBK text.
bool isUsableTaxNumber(const QString& taxNumber);

// Reads [SERVER] updateUrl (default "100"); writes the default base URL when the value read is
// "100" or empty. Returns the value read.
QString readUpdateUrlWritingDefault(IniFile& ini);
// Reads [版本信息] Version (default "1.0.1") and writes the value read back. Returns it.
QString readVersionWritingBack(IniFile& ini);
// [基本信息] 单位名称, the company's name on a claim's sheet; empty when not set.
QString readCompanyName(const IniFile& ini);
// [报销单] 发票文件新建报销单 (default off): each batch of invoice files becomes a claim of its
// own; the batch window's check box sets it.
bool readFileBatchClaim(const IniFile& ini);
void writeFileBatchClaim(IniFile& ini, bool on);
// [SERVER] server, default empty.
QString readServer(const IniFile& ini);

// [数据库] 类型 (sqlite when absent or empty, postgresql; letter case ignored) and 连接.
DatabaseSettings readDatabaseSettings(const IniFile& ini);
// [声音] 开启 (default "1"): the outcomes are heard unless it reads "0".
bool readSoundsOn(const IniFile& ini);

// The config.ini a new installation starts from: the tax number left for the administrator to
// fill in, and the settings a clerk may change, at their defaults.
void writeInstallationTemplate(IniFile& ini);

}  // namespace config
