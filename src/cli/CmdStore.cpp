// quillbox-cli list and import-favorites: the store as the notes tree shows it, and the
// favorites import with its message printed instead of shown.
#include "cli/Commands.h"

#include "favorites/ImportExport.h"
#include "platform/CodePage.h"
#include "settings/Options.h"
#include "store/ReportUtils.h"
#include "store/UserPrompt.h"

#include <cstdio>

namespace {

// Prints what the program would show in a message box.
class TPrintingPrompt : public TUserPrompt {
public:
    TAnswer Ask(const std::string& text, const std::string&, TButtons, TIcon) override {
        std::printf("%s\n", text.c_str());
        return TAnswer::OK;
    }
};

}  // namespace

// One field of a tab-separated line: tabs and line ends inside it become blanks.
std::string Field(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

bool ParseNodePath(std::string text, std::string& nodePath) {
    if (!text.empty() && text.back() == '/') text.pop_back();
    if (text.empty()) return false;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('/', start);
        if (end == std::string::npos) end = text.size();
        const std::string name = text.substr(start, end - start);
        if (name.empty() || name == "." || name == "..") return false;
        start = end + 1;
    }
    nodePath = text;
    return true;
}

int CmdList(const TArgs& args) {
    if (args.size() > 1) return Usage();
    std::string nodePath;
    if (!args.empty() && !ParseNodePath(args[0], nodePath)) {
        std::fprintf(stderr, "quillbox-cli list: \"%s\" is not a node path (folder names joined by \"/\")\n", args[0].c_str());
        return 2;
    }
    const std::string dir = Options->FolderToStore + nodePath + (nodePath.empty() ? "" : "/");
    if (!ReportUtils::IsDirectory(dir)) {
        std::fprintf(stderr, "quillbox-cli list: \"%s\" is not a folder of the store %s\n", nodePath.c_str(),
                     Options->FolderToStore.c_str());
        return 2;
    }
    // The store root shows its folders only, as the tree does.
    for (const ReportUtils::TNoteInfo& node : ReportUtils::LoadFolderNodes(dir, !nodePath.empty())) {
        std::string line = "D\t" + Field(node.Name);
        if (!node.IsFolder) {
            line = "N\t" + Field(node.Name) + "\t" + Field(CodePage::WideToAnsi(node.OriginalURL)) + "\t" +
                   DateTimeUtils::FormatShortDate(node.Created) + " " + DateTimeUtils::FormatLongTime(node.Created);
        }
        line += "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}

int CmdImportFavorites(const TArgs& args) {
    if (!args.empty()) return Usage();
    TPrintingPrompt prompt;
    std::string importedFolder;
    ImportExport::ImportFavouritesToNotes(CodePage::AnsiToWide(Options->FolderToStore), importedFolder, prompt);
    return importedFolder.empty() ? 1 : 0;
}
