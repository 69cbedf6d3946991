#pragma once
// The one writer of captured notes: decides between a new note and appending to the last one,
// finds the note's valid and unused name, writes the HTML file atomically and saves the
// pictures into the companion folder. The add-note dialog, the drop roads and the command-line
// import all write through it, so every road makes the same bytes. The info block is written
// by the caller with the values the writer leaves behind, or with the same write (InfoCreated).
#include "platform/DateTime.h"
#include "store/NoteImages.h"

#include <optional>
#include <string>

// ForceNewNoteMode values.
enum : int {
    nmAppendWhenPossible = 0,  // append to the last note whatever site the page is from
    nmBySettings = 1,          // NewNoteOnNewSite decides about a change of site (the default)
    nmAlwaysNew = 2,           // every capture becomes a new note
};

// What decides between a new note and appending; see ChooseAppend.
struct TAppendInputs {
    bool EmptyNote = false;
    bool EditMode = false;
    bool NoteAddToLast = true;
    bool NewNoteOnNewSite = true;
    int ForceNewNoteMode = nmBySettings;
    std::u16string Folder;
    std::u16string PrevFolder;
    std::u16string PrevTitle;
    std::u16string PrevBaseURL;
    std::u16string Site;  // the capture's site (GetShortURL of its address)
    bool LastNoteExists = false;
};
bool ChooseAppend(const TAppendInputs& in);

class TNoteWriter {
public:
    // Longest note name made, in characters and in bytes of the file name, so that the name
    // with ".files", a number and a picture's name still fits in a file name.
    static constexpr size_t MaxTitleLength = 100;
    static constexpr size_t MaxTitleBytes = 150;

    explicit TNoteWriter(TPictureFetcher* fetcher = nullptr) : FFetcher(fetcher) {}

    // The capture, as the add-note dialog is given it; Title, Folder, URL, OriginalTitle,
    // Comments and the Prev values hold the results after Write.
    std::u16string URL, Title, OriginalTitle, Comments, Content, Folder;
    std::u16string PrevFolder, PrevTitle, PrevBaseURL;
    std::string StoreRoot;  // ends with "/"
    int ContentKind = 0;    // 0 the content, 2 its pictures only
    int ForceNewNoteMode = nmBySettings;
    bool SaveImages = true, NoteAddToLast = true, NewNoteOnNewSite = true, EmptyNote = false;
    // The properties command: the note EditFolder / EditTitle is written anew from Content.
    bool EditMode = false;
    std::u16string EditFolder, EditTitle;
    TPictureLimits Limits;
    // With InfoCreated set, the note's info block (Title, OriginalTitle, URL, Comments and this
    // date) goes into the file with the same write, as SaveNodeToXML would put it there: one
    // write per note for callers without a dialog in between.
    std::optional<TDateTime> InfoCreated;

    bool LastNoteExists() const;
    // Whether the capture would be appended to the last note.
    bool WouldAppend() const;
    // The name a note gets when nobody chose one.
    std::u16string DefaultName() const;
    // The name made valid and, for a new note, unused in the folder.
    std::u16string FinalTitle(const std::u16string& name, bool append) const;
    // Writes the note (appended to the last one when append) and returns its file's path.
    // Raises EInOutError when the store or folder is unusable (Folder not a node path of
    // made names, EditFolder not one of shown names) or the file cannot be written.
    std::string Write(bool append);
    // How many pictures the last Write saved.
    int SavedImages() const { return FSavedImages; }
    // The folder of a node path, ending with "/".
    std::string NoteDir(const std::u16string& folder) const;

private:
    void KeepLastNoteInfo(const std::string& file);
    std::string BodyWithPictures(const std::string& file);

    TPictureFetcher* FFetcher;
    int FSavedImages = 0;
};

namespace NoteWriter {
// A note's HTML as the bytes of the file: the ANSI code page when it is UTF-8; otherwise ASCII
// with every other character as a numeric character reference, which any code page holds.
std::string EncodeHtml(std::u16string_view html);
}
