#include "reports/GumboDocumentLoader.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/HtmlParsing.h"
#include "store/NoteFile.h"
#include "store/ParseArena.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <gumbo.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace GumboDocumentLoader {

namespace {

// How often a waiting load asks whether it should stop.
constexpr auto PollInterval = std::chrono::milliseconds(15);

using HtmlParsing::FileURL;
using HtmlParsing::IsElement;
using HtmlParsing::IsHtmlSpace;
using HtmlParsing::IsHtmlTag;
using HtmlParsing::ParserOptions;
using HtmlParsing::TVisit;

// The text without the HTML white space around it.
std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

// The text of an element's own text children (a style sheet, a title), as written.
std::string ChildText(const GumboNode* element) {
    std::string text;
    const GumboVector& children = element->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(children.data[i]);
        if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE) text += child->v.text.text;
    }
    return text;
}

// A page as the parser takes it: the bytes after the note's info block, decoded into UTF-8, and
// the address the page was captured from (the block's ORIGINAL_URL), which its relative
// picture addresses resolve against.
struct TPage {
    std::string Utf8;
    std::string SourceURL;
};

// The XML text of one element of the info block, with its character references resolved.
std::string BlockValue(std::string_view block, std::string_view name) {
    const std::string open = "<" + std::string(name) + ">", close = "</" + std::string(name) + ">";
    const size_t start = block.find(open);
    if (start == std::string_view::npos) return {};
    const size_t end = block.find(close, start);
    if (end == std::string_view::npos) return {};
    std::string value(block.substr(start + open.size(), end - start - open.size()));
    for (const auto& [entity, c] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
        for (size_t at = 0; (at = value.find(entity, at)) != std::string::npos; ++at) value.replace(at, std::strlen(entity), c);
    }
    return value;
}

// Splits the store's info block (with the warning lines around it) off the front of a file.
std::string_view SplitInfoBlock(std::string_view& bytes) {
    const auto skipWarnings = [&] {
        for (;;) {
            size_t p = 0;
            while (p < bytes.size() && IsHtmlSpace(bytes[p])) ++p;
            if (bytes.substr(p).starts_with(ReportUtils::NoteWarningLine)) bytes.remove_prefix(p + std::strlen(ReportUtils::NoteWarningLine));
            else return;
        }
    };
    std::string_view rest = bytes;
    skipWarnings();
    size_t p = 0;
    while (p < bytes.size() && IsHtmlSpace(bytes[p])) ++p;
    const size_t end = bytes.find(ReportUtils::NoteEndMarker);
    if (!bytes.substr(p).starts_with(ReportUtils::NoteBeginMarker) || end == std::string_view::npos) {
        bytes = rest;
        return {};
    }
    const std::string_view block = bytes.substr(0, end);
    bytes.remove_prefix(end + std::strlen(ReportUtils::NoteEndMarker));
    if (bytes.starts_with("\r")) bytes.remove_prefix(1);
    if (bytes.starts_with("\n")) bytes.remove_prefix(1);
    skipWarnings();
    if (bytes.starts_with("\r")) bytes.remove_prefix(1);
    if (bytes.starts_with("\n")) bytes.remove_prefix(1);
    return block;
}

// The file's bytes decoded as a browser decodes a page, the info block left out; a byte-order
// mark at the start of the file counts as well as one right after the info block.
TPage ReadPage(std::string_view bytes) {
    const auto [bom, bomLength] = HtmlParsing::ByteOrderMark(bytes);
    bytes.remove_prefix(bomLength);
    TPage page;
    page.SourceURL = BlockValue(SplitInfoBlock(bytes), "ORIGINAL_URL");
    page.Utf8 = HtmlParsing::PageToUtf8(bytes, bom);
    return page;
}

std::string FromUtf8(std::string text) {
    return CodePage::IsUtf8() ? text : CodePage::WideToAnsi(CodePage::Utf8ToUtf16(text));
}

// ---- Serialisation: the outer HTML of an element, as a browser's outerHTML gives it ----

