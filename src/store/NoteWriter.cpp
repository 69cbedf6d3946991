#include "store/NoteWriter.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/FileOperations.h"
#include "store/HtmlImageRefs.h"
#include "store/NoteFile.h"
#include "store/StoreOperations.h"

namespace {

std::string Ansi(const std::u16string& text) { return CodePage::WideToAnsi(text); }
std::u16string Wide(const std::string& ansi) { return CodePage::AnsiToWide(ansi); }

// UTF-8 HTML as the bytes of the note file.
std::string FileBytes(const std::string& utf8) {
    return CodePage::IsUtf8() ? utf8 : NoteWriter::EncodeHtml(CodePage::Utf8ToUtf16(utf8));
}

std::string CharsetName() { return CodePage::IsUtf8() ? std::string("UTF-8") : CodePage::AnsiCodeSet(); }

std::string NewNoteDocument(const std::u16string& title, const std::string& body) {
    return "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + CharsetName() +
           "\">\r\n<title>" + Strings::HtmlEscaped(CodePage::Utf16ToUtf8(title)) + "</title>\r\n</head>\r\n<body>\r\n" + body +
           "\r\n</body>\r\n</html>\r\n";
}

// The part an appended capture adds: a rule, the page it came from, the content.
std::string AppendedPart(const std::u16string& url, const std::u16string& originalTitle, const std::string& body) {
    std::string part = "\r\n<hr>\r\n";
    if (!url.empty()) {
        const std::u16string& caption = originalTitle.empty() ? url : originalTitle;
        part += "<p><small><a href=\"" + Strings::HtmlEscaped(CodePage::Utf16ToUtf8(url)) + "\">" +
                Strings::HtmlEscaped(CodePage::Utf16ToUtf8(caption)) + "</a></small></p>\r\n";
    }
    return part + body + "\r\n";
}

// Inserts the addition before the document's last "</body>", or at its end without one.
std::string InsertBeforeBodyEnd(const std::string& document, const std::string& addition) {
    const size_t at = Strings::AsciiLower(document).rfind("</body");
    if (at == std::string::npos) return document + addition;
    return document.substr(0, at) + addition + document.substr(at);
}

// In a note being edited, the warning line right above the info block: the block is written
// anew with its own warning line, so the old one would otherwise pile up below it.
std::string DropOldWarningLine(const std::string& text) {
    const std::string warning = ReportUtils::NoteWarningLine;
    const size_t begin = text.find(ReportUtils::NoteBeginMarker);
    if (begin == std::string::npos) return text;
    const size_t at = text.rfind(warning, begin);
    if (at == std::string::npos) return text;
    const size_t gap = at + warning.size();
    if (gap > begin || !Strings::Trim(text.substr(gap, begin - gap)).empty()) return text;
    return text.substr(0, at) + text.substr(begin);
}

}  // namespace

// The rule that decides between a new note and appending to the last one. A capture is
// appended to the last note only when all of these hold:
//   1. it is a capture with content: not an empty note, not the properties command;
//   2. NoteAddToLast is on and ForceNewNoteMode is not nmAlwaysNew;
//   3. the last note (PrevFolder / PrevTitle) still exists, and the capture goes to the
//      same folder (Folder equals PrevFolder exactly);
//   4. the site does not matter (ForceNewNoteMode nmAppendWhenPossible, or NewNoteOnNewSite
//      off), or the capture's site equals the last capture's site PrevBaseURL (ignoring case).
// Otherwise it becomes a new note. When the dialog is shown the user can still change it.
bool ChooseAppend(const TAppendInputs& in) {
    if (in.EmptyNote || in.EditMode) return false;
    if (!in.NoteAddToLast || in.ForceNewNoteMode == nmAlwaysNew) return false;
    if (!in.LastNoteExists || in.PrevTitle.empty() || in.Folder != in.PrevFolder) return false;
    const bool siteMatters = in.ForceNewNoteMode != nmAppendWhenPossible && in.NewNoteOnNewSite;
    return !siteMatters || Strings::AnsiCompareText(Ansi(in.Site), Ansi(in.PrevBaseURL)) == 0;
}

