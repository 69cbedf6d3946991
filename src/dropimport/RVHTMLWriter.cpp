#include "dropimport/RVHTMLWriter.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/FileOperations.h"
#include "store/TextHelpers.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

const char* const CrLf = "\r\n";

// The inline elements, outermost first: a run's link holds its span, which holds the styles.
enum TInlineKind : int { ikLink, ikSpan, ikBold, ikItalic, ikUnderline, ikSub, ikSup };
const char* const InlineClose[] = {"</A>", "</SPAN>", "</B>", "</I>", "</U>", "</SUB>", "</SUP>"};
const char* const InlineOpen[] = {"<A href=\"", "<SPAN style=\"", "<B>", "<I>", "<U>", "<SUB>", "<SUP>"};

// Only addresses that open a page, a mail or a file become links: "javascript:" and the like
// would run in the note. A bare path or a single drive letter ("c:") has no scheme to check.
bool IsSafeLink(std::string_view target) {
    const size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon <= 1 || target.find_first_of("/?#") < colon) return !target.empty();
    const std::string_view scheme = target.substr(0, colon);
    for (std::string_view safe : {"http", "https", "ftp", "mailto", "file", "news"})
        if (Strings::AsciiSameText(scheme, safe)) return true;
    return false;
}

const char* AlignmentName(int alignment) {
    switch (alignment) {
        case 1: return "right";
        case 2: return "center";
        case 3: return "justify";
        default: return nullptr;
    }
}

std::string AlignAttribute(int alignment) {
    const char* name = AlignmentName(alignment);
    return name ? std::string(" align=\"") + name + "\"" : std::string();
}

const std::string_view LinkPrefixes[] = {"http://", "ftp://", "https://", "file://", "news://", "mailto:", "www.", "ftp."};

// A link found as "www." or "ftp." has no scheme; without one the browser would take it for
// a file beside the note. The link's text stays as written.
std::string_view SchemeForBareLink(std::string_view link) {
    const auto startsWith = [&](std::string_view prefix) {
        return link.size() >= prefix.size() && Strings::AsciiSameText(link.substr(0, prefix.size()), prefix);
    };
    if (startsWith("www.")) return "http://";
    if (startsWith("ftp.")) return "ftp://";
    return {};
}

bool LinkStartsAt(std::string_view text, size_t at) {
    switch (text[at] | 0x20) {  // the first letters of the prefixes, in either case
        case 'h': case 'f': case 'n': case 'm': case 'w': break;
        default: return false;
    }
    for (std::string_view prefix : LinkPrefixes) {
        if (text.size() - at < prefix.size() + 2) continue;  // at least two characters follow
        bool same = true;
        for (size_t k = 0; k < prefix.size() && same; ++k) {
            const char c = text[at + k];
            same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) == prefix[k];
        }
        if (same) return true;
    }
    return false;
}

bool EndsLink(char c) { return c == ' ' || c == '\n' || c == '\t'; }

bool IsTrailingPunctuation(char c) {
    return std::string_view(",.?!()[]<>{}:;'\"\t ").find(c) != std::string_view::npos;
}

std::string Twips(int twips) { return std::to_string(twips / 20); }

}  // namespace

TRVHTMLOptions TRVHTMLOptions::NoteDefaults() {
    TRVHTMLOptions options;
    options.PictureFolder = ReportUtils::GetWindowsTempFolder() + "/";
    return options;
}

TRVHTMLWriter::TRVHTMLWriter() {
    // The Unicode runs: characters the RTF's code page cannot hold still reach the note.
    FReader.OnNewUnicodeText = [this](TRVRTFReader& reader, const std::u16string& text, TRVRTFPosition position) {
        DoNewText(reader, CodePage::WideToAnsi(text), position);
    };
    FReader.OnNote = [this](TRVRTFReader&, int, bool start) { DoNote(start); };
    FReader.OnNoteNumber = [this](TRVRTFReader& reader, int number, TRVRTFPosition position) {
        DoNoteNumber(reader, number, position);
    };
}

