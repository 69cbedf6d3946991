#include "dropimport/NNotesDropTarget.h"

#include "dropimport/MailMessage.h"
#include "dropimport/RVHTMLWriter.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/NoteFile.h"
#include "store/TextHelpers.h"

#include <cctype>
#include <optional>

namespace {

constexpr size_t DescriptorNameOffset = 4 + 72;  // the item count, then the first descriptor's other fields
constexpr size_t DescriptorNameSize = 260;

// One format's bytes up to the first NUL, as 8-bit text is handed over.
TGetResult ReadFormat(TDataObject& data, const char* format, std::string& bytes) {
    const TGetResult result = data.GetData(format, bytes);
    if (result == TGetResult::Ok) {
        const size_t nul = bytes.find('\0');
        if (nul != std::string::npos) bytes.resize(nul);
    } else {
        bytes.clear();
    }
    return result;
}

// The decimal number right after a marker; reading stops at the first non-digit.
size_t OffsetAfter(const std::string& text, size_t markerEnd) {
    size_t value = 0;
    for (size_t i = markerEnd; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value > text.size()) break;  // past any usable offset: no need to read on
        value = value * 10 + static_cast<size_t>(text[i] - '0');
    }
    return value;
}

// The mail header table in front of an e-mail note's body. What comes from the message is
// escaped, so a name or subject holding markup shows as written.
std::string MailHeaderTable(TMailMessage2000& msg) {
    auto entry = [](const std::string& name, const std::string& address) {
        return "<a href=\"mailto:" + Strings::HtmlEscaped(address) + "\">" + Strings::HtmlEscaped(name.empty() ? address : name) + "</a>";
    };
    auto entries = [&](TMailRecipients& list) {
        std::string out;
        for (int i = 0; i < list.Count(); ++i) out += (i ? ";" : "") + entry(list.Name(i), list.Address(i));
        return out;
    };
    auto row = [](const char* label, const std::string& cell) {
        return std::string("<tr><td><div align=\"right\">") + label +
               "</div></td><td width=\"99%\"><div align=\"left\">" + cell + "</div></td></tr>";
    };
    std::string table = "<table width=\"99%\" border=\"0\">";
    table += row("From:", entry(msg.SenderName(), msg.SenderAddress()));
    table += row("To:", entries(msg.ToRecipients));
    if (msg.CcRecipients.Count() > 0) table += row("CC:", entries(msg.CcRecipients));
    table += row("Subject:", Strings::HtmlEscaped(msg.Subject()));
    table += row("Date:", Strings::HtmlEscaped(DateTimeUtils::DateTimeToStr(msg.MessageDate())));
    return table + "</table>";
}

}  // namespace

TNNotesDropTarget::TNNotesDropTarget() {
    TrapVoid("TNNotesDropTarget.Create", [&] {
        HTML.clear();
        Title.clear();
        FURL.clear();
    });
}

TNNotesDropTarget::~TNNotesDropTarget() = default;

void TNNotesDropTarget::SetURL(const std::u16string& value) {
    FURL = ReportUtils::UTF8ToWideString(CodePage::WideToAnsi(value));
}

bool TNNotesDropTarget::CheckValidFormats(TDataObject& data) {
    return Trap("TNNotesDropTarget.CheckValidFormats", false, [&] {
        for (const char* format : {CFSTR_INETMSG, CFSTR_HTML, CFSTR_RTF, CFSTR_URL, CFSTR_TEXT})
            if (data.QueryGetData(format)) return true;
        return false;
    });
}

bool TNNotesDropTarget::HasValidFormats(TDataObject& data) {
    return Trap("TNNotesDropTarget.HasValidFormats", false, [&] { return CheckValidFormats(data); });
}

bool TNNotesDropTarget::DoGetData(TDataObject* current) {
    return Trap("TNNotesDropTarget.DoGetData", false, [&] { return current && GetDataFromDataObject(*current); });
}

void TNNotesDropTarget::ClearData() {
    TrapVoid("TNNotesDropTarget.ClearData", [] {});  // the results stay until the next read
}

bool TNNotesDropTarget::ClipbardCheckValidFormats(TDataObject* clipboard) {
    return Trap("TNNotesDropTarget.ClipbardCheckValidFormats", false,
                [&] { return clipboard && CheckValidFormats(*clipboard); });
}

