#include "store/HtmlParsing.h"

#include "platform/Charset.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unistd.h>

namespace HtmlParsing {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// ---- Tag kinds, as the parser's tree builder sorts them ----

bool IsVoid(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_AREA: case GUMBO_TAG_BASE: case GUMBO_TAG_BASEFONT: case GUMBO_TAG_BGSOUND: case GUMBO_TAG_BR:
        case GUMBO_TAG_COL: case GUMBO_TAG_EMBED: case GUMBO_TAG_FRAME: case GUMBO_TAG_HR: case GUMBO_TAG_IMAGE:
        case GUMBO_TAG_IMG: case GUMBO_TAG_INPUT: case GUMBO_TAG_KEYGEN: case GUMBO_TAG_LINK: case GUMBO_TAG_MENUITEM:
        case GUMBO_TAG_META: case GUMBO_TAG_PARAM: case GUMBO_TAG_SOURCE: case GUMBO_TAG_TRACK: case GUMBO_TAG_WBR:
        case GUMBO_TAG_ISINDEX:
            return true;
        default:
            return false;
    }
}

// Elements whose text the tokenizer reads up to their end tag (plaintext: to the end of the
// page) without seeing tags in it.
bool HoldsRawText(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE: case GUMBO_TAG_XMP: case GUMBO_TAG_IFRAME: case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_NOFRAMES: case GUMBO_TAG_TEXTAREA: case GUMBO_TAG_TITLE: case GUMBO_TAG_PLAINTEXT:
            return true;
        default:
            return false;
    }
}

bool IsFormatting(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_A: case GUMBO_TAG_B: case GUMBO_TAG_BIG: case GUMBO_TAG_CODE: case GUMBO_TAG_EM: case GUMBO_TAG_FONT:
        case GUMBO_TAG_I: case GUMBO_TAG_NOBR: case GUMBO_TAG_S: case GUMBO_TAG_SMALL: case GUMBO_TAG_STRIKE:
        case GUMBO_TAG_STRONG: case GUMBO_TAG_TT: case GUMBO_TAG_U:
            return true;
        default:
            return false;
    }
}

// Elements that put a marker in the list of active formatting elements.
bool IsMarker(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_APPLET: case GUMBO_TAG_OBJECT: case GUMBO_TAG_MARQUEE: case GUMBO_TAG_TEMPLATE: case GUMBO_TAG_TD:
        case GUMBO_TAG_TH: case GUMBO_TAG_CAPTION:
            return true;
        default:
            return false;
    }
}

// The elements an end tag of another name does not close past.
bool IsSpecial(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_ADDRESS: case GUMBO_TAG_APPLET: case GUMBO_TAG_AREA: case GUMBO_TAG_ARTICLE: case GUMBO_TAG_ASIDE:
        case GUMBO_TAG_BASE: case GUMBO_TAG_BASEFONT: case GUMBO_TAG_BGSOUND: case GUMBO_TAG_BLOCKQUOTE: case GUMBO_TAG_BODY:
        case GUMBO_TAG_BR: case GUMBO_TAG_BUTTON: case GUMBO_TAG_CAPTION: case GUMBO_TAG_CENTER: case GUMBO_TAG_COL:
        case GUMBO_TAG_COLGROUP: case GUMBO_TAG_DD: case GUMBO_TAG_DETAILS: case GUMBO_TAG_DIR: case GUMBO_TAG_DIV:
        case GUMBO_TAG_DL: case GUMBO_TAG_DT: case GUMBO_TAG_EMBED: case GUMBO_TAG_FIELDSET: case GUMBO_TAG_FIGCAPTION:
        case GUMBO_TAG_FIGURE: case GUMBO_TAG_FOOTER: case GUMBO_TAG_FORM: case GUMBO_TAG_FRAME: case GUMBO_TAG_FRAMESET:
        case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6:
        case GUMBO_TAG_HEAD: case GUMBO_TAG_HEADER: case GUMBO_TAG_HGROUP: case GUMBO_TAG_HR: case GUMBO_TAG_HTML:
        case GUMBO_TAG_IFRAME: case GUMBO_TAG_IMG: case GUMBO_TAG_INPUT: case GUMBO_TAG_ISINDEX: case GUMBO_TAG_LI:
        case GUMBO_TAG_LINK: case GUMBO_TAG_LISTING: case GUMBO_TAG_MAIN: case GUMBO_TAG_MARQUEE: case GUMBO_TAG_MENU:
        case GUMBO_TAG_MENUITEM: case GUMBO_TAG_META: case GUMBO_TAG_NAV: case GUMBO_TAG_NOEMBED: case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_NOSCRIPT: case GUMBO_TAG_OBJECT: case GUMBO_TAG_OL: case GUMBO_TAG_P: case GUMBO_TAG_PARAM:
        case GUMBO_TAG_PLAINTEXT: case GUMBO_TAG_PRE: case GUMBO_TAG_SCRIPT: case GUMBO_TAG_SECTION: case GUMBO_TAG_SELECT:
        case GUMBO_TAG_SOURCE: case GUMBO_TAG_STYLE: case GUMBO_TAG_SUMMARY: case GUMBO_TAG_TABLE: case GUMBO_TAG_TBODY:
        case GUMBO_TAG_TD: case GUMBO_TAG_TEMPLATE: case GUMBO_TAG_TEXTAREA: case GUMBO_TAG_TFOOT: case GUMBO_TAG_TH:
        case GUMBO_TAG_THEAD: case GUMBO_TAG_TITLE: case GUMBO_TAG_TR: case GUMBO_TAG_TRACK: case GUMBO_TAG_UL:
        case GUMBO_TAG_WBR: case GUMBO_TAG_XMP: case GUMBO_TAG_MI: case GUMBO_TAG_MO: case GUMBO_TAG_MN: case GUMBO_TAG_MS:
        case GUMBO_TAG_MTEXT: case GUMBO_TAG_ANNOTATION_XML: case GUMBO_TAG_FOREIGNOBJECT: case GUMBO_TAG_DESC:
            return true;
        default:
            return false;
    }
}

