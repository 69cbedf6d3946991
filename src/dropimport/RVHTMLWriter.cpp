#include "dropimport/RVHTMLWriter.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/ReportUtils.h"

#include <string>

namespace {

const char* const CrLf = "\r\n";

struct TStyleTag {
    int Bit;
    const char* Open;
    const char* Close;
};
const TStyleTag StyleTags[] = {{rvfsBold, "<B>", "</B>"}, {rvfsItalic, "<I>", "</I>"}, {rvfsUnderline, "<U>", "</U>"}};

// "<SUB>" for subscript, "<SUP>" for superscript, by vertical shift.
const char* const ShiftOpen[] = {"", "<SUB>", "<SUP>"};
const char* const ShiftClose[] = {"", "</SUB>", "</SUP>"};

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
}

void TRVHTMLWriter::Convert(std::u16string& html, const TRVHTMLOptions& options) {
    html = CodePage::AnsiToWide(ConvertAnsi(CodePage::WideToAnsi(html), options));
}

std::string TRVHTMLWriter::ConvertAnsi(std::string_view rtf, const TRVHTMLOptions& options) {
    FOptions = options;
    FOutput.clear();
    FStarted = false;
    FLastProps = TRVRTFCharProperties();
    FLastSpanStyle.clear();
    FPictureCounter = 0;
    FRasterBudget = RtfPictures::MaxRasterPixels;
    if (FOptions.SavePictures && !FOptions.PictureFolder.empty()) {
        FReader.OnNewPicture = [this](TRVRTFReader& reader, const TRVRTFPicture* picture, TRVGraphic& graphic,
                                      TRVRTFPosition position) { DoNewPicture(reader, picture, graphic, position); };
    } else {
        FReader.OnNewPicture = nullptr;
    }
    FReader.ReadFromString(rtf);  // what was read before an error is converted all the same
    // Close what is open, as the start of another paragraph would.
    CloseStyles(FLastProps);
    if (!FLastSpanStyle.empty()) FOutput += "</SPAN>";
    if (FStarted) FOutput += std::string("</DIV>") + CrLf;
    std::string result;
    result.swap(FOutput);
    return result;
}

void TRVHTMLWriter::WriteHead() {
    FOutput += std::string("<STYLE> <!--") + CrLf;
    FOutput += "  body { font-family: " + FOptions.DefaultFontName + "; font-size: " +
               std::to_string(FOptions.DefaultFontSize) + "pt }" + CrLf;
    FOutput += std::string("-->") + CrLf + "</STYLE>" + CrLf + "</HEAD>" + CrLf;
    if (FOptions.UseBackgroundColor)
        FOutput += "<BODY bgcolor=\"#" + ReportUtils::ColorToRGB(FOptions.BackgroundColor) + "\">" + CrLf;
    else
        FOutput += std::string("<BODY>") + CrLf;
}

void TRVHTMLWriter::DoNewText(TRVRTFReader& reader, const std::string& text, TRVRTFPosition position) {
    const TRVRTFCharProperties& props = reader.RTFState().CharProps;
    const bool newPara = position == rtf_ts_NewPara;
    if (!FStarted) WriteHead();
    const std::string style = text.empty() ? std::string() : SpanStyle(reader, props);

    for (const TStyleTag& tag : StyleTags)
        if ((FLastProps.Style & tag.Bit) && (!(props.Style & tag.Bit) || newPara)) FOutput += tag.Close;
    if (newPara && !FLastSpanStyle.empty()) {
        FOutput += "</SPAN>";
        FLastSpanStyle.clear();
    } else if (!FLastSpanStyle.empty() && FLastSpanStyle != style) {
        FOutput += "</SPAN>";
    }
    if (newPara && FStarted) FOutput += std::string("</DIV>") + CrLf;
    if (newPara) FOutput += DivOpener(reader.RTFState().ParaProps, text.empty());
    else if (position == rtf_ts_NewLine) FOutput += "<BR>";
    if (!style.empty() && style != FLastSpanStyle) FOutput += "<SPAN style=\"" + style + "\">";
    if (FLastProps.VShift == 1 || FLastProps.VShift == 2) FOutput += ShiftClose[FLastProps.VShift];
    if (!text.empty()) {
        for (const TStyleTag& tag : StyleTags)
            if ((props.Style & tag.Bit) && (!(FLastProps.Style & tag.Bit) || newPara)) FOutput += tag.Open;
        if (props.VShift == 1 || props.VShift == 2) FOutput += ShiftOpen[props.VShift];
    }
    FOutput += TextToHTML(text);

    FLastSpanStyle = style;
    if (!text.empty()) FLastProps = props;
    FStarted = true;
}

void TRVHTMLWriter::CloseStyles(const TRVRTFCharProperties& props) {
    for (const TStyleTag& tag : StyleTags)
        if (props.Style & tag.Bit) FOutput += tag.Close;
}

// The span of a run: the font when it is not the default one, the size when it is not the
// default size, the colour when it is neither black nor automatic. The font must be in the
// font table. The font name comes from the document and is escaped for the attribute.
std::string TRVHTMLWriter::SpanStyle(const TRVRTFReader& reader, const TRVRTFCharProperties& props) const {
    const TRVRTFFontList& fonts = reader.FontTable();
    if (props.FontIndex < 0 || static_cast<size_t>(props.FontIndex) >= fonts.size())
        throw Exception("List index out of bounds (" + std::to_string(props.FontIndex) + ")");
    std::string style;
    const std::string& fontName = fonts[static_cast<size_t>(props.FontIndex)].Name;
    if (fontName != FOptions.DefaultFontName) {
        style += "font-family: ";
        Strings::AppendHtmlEscaped(style, fontName);
        style += "; ";
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

std::string TRVHTMLWriter::TextToHTML(std::string_view text) {
    if (text.empty()) return std::string();
    if (text == " ") return "&nbsp;";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t i = 0;
    while (i < text.size()) {
        if (LinkStartsAt(text, i)) {
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
// are. Every other picture gives an empty tag. A picture an include-picture field names
// (no picture record) writes nothing.
void TRVHTMLWriter::DoNewPicture(TRVRTFReader& reader, const TRVRTFPicture* picture, TRVGraphic& graphic,
                                 TRVRTFPosition position) {
    if (!picture) return;
    const std::string tag = FPictureCounter < MaxSavedPictures ? PictureTag(graphic) : std::string();
    if (position == rtf_ts_NewPara) FOutput += "</DIV><DIV" + AlignAttribute(reader.RTFState().ParaProps.Alignment) + ">";
    FOutput += CrLf + tag + CrLf;
}

std::string TRVHTMLWriter::PictureTag(TRVGraphic& graphic) {
    switch (graphic.Kind) {
        case TRVGraphicKind::Metafile: {
            const std::string bitmap = RtfPictures::MetafileToBitmap(graphic, FRasterBudget);
            return bitmap.empty() ? std::string() : SavePicture(bitmap, ".bmp", graphic.Width, graphic.Height);
        }
        case TRVGraphicKind::PNG:
        case TRVGraphicKind::JPEG:
            if (graphic.Width <= 0 || graphic.Height <= 0) return std::string();
            return SavePicture(graphic.Data, graphic.Kind == TRVGraphicKind::PNG ? ".png" : ".jpg", graphic.Width,
                               graphic.Height);
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