bool TNNotesDropTarget::ClipboardGetData(TDataObject* clipboard) {
    return Trap("TNNotesDropTarget.ClipboardGetData", false,
                [&] { return clipboard && GetDataFromDataObject(*clipboard); });
}

// The priority walk: each step reads one format; a format that is not offered, or a step
// that makes nothing, passes on to the next; data in another medium or a failing step ends
// the walk with false.
bool TNNotesDropTarget::GetDataFromDataObject(TDataObject& data) {
    return Trap("TNNotesDropTarget.GetDataFromDataObject", false, [&] {
        HTML.clear();
        Title.clear();
        FURL.clear();
        for (TStep (TNNotesDropTarget::*step)(TDataObject&) :
             {&TNNotesDropTarget::ReadMessage, &TNNotesDropTarget::ReadHtml, &TNNotesDropTarget::ReadRtf,
              &TNNotesDropTarget::ReadLink, &TNNotesDropTarget::ReadText}) {
            const TStep result = (this->*step)(data);
            if (result != TStep::Next) return result == TStep::Done;
        }
        return false;
    });
}

// Reads one format's text; the step to take when it cannot be had: the next format when it is
// not offered, the end of the walk when it is in another medium.
std::optional<TNNotesDropTarget::TStep> TNNotesDropTarget::ReadOrPass(TDataObject& data, const char* format,
                                                                      std::string& bytes) {
    const TGetResult got = ReadFormat(data, format, bytes);
    if (got == TGetResult::Ok) return std::nullopt;
    return got == TGetResult::NotInMemory ? TStep::Fail : TStep::Next;
}

// Runs one step's body in its trap: a failure clears HTML and ends the walk.
template <class Body>
static bool StepTrap(const char* label, std::u16string& html, Body&& body) {
    if (TrapVoid(label, std::forward<Body>(body))) return true;
    html.clear();
    return false;
}

TNNotesDropTarget::TStep TNNotesDropTarget::ReadMessage(TDataObject& data) {
    std::string bytes;
    if (const auto step = ReadOrPass(data, CFSTR_INETMSG, bytes)) return *step;
    bool made = false;
    // The message's own bytes go to the parser: widening them and narrowing them again would
    // turn every byte the code page does not know into a replacement character.
    if (!StepTrap("TNNotesDropTarget.GetDataFromDataObject.1", HTML, [&] {
            FURL.clear();
            made = ProcessMessage(bytes);
        }))
        return TStep::Fail;
    return made ? TStep::Done : TStep::Next;  // a message without an HTML body keeps its subject as Title
}

TNNotesDropTarget::TStep TNNotesDropTarget::ReadHtml(TDataObject& data) {
    std::string bytes;
    if (const auto step = ReadOrPass(data, CFSTR_HTML, bytes)) return *step;
    return StepTrap("TNNotesDropTarget.GetDataFromDataObject.2", HTML, [&] { HTML = GetHTMLSelection(bytes); })
               ? TStep::Done
               : TStep::Fail;
}

TNNotesDropTarget::TStep TNNotesDropTarget::ReadRtf(TDataObject& data) {
    std::string bytes;
    if (const auto step = ReadOrPass(data, CFSTR_RTF, bytes)) return *step;
    bool made = false;
    if (!StepTrap("TNNotesDropTarget.GetDataFromDataObject.3", HTML, [&] {
            HTML = ReportUtils::UTF8ToWideString(bytes);
            made = ConvertRTFToHTML();
        }))
        return TStep::Fail;
    return made ? TStep::Done : TStep::Next;
}

// The link text: the first file name of the file group descriptor without its last four
// characters (the shortcut's extension). False when the descriptor is in another medium or
// cannot be read.
bool TNNotesDropTarget::LinkText(TDataObject& data, std::string& text) {
    text.clear();
    if (!data.QueryGetData(CFSTR_FILEDESCRIPTOR)) return true;
    std::string block;
    const TGetResult got = data.GetData(CFSTR_FILEDESCRIPTOR, block);
    if (got == TGetResult::NotInMemory) return false;
    if (got != TGetResult::Ok) return true;
    return TrapVoid("TNNotesDropTarget.GetDataFromDataObject.5", [&] {
        if (block.size() <= DescriptorNameOffset) return;  // no name in it: the link shows its address
        std::string name = block.substr(DescriptorNameOffset, DescriptorNameSize);
        name.resize(std::min(name.find('\0'), name.size()));
        std::u16string wide = CodePage::AnsiToWide(name);
        if (wide.size() >= 4) wide.resize(wide.size() - 4);
        text = CodePage::WideToAnsi(wide);
    });
}