// Tags special only as SVG or MathML elements; as HTML elements they are ordinary.
bool IsForeignOnly(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_MI: case GUMBO_TAG_MO: case GUMBO_TAG_MN: case GUMBO_TAG_MS: case GUMBO_TAG_MTEXT:
        case GUMBO_TAG_ANNOTATION_XML: case GUMBO_TAG_FOREIGNOBJECT: case GUMBO_TAG_DESC:
            return true;
        default:
            return false;
    }
}

// The elements that bound "in scope": an end tag does not reach an element below one.
bool BoundsScope(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_APPLET: case GUMBO_TAG_CAPTION: case GUMBO_TAG_HTML: case GUMBO_TAG_TABLE: case GUMBO_TAG_TD:
        case GUMBO_TAG_TH: case GUMBO_TAG_MARQUEE: case GUMBO_TAG_OBJECT: case GUMBO_TAG_TEMPLATE: case GUMBO_TAG_MI:
        case GUMBO_TAG_MO: case GUMBO_TAG_MN: case GUMBO_TAG_MS: case GUMBO_TAG_MTEXT: case GUMBO_TAG_ANNOTATION_XML:
        case GUMBO_TAG_FOREIGNOBJECT: case GUMBO_TAG_DESC:
            return true;
        default:
            return false;
    }
}

// Start tags that close an open p first.
bool ClosesParagraph(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_ADDRESS: case GUMBO_TAG_ARTICLE: case GUMBO_TAG_ASIDE: case GUMBO_TAG_BLOCKQUOTE:
        case GUMBO_TAG_CENTER: case GUMBO_TAG_DETAILS: case GUMBO_TAG_DIR: case GUMBO_TAG_DIV: case GUMBO_TAG_DL:
        case GUMBO_TAG_FIELDSET: case GUMBO_TAG_FIGCAPTION: case GUMBO_TAG_FIGURE: case GUMBO_TAG_FOOTER:
        case GUMBO_TAG_HEADER: case GUMBO_TAG_HGROUP: case GUMBO_TAG_MAIN: case GUMBO_TAG_MENU: case GUMBO_TAG_NAV:
        case GUMBO_TAG_OL: case GUMBO_TAG_P: case GUMBO_TAG_SECTION: case GUMBO_TAG_SUMMARY: case GUMBO_TAG_UL:
        case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6:
        case GUMBO_TAG_PRE: case GUMBO_TAG_LISTING: case GUMBO_TAG_FORM: case GUMBO_TAG_PLAINTEXT: case GUMBO_TAG_HR:
        case GUMBO_TAG_XMP: case GUMBO_TAG_LI: case GUMBO_TAG_DD: case GUMBO_TAG_DT:
            return true;
        default:
            return false;
    }
}

bool IsHeading(GumboTag tag) { return tag >= GUMBO_TAG_H1 && tag <= GUMBO_TAG_H6; }
bool IsTableSection(GumboTag tag) { return tag == GUMBO_TAG_TBODY || tag == GUMBO_TAG_THEAD || tag == GUMBO_TAG_TFOOT; }
bool IsTableContext(GumboTag tag) { return tag == GUMBO_TAG_TABLE || IsTableSection(tag) || tag == GUMBO_TAG_TR; }