bool IsVoidElement(const GumboElement& e) {
    if (e.tag_namespace != GUMBO_NAMESPACE_HTML) return false;
    switch (e.tag) {
        case GUMBO_TAG_AREA: case GUMBO_TAG_BASE: case GUMBO_TAG_BASEFONT: case GUMBO_TAG_BGSOUND:
        case GUMBO_TAG_BR: case GUMBO_TAG_COL: case GUMBO_TAG_EMBED: case GUMBO_TAG_FRAME:
        case GUMBO_TAG_HR: case GUMBO_TAG_IMG: case GUMBO_TAG_INPUT: case GUMBO_TAG_KEYGEN:
        case GUMBO_TAG_LINK: case GUMBO_TAG_META: case GUMBO_TAG_PARAM: case GUMBO_TAG_SOURCE:
        case GUMBO_TAG_TRACK: case GUMBO_TAG_WBR:
            return true;
        default:
            return false;
    }
}

// Text inside these elements is written as it stands, without escapes: the browser reads it
// back the same way, and the parser ended each at its end tag.
bool HoldsRawText(const GumboNode* parent) {
    if (!parent || parent->type != GUMBO_NODE_ELEMENT || parent->v.element.tag_namespace != GUMBO_NAMESPACE_HTML)
        return false;
    switch (parent->v.element.tag) {
        case GUMBO_TAG_IFRAME: case GUMBO_TAG_NOEMBED: case GUMBO_TAG_NOFRAMES:
            return true;
        default:
            return false;
    }
}

// Elements a note's section never carries: they would run or load something, or change the
// report around the note (its address base, its character set, its refresh).
bool IsDropped(const GumboNode* node) {
    const GumboElement& e = node->v.element;
    if (e.tag == GUMBO_TAG_SCRIPT) return true;  // in any namespace (SVG has its own)
    if (e.tag_namespace != GUMBO_NAMESPACE_HTML) return false;
    switch (e.tag) {
        case GUMBO_TAG_BASE: case GUMBO_TAG_META: case GUMBO_TAG_LINK: case GUMBO_TAG_NOSCRIPT:
            return true;
        default:
            return false;
    }
}

// Tag and attribute names are written only when made of characters that cannot end or
// change the tag they stand in.
bool IsPlainName(std::string_view name) {
    if (name.empty()) return false;
    for (const unsigned char c : name)
        if (!std::isalnum(c) && !std::strchr("-_.:", c) && c < 0x80) return false;
    return CodePage::IsValidUtf8(name);
}

std::string TagName(const GumboElement& e) {
    std::string name;
    if (e.tag != GUMBO_TAG_UNKNOWN) {
        name = gumbo_normalized_tagname(e.tag);
    } else {
        // An unknown tag keeps the name it was written with, lower-cased. The tag's source
        // text may begin with markup the tokenizer ignored ("</>"), so the name starts at the
        // first "<" followed by a letter.
        const std::string_view tag(e.original_tag.data ? e.original_tag.data : "", e.original_tag.length);
        size_t p = 0;
        while ((p = tag.find('<', p)) != std::string_view::npos && p + 1 < tag.size() &&
               !std::isalpha(static_cast<unsigned char>(tag[p + 1])))
            ++p;
        if (p != std::string_view::npos && p + 1 < tag.size()) {
            const size_t end = std::min(tag.size(), tag.find_first_of(std::string_view(" \t\n\f\r/>\0", 8), p + 1));
            name = Strings::AsciiLower(tag.substr(p + 1, end - p - 1));
        }
    }
    if (e.tag_namespace == GUMBO_NAMESPACE_SVG && !name.empty()) {
        const GumboStringPiece piece{name.data(), name.size()};
        if (const char* fixed = gumbo_normalize_svg_tagname(&piece)) name = fixed;
    }
    return name;
}

// ---- Addresses ----

// The scheme of an absolute address ("http" of "http://x/"), or "" for a relative one.
std::string_view SchemeOf(std::string_view url) {
    size_t p = 0;
    while (p < url.size() && (std::isalnum(static_cast<unsigned char>(url[p])) || std::strchr("+-.", url[p]))) ++p;
    return p > 0 && p < url.size() && url[p] == ':' && std::isalpha(static_cast<unsigned char>(url[0])) ? url.substr(0, p)
                                                                                                         : std::string_view();
}

