#include "store/HtmlImageRefs.h"

#include "platform/Strings.h"
#include "store/HtmlParsing.h"

#include <gumbo.h>

#include <algorithm>
#include <cstring>

namespace HtmlImageRefs {

namespace {

const GumboAttribute* Attribute(const GumboElement& element, const char* name) {
    return gumbo_get_attribute(&element.attributes, name);
}

bool IsImageElement(const GumboElement& element) {
    if (element.tag == GUMBO_TAG_IMG) return true;
    if (element.tag != GUMBO_TAG_INPUT) return false;
    const GumboAttribute* type = Attribute(element, "type");
    return type && strcasecmp(type->value, "image") == 0;
}

// The position of an attribute's value in the source text, without its quotes; false when
// the value does not lie inside the text (the parser made the element up).
bool ValueSpan(const GumboAttribute& attr, std::string_view html, size_t& offset, size_t& length) {
    const char* data = attr.original_value.data;
    size_t size = attr.original_value.length;
    if (!data || size == 0 || data < html.data() || data + size > html.data() + html.size()) return false;
    if (size >= 2 && (data[0] == '"' || data[0] == '\'') && data[size - 1] == data[0]) {
        ++data;
        size -= 2;
    }
    offset = static_cast<size_t>(data - html.data());
    length = size;
    return true;
}

void Collect(const GumboNode* root, std::string_view html, std::vector<TImageRef>& refs) {
    HtmlParsing::Walk(root, [&](const GumboNode* node) {
        if (!HtmlParsing::IsElement(node)) return HtmlParsing::TVisit::Skip;
        const GumboElement& element = node->v.element;
        if (IsImageElement(element)) {
            const GumboAttribute* src = Attribute(element, "src");
            TImageRef ref;
            if (src && ValueSpan(*src, html, ref.Offset, ref.Length)) {
                ref.Url = src->value;
                refs.push_back(std::move(ref));
            }
        }
        return HtmlParsing::TVisit::Descend;
    });
    std::sort(refs.begin(), refs.end(), [](const TImageRef& a, const TImageRef& b) { return a.Offset < b.Offset; });
}

// The value may stand in single quotes in the page, so apostrophes are escaped too.
std::string EscapeAttribute(std::string_view text) { return Strings::HtmlEscaped(text, Strings::EscapeQuote | Strings::EscapeApostrophe); }

}  // namespace

// Whether the text may hold a picture element at all: "<img", "<image" or "<input" in any case.
// A text without one is not parsed, which saves most of the work for mail and plain text.
bool MayHoldPictures(std::string_view html) {
    for (size_t at = html.find('<'); at != std::string_view::npos && at + 2 < html.size(); at = html.find('<', at + 1)) {
        const char a = static_cast<char>(html[at + 1] | 0x20), b = static_cast<char>(html[at + 2] | 0x20);
        if (a == 'i' && (b == 'm' || b == 'n')) return true;
    }
    return false;
}

std::vector<TImageRef> FindImageRefs(std::string_view html) {
    std::vector<TImageRef> refs;
    if (!MayHoldPictures(html)) return refs;
    // A page the parser would read only in part gives the pictures of that part.
    if (const HtmlParsing::TTree tree = HtmlParsing::Parse(html)) Collect(tree->root, html, refs);
    return refs;
}

std::string ReplaceImageRefs(std::string_view html, const std::vector<TImageRef>& refs,
                             const std::vector<std::string>& newUrls) {
    std::string out;
    out.reserve(html.size());
    size_t done = 0;
    for (size_t i = 0; i < refs.size() && i < newUrls.size(); ++i) {
        const TImageRef& ref = refs[i];
        if (newUrls[i].empty() || ref.Offset < done || ref.Offset + ref.Length > html.size()) continue;
        out.append(html.substr(done, ref.Offset - done));
        // An unquoted value gets quotes, since the escaped address may hold blanks.
        const bool quoted = ref.Offset > 0 && (html[ref.Offset - 1] == '"' || html[ref.Offset - 1] == '\'');
        if (quoted)
            out += EscapeAttribute(newUrls[i]);
        else
            out += "\"" + EscapeAttribute(newUrls[i]) + "\"";
        done = ref.Offset + ref.Length;
    }
    out.append(html.substr(done));
    return out;
}

std::string ImagesOnly(std::string_view html) {
    std::string out;
    for (const TImageRef& ref : FindImageRefs(html))
        if (!ref.Url.empty()) out += "<p><img src=\"" + EscapeAttribute(ref.Url) + "\"></p>\r\n";
    return out;
}

}  // namespace HtmlImageRefs
