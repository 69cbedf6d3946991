#pragma once
// The program's start: the module initialisation (the log and its hooks, the shipped files,
// the settings, the band's class factory), the server start-up with its command-line
// switches, the application title, the browser window as the main window and the event
// loop; at exit the settings are saved and the hooks removed.
#include <QElapsedTimer>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class TfrmBrowser;

namespace ProgramStart {

// Chromium's switches for this process: as root the sandbox cannot run, so it is turned off
// (and the GPU, which a root session rarely has). Adds to what the environment already asks.
std::string ChromiumFlags(const std::string& current, bool runningAsRoot);
// The address to open instead of the store folder: the first argument that is not a switch.
QString StartAddress(const QStringList& arguments);

// What the program prints, and exits with 1, when the window is asked for without a display.
inline constexpr const char* NoDisplayMessage = "no display: set DISPLAY or WAYLAND_DISPLAY, or run under xvfb-run";
// Whether a window can be shown, from QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY (null when unset).
bool HasDisplay(const char* platform, const char* x11Display, const char* waylandDisplay);

// What runs on the main window once it is made, just before it shows; sinceStart measures
// from the program's start. The program itself passes none; a test build of it passes its checks.
using TMainWindowCallback = std::function<void(TfrmBrowser& window, const QElapsedTimer& sinceStart)>;

// The program: "-regserver" and "-unregserver" work without a display, the window needs one.
int Run(int argc, char** argv, const TMainWindowCallback& onWindow = {});

}  // namespace ProgramStart