// A path with its "." and ".." segments resolved.
std::string RemoveDotSegments(std::string_view path) {
    std::vector<std::string_view> segments;
    size_t start = 1;  // after the leading "/"
    for (size_t p = 1; p <= path.size(); ++p) {
        if (p < path.size() && path[p] != '/') continue;
        const std::string_view segment = path.substr(start, p - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
            if (p == path.size()) segments.push_back({});
        } else if (segment == ".") {
            if (p == path.size()) segments.push_back({});
        } else {
            segments.push_back(segment);
        }
        start = p + 1;
    }
    std::string out;
    for (const std::string_view segment : segments) out += "/" + std::string(segment);
    return out.empty() ? "/" : out;
}

// A reference resolved against an absolute base address, as a browser resolves it.
std::string ResolveURL(std::string_view base, std::string_view reference) {
    if (!SchemeOf(reference).empty() || SchemeOf(base).empty()) return std::string(reference);
    const std::string_view scheme = SchemeOf(base);
    if (reference.starts_with("//")) return std::string(scheme) + ":" + std::string(reference);
    const size_t authorityStart = scheme.size() + 1 + (base.substr(scheme.size() + 1).starts_with("//") ? 2 : 0);
    const size_t pathStart = std::min(base.size(), base.find_first_of("/?#", authorityStart));
    const std::string_view origin = base.substr(0, pathStart);
    const size_t pathEnd = std::min(base.size(), base.find_first_of("?#", pathStart));
    const std::string_view basePath = base.substr(pathStart, pathEnd - pathStart);
    if (reference.empty()) return std::string(base.substr(0, std::min(base.size(), base.find('#'))));
    if (reference.starts_with('#') || reference.starts_with('?'))
        return std::string(base.substr(0, reference[0] == '#' ? std::min(base.size(), base.find('#')) : pathEnd)) + std::string(reference);
    const size_t tail = std::min(reference.size(), reference.find_first_of("?#"));
    std::string path;
    if (reference.starts_with('/')) {
        path = reference.substr(0, tail);
    } else {
        const size_t slash = basePath.rfind('/');
        path = (slash == std::string_view::npos ? std::string("/") : std::string(basePath.substr(0, slash + 1))) +
               std::string(reference.substr(0, tail));
    }
    return std::string(origin) + RemoveDotSegments(path) + std::string(reference.substr(tail));
}

// ---- Style sheets of a note apply to its own section ----

// The end of a block opened by the "{" at open (the position after its "}"), across strings
// and comments.
size_t BlockEnd(std::string_view css, size_t open) {
    int depth = 0;
    for (size_t p = open; p < css.size(); ++p) {
        const char c = css[p];
        if (c == '"' || c == '\'') {
            const size_t close = css.find(c, p + 1);
            p = close == std::string_view::npos ? css.size() : close;
        } else if (css.substr(p, 2) == "/*") {
            const size_t close = css.find("*/", p + 2);
            p = close == std::string_view::npos ? css.size() : close + 1;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            return p + 1;
        }
    }
    return css.size();
}

// Where the prelude of the rule starting at p ends: at the first "{" or ";" outside strings.
size_t PreludeEnd(std::string_view css, size_t p) {
    for (; p < css.size(); ++p) {
        const char c = css[p];
        if (c == '"' || c == '\'') {
            const size_t close = css.find(c, p + 1);
            p = close == std::string_view::npos ? css.size() - 1 : close;
        } else if (c == '{' || c == ';') {
            return p;
        }
    }
    return css.size();
}