// Start tags that leave foreign (SVG or MathML) content for HTML. A font with some attributes
// does too; it is counted as staying, which can only count more depth.
bool BreaksOutOfForeign(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_B: case GUMBO_TAG_BIG: case GUMBO_TAG_BLOCKQUOTE: case GUMBO_TAG_BODY: case GUMBO_TAG_BR:
        case GUMBO_TAG_CENTER: case GUMBO_TAG_CODE: case GUMBO_TAG_DD: case GUMBO_TAG_DIV: case GUMBO_TAG_DL:
        case GUMBO_TAG_DT: case GUMBO_TAG_EM: case GUMBO_TAG_EMBED: case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3:
        case GUMBO_TAG_H4: case GUMBO_TAG_H5: case GUMBO_TAG_H6: case GUMBO_TAG_HEAD: case GUMBO_TAG_HR: case GUMBO_TAG_I:
        case GUMBO_TAG_IMG: case GUMBO_TAG_LI: case GUMBO_TAG_LISTING: case GUMBO_TAG_MENU: case GUMBO_TAG_META:
        case GUMBO_TAG_NOBR: case GUMBO_TAG_OL: case GUMBO_TAG_P: case GUMBO_TAG_PRE: case GUMBO_TAG_RUBY: case GUMBO_TAG_S:
        case GUMBO_TAG_SMALL: case GUMBO_TAG_SPAN: case GUMBO_TAG_STRONG: case GUMBO_TAG_STRIKE: case GUMBO_TAG_SUB:
        case GUMBO_TAG_SUP: case GUMBO_TAG_TABLE: case GUMBO_TAG_TT: case GUMBO_TAG_U: case GUMBO_TAG_UL: case GUMBO_TAG_VAR:
            return true;
        default:
            return false;
    }
}

// Elements of SVG or MathML whose children are HTML again. An annotation-xml counts as one
// whatever its encoding, which can only count more depth.
bool IsIntegrationPoint(GumboTag tag, bool svg) {
    switch (tag) {
        case GUMBO_TAG_FOREIGNOBJECT: case GUMBO_TAG_DESC: case GUMBO_TAG_TITLE:
            return svg;
        case GUMBO_TAG_MI: case GUMBO_TAG_MO: case GUMBO_TAG_MN: case GUMBO_TAG_MS: case GUMBO_TAG_MTEXT:
        case GUMBO_TAG_ANNOTATION_XML:
            return !svg;
        default:
            return false;
    }
}

// One tag as the scan reads it.
struct TTag {
    GumboTag Tag = GUMBO_TAG_UNKNOWN;
    std::string_view Name;        // as written
    std::string_view Attributes;  // the text after the name, for comparing formatting elements
    bool End = false;
    bool SelfClosing = false;
    size_t AttributeCount = 0;
};

// The parser's nesting as the raw tags build it: the open elements and the active formatting
// elements. It errs towards more depth than the parser builds, never much less.
class TNestingScan {
public:
    // The depth the parser may reach now: the open elements, plus the formatting elements it
    // may open again at the next text.
    size_t Depth() const { return FOpen.size() + FFormattingCount; }
    bool FormattingActive() const { return FFormattingCount > 0; }
    bool InForeign() const { return !FOpen.empty() && FOpen.back().ForeignInside; }
    size_t RootAttributes() const { return FRootAttributes; }

    // The start tag's element, when the tokenizer reads its content as text.
    bool Start(const TTag& tag) {
        if (InForeign()) {
            if (BreaksOutOfForeign(tag.Tag)) {
                while (InForeign()) Pop();
            } else {
                if (!tag.SelfClosing) Push(tag);
                return false;
            }
        }
        switch (tag.Tag) {
            case GUMBO_TAG_HTML: case GUMBO_TAG_BODY: case GUMBO_TAG_HEAD:
                FRootAttributes += tag.AttributeCount;  // merged into the one element
                return false;
            case GUMBO_TAG_A: case GUMBO_TAG_NOBR:
                ForgetFormatting(tag.Tag, true);
                break;
            case GUMBO_TAG_BUTTON:
                PopToInScope(GUMBO_TAG_BUTTON, TScope::Default);
                break;
            case GUMBO_TAG_OPTION: case GUMBO_TAG_OPTGROUP:
                if (!FOpen.empty() && FOpen.back().Tag == GUMBO_TAG_OPTION) Pop();
                break;
            case GUMBO_TAG_SELECT:
                // A select inside a select (with nothing but options between) closes it.
                if (const size_t at = Find(GUMBO_TAG_SELECT, {}, TScope::None); at != npos && OnlyOptionsAbove(at)) {
                    PopTo(at);
                    return false;
                }
                break;
            case GUMBO_TAG_TABLE:
                // A table where a table's parts go closes the open table.
                if (!FOpen.empty() && IsTableContext(FOpen.back().Tag)) {
                    const size_t at = Find(GUMBO_TAG_TABLE, {}, TScope::None);
                    if (at != npos && Closable(at)) PopTo(at);
                }
                break;
            case GUMBO_TAG_CAPTION: case GUMBO_TAG_COLGROUP: case GUMBO_TAG_TBODY: case GUMBO_TAG_THEAD: case GUMBO_TAG_TFOOT:
            case GUMBO_TAG_TR: case GUMBO_TAG_TD: case GUMBO_TAG_TH:
                StartTablePart(tag);
                return false;
            default:
                break;
        }
        if (ClosesParagraph(tag.Tag)) PopToInScope(GUMBO_TAG_P, TScope::Button);
        if (tag.Tag == GUMBO_TAG_LI || tag.Tag == GUMBO_TAG_DD || tag.Tag == GUMBO_TAG_DT) CloseListItem(tag.Tag);
        if (IsHeading(tag.Tag) && !FOpen.empty() && IsHeading(FOpen.back().Tag)) Pop();
        if (IsVoid(tag.Tag)) return false;
        const bool raw = HoldsRawText(tag.Tag) && TakesRawText();
        Push(tag);
        if (IsFormatting(tag.Tag)) AddFormatting(tag);
        return raw;
    }

