#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh exe directory for one test: config.ini with a usable tax number, database/fpbx.mdb
// (the template), the company directory with its working database and an empty bxr.txt. The
// program's exe directory and globals point at it while it lives (the store: the SQLite file).
class TempExeDir {
public:
    static inline const QString kTaxNumber = QStringLiteral("91110108MA01ABCD2X");

    struct Options {
        bool configIni = true;
        bool companyDir = true;  // the company directory with fpbx.mdb and bxr.txt
        QString taxNumber = kTaxNumber;
        QString parent;  // the folder it is made in; the system's temporary folder when empty
    };

    TempExeDir();
    explicit TempExeDir(const Options& options);
    ~TempExeDir();

    QString path() const { return dir_.path(); }
    QString file(const QString& relative) const;  // path()/relative
    QString companyDir() const;
    QString databasePath() const;  // the company directory's fpbx.mdb
    QString logPath() const;       // today's log, by the installed clock

private:
    QTemporaryDir dir_;
    QString taxNumber_;
};
