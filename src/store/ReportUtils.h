#pragma once
// ReportUtils: the shared plain functions of the notes store. The note file format and its
// info block, the store's file and folder operations, the text and URL helpers, and the
// listing helpers the notes tree is filled with. Text is 8-bit in the ANSI code page unless a
// signature says otherwise; paths use "/" and are formed by plain joining.
#include "platform/DateTime.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

class TUserPrompt;

namespace ReportUtils {

using TStringList = std::vector<std::string>;

// The metadata of one note or folder, as the note-file reader returns it.
struct TNoteInfo {
    std::string Name;  // file name without ".html", or the folder's own name
    std::u16string OriginalTitle;
    std::u16string OriginalURL;
    std::u16string Comments;
    TDateTime Created = 0;
    bool IsFolder = false;
};

inline constexpr const char* NoteWarningLine = "<!--WARNING: DO NOT MODIFY THIS COMMENTS BLOCK-->";
inline constexpr const char* NoteBeginMarker = "<!--NOTEXMLINFOBEGIN";
inline constexpr const char* NoteEndMarker = "NOTEXMLINFOEND-->";

// ---- The note file and its info block ----

// Fills info from a note file or a folder. A note file without a block gets a default block
// written into it on the way. False when the note file does not exist or cannot be read.
bool LoadNodeFromFile(const std::string& fileName, TNoteInfo& info);
// The same for a path the caller knows to name a file, not a folder (the listing knows it from
// the folder entry): the file is opened once and only its head is read. knownRegular saves the
// check that it is a regular file; without it a device or a pipe is refused.
bool LoadNoteFromFile(const std::string& fileName, bool knownRegular, TNoteInfo& info);
// Reads a note file's metadata without ever writing to it: a file without a block gets its
// name and nothing else. False when the note file cannot be read.
bool ReadNodeInfo(const std::string& fileName, TNoteInfo& info);
// The block's XML text (root NOTE with ORIGINAL_TITLE, ORIGINAL_URL, TITLE, DATE, TIME,
// COMMENTS), each value written exactly as given; empty on failure.
std::u16string GenerateNodeXML(const std::string& title, const std::string& originalTitle,
                               const std::string& originalURL, TDateTime created, const std::string& comments);
// Writes or replaces the block of the file; true when the XML was not empty and the file was
// written. A DATE in the old block that no known form reads is kept as it stands.
bool SaveNodeToXML(const std::string& fileName, const std::string& title, const std::string& originalTitle,
                   const std::string& originalURL, TDateTime created, const std::string& comments);
// Puts already encoded XML text as the block at the top of the file, replacing an old block
// and the warning lines around it; a UTF-8 byte-order mark stays first. The file is replaced
// atomically; false (and the old file untouched) when it cannot be written or is UTF-16 text.
bool addXMLInfoToHTML(const std::string& fileName, const std::string& xmlText);
// The bytes addXMLInfoToHTML writes for a file that holds fileBytes ("" for a new file).
std::string WithXMLInfo(std::string_view fileBytes, const std::string& xmlText);
// UTF-16 code units to UTF-8, unit by unit (a surrogate half gives three bytes).
std::string WideStringToURF8(std::u16string_view text);
// UTF-8 to UTF-16 as the note block reader decodes it; never reads past the input.
std::u16string UTF8ToWideString(std::string_view text);
// Cuts the block between the first line containing startMarker and the first later line
// containing endMarker (inverse: everything else) and appends it to target. True when the
// target's whole text, trimmed, is not empty.
bool GetByTemplate(const std::string& startMarker, const std::string& endMarker, const TStringList& source,
                   bool inverse, TStringList* target);
// "+" to blank, "%%" to "%", "%XX" to that byte; stops after a malformed escape.
std::string decodeHTTPstring(std::string_view text);
// The lower-case host of a URL without "www." and without the path.
std::string GetShortURL(const std::string& url);
// Opens a file or URL with the desktop's handler (xdg-open, the target as one argument);
// false when the handler could not be started.
bool FireURL(const std::string& target);

// ---- Store layout and file operations ----

// The text without the 14 characters a file name cannot hold, spaces collapsed and trimmed.
std::string MakeValidFileName(const std::string& text);
// basePath.extension, else basePath + separator + 1, 2, ... + .extension while a file has the name.
std::string FindUnusedFileName(const std::string& basePath, const std::string& extension, const std::string& separator);
// basePath, else basePath + separator + 1, 2, ... while anything (folder or file) has the name.
std::string FindUnusedDirName(const std::string& basePath, const std::string& separator);
// Removes a folder (path ending in "/") with everything in it; true when it no longer exists.
// A read-only file is not deleted (so its folder stays); links are removed, never followed.
bool DeleteDir(const std::string& folder);
// Asks (when confirm) and deletes root + nodePath with everything in it. A node path that is
// not valid (StoreOperations::IsValidNodePath), the store root's empty one too, deletes nothing.
bool DoDeleteFolder(bool confirm, const std::string& root, const std::string& nodePath, TUserPrompt& prompt);
bool GetFileInformation(const std::string& path, FileSystem::TSearchRec& rec);
enum : int { CSIDL_PERSONAL = 5, CSIDL_FAVORITES = 6 };
std::string GetSpecialFolderLocation(int csidl);
std::string GetPersonalFolder();
// The private folder of the temporary files (Folders::PrivateTempFolder), without a trailing
// "/"; "" when it cannot be made.
std::string GetWindowsTempFolder();
// The program registered to open files of the extension (".doc"), or "".
std::string GetProgramAssociation(const std::string& extension);

// ---- Text and URL helpers (positions 1-based) ----

void ParseURL(const std::string& url, std::string& protocol, std::string& user, std::string& password,
              std::string& host, std::string& port, std::string& path);
int PosN(const std::string& substring, const std::string& text, int n);
std::string TagKiller(const std::string& html);
std::u16string PlainTextToHTML(const std::u16string& text);
std::string DelSpace1(const std::string& text);
std::string ByteToHex(unsigned char value);
std::string ColorToRGB(int color);

// ---- Store listing ----

// Appends to list the files (and, on request, folders) matching path's mask below path's folder.
// Recursion does not follow links to folders.
bool MyAdvBuildFileList(const std::string& path, int attr, TStringList& list, bool recurse, bool addFolders,
                        bool foldersOnly);
// The names of the folder's sub-folders without companion folders, one per line (CR LF).
std::string GetCurFOlders(const std::string& folder, bool sorted);
// The same names as a list.
TStringList GetCurFOldersList(const std::string& folder, bool sorted);
// The number of entries matching folder + mask, or -1 when none match or the folder is missing.
int GetFileCountInDir(const std::string& folder, const std::string& mask);
bool IsDirectory(const std::string& path);
// A companion folder holds a note's images: its name ends in ".files" (any case) and is
// longer than that. It is never listed as a folder of the store.
bool IsCompanionFolder(std::string_view name);
// One store folder as the notes tree shows it, read with one pass over its directory.
struct TStoreFolder {
    struct TFolder {
        std::string Name;
        TDateTime Created;     // the folder's last-write time
        std::wstring SortKey;  // filled while sorting
    };
    struct TNote {
        std::string Name;  // the file name, ".html" included
        bool Regular;      // known to be a regular file
    };
    std::vector<TFolder> Folders;  // hidden and companion folders left out
    std::vector<TNote> Notes;      // "*.html" entries that are not folders, in directory order
};
// Reads dir (ending with "/") once: each entry's type comes from the directory itself where
// the file system gives it, so only folders and links are looked up. Notes are listed with
// withNotes; folders are sorted by name without regard to case in the user's locale with
// sorted. False when the folder cannot be read.
bool ReadStoreFolder(const std::string& dir, bool withNotes, bool sorted, TStoreFolder& listing);
// The children of a store folder (dir ends with "/") in the order of the notes tree: the
// sub-folders sorted, then (with loadFiles) the "*.html" notes in directory order, each read
// with LoadNodeFromFile, so a note without a block is repaired. Unreadable entries are left out.
std::vector<TNoteInfo> LoadFolderNodes(const std::string& dir, bool loadFiles);

}  // namespace ReportUtils