    void End(const TTag& tag) {
        // Under a foreign element an end tag closes the nearest foreign element of its name;
        // from the first HTML element on the usual rules apply.
        for (size_t i = FOpen.size(); i > 0 && FOpen[i - 1].Foreign; --i)
            if (SameName(FOpen[i - 1], tag.Tag, tag.Name)) return PopTo(i - 1);
        if (IsFormatting(tag.Tag) && ForgetFormatting(tag.Tag, false)) return;
        if (tag.Tag == GUMBO_TAG_HTML || tag.Tag == GUMBO_TAG_BODY || tag.Tag == GUMBO_TAG_HEAD || tag.Tag == GUMBO_TAG_BR)
            return;
        if (IsTableContext(tag.Tag) || tag.Tag == GUMBO_TAG_TD || tag.Tag == GUMBO_TAG_TH || tag.Tag == GUMBO_TAG_CAPTION)
            return PopToInScope(tag.Tag, TScope::Table);
        // An end tag of an SVG or MathML name outside foreign content is taken to close
        // nothing: the parser's own handling of those names varies.
        if (IsForeignOnly(tag.Tag)) return;
        if (tag.Tag != GUMBO_TAG_UNKNOWN && IsSpecial(tag.Tag)) return PopToInScope(tag.Tag, TScope::Default);
        // Any other end tag closes the nearest element of its name, unless a special element
        // comes first.
        for (size_t i = FOpen.size(); i > 0; --i) {
            if (Matches(FOpen[i - 1], tag.Tag, tag.Name)) return Closable(i - 1) ? PopTo(i - 1) : void();
            if (IsSpecial(FOpen[i - 1].Tag)) return;
        }
    }

private:
    static constexpr size_t npos = static_cast<size_t>(-1);

    struct TOpen {
        GumboTag Tag;
        std::string_view Name;  // for an unknown tag
        bool Foreign;           // an SVG or MathML element
        bool Svg;               // of SVG
        bool ForeignInside;     // its children are foreign content
    };
    struct TFormatting {
        GumboTag Tag;  // GUMBO_TAG_LAST for a marker
        std::string_view Attributes;
    };

    // Whether a raw-text element starting here gets its text read as such. Inside a select,
    // a frameset, a column group or a template the parser may ignore the start tag and read
    // on as markup, so what follows is scanned as markup too.
    bool TakesRawText() const {
        for (const TOpen& open : FOpen) {
            switch (open.Tag) {
                case GUMBO_TAG_SELECT: case GUMBO_TAG_FRAMESET: case GUMBO_TAG_COLGROUP: case GUMBO_TAG_TEMPLATE:
                    return false;
                default:
                    break;
            }
        }
        return true;
    }

    // Whether the parser surely closes the elements above at as the rules here say: none of
    // them is a template, select or frameset (which change how it reads tags) or foreign.
    bool Closable(size_t at) const {
        for (size_t i = at + 1; i < FOpen.size(); ++i) {
            const GumboTag t = FOpen[i].Tag;
            if (FOpen[i].Foreign || t == GUMBO_TAG_TEMPLATE || t == GUMBO_TAG_SELECT || t == GUMBO_TAG_FRAMESET) return false;
        }
        return true;
    }

    bool OnlyOptionsAbove(size_t at) const {
        for (size_t i = at + 1; i < FOpen.size(); ++i)
            if (FOpen[i].Tag != GUMBO_TAG_OPTION && FOpen[i].Tag != GUMBO_TAG_OPTGROUP) return false;
        return true;
    }