TNNotesDropTarget::TStep TNNotesDropTarget::ReadLink(TDataObject& data) {
    std::string url;
    if (const auto step = ReadOrPass(data, CFSTR_URL, url)) return *step;
    bool made = false;
    if (!StepTrap("TNNotesDropTarget.GetDataFromDataObject.6", HTML, [&] {
            HTML = CodePage::AnsiToWide(url);
            std::string text;
            if (!LinkText(data, text)) return;
            if (text.empty()) text = url;
            HTML = CodePage::AnsiToWide("<A HREF=\"" + Strings::HtmlEscaped(url) + "\">" + Strings::HtmlEscaped(text) + "</A>");
            made = true;
        }))
        return TStep::Fail;
    return made ? TStep::Done : TStep::Fail;
}

TNNotesDropTarget::TStep TNNotesDropTarget::ReadText(TDataObject& data) {
    std::string bytes;
    if (const auto step = ReadOrPass(data, CFSTR_TEXT, bytes)) return *step;
    return StepTrap("TNNotesDropTarget.GetDataFromDataObject.7", HTML,
                    [&] { HTML = ReportUtils::PlainTextToHTML(CodePage::AnsiToWide(Strings::HtmlEscaped(bytes))); })
               ? TStep::Done
               : TStep::Fail;
}

std::u16string TNNotesDropTarget::GetHTMLSelection(const std::string& text) {
    return Trap("TNNotesDropTarget.GetHTMLSelection", std::u16string(), [&] {
        FURL.clear();
        std::string startMarker = "StartFragment:", endMarker = "EndFragment:";
        size_t start = text.find(startMarker), end = text.find(endMarker);
        if (start == std::string::npos || end == std::string::npos) {
            startMarker = "StartHTML:";
            endMarker = "EndHTML:";
            start = text.find(startMarker);
            end = text.find(endMarker);
        }
        std::string cut = text;
        if (start != std::string::npos && end != std::string::npos) {
            const size_t source = text.find("SourceURL:");
            if (source != std::string::npos) {
                const size_t from = source + 10;
                const size_t to = text.find_first_of(std::string_view("\0\r\n", 3), from);
                SetURL(CodePage::AnsiToWide(text.substr(from, to == std::string::npos ? std::string::npos : to - from)));
            }
            // Offsets past the end of the text are cut to it; a reversed pair gives nothing.
            const size_t first = std::min(OffsetAfter(text, start + startMarker.size()), text.size());
            const size_t last = std::min(OffsetAfter(text, end + endMarker.size()), text.size());
            cut = last > first ? text.substr(first, last - first) : std::string();
        }
        std::u16string html = ReportUtils::UTF8ToWideString(cut);
        if (html.find(u'<') == std::u16string::npos) html = ReportUtils::PlainTextToHTML(html);
        return html;
    });
}

bool TNNotesDropTarget::ConvertRTFToHTML() {
    return Trap("TNNotesDropTarget.ConvertRTFToHTML", false, [&] {
        const TRVHTMLOptions options = TRVHTMLOptions::NoteDefaults();
        TRVHTMLWriter writer;
        writer.Convert(HTML, options);
        // Data that is not RTF at all converts to nothing; the next format is taken instead.
        if (HTML.empty()) return false;
        FURL = CodePage::AnsiToWide(options.PictureFolder);
        return true;
    });
}

bool TNNotesDropTarget::ProccessRFC822() { return ProcessMessage(CodePage::WideToAnsi(HTML)); }

bool TNNotesDropTarget::ProcessMessage(const std::string& source) {
    return Trap("TNNotesDropTarget.ProccessRFC822", false, [&] {
        HTML.clear();
        TMailMessage2000 msg;
        msg.LoadFromSource(source);
        msg.LocateTextParts();
        Title = CodePage::AnsiToWide(msg.Subject());
        HTML = CodePage::AnsiToWide(Strings::JoinLines(msg.HTMLTextLines));
        if (HTML.empty()) return false;
        HTML = CodePage::AnsiToWide(MailHeaderTable(msg)) + HTML;
        return true;
    });
}
