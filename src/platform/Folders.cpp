#include "platform/Folders.h"

#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"

#include <cerrno>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
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

// Makes the folder with mode 0700 unless it is there, then checks what the name holds, through
// a handle that does not follow links: a folder of this user's, closed to everyone else.
bool IsPrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
                    ((st.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return ok;
}

// A new folder under a name nobody could have taken before, kept for the life of the process.
std::string FreshPrivateFolder() {
    static const std::string folder = [] {
        std::string pattern = TempFolder() + "/quillbox-" + std::to_string(::geteuid()) + "-XXXXXX";
        return ::mkdtemp(pattern.data()) ? pattern : std::string();
    }();
    if (folder.empty() || !IsPrivateFolder(folder))
        throw EInOutError("Cannot make a private temporary folder in \"" + TempFolder() + "\": " + std::strerror(errno));
    return folder;
}

// The folder of the running program file, without a trailing "/"; "" when it cannot be read.
std::string ProgramFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof buffer)) return {};
    return FileSystem::ExcludeTrailingPathDelimiter(FileSystem::ExtractFilePath(std::string(buffer, static_cast<size_t>(n))));
}

bool InBuildTree(const std::string& programFolder) {
    char* real = ::realpath(QB_BUILD_DIR, nullptr);
    const std::string buildDir = real ? real : QB_BUILD_DIR;
    std::free(real);
    return !programFolder.empty() && Strings::StartsWith(programFolder + "/", buildDir + "/");
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

std::string PrivateTempFolder() {
    const std::string runtime = Env("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime[0] == '/') {
        const std::string folder = FileSystem::ExcludeTrailingPathDelimiter(runtime) + "/quillbox";
        if (IsPrivateFolder(folder)) return folder;
    }
    const std::string folder = TempFolder() + "/quillbox-" + std::to_string(::geteuid());
    return IsPrivateFolder(folder) ? folder : FreshPrivateFolder();
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
    const std::string program = ProgramFolder();
    // A program run from its build tree uses the source tree's data, so edits show at once.
    if (InBuildTree(program)) return FileSystem::IncludeTrailingPathDelimiter(QB_SOURCE_DATA_DIR);
    // Installed, <prefix>/bin/quillbox finds <prefix>/share/quillbox wherever the prefix is.
    const auto data = (std::filesystem::path(program) / QB_DATA_FROM_PROGRAM).lexically_normal();
    return FileSystem::IncludeTrailingPathDelimiter(data.string());
}

bool InstallShippedFiles() { return CopyMissing(ShippedDataFolder(), ProgramDataFolder()); }

}  // namespace Folders
