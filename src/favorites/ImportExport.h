#pragma once
// ImportExport: the browser's favorites become notes. Every Internet shortcut ("*.url") in
// the Favorites folder and its sub-folders becomes a link note in a new folder of the store
// that mirrors the Favorites tree.
#include <string>
#include <string_view>

class TUserPrompt;

namespace ImportExport {

// Imports the Favorites folder into a new folder directly under storeRoot. importedFolder
// receives that folder's path relative to the store root (no trailing "/"), or "" when
// nothing was imported (no Favorites folder, no shortcuts, or a failure, which is logged and
// leaves the notes written so far on disk). A note that cannot be written is logged and
// skipped. At the end the prompt shows, with the caption "Import" and an OK button, the
// success text with an information icon, or the text naming the notes not written with a
// warning icon.
void ImportFavouritesToNotes(const std::u16string& storeRoot, std::string& importedFolder, TUserPrompt& prompt);

// The message of a successful import.
std::string ImportSuccessText(const std::string& importedFolder);
// The message of an import some notes of which could not be written: failed holds their
// shortcuts' paths below the Favorites folder, each after a line feed.
std::string ImportFailuresText(const std::string& importedFolder, const std::string& failed);

// Whether a file is an Internet shortcut by its name: the extension ".url" in any letter case.
bool IsInternetShortcut(std::string_view path);

// The value of an entry of an INI text, as an Internet shortcut is read: section and entry
// names compared without regard to case, the value trimmed and freed of one pair of
// enclosing quotes, the first matching entry winning; "" when missing. A text in UTF-16
// (with its byte-order mark) is converted to the ANSI code page first. Any bytes are safe.
std::string ReadIniString(std::string_view text, std::string_view section, std::string_view ident);

}  // namespace ImportExport