// The wide text holds the document's characters; as UTF-8 they reach the reader unchanged.
void TRVHTMLWriter::Convert(std::u16string& html, const TRVHTMLOptions& options) {
    html = CodePage::AnsiToWide(ConvertBytes(CodePage::Utf16ToUtf8(html), options, 65001));
}

std::string TRVHTMLWriter::ConvertAnsi(std::string_view rtf, const TRVHTMLOptions& options) {
    return ConvertBytes(rtf, options, 0);
}

std::string TRVHTMLWriter::ConvertBytes(std::string_view rtf, const TRVHTMLOptions& options, int rawCodePage) {
    FOptions = options;
    FBody = TFlow();
    FNotes = TFlow();
    FFlow = &FBody;
    FStarted = false;
    FShapePictureShown = false;
    FPictureCounter = 0;
    FRasterBudget = RtfPictures::MaxRasterPixels;
    if (FOptions.SavePictures && !FOptions.PictureFolder.empty()) {
        FReader.OnNewPicture = [this](TRVRTFReader& reader, const TRVRTFPicture* picture, TRVGraphic& graphic,
                                      TRVRTFPosition position) { DoNewPicture(reader, picture, graphic, position); };
    } else {
        FReader.OnNewPicture = nullptr;
    }
    FReader.RawCodePage = rawCodePage;
    FReader.ReadFromString(rtf);  // what was read before an error is converted all the same
    if (FFlow != &FBody) DoNote(false);  // the document ended inside a note
    CloseParagraph();
    std::string result;
    result.swap(FBody.Output);
    if (!FNotes.Output.empty()) {
        FFlow = &FNotes;
        CloseParagraph();
        result += std::string("<HR>") + CrLf + FNotes.Output;
    }
    FFlow = &FBody;
    return result;
}

void TRVHTMLWriter::WriteHead() {
    std::string& out = FBody.Output;
    out += std::string("<STYLE> <!--") + CrLf;
    out += "  body { font-family: " + FOptions.DefaultFontName + "; font-size: " +
           std::to_string(FOptions.DefaultFontSize) + "pt }" + CrLf;
    out += std::string("-->") + CrLf + "</STYLE>" + CrLf + "</HEAD>" + CrLf;
    if (FOptions.UseBackgroundColor)
        out += "<BODY bgcolor=\"#" + ReportUtils::ColorToRGB(FOptions.BackgroundColor) + "\">" + CrLf;
    else
        out += std::string("<BODY>") + CrLf;
    FStarted = true;
}

void TRVHTMLWriter::DoNewText(TRVRTFReader& reader, const std::string& text, TRVRTFPosition position) {
    FShapePictureShown = false;  // a shape and its copy stand side by side
    // Inside a link that is kept, the addresses in the text are not made links again.
    const std::string& link = reader.RTFState().Link;
    WriteRun(reader, text, TextToHTML(text, link.empty() || !IsSafeLink(link)), position);
}

// A run: the paragraph it starts or the line break before it, then the inline elements it
// needs (the open ones it shares are kept, the others closed innermost first) and its HTML.
// An empty run starts or breaks a paragraph and touches no inline element.
void TRVHTMLWriter::WriteRun(TRVRTFReader& reader, std::string_view text, const std::string& html,
                             TRVRTFPosition position) {
    if (!FStarted) WriteHead();
    TFlow& flow = *FFlow;
    if (position == rtf_ts_NewPara) {
        CloseParagraph();
        StartParagraph(reader.RTFState().ParaProps, text.empty());
    } else if (!flow.DivOpen) {
        StartParagraph(reader.RTFState().ParaProps, false);
    }
    if (position == rtf_ts_NewLine) flow.Output += "<BR>";
    if (text.empty()) return;
    WantedInlines(reader);
    size_t same = 0;
    while (same < flow.Open.size() && same < FWanted.size() && flow.Open[same] == FWanted[same]) ++same;
    CloseInlines(same);
    for (size_t i = same; i < FWanted.size(); ++i) {
        const TInline& element = FWanted[i];
        flow.Output += InlineOpen[element.Kind];
        if (element.Kind == ikLink || element.Kind == ikSpan) {
            if (element.Kind == ikLink) Strings::AppendHtmlEscaped(flow.Output, element.Value);
            else flow.Output += element.Value;  // built from escaped parts
            flow.Output += "\">";
        }
        flow.Open.push_back(element);
    }
    flow.Output += html;
}