    static bool SameName(const TOpen& open, GumboTag tag, std::string_view name) {
        return open.Tag == tag && (tag != GUMBO_TAG_UNKNOWN || Strings::AsciiSameText(open.Name, name));
    }
    // An HTML element of the tag: the rules of HTML tags see no foreign element of that name.
    static bool Matches(const TOpen& open, GumboTag tag, std::string_view name) {
        return !open.Foreign && SameName(open, tag, name);
    }

    void Push(const TTag& tag) {
        TOpen open{tag.Tag, tag.Name, false, false, false};
        if (InForeign() || tag.Tag == GUMBO_TAG_SVG || tag.Tag == GUMBO_TAG_MATH) {
            open.Foreign = true;
            open.Svg = tag.Tag == GUMBO_TAG_SVG || (tag.Tag != GUMBO_TAG_MATH && FOpen.back().Svg);
            open.ForeignInside = !IsIntegrationPoint(tag.Tag, open.Svg);
        }
        FOpen.push_back(open);
        if (IsMarker(tag.Tag) && !open.Foreign) FFormatting.push_back({GUMBO_TAG_LAST, {}});
    }

    void Pop() {
        if (IsMarker(FOpen.back().Tag) && !FOpen.back().Foreign) ClearToMarker();
        FOpen.pop_back();
    }

    void PopTo(size_t at) {
        while (FOpen.size() > at) Pop();
    }

    enum class TScope { None, Default, Button, Table };

    static bool Bounds(GumboTag open, TScope scope) {
        switch (scope) {
            case TScope::None: return false;
            case TScope::Default: return BoundsScope(open);
            case TScope::Button: return BoundsScope(open) || open == GUMBO_TAG_BUTTON;
            case TScope::Table: return open == GUMBO_TAG_HTML || open == GUMBO_TAG_TABLE || open == GUMBO_TAG_TEMPLATE;
        }
        return false;
    }

    // The nearest open element of the tag, or npos; not past an element that bounds the scope.
    size_t Find(GumboTag tag, std::string_view name, TScope scope) const {
        for (size_t i = FOpen.size(); i > 0; --i) {
            if (Matches(FOpen[i - 1], tag, name)) return i - 1;
            if (Bounds(FOpen[i - 1].Tag, scope)) return npos;
        }
        return npos;
    }

    void PopToInScope(GumboTag tag, TScope scope) {
        const size_t at = Find(tag, {}, scope);
        if (at != npos && Closable(at)) PopTo(at);
    }

    // An li closes the open li, a dd or dt the open dd or dt, unless a special element other
    // than address, div and p comes first.
    void CloseListItem(GumboTag tag) {
        for (size_t i = FOpen.size(); i > 0; --i) {
            const GumboTag open = FOpen[i - 1].Tag;
            const bool same = tag == GUMBO_TAG_LI ? open == GUMBO_TAG_LI : (open == GUMBO_TAG_DD || open == GUMBO_TAG_DT);
            if (same) return Closable(i - 1) ? PopTo(i - 1) : void();
            if (IsSpecial(open) && open != GUMBO_TAG_ADDRESS && open != GUMBO_TAG_DIV && open != GUMBO_TAG_P) return;
        }
    }

    // A table part outside a table is ignored; inside one it closes the part of its level
    // and opens the parts above it that are missing.
    void StartTablePart(const TTag& tag) {
        const size_t table = Find(GUMBO_TAG_TABLE, {}, TScope::Table);
        // Inside a template the part opens a table of its own.
        if (table == npos) return Find(GUMBO_TAG_TEMPLATE, {}, TScope::None) != npos ? Push(tag) : void();
        if (!Closable(table)) return Push(tag);
        const GumboTag t = tag.Tag;
        const bool cell = t == GUMBO_TAG_TD || t == GUMBO_TAG_TH;
        const auto keep = [&](GumboTag open) {
            if (cell) return open == GUMBO_TAG_TR;
            if (t == GUMBO_TAG_TR) return IsTableSection(open);
            return false;
        };
        size_t at = FOpen.size();
        while (at > table + 1 && !keep(FOpen[at - 1].Tag)) --at;
        PopTo(at);
        TTag implied;
        implied.Tag = GUMBO_TAG_TBODY;
        if ((cell || t == GUMBO_TAG_TR) && FOpen.back().Tag == GUMBO_TAG_TABLE) Push(implied);
        implied.Tag = GUMBO_TAG_TR;
        if (cell && FOpen.back().Tag != GUMBO_TAG_TR) Push(implied);
        Push(tag);
    }

    void AddFormatting(const TTag& tag) {
        // The parser keeps at most three entries alike since the last marker.
        size_t alike = 0, earliest = npos;
        for (size_t i = FFormatting.size(); i > 0 && FFormatting[i - 1].Tag != GUMBO_TAG_LAST; --i) {
            if (FFormatting[i - 1].Tag == tag.Tag && FFormatting[i - 1].Attributes == tag.Attributes) {
                ++alike;
                earliest = i - 1;
            }
        }
        if (alike >= 3) {
            FFormatting.erase(FFormatting.begin() + static_cast<std::ptrdiff_t>(earliest));
            --FFormattingCount;
        }
        FFormatting.push_back({tag.Tag, tag.Attributes});
        ++FFormattingCount;
    }