// One selector of a list confined to the scope: "p a" -> "#s p a"; a leading html, body or
// :root is the scope itself ("body.dark p" -> "#s.dark p").
std::string ScopedSelector(std::string_view selector, const std::string& scope) {
    selector = TrimSpace(selector);
    bool atRoot = false;
    for (bool more = true; more;) {
        more = false;
        for (const std::string_view root : {"html", "body", ":root"}) {
            const bool ends = selector.size() == root.size() || !(std::isalnum(static_cast<unsigned char>(selector[root.size()])) ||
                                                                  selector[root.size()] == '-');
            if (selector.size() >= root.size() && Strings::AsciiSameText(selector.substr(0, root.size()), root) && ends) {
                selector.remove_prefix(root.size());
                atRoot = more = true;
                const std::string_view rest = TrimSpace(selector);
                if (rest.starts_with('>') || rest.starts_with(' ') || (rest != selector && !rest.empty() && !std::strchr(".#[:", rest[0]))) {
                    selector = TrimSpace(rest.starts_with('>') ? rest.substr(1) : rest);
                } else {
                    more = false;
                }
            }
        }
    }
    if (selector.empty()) return scope;
    if (atRoot && std::strchr(".#[:", selector[0])) return scope + std::string(selector);
    return scope + " " + std::string(selector);
}

// A selector list with each selector confined to the scope; commas inside parentheses or
// brackets belong to one selector.
std::string ScopedSelectorList(std::string_view list, const std::string& scope) {
    std::string out;
    int depth = 0;
    size_t start = 0;
    for (size_t p = 0; p <= list.size(); ++p) {
        const char c = p < list.size() ? list[p] : ',';
        if (c == '(' || c == '[') ++depth;
        else if ((c == ')' || c == ']') && depth > 0) --depth;
        else if (c == ',' && depth == 0) {
            if (!out.empty()) out += ", ";
            out += ScopedSelector(list.substr(start, p - start), scope);
            start = p + 1;
        }
    }
    return out;
}

// A style sheet whose rules select only inside the scope. Rules inside @media, @supports and
// @layer blocks are scoped in turn; @import (it would load a sheet) and @namespace go; other
// at-rules (@font-face, @keyframes, @page) select nothing and stay. Comments go.
std::string ScopedStyleSheet(std::string_view css, const std::string& scope) {
    std::string out;
    size_t p = 0;
    while (p < css.size()) {
        if (IsHtmlSpace(css[p])) {
            ++p;
            continue;
        }
        if (css.substr(p, 2) == "/*") {
            const size_t close = css.find("*/", p + 2);
            p = close == std::string_view::npos ? css.size() : close + 2;
            continue;
        }
        const size_t end = PreludeEnd(css, p);
        const std::string_view prelude = TrimSpace(css.substr(p, end - p));
        if (end >= css.size() || css[end] == ';') {  // a statement: kept only when harmless
            if (prelude.starts_with('@') && !Strings::AsciiSameText(prelude.substr(0, 7), "@import") &&
                !Strings::AsciiSameText(prelude.substr(0, 10), "@namespace"))
                out += std::string(prelude) + ";\n";
            p = end + 1;
            continue;
        }
        const size_t close = BlockEnd(css, end);
        const std::string_view body = css.substr(end + 1, close - end - 1 - (close <= css.size() && css[close - 1] == '}'));
        const std::string atName = prelude.starts_with('@') ? Strings::AsciiLower(prelude.substr(0, prelude.find_first_of(" \t\r\n\f("))) : "";
        if (atName == "@media" || atName == "@supports" || atName == "@layer" || atName == "@document" || atName == "@container") {
            out += std::string(prelude) + " {\n" + ScopedStyleSheet(body, scope) + "}\n";
        } else if (!atName.empty()) {
            out += std::string(prelude) + " {" + std::string(body) + "}\n";
        } else if (!prelude.empty()) {
            out += ScopedSelectorList(prelude, scope) + " {" + std::string(body) + "}\n";
        }
        p = close;
    }
    // Nothing in the sheet may end the style element early.
    for (size_t at = 0; (at = out.find("</", at)) != std::string::npos;) out.replace(at, 2, "<\\/");
    return out;
}