// The inline elements of the current run, outermost first.
void TRVHTMLWriter::WantedInlines(const TRVRTFReader& reader) {
    const TRVRTFCharProperties& props = reader.RTFState().CharProps;
    FWanted.clear();
    const std::string& link = reader.RTFState().Link;
    if (!link.empty() && IsSafeLink(link)) FWanted.push_back({ikLink, link});
    std::string style = SpanStyle(reader, props);
    if (!style.empty()) FWanted.push_back({ikSpan, std::move(style)});
    if (props.Style & rvfsBold) FWanted.push_back({ikBold, {}});
    if (props.Style & rvfsItalic) FWanted.push_back({ikItalic, {}});
    if (props.Style & rvfsUnderline) FWanted.push_back({ikUnderline, {}});
    if (props.VShift == 1) FWanted.push_back({ikSub, {}});
    else if (props.VShift == 2) FWanted.push_back({ikSup, {}});
}

void TRVHTMLWriter::CloseInlines(size_t keep) {
    TFlow& flow = *FFlow;
    while (flow.Open.size() > keep) {
        flow.Output += InlineClose[flow.Open.back().Kind];
        flow.Open.pop_back();
    }
}

void TRVHTMLWriter::StartParagraph(const TRVRTFParaProperties& props, bool emptyRun) {
    FFlow->Output += DivOpener(props, emptyRun);
    FFlow->DivOpen = true;
}

void TRVHTMLWriter::CloseParagraph() {
    CloseInlines(0);
    if (!FFlow->DivOpen) return;
    FFlow->Output += std::string("</DIV>") + CrLf;
    FFlow->DivOpen = false;
}

// A note's text goes to the notes that follow the body; the body's open elements wait.
void TRVHTMLWriter::DoNote(bool start) {
    if (start == (FFlow == &FNotes)) return;
    if (start) {
        FFlow = &FNotes;
    } else {
        CloseParagraph();
        FFlow = &FBody;
    }
}

// A note's number links the body and the note both ways, as word processors export them.
void TRVHTMLWriter::DoNoteNumber(TRVRTFReader& reader, int number, TRVRTFPosition position) {
    const std::string n = std::to_string(number);
    const bool inNote = FFlow == &FNotes;
    std::string html = n;
    if (reader.RTFState().Link.empty())
        html = inNote ? "<A name=\"_ftn" + n + "\" href=\"#_ftnref" + n + "\">" + n + "</A>"
                      : "<A name=\"_ftnref" + n + "\" href=\"#_ftn" + n + "\">" + n + "</A>";
    WriteRun(reader, n, html, position);
}

// The span of a run: the font when it is not the default one, the size when it is not the
// default size, the colour when it is neither black nor automatic. A font missing from the
// font table (or a document without one) is the default font. The font name comes from the
// document and is escaped for the attribute.
std::string TRVHTMLWriter::SpanStyle(const TRVRTFReader& reader, const TRVRTFCharProperties& props) const {
    const TRVRTFFontList& fonts = reader.FontTable();
    std::string style;
    if (props.FontIndex >= 0 && static_cast<size_t>(props.FontIndex) < fonts.size()) {
        const std::string& fontName = fonts[static_cast<size_t>(props.FontIndex)].Name;
        if (fontName != FOptions.DefaultFontName) {
            style += "font-family: ";
            Strings::AppendHtmlEscaped(style, fontName);
            style += "; ";
        }
    }
    if (props.Size != FOptions.DefaultFontSize) style += "font-size: " + std::to_string(props.Size) + "pt; ";
    if (props.Color != 0 && props.Color != clWindowText) style += "color: #" + ReportUtils::ColorToRGB(props.Color) + "; ";
    return style;
}

