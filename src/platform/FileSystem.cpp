#include "platform/FileSystem.h"

#include "platform/Exceptions.h"
#include "platform/Strings.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSystem {

namespace {

int AttributesOf(const std::string& name, const struct stat& st) {
    int attr = 0;
    if (S_ISDIR(st.st_mode)) attr |= faDirectory;
    else if (S_ISREG(st.st_mode)) attr |= faArchive;
    else attr |= faSysFile;
    if (!name.empty() && name[0] == '.') attr |= faHidden;
    if (!(st.st_mode & S_IWUSR)) attr |= faReadOnly;
    return attr;
}

TDateTime ModificationTime(const struct stat& st) {
    return DateTimeUtils::FromTimeT(st.st_mtim.tv_sec, static_cast<int>(st.st_mtim.tv_nsec / 1000000));
}

class TFd {
public:
    explicit TFd(int fd) : FFd(fd) {}
    ~TFd() {
        if (FFd >= 0) ::close(FFd);
    }
    int Get() const { return FFd; }
    int Release() {
        int fd = FFd;
        FFd = -1;
        return fd;
    }

private:
    int FFd;
};

}  // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool ForceDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    std::string current;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        current = path.substr(0, next);
        if (!current.empty() && !DirectoryExists(current)) {
            if (::mkdir(current.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
        pos = next + 1;
    }
    return DirectoryExists(path);
}

bool RemoveTree(const std::string& path) {
    const auto remove = [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p) == 0 ? 0 : 0; };
    ::nftw(path.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
    return !PathExists(path);
}

bool GetSearchRec(const std::string& path, TSearchRec& rec) {
    struct stat st {};
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (::stat(p.c_str(), &st) != 0) return false;
    rec.Name = ExtractFileName(p);
    rec.Attr = AttributesOf(rec.Name, st);
    rec.Size = st.st_size;
    rec.Time = ModificationTime(st);
    return true;
}

bool TryReadFile(const std::string& path, std::string& bytes, std::uint64_t maxBytes) {
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    bytes.clear();
    const std::uint64_t want = std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes);
    bytes.reserve(want);
    char buffer[65536];
    while (bytes.size() < maxBytes) {
        const size_t chunk = static_cast<size_t>(std::min<std::uint64_t>(sizeof buffer, maxBytes - bytes.size()));
        const ssize_t n = ::read(fd.Get(), buffer, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    if (!TryReadFile(path, bytes)) throw EInOutError("Cannot read file \"" + path + "\": " + std::strerror(errno));
    return bytes;
}

namespace {
std::atomic<bool> SyncEachWrite{true};
}  // namespace

void SetSyncEachWrite(bool on) { SyncEachWrite = on; }

void SyncAll() { ::sync(); }

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
    std::string temp = ExtractFilePath(path) + "." + ExtractFileName(path) + ".XXXXXX";
    TFd fd(::mkstemp(temp.data()));
    if (fd.Get() < 0) throw EInOutError("Cannot create file \"" + path + "\": " + std::strerror(errno));
    const auto fail = [&](const char* what) {
        const std::string reason = std::strerror(errno);
        ::close(fd.Release());
        ::unlink(temp.c_str());
        throw EInOutError(std::string(what) + " \"" + path + "\": " + reason);
    };
    // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::fchmod(fd.Get(), st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd.Get(), 0666 & ~mask);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Cannot write file");
        }
        done += static_cast<size_t>(n);
    }
    if (SyncEachWrite && ::fsync(fd.Get()) != 0) fail("Cannot write file");
    if (::close(fd.Release()) != 0) {
        ::unlink(temp.c_str());
        throw EInOutError("Cannot write file \"" + path + "\"");
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temp.c_str());
        throw EInOutError("Cannot replace file \"" + path + "\": " + reason);
    }
}

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (mask == "*" || mask == "*.*") return true;
    return ::fnmatch(mask.c_str(), name.c_str(), 0) == 0;
}

bool ListFolder(const std::string& folder, const std::string& mask, int attrMask, std::vector<TSearchRec>& entries) {
    const std::string dirPath = folder.empty() ? std::string(".") : folder;
    DIR* dir = ::opendir(dirPath.c_str());
    if (!dir) return false;
    const int exclude = ~attrMask & (faHidden | faSysFile | faVolumeID | faDirectory);
    const std::string base = IncludeTrailingPathDelimiter(dirPath);
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !MatchesMask(name, mask)) continue;
        struct stat st {};
        if (::stat((base + name).c_str(), &st) != 0) continue;  // a dangling link or a vanished entry
        TSearchRec rec{name, AttributesOf(name, st), st.st_size, ModificationTime(st)};
        if (rec.Attr & exclude) continue;
        entries.push_back(std::move(rec));
    }
    ::closedir(dir);
    return true;
}

std::string ExtractFilePath(const std::string& path) {
    const size_t p = path.rfind('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& path) {
    const size_t p = path.rfind('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFileExt(const std::string& path) {
    const std::string name = ExtractFileName(path);
    const size_t p = name.rfind('.');
    return p == std::string::npos ? std::string() : name.substr(p);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const std::string name = ExtractFileName(path);
    const size_t p = name.rfind('.');
    const std::string stem = p == std::string::npos ? path : path.substr(0, path.size() - (name.size() - p));
    return stem + ext;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
    return !path.empty() && path.back() == '/' ? path : path + "/";
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
    return path.size() > 1 && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
}

}  // namespace FileSystem
