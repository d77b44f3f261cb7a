#pragma once

#include <QString>
#include <QStringList>

// The start-up work that needs no window.
namespace startup {

// Reads the tax number and the database settings (kept in their globals for the whole run),
// creates the company directory when absent and puts the template database into it when it has
// none and never had (no backup copies). False when the tax number is unusable (logged) or the
// template could not be copied.
bool PrepareStartup();

// The config.ini write-backs of the main window's construction: the default update URL when
// none is configured, and [版本信息] Version as read. Throws AppError when config.ini cannot be
// written.
void WriteBackSettings();

// Moves a staged updater (<exe dir>/temp/Update.exe) into the exe directory. The staged copy is
// deleted only when the copy succeeded, so a failed copy leaves it for the next start.
void InstallStagedUpdater();

// What the updater is started with: the executable's own file name and the update flag.
QString updaterProgram();
QString updaterArguments(const QString& executablePath);

// The command line: the invoice files to open, as absolute paths (a running instance, in another
// directory, takes them), and the arguments refused, each with why ("x.doc：不是PDF或OFD发票文件").
// "fpbx file <path>…" takes every path as it is (the batch says what became of each);
// "fpbx <path>…", what file managers start, takes folders and readable PDF or OFD files (by name
// or by content) and refuses anything else. Options (-x) are Qt's and are left alone.
struct CommandLine {
    QStringList files;
    QStringList refused;
};
CommandLine readCommandLine(const QStringList& arguments);
// The message about refused arguments, for the terminal and a box.
QString refusedArgumentsText(const QStringList& refused);

}  // namespace startup