    // The last active entry of the tag goes, with its element when it is open (closing the
    // elements above it only when nothing special stands between, as the parser's adoption
    // agency does). False when the tag had no entry.
    bool ForgetFormatting(GumboTag tag, bool starting) {
        size_t i = FFormatting.size();
        while (i > 0 && FFormatting[i - 1].Tag != GUMBO_TAG_LAST && FFormatting[i - 1].Tag != tag) --i;
        if (i == 0 || FFormatting[i - 1].Tag != tag) return false;
        const size_t at = Find(tag, {}, TScope::None);
        if (at != npos && !Closable(at)) return true;
        FFormatting.erase(FFormatting.begin() + static_cast<std::ptrdiff_t>(i - 1));
        --FFormattingCount;
        if (at == npos) return true;
        bool special = false;
        for (size_t k = at + 1; k < FOpen.size(); ++k) special = special || IsSpecial(FOpen[k].Tag);
        if (special || starting) FOpen.erase(FOpen.begin() + static_cast<std::ptrdiff_t>(at));
        else PopTo(at);
        return true;
    }

    void ClearToMarker() {
        while (!FFormatting.empty()) {
            const bool marker = FFormatting.back().Tag == GUMBO_TAG_LAST;
            if (!marker) --FFormattingCount;
            FFormatting.pop_back();
            if (marker) break;
        }
    }

    std::vector<TOpen> FOpen;
    std::vector<TFormatting> FFormatting;
    size_t FFormattingCount = 0;
    size_t FRootAttributes = 0;
};

// Reads the tag at p ("<" and a letter, or "</" and a letter) up to its ">"; false when the
// page ends inside it.
bool ReadTag(std::string_view html, size_t& p, TTag& tag) {
    tag = TTag();
    tag.End = html[p + 1] == '/';
    size_t q = p + (tag.End ? 2 : 1);
    const size_t nameStart = q;
    while (q < html.size() && !IsHtmlSpace(html[q]) && html[q] != '/' && html[q] != '>') ++q;
    tag.Name = html.substr(nameStart, q - nameStart);
    tag.Tag = gumbo_tagn_enum(tag.Name.data(), static_cast<unsigned>(tag.Name.size()));
    const size_t attributesStart = q;
    for (;;) {
        while (q < html.size() && (IsHtmlSpace(html[q]) || html[q] == '/')) ++q;
        if (q >= html.size()) return false;
        if (html[q] == '>') break;
        ++tag.AttributeCount;
        // The name: up to a blank, "/", ">" or "=" (a "=" may open it).
        ++q;
        while (q < html.size() && !IsHtmlSpace(html[q]) && html[q] != '/' && html[q] != '>' && html[q] != '=') ++q;
        while (q < html.size() && IsHtmlSpace(html[q])) ++q;
        if (q >= html.size() || html[q] != '=') continue;
        ++q;
        while (q < html.size() && IsHtmlSpace(html[q])) ++q;
        if (q < html.size() && (html[q] == '"' || html[q] == '\'')) {
            q = html.find(html[q], q + 1);
            if (q == std::string_view::npos) return false;
            ++q;
        } else {
            while (q < html.size() && !IsHtmlSpace(html[q]) && html[q] != '>') ++q;
        }
    }
    tag.SelfClosing = html[q - 1] == '/';
    tag.Attributes = html.substr(attributesStart, q - attributesStart);
    p = q + 1;
    return true;
}

// Where the content of a raw-text element ends: at its end tag, or at the end of the page.
size_t RawTextEnd(std::string_view html, size_t p, std::string_view name) {
    for (; (p = html.find("</", p)) != std::string_view::npos; p += 2) {
        const size_t after = p + 2 + name.size();
        if (after <= html.size() && Strings::AsciiSameText(html.substr(p + 2, name.size()), name) &&
            (after == html.size() || IsHtmlSpace(html[after]) || html[after] == '/' || html[after] == '>'))
            return p;
    }
    return html.size();
}

// Where markup that is not a tag ends (a comment, a declaration, a processing instruction),
// after its end; the end of the page when it has none.
size_t OtherMarkupEnd(std::string_view html, size_t p) {
    if (html.substr(p, 4) == "<!--") {
        if (html.substr(p, 5) == "<!-->") return p + 5;
        if (html.substr(p, 6) == "<!--->") return p + 6;
        const size_t close = std::min(html.find("-->", p + 4), html.find("--!>", p + 4));
        if (close == std::string_view::npos) return html.size();
        return close + (html[close + 2] == '!' ? 4 : 3);
    }
    const size_t close = html.find('>', p + 1);
    return close == std::string_view::npos ? html.size() : close + 1;
}