// The id of the element a note's section is wrapped in when it has style sheets.
std::string ScopeId(std::string_view location) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : location) hash = (hash ^ c) * 1099511628211ull;
    static const char* Hex = "0123456789abcdef";
    std::string id = "qbnote-";
    for (int shift = 60; shift >= 0; shift -= 4) id += Hex[(hash >> shift) & 15];
    return id;
}

// ---- Serialisation: each node of a note's body as outer HTML, neutralised ----

// Writes the nodes of a note's body. Scripts, base, meta, link and noscript elements are left
// out with everything in them, event handler attributes too; plaintext and xmp become pre
// elements with their text escaped; a style sheet is confined to the note's scope; picture
// addresses resolve against the note's source.
class TNoteSerialiser {
public:
    TNoteSerialiser(std::string scope, std::string pictureBase, std::string companion, std::string companionEncoded)
        : FScope(std::move(scope)), FPictureBase(std::move(pictureBase)), FCompanion(std::move(companion)),
          FCompanionEncoded(std::move(companionEncoded)) {}

    // True once a style sheet was written: the section must then be wrapped in the scope.
    bool Styled() const { return FStyled; }
    const std::string& Scope() const { return FScope; }

    // Written without recursion: a hostile note may nest elements as deep as the parser lets
    // it. False when stop said so before the end (it is asked now and then).
    bool Append(std::string& out, const GumboNode* node, const std::atomic<bool>* stop) {
        return HtmlParsing::Walk(
            node,
            [&](const GumboNode* n) {
                if (stop && (++FVisited & 1023) == 0 && stop->load(std::memory_order_relaxed)) return TVisit::Stop;
                return Enter(out, n);
            },
            [&](const GumboNode* n) {
                const std::string name = ElementName(n);
                if (!name.empty()) out += "</" + name + ">";
            });
    }

private:
    // Writes the node's start (or all of it); whether its children follow.
    TVisit Enter(std::string& out, const GumboNode* node) {
        switch (node->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                return EnterElement(out, node);
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                if (HoldsRawText(node->parent)) out += node->v.text.text;
                else Strings::AppendHtmlEscaped(out, node->v.text.text, Strings::EscapeNoBreakSpace);
                break;
            case GUMBO_NODE_COMMENT:
                out += "<!--";
                out += node->v.text.text;
                out += "-->";
                break;
            default:
                break;
        }
        return TVisit::Skip;
    }

    // The name an element is written with; "" when only its content is kept.
    static std::string ElementName(const GumboNode* node) {
        std::string name = TagName(node->v.element);
        if (IsHtmlTag(node, GUMBO_TAG_PLAINTEXT) || IsHtmlTag(node, GUMBO_TAG_XMP)) name = "pre";
        if (!IsPlainName(name)) name.clear();
        return name;
    }

    TVisit EnterElement(std::string& out, const GumboNode* node) {
        const GumboElement& e = node->v.element;
        if (IsDropped(node)) return TVisit::Skip;
        if (e.tag == GUMBO_TAG_STYLE) {
            out += "<style>" + ScopedStyleSheet(ChildText(node), "#" + FScope) + "</style>";
            FStyled = true;
            return TVisit::Skip;
        }
        const std::string name = ElementName(node);
        if (!name.empty()) AppendStartTag(out, node, name);
        return IsVoidElement(e) ? TVisit::Skip : TVisit::Descend;
    }

    void AppendStartTag(std::string& out, const GumboNode* node, const std::string& name) {
        const GumboElement& e = node->v.element;
        out += '<';
        out += name;
        for (unsigned i = 0; i < e.attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
            const std::string_view attribute = a->name;
            if (!IsPlainName(attribute) || (attribute.size() > 2 && Strings::AsciiSameText(attribute.substr(0, 2), "on")))
                continue;
            out += ' ';
            switch (a->attr_namespace) {
                case GUMBO_ATTR_NAMESPACE_XLINK: out += "xlink:"; break;
                case GUMBO_ATTR_NAMESPACE_XML: out += "xml:"; break;
                case GUMBO_ATTR_NAMESPACE_XMLNS: if (std::strcmp(a->name, "xmlns") != 0) out += "xmlns:"; break;
                default: break;
            }
            out += a->name;
            out += "=\"";
            constexpr unsigned escapes = Strings::EscapeQuote | Strings::EscapeNoBreakSpace;
            if (IsHtmlTag(node, GUMBO_TAG_IMG) && attribute == "src") Strings::AppendHtmlEscaped(out, PictureAddress(a->value), escapes);
            else Strings::AppendHtmlEscaped(out, a->value, escapes);
            out += '"';
        }
        out += '>';
    }

