#pragma once
// Saves the pictures a note's HTML refers to into the note's companion folder and points the
// HTML at the copies. Three kinds of addresses are saved: local files (a file: URL, only
// picture files, and only when the captured page is itself a local file), data: addresses, and
// web addresses (http and https, through a TPictureFetcher, bounded in time and size). Any
// other address, and any picture that cannot be had, keeps its original reference.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct TPictureLimits {
    std::int64_t MaxImageBytes = 16 * 1024 * 1024;  // one picture
    int MaxImages = 500;                            // distinct pictures per note
    int FetchTimeoutMs = 20000;                     // one web fetch, without progress
    int TotalTimeoutMs = 60000;                     // all web fetches of one note together
    int MaxRedirects = 5;
};

// Fetches web pictures for the note writer; the program's implementation uses the network
// library of its user interface, tests use a fake, the command-line tool has none.
class TPictureFetcher {
public:
    virtual ~TPictureFetcher() = default;
    // One entry per address, in order: the picture's bytes, or "" when it could not be had
    // within the limits (an answer other than success, too big, too slow).
    virtual std::vector<std::string> Fetch(const std::vector<std::string>& urls, const TPictureLimits& limits) = 0;
};

namespace NoteImages {

// The address a reference means on a page at base (RFC 3986 resolution, fragment dropped).
// A base that is a plain absolute path ("/tmp/x/") counts as the file: URL of that path.
std::string ResolveUrl(const std::string& base, const std::string& reference);
// Whether a page address is a local file (a file: URL or an absolute path).
bool IsLocalAddress(const std::string& address);
// The file extension (without the dot) a picture's bytes say it has, else "" .
std::string SniffPictureSuffix(std::string_view bytes);

}  // namespace NoteImages

class TNoteImageSaver {
public:
    // companionFolder: the full path of the note's companion folder ("Name.files/"), made
    // when the first picture is saved. relativeFolder: how the note refers to it ("Name.files",
    // ANSI). base: the address relative references are resolved against (the page, or the
    // folder of the note file for a note being edited). fetcher may be null: web pictures
    // then keep their references.
    TNoteImageSaver(std::string companionFolder, std::string relativeFolder, std::string base,
                    TPictureFetcher* fetcher);
    void SetLimits(const TPictureLimits& limits) { FLimits = limits; }
    // Pictures already inside this folder (the edited note's own companion folder) are always
    // carried over, even when saving is off: the caller deletes that folder afterwards.
    void SetOwnFolder(const std::string& folder) { FOwnFolder = folder; }
    void SetSaveForeign(bool save) { FSaveForeign = save; }

    // The HTML (UTF-8) with every saved picture's reference pointing at its copy.
    std::string Process(const std::string& html);
    // How many pictures were saved by Process.
    int SavedCount() const { return FSaved; }

private:
    enum class TKind { None, File, Data, Web };
    struct TImage {
        TKind Kind = TKind::None;
        std::string Url;  // the resolved address
        std::string Bytes;
        std::string Suffix;  // file extension without the dot
        std::string BaseName;
        std::string LocalPath;
        std::string SavedName;  // file name in the companion folder; "" when not saved
    };

    TKind Classify(const std::string& address, TImage& image) const;
    bool ReadLocal(TImage& image) const;
    bool DecodeData(TImage& image) const;
    void FetchAll(std::vector<TImage*>& images);
    bool Store(TImage& image);

    std::string FCompanion;
    std::string FRelative;
    std::string FBase;
    bool FLocalPage = false;
    TPictureFetcher* FFetcher;
    std::string FOwnFolder;
    bool FSaveForeign = true;
    TPictureLimits FLimits;
    int FSaved = 0;
};
