#pragma once
// TRepGenerator: turns a set of note files into one HTML report through a template. The
// template is cut into sections by marker lines; the generator fills each section's
// placeholders and strings the results together: header, table of contents, the notes with
// their anchors, the list of source pages, and the footer last. One generator serves one
// report: Initialize once, AddNote per note in report order, FinalizeToStrings once.
//
// All text is 8-bit in the ANSI code page. The header's values are inserted as they are; a
// note's values (title, address, comments, date and time) come from the note and are
// inserted as text, escaped.
#include "reports/HTMLDocument.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class TRepGenerator {
public:
    using TStringList = std::vector<std::string>;

    // Where a list stands: before the notes, after them, or (any other value) nowhere.
    enum : int { PositionBeforeNotes = 0, PositionAfterNotes = 1 };

    // Reads the notes through the loader; without one, through the gumbo HTML parser.
    explicit TRepGenerator(std::unique_ptr<TDocumentLoader> loader = nullptr);

    // Reads the template and fills header and footer. False when the template is missing,
    // empty or has no section with content.
    bool Initialize(const std::string& templateFile, const std::string& title, const std::string& author,
                    const std::string& authorURL, const std::string& authorOrg, const std::string& keywords,
                    const std::string& comments, const std::string& dateText, const std::string& timeText);
    // Appends one note. A title left empty is taken from the document, with the document's
    // location as the source URL and the file's last-write time as date and time. False when
    // the file does not exist, the run was aborted or something failed; the note is dropped
    // and the generator stays usable.
    bool AddNote(const std::string& fileName, const std::string& title, const std::string& originalTitle,
                 const std::string& originalURL, const std::string& comments, const std::string& dateText,
                 const std::string& timeText);
    // Appends the whole report to lines: header, the lists and the notes in the order the
    // positions give, then the footer. Written out each followed by CR LF.
    bool FinalizeToStrings(TStringList& lines) const;
    // The same report handed to emit entry by entry (each is written followed by CR LF), with
    // the notes part written by writeNotes: the report run streams it to a file.
    bool FinalizeToWriter(const std::function<void(const std::string&)>& emit,
                          const std::function<void()>& writeNotes) const;
    // The note files that will be added next, in order, starting with the very next one: the
    // loader may read and parse them ahead, several at once.
    void ReadAhead(const TStringList& upcoming);

    // Asked while a note loads and between its elements; when it says true, Aborted is set
    // and the note being added is dropped. The report run ties it to its Cancel button.
    std::function<bool()> OnQueryAbort;
    // Takes each filled note section as soon as it is made; without it the sections are kept
    // in NotesOut.
    std::function<void(const std::string& section)> OnNoteSection;

    int NextAnchor = 1000;
    bool Aborted = false;
    int TocPosition = PositionBeforeNotes;
    int RefListPosition = PositionAfterNotes;
    bool TocEnabled = true;
    bool RefListEnabled = true;

    // The template's sections.
    TStringList NoteTemplate, HeaderTemplate, FooterTemplate;
    TStringList TocHead, TocItemTemplate, TocTail;
    TStringList RefListHead, RefItemTemplate, RefListTail;
    // What has been filled so far.
    TStringList HeaderOut, FooterOut;
    TStringList TocItems;  // one per note, identical entries once
    TStringList RefItems;  // one per distinct entry, in first-seen order
    TStringList NotesOut;  // one per note; an entry may hold line breaks

private:
    void AddToTOC(const std::string& title, const std::string& link);
    void AddToRefList(const std::string& title, const std::string& url);
    // Appends the body's child nodes to text, their outer HTML joined as the report shows them.
    void WalkCollection(const THTMLDocument& document, std::string& text);
    std::unique_ptr<THTMLDocument> LoadDocument(const std::string& fileName);
    // Sets Aborted when OnQueryAbort says so; returns Aborted.
    bool PollAborted();

    std::unique_ptr<TDocumentLoader> FLoader;
    std::unordered_set<std::string> FTocSeen, FRefSeen;
    // The note being added: its body and its section, kept so their buffers serve every note.
    std::string FNoteText, FSection;
};
