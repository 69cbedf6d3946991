#pragma once
// Every test process runs in its own temporary home: HOME, the XDG folders and TMPDIR point
// below one fresh folder, the locale is C.UTF-8 and the time zone UTC, so no test touches
// the user's real files or depends on the machine's settings.
#include "SandboxHome.h"

#include <string>

namespace TestEnv {

// The temporary home of this process, ending with "/".
const std::string& Root();
// A fresh empty folder below the temporary home, ending with "/".
std::string MakeTempDir(const std::string& name);
// Whole files written (with their folders) and read.
using SandboxHome::ReadFile;
using SandboxHome::WriteFile;
// Sets TZ and applies it.
void SetTimeZone(const char* tz);
// Makes the log write: sets DebugMode in the registry file and re-reads it.
void EnableDebugLog(bool on);

}  // namespace TestEnv
