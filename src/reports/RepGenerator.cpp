#include "reports/RepGenerator.h"

#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "reports/GumboDocumentLoader.h"
#include "store/HtmlParsing.h"
#include "settings/Trap.h"
#include "store/NoteFile.h"
#include "store/TextHelpers.h"

#include <string_view>
#include <utility>

namespace {

using TPlaceholder = std::pair<const char*, const std::string&>;

// Replaces every occurrence of what in one left-to-right pass, so a long note full of
// placeholder words costs no more than its length. An occurrence directly preceded by
// unlessAfter (when given) is kept as it stands.
void ReplaceEvery(std::string& text, std::string_view what, std::string_view with, std::string_view unlessAfter = {}) {
    if (what.empty()) return;
    size_t at = text.find(what);
    if (at == std::string::npos) return;
    // The result is built in a buffer kept by the thread and swapped with the text, so the
    // large buffers of a run go round between the two instead of being allocated per note.
    thread_local std::string out;
    out.clear();
    out.reserve(text.size() + with.size());
    size_t from = 0;
    for (; at != std::string::npos; at = text.find(what, at + what.size())) {
        const bool keep = !unlessAfter.empty() && at >= unlessAfter.size() &&
                          std::string_view(text).substr(at - unlessAfter.size(), unlessAfter.size()) == unlessAfter;
        if (keep) continue;
        out.append(text, from, at - from);
        out += with;
        from = at + what.size();
    }
    out.append(text, from, std::string::npos);
    text.swap(out);
}

// Text for a place between tags or in a quoted attribute value.
std::string Escaped(std::string_view text) { return Strings::HtmlEscaped(text, Strings::EscapeQuote | Strings::EscapeApostrophe); }

// Each placeholder in turn, on the result of the one before.
void ReplaceAllOf(std::string& text, std::initializer_list<TPlaceholder> placeholders) {
    for (const auto& [word, value] : placeholders) ReplaceEvery(text, word, value);
}

// References to a note's images ("clip.files/...") become absolute paths into the store, so
// the report in the temporary folder shows them; nothing is copied. Only a note that has its
// companion folder is touched, and a reference that already names the store path is left
// alone. The add-note dialog writes the reference percent-encoded ("My%20clip.files/..."), so
// that form is pointed at the store too, as a file URL that survives "#" or "%" in a folder
// name.
void PointAtCompanionFolder(std::string& section, const std::string& fileName) {
    if (!FileSystem::DirectoryExists(FileSystem::ChangeFileExt(fileName, ".files/"))) return;
    const std::string noteFolder = FileSystem::ExtractFilePath(fileName);
    std::string relative = fileName;
    if (const size_t at = relative.find(noteFolder); at != std::string::npos) relative.erase(at, noteFolder.size());
    relative = FileSystem::ChangeFileExt(relative, ".files/");
    ReplaceEvery(section, relative, noteFolder + relative, noteFolder);
    const std::string encoded = Strings::PercentEncode(relative, "/");
    if (encoded != relative) {
        const std::string folderURL = HtmlParsing::FileURL(noteFolder);
        ReplaceEvery(section, encoded, folderURL + encoded, folderURL);
    }
}

}  // namespace

TRepGenerator::TRepGenerator(std::unique_ptr<TDocumentLoader> loader)
    : FLoader(loader ? std::move(loader) : GumboDocumentLoader::Create()) {}

