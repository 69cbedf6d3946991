#include "hosts/ProgramStart.h"

#include "hosts/ComServer.h"
#include "hosts/NotesMain.h"
#include "hosts/frmBrowser.h"
#include "pane/Application.h"
#include "pane/Product.h"
#include "platform/Folders.h"
#include "settings/DebugM.h"
#include "settings/Options.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace ProgramStart {

namespace {

const char* const ServerSwitches[] = {"REGSERVER", "UNREGSERVER", "AUTOMATION", "EMBEDDING"};

bool IsServerSwitch(const QString& argument) {
    for (const char* name : ServerSwitches)
        if (FindCmdLineSwitch({argument.toStdString()}, name)) return true;
    return false;
}

}  // namespace

std::string ChromiumFlags(const std::string& current, bool runningAsRoot) {
    std::string flags = current;
    if (!runningAsRoot) return flags;
    for (const char* flag : {"--no-sandbox", "--disable-gpu"}) {
        if (flags.find(flag) != std::string::npos) continue;
        flags += flags.empty() ? flag : std::string(" ") + flag;
    }
    return flags;
}

QString StartAddress(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (!arguments[i].startsWith('-') && !IsServerSwitch(arguments[i])) return arguments[i];
    return {};
}

bool HasDisplay(const char* platform, const char* x11Display, const char* waylandDisplay) {
    const auto set = [](const char* value) { return value && *value; };
    if (!set(platform)) return set(x11Display) || set(waylandDisplay);
    // The platforms asked for, in order ("wayland;xcb"); any one that can start will do.
    for (const QString& wanted : QString(platform).split(';', Qt::SkipEmptyParts)) {
        if (wanted.startsWith("xcb")) {
            if (set(x11Display)) return true;
        } else if (wanted.startsWith("wayland")) {
            if (set(waylandDisplay)) return true;
        } else {
            return true;  // offscreen, vnc, eglfs...: a screen of its own
        }
    }
    return false;
}

int Run(int argc, char** argv, const TMainWindowCallback& onWindow) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    std::setlocale(LC_ALL, "");
    // Registering needs no window, so it runs without a display too (a terminal over ssh, a
    // package's install script); the window itself needs one.
    const std::vector<std::string> arguments(argv, argv + argc);
    const bool registering = FindCmdLineSwitch(arguments, "REGSERVER") || FindCmdLineSwitch(arguments, "UNREGSERVER");
    const bool display = HasDisplay(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
    if (!display && !registering) {
        std::fputs(NoDisplayMessage, stderr);
        std::fputc('\n', stderr);
        return 1;
    }
    const char* flags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", ChromiumFlags(flags ? flags : "", ::geteuid() == 0).c_str(), 1);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    std::unique_ptr<QCoreApplication> app;
    if (display) app = std::make_unique<TQuillboxApplication>(argc, argv);
    else app = std::make_unique<QCoreApplication>(argc, argv);

    // Module initialisation.
    DebugM::Initialize();
    Folders::InstallShippedFiles();
    Options = std::make_unique<TOptions>();
    Options->Load();
    TComServer server(QCoreApplication::applicationFilePath().toStdString());
    server.AddFactory(std::make_unique<TNotesMainFactory>());

    // The server start-up: registering or unregistering ends the program here.
    int exitCode = 0;
    const TServerStart start = server.Initialize(arguments, [display](const std::string& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
        if (display) QMessageBox::critical(nullptr, ProductName, QString::fromStdString(message));
    }, exitCode);

    if (start == TServerStart::Continue) {
        QApplication::setApplicationName(ProductName);
        QGuiApplication::setDesktopFileName("quillbox");
        TfrmBrowser window(StartAddress(app->arguments()));
        if (onWindow) onWindow(window, sinceStart);
        window.show();
        exitCode = app->exec();
    }

    Options->Save();
    Options.reset();
    DebugM::Finalize();
    return exitCode;
}

}  // namespace ProgramStart
