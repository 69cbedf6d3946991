#pragma once
// ReportUtils, the note file: a note's HTML file with its info block (the note's metadata as
// UTF-8 XML in a comment at the top), read and written; and the URL helpers the block's
// readers share. Text is 8-bit in the ANSI code page unless a signature says otherwise.
#include "platform/DateTime.h"

#include <string>
#include <string_view>
#include <vector>

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

}  // namespace ReportUtils
