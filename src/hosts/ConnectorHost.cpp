#include "hosts/ConnectorHost.h"

#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace ConnectorHost {

namespace {

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return FileSystem::IncludeTrailingPathDelimiter(xdg);
    return FileSystem::IncludeTrailingPathDelimiter(Folders::HomeFolder()) + ".config/";
}

// A word for sh: in single quotes, each quote closed, escaped and opened again.
std::string ShellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

void WriteIfChanged(const std::string& file, const std::string& text) {
    std::string current;
    if (FileSystem::TryReadFile(file, current, 1 << 16) && current == text) return;
    if (!FileSystem::ForceDirectories(FileSystem::ExtractFilePath(file)))
        throw EInOutError("Cannot create " + FileSystem::ExtractFilePath(file));
    FileSystem::WriteFileAtomic(file, text);
}

}  // namespace

std::string LauncherFile() { return FileSystem::IncludeTrailingPathDelimiter(Folders::ProgramDataFolder()) + "connector-host"; }

std::vector<std::string> ManifestFiles() {
    const std::string name = std::string(HostName) + ".json";
    const std::string home = FileSystem::IncludeTrailingPathDelimiter(Folders::HomeFolder());
    return {home + ".mozilla/native-messaging-hosts/" + name, ConfigHome() + "chromium/NativeMessagingHosts/" + name,
            ConfigHome() + "google-chrome/NativeMessagingHosts/" + name};
}

std::string ManifestText(bool firefox, const std::string& launcher) {
    nlohmann::ordered_json manifest = {
        {"name", HostName}, {"description", "Quillbox connector"}, {"path", launcher}, {"type", "stdio"}};
    if (firefox)
        manifest["allowed_extensions"] = {FirefoxExtensionID};
    else
        manifest["allowed_origins"] = {std::string("chrome-extension://") + ChromiumExtensionID + "/"};
    return manifest.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string LauncherText(const std::string& programFile) {
    const std::string cli = FileSystem::ExtractFilePath(programFile) + "quillbox-cli";
    return "#!/bin/sh\n# Started by the browser for the Quillbox connector.\nexec " + ShellQuoted(cli) + " native-host\n";
}

void Install(const std::string& programFile) {
    const std::string launcher = LauncherFile();
    WriteIfChanged(launcher, LauncherText(programFile));
    if (::chmod(launcher.c_str(), 0755) != 0) throw EInOutError("Cannot make " + launcher + " executable");
    const std::vector<std::string> files = ManifestFiles();
    for (size_t i = 0; i < files.size(); ++i) WriteIfChanged(files[i], ManifestText(i == 0, launcher));
}

void Remove() {
    for (const std::string& file : ManifestFiles()) std::remove(file.c_str());
    std::remove(LauncherFile().c_str());
}

}  // namespace ConnectorHost
