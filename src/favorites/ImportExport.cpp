#include "favorites/ImportExport.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/FileOperations.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"
#include "store/UserPrompt.h"

namespace ImportExport {

namespace {

using ReportUtils::TStringList;

// A shortcut file is a few hundred bytes; anything past this is not read.
constexpr std::uint64_t MaxShortcutSize = 1 << 20;

// The ANSI text of an INI file: UTF-16 with its byte-order mark converted, a UTF-8 mark dropped.
std::string IniText(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        std::string text;
        const std::string_view units = bytes.substr(2, (bytes.size() - 2) & ~size_t(1));
        CodePage::Convert(units, "UTF-16LE", CodePage::AnsiCodeSet(), text);
        return text;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return std::string(bytes);
}

// The info block's XML text needs "&", "<" and ">" escaped, quotes stay as they are.
std::string XmlEscaped(const std::string& text) { return Strings::HtmlEscaped(text, 0); }

// The note file of one shortcut: the info block, then a small page with the link. The name
// and the address are escaped wherever they go, so neither can add markup to the page or
// end its comment early ("-->" cannot occur once ">" is escaped).
std::string ShortcutNote(const std::string& name, const std::string& url, TDateTime modified) {
    const std::string info = "<NOTE><ORIGINAL_TITLE>" + XmlEscaped(name) + "</ORIGINAL_TITLE><ORIGINAL_URL>" +
                             XmlEscaped(url) + "</ORIGINAL_URL>" + "<TITLE>" + XmlEscaped(name) + "</TITLE><DATE>" +
                             DateTimeUtils::FormatShortDate(modified) + "</DATE><TIME>" +
                             DateTimeUtils::FormatLongTime(modified) + "</TIME>" + "<COMMENTS></COMMENTS></NOTE>";
    const std::string htmlName = Strings::HtmlEscaped(name), htmlUrl = Strings::HtmlEscaped(url);
    return Strings::JoinLines({
        ReportUtils::NoteWarningLine,
        ReportUtils::NoteBeginMarker,
        ReportUtils::WideStringToURF8(CodePage::AnsiToWide(info)),
        ReportUtils::NoteEndMarker,
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
        "<!-- saved from " + htmlUrl + "-->",
        "<HTML>",
        "<HEAD>",
        "<TITLE>" + htmlName + "</TITLE>",
        "<META HTTP-EQUIV=CONTENT-TYPE CONTENT=\"TEXT/HTML\">",
        "<BASE TARGET=\"_TOP\">",
        "</HEAD>",
        "<BODY>",
        htmlName + "<BR>",
        "<A HREF=\"" + htmlUrl + "\">" + htmlUrl + "</A>",
        "</BODY>",
        "</HTML> ",
    });
}

void ImportShortcut(const std::string& shortcut, const std::string& target) {
    FileSystem::TSearchRec rec;
    if (!FileSystem::GetSearchRec(shortcut, rec)) RaiseLastOSError("Cannot read \"" + shortcut + "\"");
    std::string bytes;
    if (!FileSystem::TryReadFile(shortcut, bytes, MaxShortcutSize)) RaiseLastOSError("Cannot read \"" + shortcut + "\"");
    const std::string name = FileSystem::ChangeFileExt(FileSystem::ExtractFileName(shortcut), "");
    if (name.empty()) return;
    const std::string url = ReadIniString(bytes, "InternetShortcut", "URL");
    FileSystem::WriteFileAtomic(target, ShortcutNote(name, url, rec.Time));
}

// Every Internet shortcut below the Favorites folder.
TStringList InternetShortcuts(const std::string& favorites) {
    TStringList files;
    ReportUtils::MyAdvBuildFileList(favorites + "*", FileSystem::faAnyFile, files, true, false, false);
    std::erase_if(files, [](const std::string& file) { return !IsInternetShortcut(file); });
    return files;
}

// The path below the import folder that mirrors a path below the Favorites folder.
std::string Mirror(const std::string& path, const std::string& favorites, const std::string& importFolder) {
    if (Strings::StartsWith(path, favorites)) return importFolder + path.substr(favorites.size());
    return Strings::ReplaceFirstIgnoreCase(path, favorites, importFolder);
}

}  // namespace

bool IsInternetShortcut(std::string_view path) {
    return Strings::AsciiSameText(FileSystem::ExtractFileExt(std::string(path)), ".url");
}

std::string ReadIniString(std::string_view text, std::string_view section, std::string_view ident) {
    return Trap("ImportExport.ReadIniString", std::string(), [&] {
        bool inSection = false;
        for (const std::string& raw : Strings::SplitLines(IniText(text))) {
            const std::string line = Strings::Trim(raw);
            if (!line.empty() && line[0] == '[') {
                const size_t close = line.find(']');
                inSection = close != std::string::npos && Strings::AsciiSameText(Strings::Trim(line.substr(1, close - 1)), section);
                continue;
            }
            const size_t equals = line.find('=');
            if (!inSection || equals == std::string::npos || !Strings::AsciiSameText(Strings::Trim(line.substr(0, equals)), ident))
                continue;
            std::string value = Strings::Trim(line.substr(equals + 1));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            return value;
        }
        return std::string();
    });
}

std::string ImportSuccessText(const std::string& importedFolder) {
    return "Your Favorites were successfully imported into \"" + importedFolder + "\" sub-folder";
}

std::string ImportFailuresText(const std::string& importedFolder, const std::string& failed) {
    return "Your Favorites were imported into \"" + importedFolder + "\" sub-folder, except these, which could not be written:" +
           failed;
}

void ImportFavouritesToNotes(const std::u16string& storeRoot, std::string& importedFolder, TUserPrompt& prompt) {
    importedFolder.clear();
    std::string imported;
    const bool done = TrapVoid("ImportExport.ImportFavouritesToNotes", [&] {
        std::string favorites = ReportUtils::GetSpecialFolderLocation(ReportUtils::CSIDL_FAVORITES);
        if (favorites.empty() || !FileSystem::DirectoryExists(favorites)) return;
        favorites = FileSystem::IncludeTrailingPathDelimiter(favorites);
        const std::string root = FileSystem::IncludeTrailingPathDelimiter(CodePage::WideToAnsi(storeRoot));
        const std::string folderName = FileSystem::ExtractFileName(FileSystem::ExcludeTrailingPathDelimiter(favorites));
        const std::string importFolder = ReportUtils::FindUnusedDirName(root + folderName, "-") + "/";

        // The folder tree first, so that empty folders come along too.
        if (!FileSystem::ForceDirectories(importFolder)) RaiseLastOSError("Cannot create \"" + importFolder + "\"");
        TStringList folders;
        ReportUtils::MyAdvBuildFileList(favorites + "*.*", FileSystem::faDirectory, folders, true, true, true);
        for (const std::string& folder : folders) FileSystem::ForceDirectories(Mirror(folder, favorites, importFolder));

        TStringList shortcuts = InternetShortcuts(favorites);
        if (shortcuts.empty()) return;
        // A note that cannot be written does not stop the others; the message names it.
        std::string failed;
        for (const std::string& shortcut : shortcuts) {
            const std::string target = FileSystem::ChangeFileExt(Mirror(shortcut, favorites, importFolder), ".html");
            if (!TrapVoid("ImportExport.ImportFavouritesToNotes.1", [&] { ImportShortcut(shortcut, target); }))
                failed += "\n" + (Strings::StartsWith(shortcut, favorites) ? shortcut.substr(favorites.size()) : shortcut);
        }

        imported = FileSystem::ExcludeTrailingPathDelimiter(Strings::ReplaceFirstIgnoreCase(importFolder, root, ""));
        if (failed.empty())
            prompt.Ask(ImportSuccessText(imported), "Import", TButtons::OK, TIcon::Information);
        else
            prompt.Ask(ImportFailuresText(imported, failed), "Import", TButtons::OK, TIcon::Warning);
    });
    if (done) importedFolder = imported;
}

}  // namespace ImportExport