// ---- The character set ----

// How far into the page a <meta> charset declaration is looked for; the head comes first.
constexpr size_t PrescanBytes = 64 * 1024;

// Reads one attribute of a tag at p (after the tag name or a previous attribute); false at
// the tag's end, with p after the ">".
bool NextAttribute(std::string_view bytes, size_t& p, std::string& name, std::string& value) {
    while (p < bytes.size() && (IsHtmlSpace(bytes[p]) || bytes[p] == '/')) ++p;
    if (p >= bytes.size() || bytes[p] == '>') {
        p = std::min(p + 1, bytes.size());
        return false;
    }
    const size_t start = p;
    while (p < bytes.size() && !IsHtmlSpace(bytes[p]) && bytes[p] != '=' && bytes[p] != '>' && bytes[p] != '/') ++p;
    name = Strings::AsciiLower(bytes.substr(start, p - start));
    value.clear();
    while (p < bytes.size() && IsHtmlSpace(bytes[p])) ++p;
    if (p >= bytes.size() || bytes[p] != '=') return true;
    ++p;
    while (p < bytes.size() && IsHtmlSpace(bytes[p])) ++p;
    if (p < bytes.size() && (bytes[p] == '"' || bytes[p] == '\'')) {
        const size_t close = bytes.find(bytes[p], p + 1);
        const size_t end = close == std::string_view::npos ? bytes.size() : close;
        value = bytes.substr(p + 1, end - p - 1);
        p = std::min(end + 1, bytes.size());
    } else {
        const size_t start2 = p;
        while (p < bytes.size() && !IsHtmlSpace(bytes[p]) && bytes[p] != '>') ++p;
        value = bytes.substr(start2, p - start2);
    }
    return true;
}

// The charset named in a content attribute ("text/html; charset=windows-1252").
std::string CharsetFromContent(std::string_view content) {
    const std::string lower = Strings::AsciiLower(content);
    const size_t at = lower.find("charset");
    if (at == std::string::npos) return {};
    size_t p = at + 7;
    while (p < lower.size() && IsHtmlSpace(lower[p])) ++p;
    if (p >= lower.size() || lower[p] != '=') return {};
    ++p;
    while (p < lower.size() && IsHtmlSpace(lower[p])) ++p;
    if (p < lower.size() && (lower[p] == '"' || lower[p] == '\'')) ++p;
    const size_t start = p;
    while (p < lower.size() && !IsHtmlSpace(lower[p]) && lower[p] != ';' && lower[p] != '"' && lower[p] != '\'') ++p;
    return std::string(content.substr(start, p - start));
}

// True when bytes at p open the tag name (case-insensitive), followed by a tag delimiter.
bool OpensTag(std::string_view bytes, size_t p, std::string_view tagName) {
    const size_t end = p + 1 + tagName.size();
    if (end >= bytes.size()) return false;
    const char next = bytes[end];
    return Strings::AsciiSameText(bytes.substr(p + 1, tagName.size()), tagName) &&
           (IsHtmlSpace(next) || next == '/' || next == '>');
}

}  // namespace

const GumboOptions& ParserOptions() {
    static const GumboOptions options = [] {
        GumboOptions o = kGumboDefaultOptions;
        o.max_errors = 0;
        return o;
    }();
    return options;
}

size_t ParsableLength(std::string_view html) {
    TNestingScan scan;
    size_t markup = 0, work = 0;
    // Text costs the parser the depth for every character while formatting elements are active.
    const auto addText = [&](size_t bytes) {
        if (scan.FormattingActive()) work += bytes * scan.Depth();
        return work <= MaxNestingWork;
    };
    size_t p = 0, textStart = 0;
    for (;;) {
        const size_t open = html.find('<', p);
        if (open == std::string_view::npos) return addText(html.size() - textStart) ? html.size() : textStart;
        const char next = open + 1 < html.size() ? html[open + 1] : '\0';
        const bool tag = IsAsciiLetter(next) || (next == '/' && open + 2 < html.size() && IsAsciiLetter(html[open + 2]));
        if (!tag && next != '!' && next != '?' && next != '/') {
            p = open + 1;  // a "<" of the text
            continue;
        }
        if (!addText(open - textStart)) return textStart;
        if (!tag) {  // a comment, a declaration or a processing instruction
            if (++markup > MaxMarkupItems) return open;
            p = textStart = OtherMarkupEnd(html, open);
            continue;
        }
        TTag read;
        p = open;
        if (!ReadTag(html, p, read)) return html.size();  // the parser drops an unfinished tag
        markup += 1 + read.AttributeCount;
        if (markup > MaxMarkupItems || read.AttributeCount > MaxAttributes) return open;
        bool raw = false;
        if (read.End) {
            scan.End(read);
        } else {
            raw = scan.Start(read);
            if (scan.Depth() > MaxNestingDepth || scan.RootAttributes() > MaxAttributes) return open;
        }
        work += scan.Depth();
        if (work > MaxNestingWork) return open;
        if (read.Tag == GUMBO_TAG_PLAINTEXT && raw)  // the rest is its text
            return addText(html.size() - p) ? html.size() : p;
        if (raw) p = RawTextEnd(html, p, read.Name);
        textStart = p;
    }
}