    // A picture address as the report must write it: one into the note's companion folder is
    // left to the generator (it points those at the store); any other relative address is
    // made absolute against the note's source, as it resolved in the note.
    std::string PictureAddress(std::string_view src) const {
        src = TrimSpace(src);
        if (FPictureBase.empty() || src.starts_with(FCompanion) || src.starts_with(FCompanionEncoded)) return std::string(src);
        return ResolveURL(FPictureBase, src);
    }

    std::string FScope, FPictureBase, FCompanion, FCompanionEncoded;
    bool FStyled = false;
    unsigned FVisited = 0;
};

// document.title: the text of the first title element, white space stripped and collapsed.
std::string FindTitle(const GumboNode* document) {
    const GumboNode* title = nullptr;
    HtmlParsing::Walk(document, [&](const GumboNode* node) {
        if (!IsHtmlTag(node, GUMBO_TAG_TITLE)) return TVisit::Descend;
        title = node;
        return TVisit::Stop;
    });
    if (!title) return {};
    std::string collapsed;
    for (const char c : ChildText(title)) {
        if (!IsHtmlSpace(c)) collapsed += c;
        else if (!collapsed.empty() && collapsed.back() != ' ') collapsed += ' ';
    }
    if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
    return collapsed;
}

class TGumboDocument final : public THTMLDocument {
public:
    // fileName is the note's file (its companion folder's references are left alone), empty
    // when the page is not a note file. When stop turns true the document is left unfinished.
    TGumboDocument(const TPage& page, std::string location, const std::string& fileName,
                   const GumboOptions& options = ParserOptions(), const std::atomic<bool>* stop = nullptr)
        : FLocation(std::move(location)) {
        HtmlParsing::TTree tree = HtmlParsing::Parse(page.Utf8, options);
        FFinished = !tree || !tree->root || Serialise(tree.get(), page.SourceURL, fileName, stop);
        // A tree in an arena goes with the arena's reset; walking it to free nothing is skipped.
        if (options.userdata) tree.release();
    }

    // False when the parse was stopped before the document was done.
    bool Finished() const { return FFinished; }

    std::string Title() const override { return FTitle; }
    std::string Location() const override { return FLocation; }
    std::size_t ChildCount() const override { return FChildren.size(); }
    std::string ChildOuterHTML(std::size_t index) const override {
        return index < FChildren.size() ? FChildren[index] : std::string();
    }

private:
    // Every child node of the body (or of a frameset, for a frames page), text included, in
    // order. A note with style sheets comes as one element that wraps them in its scope.
    bool Serialise(const GumboOutput* output, const std::string& sourceURL, const std::string& fileName,
                   const std::atomic<bool>* stop) {
        FTitle = FromUtf8(FindTitle(output->document));
        const GumboNode* body = nullptr;
        const GumboNode* base = nullptr;
        const GumboNode* root = output->root;
        HtmlParsing::Walk(root, [&](const GumboNode* node) {
            if (!body && node->parent == root && (IsHtmlTag(node, GUMBO_TAG_BODY) || IsHtmlTag(node, GUMBO_TAG_FRAMESET))) body = node;
            if (!base && IsHtmlTag(node, GUMBO_TAG_BASE)) base = node;
            if (body && base) return TVisit::Stop;
            return node == root || node->parent == root ? TVisit::Descend : TVisit::Skip;  // base: in head or body
        });
        if (!body) return true;
        std::string pictureBase = sourceURL;
        if (base) {
            if (const GumboAttribute* href = gumbo_get_attribute(&base->v.element.attributes, "href"))
                pictureBase = ResolveURL(sourceURL, Strings::Trim(std::string_view(href->value)));
        }
        const std::string companion = FileSystem::ChangeFileExt(FileSystem::ExtractFileName(fileName), ".files/");
        TNoteSerialiser serialiser(ScopeId(FLocation), pictureBase, fileName.empty() ? std::string("\n") : companion,
                                   fileName.empty() ? std::string("\n") : Strings::PercentEncode(companion, "/"));
        const GumboVector& children = body->v.element.children;
        for (unsigned k = 0; k < children.length; ++k) {
            const auto* child = static_cast<const GumboNode*>(children.data[k]);
            // White space alone between the body's nodes shows as one blank at most; at the
            // start or the end it shows as nothing.
            if (child->type == GUMBO_NODE_WHITESPACE) {
                if (!FChildren.empty()) FChildren.push_back(" ");
                continue;
            }
            std::string html;
            if (!serialiser.Append(html, child, stop)) return false;
            if (!html.empty()) FChildren.push_back(FromUtf8(std::move(html)));
        }
        if (!FChildren.empty() && FChildren.back() == " ") FChildren.pop_back();
        if (!serialiser.Styled()) return true;
        std::string wrapped = "<div id=\"" + serialiser.Scope() + "\">";
        for (const std::string& child : FChildren) wrapped += child;
        FChildren.assign(1, wrapped + "</div>");
        return true;
    }