std::string NoteWriter::EncodeHtml(std::u16string_view html) {
    if (CodePage::IsUtf8()) return CodePage::Utf16ToUtf8(html);
    std::string out;
    out.reserve(html.size());
    for (size_t i = 0; i < html.size(); ++i) {
        char32_t c = html[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < html.size() && html[i + 1] >= 0xDC00 && html[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (html[++i] - 0xDC00);
        if (c < 0x80)
            out += static_cast<char>(c);
        else
            out += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    }
    return out;
}

std::string TNoteWriter::NoteDir(const std::u16string& folder) const { return StoreRoot + Ansi(folder) + "/"; }

bool TNoteWriter::LastNoteExists() const {
    if (PrevTitle.empty() || StoreRoot.empty()) return false;
    return FileSystem::FileExists(NoteDir(PrevFolder) + Ansi(PrevTitle) + ".html");
}

bool TNoteWriter::WouldAppend() const {
    TAppendInputs in;
    in.EmptyNote = EmptyNote;
    in.EditMode = EditMode;
    in.NoteAddToLast = NoteAddToLast;
    in.NewNoteOnNewSite = NewNoteOnNewSite;
    in.ForceNewNoteMode = ForceNewNoteMode;
    in.Folder = Folder;
    in.PrevFolder = PrevFolder;
    in.PrevTitle = PrevTitle;
    in.PrevBaseURL = PrevBaseURL;
    in.Site = Wide(ReportUtils::GetShortURL(Ansi(URL)));
    in.LastNoteExists = LastNoteExists();
    return ChooseAppend(in);
}

std::u16string TNoteWriter::DefaultName() const {
    if (!Title.empty()) return Title;
    if (!OriginalTitle.empty()) return OriginalTitle;
    return EmptyNote ? u"New note" : u"Note";
}

std::u16string TNoteWriter::FinalTitle(const std::u16string& name, bool append) const {
    if (append) return PrevTitle;
    std::u16string cut = name.substr(0, MaxTitleLength);
    if (!cut.empty() && cut.back() >= 0xD800 && cut.back() < 0xDC00) cut.pop_back();  // a whole character
    while (Ansi(cut).size() > MaxTitleBytes) {
        cut.pop_back();
        if (!cut.empty() && cut.back() >= 0xD800 && cut.back() < 0xDC00) cut.pop_back();
    }
    std::string title = ReportUtils::MakeValidFileName(Ansi(cut));
    if (title.empty() || title[0] == '.') title = "Note" + title;
    // The note being edited keeps its own file name.
    if (EditMode && Folder == EditFolder && Wide(title) == EditTitle) return EditTitle;
    const std::string path = ReportUtils::FindUnusedFileName(NoteDir(Folder) + title, "html", "-");
    const std::string file = FileSystem::ExtractFileName(path);
    return Wide(file.substr(0, file.size() - 5));
}

// The content as UTF-8 with its pictures saved beside the note file and pointed at there.
std::string TNoteWriter::BodyWithPictures(const std::string& file) {
    std::string body = CodePage::Utf16ToUtf8(Content);
    if (EditMode) body = DropOldWarningLine(body);
    if (ContentKind == 2) body = HtmlImageRefs::ImagesOnly(body);
    if (!SaveImages && !EditMode) return body;
    const std::string base = EditMode ? NoteDir(EditFolder) : Ansi(URL);
    const std::string stem = file.substr(0, file.size() - 5);
    TNoteImageSaver images(stem + ".files/", FileSystem::ExtractFileName(stem) + ".files", base, FFetcher);
    images.SetLimits(Limits);
    images.SetSaveForeign(SaveImages);
    if (EditMode) images.SetOwnFolder(NoteDir(EditFolder) + Ansi(EditTitle) + ".files/");
    body = images.Process(body);
    FSavedImages = images.SavedCount();
    return body;
}

// Writes the note: a new document, the capture appended to the last note, or (properties
// command) the edited note's text under its possibly new name.
std::string TNoteWriter::Write(bool append) {
    FSavedImages = 0;
    if (append) Folder = PrevFolder;
    if (StoreRoot.empty() || !StoreOperations::IsValidNodePath(Ansi(Folder)))
        throw EInOutError("\"" + Ansi(Folder) + "\" is not a folder of the store");
    if (EditMode && !StoreOperations::IsValidNodePath(Ansi(EditFolder), StoreOperations::TNames::Shown))
        throw EInOutError("\"" + Ansi(EditFolder) + "\" is not a folder of the store");
    Title = FinalTitle(Title, append);
    const std::string dir = NoteDir(Folder);
    if (!FileSystem::ForceDirectories(dir)) throw EInOutError("cannot create the folder " + dir);
    const std::string file = dir + Ansi(Title) + ".html";
    const std::u16string site = Wide(ReportUtils::GetShortURL(Ansi(URL)));

    const std::string body = BodyWithPictures(file);
    std::string bytes;
    if (EditMode)
        bytes = FileBytes(body);
    else if (append)
        bytes = InsertBeforeBodyEnd(FileSystem::ReadFile(file), FileBytes(AppendedPart(URL, OriginalTitle, body)));
    else
        bytes = FileBytes(NewNoteDocument(Title, body));
    if (append) KeepLastNoteInfo(file);
    if (InfoCreated) {
        const std::u16string xml = ReportUtils::GenerateNodeXML(Ansi(Title), Ansi(OriginalTitle), Ansi(URL), *InfoCreated, Ansi(Comments));
        bytes = ReportUtils::WithXMLInfo(bytes, ReportUtils::WideStringToURF8(xml));
    }
    FileSystem::WriteFileAtomic(file, bytes);

    if (EditMode) {
        // The last note renamed by this edit stays the last note.
        if (PrevFolder == EditFolder && PrevTitle == EditTitle) {
            PrevFolder = Folder;
            PrevTitle = Title;
        }
        return file;
    }
    PrevFolder = Folder;
    PrevTitle = Title;
    PrevBaseURL = site;
    return file;
}

// The caller writes the info block from the writer's values. For an appended capture those
// are the last note's own source and comments, with this capture's comment added below, so
// the note keeps the page it was started from (each appended part names its own source).
void TNoteWriter::KeepLastNoteInfo(const std::string& file) {
    ReportUtils::TNoteInfo info;
    if (!ReportUtils::LoadNodeFromFile(file, info)) return;
    URL = info.OriginalURL;
    OriginalTitle = info.OriginalTitle;
    std::u16string added = Comments;
    while (!added.empty() && added.back() <= u' ') added.pop_back();
    while (!added.empty() && added.front() <= u' ') added.erase(0, 1);
    Comments = info.Comments;
    if (!added.empty()) Comments += (Comments.empty() ? u"" : u"\n") + added;
}
