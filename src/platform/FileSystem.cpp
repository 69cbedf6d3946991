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
#include <utility>

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

namespace {
// nftw's callback takes no context; a walk runs on one thread, so this flag is per thread.
thread_local bool KeepReadOnly = false;
}  // namespace

bool RemoveTree(const std::string& path, TReadOnlyFiles readOnly) {
    // Depth first, and physical: a link is removed as a link, whether it leads to a file, a
    // folder or nothing. A failure leaves that entry (and so its folders) and the walk goes on.
    const auto remove = [](const char* p, const struct stat* st, int type, struct FTW*) {
        const bool readOnlyFile = type == FTW_F && S_ISREG(st->st_mode) && !(st->st_mode & S_IWUSR);
        if (!(KeepReadOnly && readOnlyFile)) ::remove(p);
        return 0;
    };
    // A trailing "/" would make a link to a folder count as the folder and be walked into.
    const std::string target = ExcludeTrailingPathDelimiter(path);
    KeepReadOnly = readOnly == TReadOnlyFiles::Keep;
    ::nftw(target.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
    struct stat st {};
    return ::lstat(target.c_str(), &st) != 0;
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
    // The size the file has now is read straight into the string; a file that grows meanwhile
    // goes on through the buffer below.
    bytes.resize(static_cast<size_t>(want));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    if (got < want) return true;
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
    TAtomicFile file(path);
    file.Write(bytes);
    file.Commit(path);
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

// A short hidden name in the same folder: the target's own name may already be as long as a
// name can be, and the rename must not cross file systems.
TAtomicFile::TAtomicFile(const std::string& path)
    : FPath(path), FTemp(ExtractFilePath(path) + ".quillbox-XXXXXX"), FFd(::mkstemp(FTemp.data())) {
    if (FFd < 0) throw EInOutError("Cannot create file \"" + path + "\": " + std::strerror(errno));
    // A replaced file keeps its permissions; a new one gets the usual 0666 & ~umask.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::fchmod(FFd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(FFd, 0666 & ~mask);
    }
}

TAtomicFile::~TAtomicFile() {
    if (FFd >= 0) ::close(FFd);
    if (!FTemp.empty()) ::unlink(FTemp.c_str());
}

void TAtomicFile::Write(std::string_view bytes) {
    constexpr size_t BufferBytes = 256 * 1024;
    if (FBuffer.size() + bytes.size() < BufferBytes) {
        FBuffer.append(bytes);
        return;
    }
    Flush();
    WriteAll(bytes);
}

void TAtomicFile::WriteFrom(int fd) {
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EInOutError("Cannot write file \"" + FPath + "\": " + std::strerror(errno));
        if (n == 0) return;
        Write(std::string_view(chunk, static_cast<size_t>(n)));
    }
}

void TAtomicFile::Flush() {
    WriteAll(FBuffer);
    FBuffer.clear();
}

void TAtomicFile::WriteAll(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(FFd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EInOutError("Cannot write file \"" + FPath + "\": " + std::strerror(errno));
        done += static_cast<size_t>(n);
    }
}

void TAtomicFile::Commit(const std::string& target) {
    if (!FSynced) {
        Flush();
        if ((SyncEachWrite && ::fsync(FFd) != 0) || ::close(std::exchange(FFd, -1)) != 0)
            throw EInOutError("Cannot write file \"" + FPath + "\"");
        FSynced = true;
    }
    if (::rename(FTemp.c_str(), target.c_str()) != 0)
        throw EInOutError("Cannot replace file \"" + target + "\": " + std::strerror(errno));
    FTemp.clear();
}

}  // namespace FileSystem