    bool FFinished = true;
    std::string FLocation;
    std::string FTitle;
    std::vector<std::string> FChildren;
};

// ---- Loading: notes are parsed on a pool of worker threads while the caller waits ----

// One load, shared between the waiting thread and the worker.
struct TLoadJob {
    explicit TLoadJob(std::string fileName) : FileName(std::move(fileName)) {}

    const std::string FileName;
    // Let go by the loader: a worker skips it, or stops working on it and drops what it made.
    std::atomic<bool> Abandoned = false;
    std::mutex Lock;
    std::condition_variable Ready;
    bool Done = false;
    std::unique_ptr<THTMLDocument> Document;
    std::exception_ptr Error;

    void Run() {
        std::unique_ptr<THTMLDocument> document;
        std::exception_ptr error;
        try {
            std::string bytes;
            if (FileSystem::TryReadFile(FileName, bytes, MaxDocumentBytes + 1) && bytes.size() <= MaxDocumentBytes)
                document = ParseAndSerialise(std::move(bytes));
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard<std::mutex> guard(Lock);
        Document = std::move(document);
        Error = error;
        Done = true;
        Ready.notify_all();
    }

    // Notes of ordinary size are parsed in the worker's arena; a very large one (whose tree
    // could need a great deal more) with the allocator, so its memory goes back at once. Null
    // when the job was abandoned on the way.
    std::unique_ptr<THTMLDocument> ParseAndSerialise(std::string bytes) {
        constexpr size_t ArenaSourceBytes = 4 << 20;
        const TPage page = ReadPage(bytes);
        bytes = std::string();
        if (Abandoned) return nullptr;
        thread_local TParseArena arena;
        const bool inArena = page.Utf8.size() <= ArenaSourceBytes;
        if (inArena) arena.Reset();
        auto document = std::make_unique<TGumboDocument>(page, FileURL(FileName), FileName,
                                                         inArena ? arena.Options() : ParserOptions(), &Abandoned);
        if (inArena) arena.Reset();
        if (!document->Finished()) return nullptr;
        return document;
    }

    // Waits for the document, asking aborted now and then; null when it said stop.
    std::unique_ptr<THTMLDocument> Wait(const std::function<bool()>& aborted) {
        std::unique_lock<std::mutex> lock(Lock);
        while (!Ready.wait_for(lock, PollInterval, [&] { return Done; })) {
            lock.unlock();
            if (aborted && aborted()) return nullptr;
            lock.lock();
        }
        if (Error) std::rethrow_exception(Error);
        return std::move(Document);
    }
};

// Worker threads, one per processor, started with the first job. Going away, the pool drops
// the jobs nobody has started and waits for the parses under way, which the loader has
// abandoned first (so they stop soon, and the parser's guard bounds a parse's time), so no
// worker outlives the run that started it.
class TParsePool {
public:
    ~TParsePool() {
        {
            std::lock_guard<std::mutex> guard(FLock);
            FStopping = true;
            FQueue.clear();
        }
        FWork.notify_all();
        for (std::thread& worker : FWorkers) worker.join();
    }