std::string TRVHTMLWriter::DivOpener(const TRVRTFParaProperties& props, bool emptyRun) const {
    std::string items;
    if (props.LeftIndent != 0) items += "margin-left: " + Twips(props.LeftIndent) + "px; ";
    if (props.FirstIndent != 0) items += "text-indent: " + Twips(props.FirstIndent) + "px; ";
    if (props.RightIndent != 0) items += "margin-right: " + Twips(props.RightIndent) + "px; ";
    if (props.SpaceBefore != 0) items += "margin-top: " + Twips(props.SpaceBefore) + "pt; ";
    if (props.SpaceAfter != 0) items += "margin-bottom: " + Twips(props.SpaceAfter) + "pt; ";
    if (props.LineSpacing != 0 && props.LineSpacing != 240) {
        items += props.LineSpacingMulti ? "line-spacing: " + std::to_string(static_cast<long long>(props.LineSpacing) * 100 / 240) + "%; "
                                        : "line-spacing: " + Twips(props.LineSpacing) + "pt; ";
    }
    std::string div = "<DIV" + AlignAttribute(props.Alignment);
    if (!items.empty()) div += " style=\"" + items + "\"";
    div += ">";
    if (emptyRun) div += "&nbsp;";
    return div;
}

std::string TRVHTMLWriter::TextToHTML(std::string_view text, bool findLinks) {
    if (text.empty()) return std::string();
    if (text == " ") return "&nbsp;";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t i = 0;
    while (i < text.size()) {
        if (findLinks && LinkStartsAt(text, i)) {
            size_t end = i;
            while (end < text.size() && !EndsLink(text[end])) ++end;
            std::string_view link = text.substr(i, end - i);
            size_t keep = link.size();
            while (keep > 0 && IsTrailingPunctuation(link[keep - 1])) --keep;
            const std::string_view trailing = link.substr(keep);
            link = link.substr(0, keep);
            // The address goes into an attribute and between tags, so its markup characters
            // are escaped like any other text.
            out += "<A href=\"";
            out += SchemeForBareLink(link);
            Strings::AppendHtmlEscaped(out, link);
            out += "\">";
            Strings::AppendHtmlEscaped(out, link);
            out += "</A>";
            Strings::AppendHtmlEscaped(out, trailing);
            if (end < text.size()) out += text[end++];
            i = end;
            continue;
        }
        const char c = text[i];
        switch (c) {
            case ' ': out += i + 1 < text.size() && text[i + 1] == ' ' ? "&nbsp;" : " "; break;
            case '\t': out += "&nbsp;"; break;
            case '<':
            case '>':
            case '&':
            case '"': Strings::AppendHtmlEscaped(out, std::string_view(&c, 1)); break;
            default: out += c;
        }
        ++i;
    }
    return out;
}

// Windows metafiles are played into a bitmap file; PNG and JPEG pictures are saved as they
// are. Every other picture gives an empty tag. The picture stands in a paragraph like text.
void TRVHTMLWriter::DoNewPicture(TRVRTFReader& reader, const TRVRTFPicture* picture, TRVGraphic& graphic,
                                 TRVRTFPosition position) {
    if (picture->Role == rtf_pr_ShapeCopy && FShapePictureShown) return;
    const std::string tag = FPictureCounter < MaxSavedPictures ? PictureTag(*picture, graphic) : std::string();
    FShapePictureShown = picture->Role == rtf_pr_Shape && !tag.empty();
    if (!FStarted) WriteHead();
    const int alignment = reader.RTFState().ParaProps.Alignment;
    if (position == rtf_ts_NewPara || !FFlow->DivOpen) {
        CloseInlines(0);
        if (FFlow->DivOpen) FFlow->Output += "</DIV>";
        FFlow->Output += "<DIV" + AlignAttribute(alignment) + ">";
        FFlow->DivOpen = true;
    }
    FFlow->Output += CrLf + tag + CrLf;
}