bool TRepGenerator::Initialize(const std::string& templateFile, const std::string& title, const std::string& author,
                               const std::string& authorURL, const std::string& authorOrg, const std::string& keywords,
                               const std::string& comments, const std::string& dateText, const std::string& timeText) {
    return Trap("TRepGenerator.Initialize", false, [&] {
        if (!FileSystem::FileExists(templateFile)) return false;
        const TStringList lines = Strings::SplitLines(FileSystem::ReadFile(templateFile));
        if (lines.empty()) return false;
        // The item markers of the two lists each close one part and open the next.
        const struct {
            const char* Begin;
            const char* End;
            TStringList& Target;
        } sections[] = {
            {"<!--HEADER_BEGIN-->", "<!--HEADER_END-->", HeaderTemplate},
            {"<!--NOTE_BEGIN-->", "<!--NOTE_END-->", NoteTemplate},
            {"<!--FOOTER_BEGIN-->", "<!--FOOTER_END-->", FooterTemplate},
            {"<!--REFLIST_BEGIN-->", "<!--REFLISTITEM_BEGIN-->", RefListHead},
            {"<!--REFLISTITEM_BEGIN-->", "<!--REFLISTITEM_END-->", RefItemTemplate},
            {"<!--REFLISTITEM_END-->", "<!--REFLIST_END-->", RefListTail},
            {"<!--TOCBEGIN-->", "<!--TOCITEMBEGIN-->", TocHead},
            {"<!--TOCITEMBEGIN-->", "<!--TOCITEMEND-->", TocItemTemplate},
            {"<!--TOCITEMEND-->", "<!--TOCEND-->", TocTail},
        };
        int present = 0;
        for (const auto& section : sections)
            if (ReportUtils::GetByTemplate(section.Begin, section.End, lines, false, &section.Target)) ++present;
        if (present == 0) return false;

        const auto fill = [&](const TStringList& section, bool withTime) {
            std::string text = Strings::JoinLines(section);
            ReplaceAllOf(text, {{"#HEADER_TITLE#", title},
                                {"#HEADER_AUTHOR#", author},
                                {"#HEADER_AUTHORORG#", authorOrg},
                                {"#HEADER_AUTHORURL#", authorURL},
                                {"#HEADER_KEYWORDS#", keywords},
                                {"#HEADER_COMMENTS#", comments},
                                {"#HEADER_DATE#", dateText}});
            // The header keeps "#HEADER_TIME#" as written; only the footer gets the time.
            if (withTime) ReplaceEvery(text, "#HEADER_TIME#", timeText);
            return Strings::SplitLines(text);
        };
        HeaderOut = fill(HeaderTemplate, false);
        FooterOut = fill(FooterTemplate, true);
        return true;
    });
}

bool TRepGenerator::AddNote(const std::string& fileName, const std::string& title, const std::string& originalTitle,
                            const std::string& originalURL, const std::string& comments, const std::string& dateText,
                            const std::string& timeText) {
    return Trap("TRepGenerator.AddNote", false, [&] {
        Aborted = false;
        if (!FileSystem::FileExists(fileName)) return false;
        const std::unique_ptr<THTMLDocument> document = LoadDocument(fileName);
        std::string& html = FNoteText;
        html.clear();
        if (document && !Aborted) WalkCollection(*document, html);

        std::string noteTitle = title, url = originalURL, date = dateText, time = timeText;
        if (noteTitle.empty()) {
            noteTitle = document ? document->Title() : std::string();
            url = document ? document->Location() : std::string();
            FileSystem::TSearchRec rec;
            const TDateTime written = FileSystem::GetSearchRec(fileName, rec) ? rec.Time : DateTimeUtils::Now();
            date = DateTimeUtils::FormatShortDate(written);
            time = DateTimeUtils::FormatLongTime(written);
        }
        if (Aborted) return false;

        // The anchor follows the note's text; the table of contents links to it.
        const std::string anchor = std::to_string(NextAnchor);
        html += "<A NAME=" + anchor + "></A>";
        std::string& section = FSection;
        section.assign(Strings::JoinLines(NoteTemplate));
        ReplaceEvery(section, "#NOTE_TEXT#", html);
        AddToTOC(Escaped(noteTitle), "#" + anchor);
        ++NextAnchor;
        // The note text is in the section by now, so placeholder words inside it are filled too.
        // The values come from the note and its file name: they are inserted as text.
        const std::string shortURL = Escaped(ReportUtils::GetShortURL(url));
        ReplaceAllOf(section, {{"#NOTE_TITLE#", Escaped(noteTitle)},
                               {"#NOTE_REFERRERTITLE#", shortURL},
                               {"#NOTE_REFERRERSHORTURL#", shortURL},
                               {"#NOTE_REFERRERURL#", Escaped(url)},
                               {"#NOTE_DATE#", Escaped(date)},
                               {"#NOTE_TIME#", Escaped(time)},
                               {"#NOTE_COMMENTS#", Escaped(comments)}});

        PointAtCompanionFolder(section, fileName);
        if (OnNoteSection) OnNoteSection(section);
        else NotesOut.push_back(section);
        AddToRefList(shortURL, url);
        return true;
    });
}

