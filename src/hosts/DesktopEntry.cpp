#include "hosts/DesktopEntry.h"

#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <cstdio>

namespace DesktopEntry {

std::string FileName() {
    const std::string dataHome = FileSystem::ExtractFilePath(FileSystem::ExcludeTrailingPathDelimiter(Folders::ProgramDataFolder()));
    return dataHome + "applications/quillbox.desktop";
}

std::string QuoteExecArgument(const std::string& argument) {
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    bool needsQuotes = argument.empty();
    for (char c : argument) {
        if (reserved.find(c) != std::string::npos) needsQuotes = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';  // a literal percent sign is doubled in an Exec line
        quoted += c;
    }
    if (needsQuotes) quoted = "\"" + quoted + "\"";
    // The Exec value is itself a desktop-file string, where a backslash is escaped once more.
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\') escaped += '\\';
        else if (c == '\n') { escaped += "\\n"; continue; }
        escaped += c;
    }
    return escaped;
}

std::string Text(const std::string& programFile) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillbox\n"
           "GenericName=Notes browser\n"
           "Comment=Keep clippings from web pages as notes\n"
           "Exec=" + QuoteExecArgument(programFile) + " %u\n"
           "Icon=accessories-text-editor\n"
           "Terminal=false\n"
           "Categories=Office;Network;WebBrowser;\n";
}

void Install(const std::string& programFile) {
    const std::string text = Text(programFile);
    std::string current;
    if (FileSystem::TryReadFile(FileName(), current, 1 << 16) && current == text) return;
    if (!FileSystem::ForceDirectories(FileSystem::ExtractFilePath(FileName())))
        throw EInOutError("Cannot create " + FileSystem::ExtractFilePath(FileName()));
    FileSystem::WriteFileAtomic(FileName(), text);
}

bool Remove() { return FileSystem::FileExists(FileName()) && std::remove(FileName().c_str()) == 0; }

}  // namespace DesktopEntry
