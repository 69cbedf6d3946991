#include "search/NoteText.h"

#include "reports/GumboDocumentLoader.h"
#include "store/HtmlParsing.h"
#include "store/ParseArena.h"

#include <algorithm>
#include <gumbo.h>

namespace NoteText {

namespace {

// Elements whose content no reader sees.
bool IsHidden(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_HEAD: case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE: case GUMBO_TAG_NOSCRIPT:
        case GUMBO_TAG_TEMPLATE: case GUMBO_TAG_IFRAME: case GUMBO_TAG_OBJECT: case GUMBO_TAG_APPLET:
            return true;
        default:
            return false;
    }
}

// Elements that run inside a line of text: no word break at their edges ("<b>W</b>ord").
bool IsInline(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_A: case GUMBO_TAG_ABBR: case GUMBO_TAG_B: case GUMBO_TAG_BIG: case GUMBO_TAG_CITE:
        case GUMBO_TAG_CODE: case GUMBO_TAG_EM: case GUMBO_TAG_FONT: case GUMBO_TAG_I: case GUMBO_TAG_KBD:
        case GUMBO_TAG_LABEL: case GUMBO_TAG_MARK: case GUMBO_TAG_Q: case GUMBO_TAG_S: case GUMBO_TAG_SMALL:
        case GUMBO_TAG_SPAN: case GUMBO_TAG_STRIKE: case GUMBO_TAG_STRONG: case GUMBO_TAG_SUB: case GUMBO_TAG_SUP:
        case GUMBO_TAG_TT: case GUMBO_TAG_U: case GUMBO_TAG_VAR: case GUMBO_TAG_NOBR: case GUMBO_TAG_WBR:
            return true;
        default:
            return false;
    }
}

// Appends text with each run of white space as one blank, none at the start of the output.
void AppendText(std::string& out, const char* text) {
    for (const char* c = text; *c;) {
        if (HtmlParsing::IsHtmlSpace(*c)) {
            if (!out.empty() && out.back() != ' ') out += ' ';
            ++c;
            continue;
        }
        const char* end = c;
        while (*end && !HtmlParsing::IsHtmlSpace(*end)) ++end;
        out.append(c, end);
        c = end;
    }
}

void Separate(std::string& out) {
    if (!out.empty() && out.back() != ' ') out += ' ';
}

// The text below the root, sizeHint bytes reserved for it.
std::string TreeText(const GumboNode* root, size_t sizeHint) {
    std::string text;
    text.reserve(sizeHint);
    const auto enter = [&](const GumboNode* node) {
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_CDATA || node->type == GUMBO_NODE_WHITESPACE) {
            AppendText(text, node->v.text.text);
            return HtmlParsing::TVisit::Skip;
        }
        if (!HtmlParsing::IsElement(node) || IsHidden(node->v.element.tag)) return HtmlParsing::TVisit::Skip;
        if (!IsInline(node->v.element.tag)) Separate(text);
        return HtmlParsing::TVisit::Descend;
    };
    // A block element ends a word as it starts one.
    const auto leave = [&](const GumboNode* node) {
        if (!IsInline(node->v.element.tag)) Separate(text);
    };
    HtmlParsing::Walk(root, enter, leave);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

std::string VisibleText(std::string_view html) {
    html = html.substr(0, std::min(html.size(), MaxPageBytes));
    // The tree is parsed into the thread's arena and dropped with it, never freed node by node;
    // the parse keeps to the prefix of a hostile page that stays cheap.
    thread_local TParseArena arena;
    arena.Reset();
    HtmlParsing::TTree tree = HtmlParsing::Parse(html, arena.Options());
    std::string text = tree ? TreeText(tree->root, html.size()) : std::string();
    tree.release();
    arena.Reset();
    return text;
}

std::string VisibleTextOfFile(std::string bytes) {
    if (bytes.size() > MaxPageBytes) bytes.resize(MaxPageBytes);
    return VisibleText(GumboDocumentLoader::FileBytesToUtf8(std::move(bytes)));
}

}  // namespace NoteText
