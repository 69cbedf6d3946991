#pragma once
// File-system helpers: existence tests, whole-file reads, atomic writes and directory listings
// with the attribute bits the store's listing rules are written in.
#include "platform/DateTime.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace FileSystem {

// Attribute bits of a directory entry. A name starting with "." counts as hidden; a device,
// FIFO or socket counts as a system file; a file without the owner's write bit is read-only.
enum : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

struct TSearchRec {
    std::string Name;
    int Attr = 0;
    std::int64_t Size = 0;
    TDateTime Time = 0;  // last write, local time
};

bool FileExists(const std::string& path);       // exists and is not a directory
bool DirectoryExists(const std::string& path);  // exists and is a directory
bool PathExists(const std::string& path);
// Creates the folder with all missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
// What RemoveTree does with a read-only file (no write bit for its owner): the store's delete
// keeps it, as the desktop protects files with the read-only attribute.
enum class TReadOnlyFiles { Remove, Keep };
// Removes a file or a folder with everything below it; true when nothing is left at path.
// Links are removed as links, never followed, so nothing outside the tree is touched; what
// cannot be removed stays, with the folders that hold it.
bool RemoveTree(const std::string& path, TReadOnlyFiles readOnly = TReadOnlyFiles::Remove);
bool GetSearchRec(const std::string& path, TSearchRec& rec);

// Reads the whole file; raises EInOutError when it cannot be read.
std::string ReadFile(const std::string& path);
// Reads at most maxBytes; false when the file cannot be opened or is not a regular file.
bool TryReadFile(const std::string& path, std::string& bytes, std::uint64_t maxBytes = UINT64_MAX);
// Writes the bytes to a temporary file beside the target and renames it over the target, so
// the target holds either its old content or the new one, never a part. Raises EInOutError.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
// Whether WriteFileAtomic flushes each file to the disk before the rename (the default). A
// batch that only makes new files may switch it off and flush once at its end with SyncAll:
// a flush per file costs a disk round trip each.
void SetSyncEachWrite(bool on);
void SyncAll();

// A file written piece by piece: the bytes go to a temporary file beside the target, and
// Commit renames it over a target, so the target holds its old content or the whole new one.
// Dropped without a successful Commit, the temporary file is removed. Raises EInOutError.
class TAtomicFile {
public:
    explicit TAtomicFile(const std::string& path);
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    void Write(std::string_view bytes);
    // Appends what is left to read from the file descriptor.
    void WriteFrom(int fd);
    // Makes the bytes durable and renames the file to target (the path given at creation, or
    // another name in the same folder). When the rename fails the file stays pending, so
    // Commit may be tried with another name.
    void Commit(const std::string& target);

private:
    void Flush();
    void WriteAll(std::string_view bytes);

    std::string FPath;
    std::string FTemp;
    int FFd;
    std::string FBuffer;
    bool FSynced = false;
};

// Lists a folder's entries (not "." and ".."), in the order the file system gives them, that
// match the wildcard mask ("*", "*.html"; "*.*" matches every name) and the attribute mask:
// an entry that is hidden, a system file or a directory is left out unless the mask has
// that bit. Returns false when the folder cannot be read.
bool ListFolder(const std::string& folder, const std::string& mask, int attrMask, std::vector<TSearchRec>& entries);
bool MatchesMask(const std::string& name, const std::string& mask);

// The part of a path up to and including its last "/", and the part after it.
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileName(const std::string& path);
// The extension with its dot ("" when the name has none).
std::string ExtractFileExt(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);

}  // namespace FileSystem
