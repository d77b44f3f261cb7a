#include "app/ProgramEntry.h"

#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QScopeGuard>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/FpbxApplication.h"
#include "app/QtChineseTexts.h"
#include "app/SingleInstance.h"
#include "app/StartingIndication.h"
#include "app/StartupPreparation.h"
#include "base/AppInfo.h"
#include "base/Config.h"
#include "base/DatabaseSettings.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "base/WorkerCall.h"
#include "mainwindow/MainWindow.h"
#include "prompts/ErrorDisplay.h"
#include "prompts/QtPrompts.h"
#include "reader/ReaderClient.h"
#include "recordswindow/RecordsWindow.h"
#include "scanner/ProcInputDevices.h"
#include "sound/QtSoundPlayer.h"
#include "store/BackupFiles.h"
#include "store/DatabaseBackup.h"
#include "store/DatabaseCheck.h"
#include "store/ShutdownCheckpoint.h"
#include "update/UpdateCheck.h"

namespace {

// The day's copy of the database waits until the start is over.
constexpr int kFirstDailyCopyAfterMs = 10000;

void startUpdaterProcess(const QString& program, const QString& arguments) {
    // Started by its bare name; the copy beside the executable is the one installed.
    const QString local = joinPath(GetExeDir(), program);
    QProcess::startDetached(QFileInfo::exists(local) ? local : program,
                            arguments.split(u' ', Qt::SkipEmptyParts));
}

void bringForward(QWidget* window) {
    if (window->isMinimized()) {
        window->showNormal();
    }
    window->raise();
    window->activateWindow();
}

void showInformation(const QString& text) {
    appprompts::get().message(nullptr, QStringLiteral("提示"), text, MsgIcon::Information);
}

// The update check runs on a worker while the start-up indication shows; the indication is gone
// before whatever follows (the update box, the main window, an error).
bool checkUpdateShowingIndication(const ProgramSeams& seams, SingleInstance& instance) {
    const std::function<bool()> check =
        seams.checkUpdate ? seams.checkUpdate : [timeouts = seams.updateTimeouts] {
            return updatecheck::CheckUpdate(timeouts);
        };
    StartingIndication indication;
    indication.show();
    if (seams.indicationShown) {
        seams.indicationShown(indication);
    }
    instance.setActivationHandler([&indication] { bringForward(&indication); });
    const auto noLongerForward = qScopeGuard([&instance] { instance.setActivationHandler({}); });
    return callOnWorker(check);
}

// Null when config.ini turns the sounds off.
std::unique_ptr<SoundPlayer> openSoundPlayer(const ProgramSeams& seams) {
    if (!config::readSoundsOn(IniFile(config::iniPath()))) {
        return nullptr;
    }
    return seams.soundPlayer ? seams.soundPlayer() : std::make_unique<QtSoundPlayer>();
}

// The start after the single-instance test; errors escaping from here end the program.
void runStart(ProgramSeams& seams, SingleInstance& instance, const QStringList& files) {
    if (checkUpdateShowingIndication(seams, instance)) {
        showInformation(QStringLiteral("软件有更新，点击确定开始更新！"));
        const QString arguments =
            startup::updaterArguments(QCoreApplication::applicationFilePath());
        if (seams.startUpdater) {
            seams.startUpdater(startup::updaterProgram(), arguments);
        } else {
            startUpdaterProcess(startup::updaterProgram(), arguments);
        }
        return;
    }
    if (!startup::PrepareStartup()) {
        showInformation(QStringLiteral("启动失败，请先检查是否安装开票软件！"));
        return;
    }
    const QString database = joinPath(CompanyDir(), QStringLiteral("fpbx.mdb"));
    // A registry on a server is checked and backed up there; the local file is not in use.
    const bool localFile = currentDatabaseSettings().engine == DatabaseSettings::Engine::Sqlite;
    if (const std::optional<StoreError> problem =
            localFile ? databasecheck::problemWith(database) : std::nullopt) {
        const QString newestCopy = backupfiles::newest(backupfiles::folder(CompanyDir()));
        appprompts::get().message(nullptr, QStringLiteral("提示"),
                                  databasecheck::startupText(*problem, newestCopy),
                                  MsgIcon::Warning);
    }

    std::unique_ptr<KeyboardDeviceSource> devices =
        seams.keyboardDevices ? seams.keyboardDevices() : std::make_unique<ProcInputDevices>();
    const std::unique_ptr<SoundPlayer> sounds = openSoundPlayer(seams);
    MainWindow mainWindow(std::move(devices));
    mainWindow.setSoundPlayer(sounds.get());
    startup::WriteBackSettings();
    startup::InstallStagedUpdater();
    mainWindow.setOpenRecords([](QWidget* owner) {
        RecordsWindow records(owner);
        records.exec();
    });
    instance.setActivationHandler([&mainWindow] { bringForward(&mainWindow); });
    instance.setFilesHandler([&mainWindow](const QStringList& handed) {
        bringForward(&mainWindow);
        mainWindow.importFiles(handed);
    });
    const auto noFilesAfterExit = qScopeGuard([&instance] { instance.setFilesHandler({}); });
    databasebackup::DailyKeeper dailyCopy(CompanyDir(), TaxNumber());

    mainWindow.show();
    if (localFile) {
        dailyCopy.start(kFirstDailyCopyAfterMs);
    }
    if (seams.mainWindowShown) {
        seams.mainWindowShown(mainWindow);
    }
    if (!files.isEmpty()) {
        QMetaObject::invokeMethod(
            &mainWindow, [&mainWindow, files] { mainWindow.importFiles(files); },
            Qt::QueuedConnection);
    }
    QApplication::exec();
    instance.setActivationHandler({});
}

// The arguments that named nothing to open, in a box (also on the terminal): never silence.
void tellRefused(const ProgramSeams& seams, const QStringList& refused) {
    if (refused.isEmpty()) {
        return;
    }
    std::optional<QtPrompts> qtPrompts;
    Prompts* prompts = seams.prompts;
    if (prompts == nullptr) {
        prompts = &qtPrompts.emplace();
    }
    prompts->message(nullptr, QStringLiteral("提示"), startup::refusedArgumentsText(refused),
                     MsgIcon::Warning);
}

}  // namespace

