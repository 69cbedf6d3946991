// quillbox-cli list and import-favorites: the store as the notes tree shows it, and the
// favorites import with its message printed instead of shown.
#include "cli/Commands.h"

#include "favorites/ImportExport.h"
#include "platform/CodePage.h"
#include "settings/Options.h"
#include "store/NoteFile.h"
#include "store/StoreOperations.h"
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

std::string NodePathArg(std::string text) {
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

int CmdList(const TArgs& args) {
    if (args.size() > 1) return Usage();
    const std::string nodePath = args.empty() ? std::string() : NodePathArg(args[0]);
    std::vector<ReportUtils::TNoteInfo> nodes;
    if (!StoreOperations::ListNodes(Options->FolderToStore, nodePath, nodes)) {
        std::fprintf(stderr, "quillbox-cli list: \"%s\" is not a folder of the store %s\n", nodePath.c_str(),
                     Options->FolderToStore.c_str());
        return 2;
    }
    for (const ReportUtils::TNoteInfo& node : nodes) {
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