    std::shared_ptr<TLoadJob> Submit(const std::string& fileName) {
        auto job = std::make_shared<TLoadJob>(fileName);
        {
            std::lock_guard<std::mutex> guard(FLock);
            if (FWorkers.empty()) {
                for (size_t i = 0; i < WorkerCount(); ++i) FWorkers.emplace_back([this] { Work(); });
            }
            FQueue.push_back(job);
        }
        FWork.notify_one();
        return job;
    }

    static size_t WorkerCount() { return std::max(1u, std::thread::hardware_concurrency()); }

private:
    void Work() {
        for (;;) {
            std::shared_ptr<TLoadJob> job;
            {
                std::unique_lock<std::mutex> lock(FLock);
                FWork.wait(lock, [&] { return FStopping || !FQueue.empty(); });
                if (FStopping) return;
                job = std::move(FQueue.front());
                FQueue.pop_front();
            }
            if (!job->Abandoned) job->Run();
        }
    }

    std::mutex FLock;
    std::condition_variable FWork;
    std::deque<std::shared_ptr<TLoadJob>> FQueue;
    bool FStopping = false;
    std::vector<std::thread> FWorkers;
};

// How many of the upcoming notes may be waiting or parsing at once: two per worker keeps
// every worker busy while the caller takes a finished note, and bounds the memory held.
size_t ReadAheadLimit() { return 2 * TParsePool::WorkerCount(); }

class TGumboLoader final : public TDocumentLoader {
public:
    ~TGumboLoader() override {
        for (const auto& job : FAhead) job->Abandoned = true;
    }

    std::unique_ptr<THTMLDocument> Load(const std::string& fileName, const std::function<bool()>& aborted) override {
        if (aborted && aborted()) return nullptr;
        const auto ahead = std::find_if(FAhead.begin(), FAhead.end(), [&](const auto& job) { return job->FileName == fileName; });
        std::shared_ptr<TLoadJob> job;
        if (ahead == FAhead.end()) {
            job = FPool.Submit(fileName);
        } else {
            job = std::move(*ahead);
            FAhead.erase(ahead);
        }
        std::unique_ptr<THTMLDocument> document = job->Wait(aborted);
        if (!document) job->Abandoned = true;  // an aborted wait: the worker need not start it
        return document;
    }

    void Prefetch(const std::vector<std::string>& upcoming) override {
        // Reads ahead that are no longer expected are let go.
        std::erase_if(FAhead, [&](const auto& job) {
            if (std::find(upcoming.begin(), upcoming.end(), job->FileName) != upcoming.end()) return false;
            job->Abandoned = true;
            return true;
        });
        for (const std::string& file : upcoming) {
            if (FAhead.size() >= ReadAheadLimit()) break;
            const bool started = std::any_of(FAhead.begin(), FAhead.end(), [&](const auto& job) { return job->FileName == file; });
            if (!started) FAhead.push_back(FPool.Submit(file));
        }
    }

private:
    std::vector<std::shared_ptr<TLoadJob>> FAhead;  // in the order they were offered
    TParsePool FPool;  // declared last: it goes first, before the jobs it may still be running
};

}  // namespace

std::unique_ptr<TDocumentLoader> Create() { return std::make_unique<TGumboLoader>(); }

std::unique_ptr<THTMLDocument> ParseHTMLDocument(std::string bytes, const std::string& location, const std::string& fileName) {
    return std::make_unique<TGumboDocument>(ReadPage(bytes), location, fileName);
}

std::string FileBytesToUtf8(std::string bytes) { return ReadPage(bytes).Utf8; }

}  // namespace GumboDocumentLoader