int runProgram(int& argc, char** argv, ProgramSeams seams) {
    std::optional<FpbxApplication> ownApplication;
    if (QCoreApplication::instance() == nullptr) {
        ownApplication.emplace(argc, argv);
        shutdowncheckpoint::install(readerclient::program());
    }
    const QString title = seams.instanceTitle.isEmpty() ? appinfo::title() : seams.instanceTitle;
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const startup::CommandLine commandLine = startup::readCommandLine(arguments);
    const QStringList& files = commandLine.files;
    if (!commandLine.refused.isEmpty()) {
        std::fprintf(stderr, "%s\n",
                     startup::refusedArgumentsText(commandLine.refused).toLocal8Bit().constData());
    }
    SingleInstance instance(title);
    if (!instance.acquire(files)) {
        // The running instance comes forward; nothing else is touched, but the refusal is said.
        if (!commandLine.refused.isEmpty()) {
            const QtChineseTexts chineseTexts;
            tellRefused(seams, commandLine.refused);
        }
        return 0;
    }
    QCoreApplication::setApplicationName(appinfo::title());
    QGuiApplication::setDesktopFileName(QStringLiteral("fpbx"));  // the menu entry's name
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icon/fpbx-256.png")));
    const QtChineseTexts chineseTexts;

    std::optional<QtPrompts> qtPrompts;
    Prompts* previous = &appprompts::get();
    if (seams.prompts == nullptr) {
        qtPrompts.emplace();
        seams.prompts = &*qtPrompts;
    }
    appprompts::install(seams.prompts);
    tellRefused(seams, commandLine.refused);
    runGuarded([&] { runStart(seams, instance, files); });
    appprompts::install(previous);
    return 0;
}
