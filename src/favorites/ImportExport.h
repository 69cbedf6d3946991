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
// leaves the notes written so far on disk). On success the prompt shows the success text
// with the caption "Import", an information icon and an OK button.
void ImportFavouritesToNotes(const std::u16string& storeRoot, std::string& importedFolder, TUserPrompt& prompt);

// The message of a successful import.
std::string ImportSuccessText(const std::string& importedFolder);

// The value of an entry of an INI text, as an Internet shortcut is read: section and entry
// names compared without regard to case, the value trimmed and freed of one pair of
// enclosing quotes, the first matching entry winning; "" when missing. A text in UTF-16
// (with its byte-order mark) is converted to the ANSI code page first. Any bytes are safe.
std::string ReadIniString(std::string_view text, std::string_view section, std::string_view ident);

}  // namespace ImportExport
