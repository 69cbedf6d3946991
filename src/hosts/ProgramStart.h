#pragma once
// The program's start: the module initialisation (the log and its hooks, the shipped files,
// the settings, the band's class factory), the server start-up with its command-line
// switches, the application title, the browser window as the main window and the event
// loop; at exit the settings are saved and the hooks removed.
#include <QStringList>
#include <string>
#include <vector>

namespace ProgramStart {

// Chromium's switches for this process: as root the sandbox cannot run, so it is turned off
// (and the GPU, which a root session rarely has). Adds to what the environment already asks.
std::string ChromiumFlags(const std::string& current, bool runningAsRoot);
// The address to open instead of the store folder: the first argument that is not a switch.
QString StartAddress(const QStringList& arguments);

int Run(int argc, char** argv);

}  // namespace ProgramStart
