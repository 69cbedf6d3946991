#pragma once
// The program's one home for HTML pages as bytes: gumbo with one set of options, behind a
// guard that keeps a hostile page cheap; the walk over the parsed tree; the character set a
// page is written in; and the file URL of a local path. Plain C++, no user interface.
#include <gumbo.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace HtmlParsing {

// ---- The guard ----
//
// Gumbo's work for every tag, and for every character inside formatting elements, grows with
// the depth of the open elements, and its tree with the number of tags; a tag's attributes
// are compared with each other. So a page is parsed only up to the first tag that would break
// one of these limits, which the pages people write stay far inside. With them any page of
// 10 MB is parsed in about a second and under 256 MB (bench/reports_HtmlHostile.cpp).

// Pages larger than this are not parsed at all.
inline constexpr std::size_t MaxInputBytes = 64u << 20;
// How deep the elements may nest (as deep as a browser builds its tree).
inline constexpr int MaxNestingDepth = 512;
// How many tags, attributes and comments a page may hold, and how many attributes one tag.
inline constexpr std::size_t MaxMarkupItems = 300000;
inline constexpr std::size_t MaxAttributes = 256;
// The parser's work on nesting: the depth summed over every tag and every character written
// inside a formatting element.
inline constexpr std::size_t MaxNestingWork = 400u << 20;

// The default options, with no parse errors recorded: each recorded error keeps a copy of the
// open-element stack, so badly nested markup would cost memory in the square of its depth.
const GumboOptions& ParserOptions();

// The length of the page's longest prefix that keeps inside the limits (the whole of an
// ordinary page), cut before a tag. A scan of the raw tags that follows the parser's rules
// for opening and closing elements closely enough never to count much less than its depth.
std::size_t ParsableLength(std::string_view html);

// Frees a tree with the options it was parsed with. A tree parsed into an arena (options
// whose deallocator frees nothing) is let go with release() instead, and goes with the arena.
class TTreeDeleter {
public:
    TTreeDeleter() = default;
    explicit TTreeDeleter(const GumboOptions& options) : FOptions(options) {}
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&FOptions, output); }

private:
    GumboOptions FOptions = kGumboDefaultOptions;
};
using TTree = std::unique_ptr<GumboOutput, TTreeDeleter>;

// Every HTML parse of the program goes through here. Parses the page's parsable prefix with
// the options (ParserOptions, or a copy with another allocator). Null when the page is larger
// than MaxInputBytes (it is refused) or the parser could not build a tree.
TTree Parse(std::string_view html, const GumboOptions& options = ParserOptions());

// ---- The walk ----

// The characters HTML counts as white space.
inline bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// The child nodes of a document, element or template node; none for the others.
const GumboVector* Children(const GumboNode* node);

enum class TVisit { Descend, Skip, Stop };

// Visits root and every node below it in document order without recursion, so no nesting
// can exhaust the stack: enter is called on each node and says whether to go into its
// children, to skip them or to stop the walk; leave(node) is called after the children of
// every node that was descended into. False when enter stopped the walk.
template <class Enter, class Leave>
bool Walk(const GumboNode* root, Enter&& enter, Leave&& leave) {
    struct TFrame {
        const GumboNode* Node;
        unsigned Next;
    };
    std::vector<TFrame> open;
    const auto visit = [&](const GumboNode* node) {
        const TVisit what = enter(node);
        if (what == TVisit::Descend && Children(node)) open.push_back({node, 0});
        else if (what == TVisit::Descend) leave(node);
        return what != TVisit::Stop;
    };
    if (!visit(root)) return false;
    while (!open.empty()) {
        TFrame& top = open.back();
        const GumboVector& children = *Children(top.Node);
        if (top.Next < children.length) {
            if (!visit(static_cast<const GumboNode*>(children.data[top.Next++]))) return false;
            continue;
        }
        const GumboNode* done = top.Node;
        open.pop_back();
        leave(done);
    }
    return true;
}

template <class Enter>
bool Walk(const GumboNode* root, Enter&& enter) {
    return Walk(root, std::forward<Enter>(enter), [](const GumboNode*) {});
}

bool IsElement(const GumboNode* node);
// An element of the HTML namespace with this tag.
bool IsHtmlTag(const GumboNode* node, GumboTag tag);

// ---- The character set ----

// The encoding a byte-order mark at the start of the bytes names ("utf-8", "utf-16le"...),
// with the mark's length; "" and 0 without one.
std::pair<const char*, std::size_t> ByteOrderMark(std::string_view bytes);

// The character set a <meta> tag near the top of the bytes declares, as written, or "".
// Comments (a note's info block among them) are skipped; the scan ends at the body.
std::string DeclaredCharset(std::string_view bytes);

// A page's bytes as UTF-8, decoded as a browser decodes them: a byte-order mark at the start
// wins; else the label a <meta> declares, read through the web's label table; else UTF-8 when
// the bytes are valid UTF-8, else Windows-1252. A declared UTF-16 label is read as UTF-8 (the
// declaration was readable as ASCII), and a label nobody knows counts as no declaration. A
// label given by the caller is used instead of all that. The result is always valid UTF-8.
std::string PageToUtf8(std::string_view bytes, std::string_view label = {});

// ---- Addresses ----

// The file URL of a local path (ANSI code page): "file://" and the absolute path (a relative
// one is taken from the current folder), as UTF-8, percent-encoded where a URL path needs it.
std::string FileURL(const std::string& path);

}  // namespace HtmlParsing
