#pragma once
// Starting other programs: always an argument vector, never a command string for a shell.
#include <string>
#include <vector>

namespace Shell {

// The full path of a program found on $PATH, or "" when there is none.
std::string FindProgram(const std::string& name);
// Starts the program detached from this process (its own session, no zombie left behind).
// False when it could not be started.
bool LaunchDetached(const std::vector<std::string>& argv);
// Starts the program detached and watches it for at most graceMs: false when it could not be
// started or ended with a failure status in that time; a program still running counts as
// started (it is then left to run and reaped in the background).
bool LaunchChecked(const std::vector<std::string>& argv, int graceMs);
// Runs the program, waits for it (at most timeoutMs) and collects its standard output
// (at most 1 MiB). True when it exited with status 0.
bool RunCapture(const std::vector<std::string>& argv, std::string& output, int timeoutMs = 10000);
// Runs the program and waits for it; returns its exit status, or -1 when it could not run.
int RunWait(const std::vector<std::string>& argv, int timeoutMs = 60000);
// Opens a file or URL with the desktop's handler (xdg-open).
bool ShellOpen(const std::string& target);
// The command line of the desktop's default application for a MIME type: xdg-mime's answer
// looked up among the desktop entries; "" when there is none.
std::string DefaultApplicationCommand(const std::string& mimeType);

}  // namespace Shell
