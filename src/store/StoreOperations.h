#pragma once
// Organising the store: renaming a folder, deleting a note with its companion folder, and
// moving a note or a folder into another folder with the numbering that keeps every name
// free. The notes pane and quillbox-cli both call these; the tree follows only what these
// report done. The store root ends with "/"; node paths join names with "/" and are empty
// for the root. A note and its companion folder never end up apart: a move whose second
// step fails puts the first one back.
#include <string>

namespace StoreOperations {

// What an operation did. Done: the files changed. Name: the node's name afterwards (a
// numbered one when the wanted name was taken). Reason: one line saying why nothing was
// done, or where the files are when a move could not be completed nor put back. Apart: a
// note and its companion folder ended up in different folders; the user must be told.
struct TResult {
    bool Done = false;
    std::string Name;
    std::string Reason;
    bool Apart = false;
};

// The question asked before a note is deleted.
std::string NoteDeleteQuestion(const std::string& name);

// Whether a name can be one folder's name in the store as it stands: a valid file name
// (MakeValidFileName leaves it unchanged), not hidden (a leading "."), and not the name of a
// companion folder, which the tree never shows.
bool IsValidFolderName(const std::string& name);
// Whether every name of a node path is a valid folder name (the path not empty).
bool IsValidNodePath(const std::string& nodePath);
// "Trips/Italy" -> "Trips" and "Italy"; a path of one name has the empty parent.
std::string ParentPath(const std::string& nodePath);
std::string LastName(const std::string& nodePath);
// parent + "/" + name, or name alone under the root.
std::string JoinPath(const std::string& parent, const std::string& name);
// The directory of a folder's node path, ending with "/" (the root for "").
std::string FolderDir(const std::string& root, const std::string& nodePath);

// Whether two paths name the same file or folder (on a file system that ignores case,
// "Idea.html" and "idea.html" may).
bool SameEntry(const std::string& a, const std::string& b);
// Moves a file or folder to a path where nothing is, in one file-system step; an existing
// entry at the destination is never replaced. error gets the system's reason on failure.
bool MovePath(const std::string& from, const std::string& to, std::string* error = nullptr);

// Renames the folder parentPath/oldName after an in-place edit of its caption to text: the
// text made a valid file name, numbered with "-" when taken ("-1", "-2"... when nothing is
// left of it). A text equal to the name, or cleaning down to it, changes nothing; a hidden
// or companion-folder name is refused.
TResult RenameFolder(const std::string& root, const std::string& parentPath, const std::string& oldName,
                     const std::string& text);

// Deletes the note folderPath/name: its companion folder first, then its file, and only
// when the file exists. When the companion folder cannot be removed wholly the note file
// is kept, so the note does not vanish while pictures of it remain.
TResult DeleteNote(const std::string& root, const std::string& folderPath, const std::string& name);

// Moves the folder nodePath into the folder targetPath ("" the root), numbered with "-"
// when its name is taken there. Refused when it is there already or the target is the
// folder itself or one of its sub-folders.
TResult MoveFolder(const std::string& root, const std::string& nodePath, const std::string& targetPath);

// Moves the note folderPath/name with its companion folder into the folder targetPath, as
// name, name-1, name-2... whichever is free there for both the file and the companion
// folder. Refused for the root (notes live in folders) and for its own folder.
TResult MoveNote(const std::string& root, const std::string& folderPath, const std::string& name,
                 const std::string& targetPath);

// After an edit wrote a note under a new name, brings the old companion folder's content
// to the new one (paths without a trailing "/"): the folder is renamed when the new one
// does not exist; otherwise each entry the new one lacks is moved in and the old folder,
// left with copies only, is removed. True when the old folder is gone.
bool CarryCompanionFolder(const std::string& oldFolder, const std::string& newFolder);

}  // namespace StoreOperations
