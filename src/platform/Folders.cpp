#include "platform/Folders.h"

#include "platform/FileSystem.h"
#include "platform/Strings.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace Folders {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Reads XDG_DOCUMENTS_DIR="$HOME/Documents" from the user-dirs file.
std::string UserDirsDocuments() {
    std::string configHome = Env("XDG_CONFIG_HOME");
    if (configHome.empty()) configHome = HomeFolder() + "/.config";
    std::string bytes;
    if (!FileSystem::TryReadFile(configHome + "/user-dirs.dirs", bytes, 1 << 20)) return {};
    for (const std::string& raw : Strings::SplitLines(bytes)) {
        const std::string line = Strings::Trim(raw);
        if (!Strings::StartsWith(line, "XDG_DOCUMENTS_DIR=")) continue;
        std::string value = line.substr(18);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (Strings::StartsWith(value, "$HOME")) value = HomeFolder() + value.substr(5);
        if (value.empty() || value[0] != '/') return {};
        return FileSystem::ExcludeTrailingPathDelimiter(value);
    }
    return {};
}

bool CopyMissing(const std::string& from, const std::string& to) {
    std::vector<FileSystem::TSearchRec> entries;
    if (!FileSystem::ListFolder(from, "*", FileSystem::faAnyFile, entries)) return false;
    bool ok = FileSystem::ForceDirectories(to);
    for (const auto& e : entries) {
        const std::string source = from + e.Name, target = to + e.Name;
        if (e.Attr & FileSystem::faDirectory) {
            ok = CopyMissing(source + "/", target + "/") && ok;
        } else if (!FileSystem::PathExists(target)) {
            std::string bytes;
            try {
                if (!FileSystem::TryReadFile(source, bytes)) { ok = false; continue; }
                FileSystem::WriteFileAtomic(target, bytes);
            } catch (...) {
                ok = false;
            }
        }
    }
    return ok;
}

}  // namespace

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir ? pw->pw_dir : "";
    }
    return home.empty() ? std::string("/") : FileSystem::ExcludeTrailingPathDelimiter(home);
}

std::string PersonalFolder() {
    std::string folder = Env("XDG_DOCUMENTS_DIR");
    if (!folder.empty() && folder[0] == '/') return FileSystem::ExcludeTrailingPathDelimiter(folder);
    folder = UserDirsDocuments();
    return folder.empty() ? HomeFolder() : folder;
}

std::string FavoritesFolder() { return HomeFolder() + "/Favorites"; }

std::string TempFolder() {
    const std::string tmp = Env("TMPDIR");
    return tmp.empty() ? std::string("/tmp") : FileSystem::ExcludeTrailingPathDelimiter(tmp);
}

std::string ConfigFolder() {
    std::string base = Env("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/') base = HomeFolder() + "/.config";
    return FileSystem::IncludeTrailingPathDelimiter(base) + "quillbox/";
}

std::string CacheFolder() {
    std::string base = Env("XDG_CACHE_HOME");
    if (base.empty() || base[0] != '/') base = HomeFolder() + "/.cache";
    return FileSystem::IncludeTrailingPathDelimiter(base) + "quillbox/";
}

std::string ProgramDataFolder() {
    std::string base = Env("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/') base = HomeFolder() + "/.local/share";
    return FileSystem::IncludeTrailingPathDelimiter(base) + "quillbox/";
}

std::string ShippedDataFolder() {
    const std::string fromEnv = Env("QUILLBOX_DATA_DIR");
    if (!fromEnv.empty()) return FileSystem::IncludeTrailingPathDelimiter(fromEnv);
#ifdef QB_INSTALL_DATA_DIR
    if (FileSystem::DirectoryExists(QB_INSTALL_DATA_DIR)) return FileSystem::IncludeTrailingPathDelimiter(QB_INSTALL_DATA_DIR);
#endif
    return FileSystem::IncludeTrailingPathDelimiter(QB_SOURCE_DATA_DIR);
}

bool InstallShippedFiles() { return CopyMissing(ShippedDataFolder(), ProgramDataFolder()); }

}  // namespace Folders
