#pragma once
// The diagnostic log. When the registry flag DebugMode is set, every trapped exception and
// every message becomes one line of "DEBUG.LOG" in the program's folder; when it is clear
// nothing is written at all.
#include <string>

namespace DebugM {

// Reads DebugMode once (creating the value with 0 when missing), sets LogLevel to 0 and
// installs the handler for exceptions that escape everything. Safe to call again (tests).
void Initialize();
// Puts the previous handler back.
void Finalize();

bool DebugMode();
int LogLevel();
std::string LogFileName();

// Appends "[dd.mm.yy hh:nn:ss.zzz] <thread id>: <text>" when DebugMode is on and level is not
// below LogLevel. Writers are serialised.
void LogMessage(const std::string& text, int level = 0);
// Inside a handler: appends "[time stamp],Info: <info>,Msg: <message>,ExptAdrs: $XXXXXXXX";
// with no exception being handled it hands info to LogMessage.
void LogError(const std::string& info);

// The time stamp of a log line for the given local date-time.
std::string FormatTimeStamp(double dateTime);

}  // namespace DebugM