TTree Parse(std::string_view html, const GumboOptions& options) {
    if (html.size() > MaxInputBytes) return TTree(nullptr, TTreeDeleter(options));
    html = html.substr(0, ParsableLength(html));
    GumboOptions parserOptions = options;
    return TTree(gumbo_parse_with_options(&parserOptions, html.data(), html.size()), TTreeDeleter(options));
}

const GumboVector* Children(const GumboNode* node) {
    switch (node->type) {
        case GUMBO_NODE_DOCUMENT: return &node->v.document.children;
        case GUMBO_NODE_ELEMENT: case GUMBO_NODE_TEMPLATE: return &node->v.element.children;
        default: return nullptr;
    }
}

bool IsElement(const GumboNode* node) { return node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE; }

bool IsHtmlTag(const GumboNode* node, GumboTag tag) {
    return IsElement(node) && node->v.element.tag == tag && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

std::pair<const char*, size_t> ByteOrderMark(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return {"utf-8", 3};
    if (bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4))) return {"utf-32le", 4};
    if (bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4))) return {"utf-32be", 4};
    if (bytes.starts_with("\xFF\xFE")) return {"utf-16le", 2};
    if (bytes.starts_with("\xFE\xFF")) return {"utf-16be", 2};
    return {"", 0};
}

std::string DeclaredCharset(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, PrescanBytes);
    size_t p = 0;
    std::string name, value;
    while ((p = head.find('<', p)) != std::string_view::npos) {
        if (head.compare(p, 4, "<!--") == 0) {
            const size_t close = head.find("-->", p + 2);
            if (close == std::string_view::npos) break;
            p = close + 3;
        } else if (OpensTag(head, p, "meta")) {
            p += 5;
            std::string charset, httpEquiv, content;
            while (NextAttribute(head, p, name, value)) {
                if (name == "charset" && charset.empty()) charset = value;
                else if (name == "http-equiv") httpEquiv = Strings::AsciiLower(value);
                else if (name == "content") content = value;
            }
            if (charset.empty() && httpEquiv == "content-type") charset = CharsetFromContent(content);
            charset = Strings::Trim(charset);
            if (!charset.empty()) return charset;
        } else if (OpensTag(head, p, "body")) {
            break;
        } else if (p + 1 < head.size() && std::isalpha(static_cast<unsigned char>(head[p + 1]))) {
            // Another tag: its attributes are skipped whole, so a ">" inside a quoted value
            // does not end it.
            while (++p < head.size() && !IsHtmlSpace(head[p]) && head[p] != '>') {}
            while (NextAttribute(head, p, name, value)) {}
        } else if (p + 1 < head.size() && std::strchr("!/?", head[p + 1])) {
            // An end tag, a declaration or a processing instruction.
            const size_t close = head.find('>', p + 1);
            if (close == std::string_view::npos) break;
            p = close + 1;
        } else {
            ++p;
        }
    }
    return {};
}

std::string PageToUtf8(std::string_view bytes, std::string_view label) {
    std::string chosen(label);
    if (chosen.empty()) {
        const auto [bom, bomLength] = ByteOrderMark(bytes);
        bytes.remove_prefix(bomLength);
        chosen = bom;
    }
    if (chosen.empty()) {
        chosen = DeclaredCharset(bytes);
        const std::string name = Charset::IconvName(chosen);
        if (name.empty()) chosen.clear();
        else if (name.starts_with("UTF-16") || name.starts_with("UTF-32")) chosen = "utf-8";
    }
    std::string utf8 = Charset::ToUtf8(bytes, chosen);
    if (!CodePage::IsValidUtf8(utf8)) utf8 = Charset::ToUtf8(utf8, "utf-8");
    return utf8;
}

std::string FileURL(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd)) absolute = FileSystem::IncludeTrailingPathDelimiter(cwd) + absolute;
    }
    const std::string utf8 = CodePage::IsUtf8() ? absolute : CodePage::Utf16ToUtf8(CodePage::AnsiToWide(absolute));
    // A path segment keeps the sub-delimiters, ":" and "@" as they are.
    return "file://" + Strings::PercentEncode(utf8, "/!$&'()*+,;=:@");
}

}  // namespace HtmlParsing
