// quillbox-cli mkdir, rename, move and delete: organising the store with the same rules as
// the notes pane (the in-place rename, the drag, the delete command), on node paths relative
// to the store root. "Trips/Italy/Rome" is the folder of that path when there is one, else
// the note Rome.html in Trips/Italy.
#include "cli/Commands.h"

#include "platform/FileSystem.h"
#include "settings/Options.h"
#include "store/FileOperations.h"
#include "store/StoreOperations.h"
#include "store/UserPrompt.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

struct TNodeRef {
    std::string Path;
    bool IsFolder = false;
};

std::string Root() { return Options->FolderToStore; }

int Fail(const char* command, const std::string& message, int code) {
    std::fprintf(stderr, "quillbox-cli %s: %s\n", command, message.c_str());
    return code;
}

int Done(const std::string& nodePath) {
    std::printf("%s\n", nodePath.c_str());
    return 0;
}

// The folder or note a node path names; false when it names neither. Notes live in folders.
bool FindNode(const std::string& text, TNodeRef& node) {
    node.Path = NodePathArg(text);
    if (!StoreOperations::IsValidNodePath(node.Path, StoreOperations::TNames::Shown)) return false;
    node.IsFolder = StoreOperations::IsStoreFolder(Root(), node.Path);
    return node.IsFolder || (!StoreOperations::ParentPath(node.Path).empty() &&
                             FileSystem::FileExists(Root() + node.Path + ".html"));
}

// Asks the program's questions on the terminal: y or yes is Yes, n or no is No, anything
// else (an empty line, the end of input) is Cancel.
class TTerminalPrompt : public TUserPrompt {
public:
    TAnswer Ask(const std::string& text, const std::string& caption, TButtons, TIcon) override {
        std::fprintf(stderr, "%s: %s [y/N] ", caption.c_str(), text.c_str());
        std::fflush(stderr);
        std::string line;
        if (!std::getline(std::cin, line)) return TAnswer::Cancel;
        if (line == "y" || line == "Y" || line == "yes") return TAnswer::Yes;
        if (line == "n" || line == "N" || line == "no") return TAnswer::No;
        return TAnswer::Cancel;
    }
};

}  // namespace

int CmdMkdir(const TArgs& args) {
    if (args.size() != 1) return Usage();
    const std::string nodePath = NodePathArg(args[0]);
    if (!StoreOperations::IsValidNodePath(nodePath))
        return Fail("mkdir", "\"" + args[0] + "\" is not a valid folder path (names a file can have, joined by \"/\")", 2);
    const StoreOperations::TResult result = StoreOperations::MakeFolder(Root(), nodePath);
    if (!result.Done) return Fail("mkdir", result.Reason, 1);
    return Done(nodePath);
}

int CmdRename(const TArgs& args) {
    if (args.size() != 2) return Usage();
    TNodeRef node;
    if (!FindNode(args[0], node) || !node.IsFolder)
        return Fail("rename", "\"" + args[0] + "\" is not a folder of the store " + Root(), 2);
    const std::string parent = StoreOperations::ParentPath(node.Path);
    const std::string name = StoreOperations::LastName(node.Path);
    if (args[1] == name || ReportUtils::MakeValidFileName(args[1]) == name) return Done(node.Path);
    const StoreOperations::TResult result = StoreOperations::RenameFolder(Root(), parent, name, args[1]);
    if (!result.Done) return Fail("rename", result.Reason, 1);
    return Done(StoreOperations::JoinPath(parent, result.Name));
}

int CmdMove(const TArgs& args) {
    if (args.size() != 2) return Usage();
    TNodeRef node;
    if (!FindNode(args[0], node)) return Fail("move", "\"" + args[0] + "\" is not a folder or note of the store", 2);
    const std::string target = NodePathArg(args[1]);
    if (!StoreOperations::IsStoreFolder(Root(), target))
        return Fail("move", "\"" + args[1] + "\" is not a folder of the store (\"\" is the store root)", 2);
    const std::string parent = StoreOperations::ParentPath(node.Path);
    const StoreOperations::TResult result =
        node.IsFolder ? StoreOperations::MoveFolder(Root(), node.Path, target)
                      : StoreOperations::MoveNote(Root(), parent, StoreOperations::LastName(node.Path), target);
    if (!result.Done) return Fail("move", result.Reason, 1);
    return Done(StoreOperations::JoinPath(target, result.Name));
}

int CmdDelete(const TArgs& args) {
    TArgs paths;
    bool yes = false;
    for (const std::string& a : args) {
        if (a == "--yes")
            yes = true;
        else
            paths.push_back(a);
    }
    if (paths.size() != 1) return Usage();
    TNodeRef node;
    if (!FindNode(paths[0], node)) return Fail("delete", "\"" + paths[0] + "\" is not a folder or note of the store", 2);
    const bool ask = !yes && (node.IsFolder ? Options->ConfirmDelFolder : Options->ConfirmDelNote);
    // Without a terminal to ask on, nothing is deleted unless the caller said yes.
    if (ask && !::isatty(STDIN_FILENO)) return Fail("delete", "deleting asks first: answer with --yes", 1);
    TTerminalPrompt prompt;
    if (node.IsFolder) {
        if (!ReportUtils::DoDeleteFolder(ask, Root(), node.Path, prompt))
            return Fail("delete", "the folder " + node.Path + " was not deleted wholly", 1);
        return 0;
    }
    const std::string name = StoreOperations::LastName(node.Path);
    if (ask && prompt.Ask(StoreOperations::NoteDeleteQuestion(name), "Delete", TButtons::YesNoCancel,
                          TIcon::Question) != TAnswer::Yes)
        return Fail("delete", "the note " + node.Path + " was not deleted", 1);
    const StoreOperations::TResult result =
        StoreOperations::DeleteNote(Root(), StoreOperations::ParentPath(node.Path), name);
    return result.Done ? 0 : Fail("delete", result.Reason, 1);
}