bool TRepGenerator::FinalizeToStrings(TStringList& lines) const {
    return FinalizeToWriter([&](const std::string& line) { lines.push_back(line); },
                            [&] { lines.insert(lines.end(), NotesOut.begin(), NotesOut.end()); });
}

bool TRepGenerator::FinalizeToWriter(const std::function<void(const std::string&)>& emit,
                                     const std::function<void()>& writeNotes) const {
    return Trap("TRepGenerator.FinalizeToStrings", false, [&] {
        const auto append = [&](const TStringList& part) {
            for (const std::string& line : part) emit(line);
        };
        // A list is written only where its position says and only when it has entries.
        const auto appendList = [&](int position, int here, const TStringList& head, const TStringList& items,
                                    const TStringList& tail) {
            if (position != here || items.empty()) return;
            append(head);
            append(items);
            append(tail);
        };
        append(HeaderOut);
        appendList(TocPosition, PositionBeforeNotes, TocHead, TocItems, TocTail);
        appendList(RefListPosition, PositionBeforeNotes, RefListHead, RefItems, RefListTail);
        writeNotes();
        appendList(TocPosition, PositionAfterNotes, TocHead, TocItems, TocTail);
        appendList(RefListPosition, PositionAfterNotes, RefListHead, RefItems, RefListTail);
        append(FooterOut);
        return true;
    });
}

void TRepGenerator::ReadAhead(const TStringList& upcoming) {
    TrapVoid("TRepGenerator.ReadAhead", [&] { FLoader->Prefetch(upcoming); });
}

void TRepGenerator::AddToTOC(const std::string& title, const std::string& link) {
    TrapVoid("TRepGenerator.AddToTOC", [&] {
        if (!TocEnabled) return;
        std::string item = Strings::JoinLines(TocItemTemplate);
        ReplaceAllOf(item, {{"#TOCITEM_TITLE#", title}, {"#TOCITEM_URL#", link}});
        if (FTocSeen.insert(item).second) TocItems.push_back(std::move(item));
    });
}

void TRepGenerator::AddToRefList(const std::string& title, const std::string& url) {
    TrapVoid("TRepGenerator.AddToRefList", [&] {
        if (Strings::Trim(url).empty() || !RefListEnabled) return;
        std::string item = Strings::JoinLines(RefItemTemplate);
        const std::string shown = Strings::Trim(title).empty() ? ReportUtils::GetShortURL(url) : title;
        ReplaceAllOf(item, {{"#REFERRER_TITLE#", Escaped(shown)}, {"#REFERRER_URL#", Escaped(url)}});
        std::string protocol, user, password, host, port, path;
        ReportUtils::ParseURL(url, protocol, user, password, host, port, path);
        // Without both a scheme and a host there is no short address: the word stays.
        if (!protocol.empty() && !host.empty()) ReplaceEvery(item, "#REFERRER_SHORTURL#", Escaped(protocol + "://" + host));
        if (FRefSeen.insert(item).second) RefItems.push_back(std::move(item));
    });
}

void TRepGenerator::WalkCollection(const THTMLDocument& document, std::string& text) {
    // A failure keeps the elements gathered before it.
    TrapVoid("TRepGenerator.WalkCollection", [&] {
        const size_t count = document.ChildCount();
        for (size_t i = 0; i < count && !PollAborted(); ++i) {
            const std::string piece = document.ChildOuterHTML(i);
            // Two pieces of markup in a row are set apart by a blank; text is kept as it stands.
            if (!piece.empty() && !text.empty() && text.back() == '>' && piece.front() == '<') text += ' ';
            text += piece;
        }
    });
}

std::unique_ptr<THTMLDocument> TRepGenerator::LoadDocument(const std::string& fileName) {
    // A document that fails to load gives a note with an empty body.
    return Trap("TRepGenerator.LoadURLFromMoniker", std::unique_ptr<THTMLDocument>(),
                [&] { return FLoader->Load(fileName, [this] { return PollAborted(); }); });
}

bool TRepGenerator::PollAborted() {
    if (!Aborted && OnQueryAbort && OnQueryAbort()) Aborted = true;
    return Aborted;
}
