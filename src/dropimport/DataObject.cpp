#include "dropimport/DataObject.h"

#include "platform/CodePage.h"
#include "platform/Strings.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace DataFormats {

namespace {
constexpr size_t DescriptorNameOffset = 4 + 72;
constexpr size_t DescriptorNameSize = 260;
}  // namespace

std::string FileGroupDescriptor(const std::string& fileName) {
    std::string block(DescriptorNameOffset + DescriptorNameSize, '\0');
    block[0] = 1;  // one item, little-endian
    const std::string name = fileName.substr(0, DescriptorNameSize - 1);
    block.replace(DescriptorNameOffset, name.size(), name);
    return block;
}

std::string MakeCFHTML(const std::string& html, const std::string& sourceUrl, bool fragment) {
    // Every offset is written with ten digits, so the header's length is known in advance.
    auto header = [&](size_t startHtml, size_t endHtml, size_t startFragment, size_t endFragment) {
        char line[64];
        std::string text = "Version:0.9\r\n";
        std::snprintf(line, sizeof line, "StartHTML:%010zu\r\nEndHTML:%010zu\r\n", startHtml, endHtml);
        text += line;
        if (fragment) {
            std::snprintf(line, sizeof line, "StartFragment:%010zu\r\nEndFragment:%010zu\r\n", startFragment, endFragment);
            text += line;
        }
        if (!sourceUrl.empty()) text += "SourceURL:" + Strings::ReplaceAll(Strings::ReplaceAll(sourceUrl, "\r", ""), "\n", "") + "\r\n";
        return text;
    };
    const std::string open = fragment ? "<html><body>\r\n<!--StartFragment-->" : "";
    const std::string close = fragment ? "<!--EndFragment-->\r\n</body></html>" : "";
    const size_t start = header(0, 0, 0, 0).size();
    const size_t startFragment = start + open.size();
    const size_t endFragment = startFragment + html.size();
    const size_t end = endFragment + close.size();
    return header(start, end, startFragment, endFragment) + open + html + close;
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string HtmlToUtf8(std::string_view bytes) {
    auto convert = [&](std::string_view text, const std::string& from) {
        std::string out;
        return CodePage::Convert(text, from, "UTF-8", out) ? out : std::string(text);
    };
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE") return convert(bytes.substr(2), "UTF-16LE");
    if (bytes.substr(0, 2) == "\xFE\xFF") return convert(bytes.substr(2), "UTF-16BE");
    if (bytes.size() >= 2 && bytes.size() % 2 == 0) {
        if (bytes[1] == '\0' && bytes[0] != '\0') return convert(bytes, "UTF-16LE");
        if (bytes[0] == '\0' && bytes[1] != '\0') return convert(bytes, "UTF-16BE");
    }
    const std::string head = Strings::AsciiLower(bytes.substr(0, 4096));
    const size_t at = head.find("charset=");
    if (at == std::string::npos) return std::string(bytes);
    size_t from = at + 8;
    while (from < head.size() && (head[from] == '"' || head[from] == '\'' || head[from] == ' ')) ++from;
    size_t to = from;
    while (to < head.size() && (std::isalnum(static_cast<unsigned char>(head[to])) || std::strchr("-_:.", head[to]))) ++to;
    const std::string label = head.substr(from, to - from);
    if (label.empty() || label == "utf-8" || label == "utf8") return std::string(bytes);
    // A page that says UTF-16 in its text is not: it would not be readable as ASCII here.
    if (Strings::StartsWith(label, "utf-16")) return std::string(bytes);
    return convert(bytes, label);
}

}  // namespace DataFormats
