#pragma once
// A sandbox home for test and benchmark processes: HOME, the XDG folders and TMPDIR point
// below one fresh folder, the locale is C.UTF-8 and the time zone UTC, and the log has read
// its flag from the sandbox's registry file. Nothing touches the user's real files.
#include <string>

namespace SandboxHome {

// Makes /tmp/<prefix>-XXXXXX and moves the process into it; returns it, ending with "/".
std::string SetUp(const char* prefix);
// A fresh empty folder below root, ending with "/".
std::string MakeTempDir(const std::string& root, const std::string& name);
// Writes a file (creating its folders) with the given bytes, and reads one whole.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// Removes the sandbox unless QB_KEEP_TEST_HOME is set.
void TearDown(const std::string& root);

}  // namespace SandboxHome