namespace {

// The size a picture is shown at: its goal size ("picwgoal", in twips) when the document
// gives one, else its own size, times its scale.
int DisplaySide(int goalTwips, int scale, int own) {
    const std::int64_t side = goalTwips > 0 ? std::int64_t{goalTwips} * 96 / 1440 : own;
    const std::int64_t scaled = side * (scale > 0 ? scale : 100) / 100;
    return static_cast<int>(std::clamp<std::int64_t>(scaled, 1, RtfPictures::MaxImageSide));
}

// A metafile side as shown; 0 when neither the document nor the metafile's extent tells, and
// the metafile sizes itself when played.
int ShownSide(int goalTwips, int scale, int own) { return goalTwips > 0 || own > 0 ? DisplaySide(goalTwips, scale, own) : 0; }

// Metafiles are played at the size they are shown at, but not above their own size: the
// browser enlarges the bitmap, as playing into more pixels costs time for no more detail.
// Only a metafile too small to show anything (an icon of a few pixels) is played larger.
constexpr int MinPlayedSide = 64;

int PlayedSide(int own, int shown, bool enlarge) {
    if (own <= 0 || shown <= 0) return std::max(own, shown);
    return enlarge ? shown : std::min(own, shown);
}

}  // namespace

std::string TRVHTMLWriter::PictureTag(const TRVRTFPicture& picture, TRVGraphic& graphic) {
    switch (graphic.Kind) {
        case TRVGraphicKind::Metafile: {
            const int ownWidth = graphic.Width, ownHeight = graphic.Height;
            const int shownWidth = ShownSide(picture.PicWGoal, picture.ScaleX, ownWidth);
            const int shownHeight = ShownSide(picture.PicHGoal, picture.ScaleY, ownHeight);
            const bool enlarge = std::max(ownWidth, ownHeight) < MinPlayedSide;
            graphic.Width = PlayedSide(ownWidth, shownWidth, enlarge);
            graphic.Height = PlayedSide(ownHeight, shownHeight, enlarge);
            std::string bitmap;
            TrapVoid("TRVHTMLWriter.PictureTag", [&] { bitmap = RtfPictures::MetafileToBitmap(graphic, FRasterBudget); });
            if (bitmap.empty()) return std::string();
            return SavePicture(bitmap, ".bmp", shownWidth > 0 ? shownWidth : graphic.Width,
                               shownHeight > 0 ? shownHeight : graphic.Height);
        }
        case TRVGraphicKind::PNG:
        case TRVGraphicKind::JPEG:
            if (graphic.Width <= 0 || graphic.Height <= 0) return std::string();
            return SavePicture(graphic.Data, graphic.Kind == TRVGraphicKind::PNG ? ".png" : ".jpg",
                               DisplaySide(picture.PicWGoal, picture.ScaleX, graphic.Width),
                               DisplaySide(picture.PicHGoal, picture.ScaleY, graphic.Height));
        default: return std::string();
    }
}

std::string TRVHTMLWriter::SavePicture(const std::string& bytes, const char* extension, int width, int height) {
    if (!FileSystem::DirectoryExists(FOptions.PictureFolder)) FileSystem::ForceDirectories(FOptions.PictureFolder);
    const std::string name = FOptions.PicturePrefix + std::to_string(FPictureCounter) + extension;
    FileSystem::WriteFileAtomic(FOptions.PictureFolder + name, bytes);
    ++FPictureCounter;
    return "<IMG src=\"" + name + "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\">";
}
