#include "reports/GumboDocumentLoader.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstring>
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
// How far into the file a <meta> charset declaration is looked for; the note info block and
// the head come first.
constexpr size_t PrescanBytes = 64 * 1024;

const GumboOptions& ParserOptions() {
    static const GumboOptions options = [] {
        GumboOptions o = kGumboDefaultOptions;
        // Each recorded parse error keeps a copy of the open-element stack: unlimited errors
        // make badly nested markup cost memory in the square of its depth.
        o.max_errors = 0;
        return o;
    }();
    return options;
}

bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// ---- Character set of the file ----

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

// Bytes in the file's character set to UTF-8, the parser's input.
std::string ToUtf8(std::string bytes) {
    if (Strings::StartsWith(bytes, "\xEF\xBB\xBF")) return bytes.substr(3);
    std::string out;
    if (Strings::StartsWith(bytes, "\xFF\xFE") && CodePage::Convert(std::string_view(bytes).substr(2), "UTF-16LE", "UTF-8", out))
        return out;
    if (Strings::StartsWith(bytes, "\xFE\xFF") && CodePage::Convert(std::string_view(bytes).substr(2), "UTF-16BE", "UTF-8", out))
        return out;
    std::string charset = Strings::AsciiLower(DeclaredCharset(bytes));
    if (charset.empty()) charset = CodePage::IsUtf8() ? "utf-8" : CodePage::AnsiCodeSet();
    // A page that names UTF-16 in its own ASCII-readable bytes is not UTF-16: browsers read it
    // as UTF-8.
    if (charset == "utf-8" || charset == "utf8" || Strings::StartsWith(charset, "utf-16")) return bytes;
    if (CodePage::Convert(bytes, charset, "UTF-8", out)) return out;
    // A character set nobody knows: the note was written in the ANSI code page.
    if (CodePage::IsUtf8()) return bytes;
    return CodePage::Convert(bytes, CodePage::AnsiCodeSet(), "UTF-8", out) ? out : bytes;
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

// Text inside these elements is written as it stands, without escapes.
bool HoldsRawText(const GumboNode* parent) {
    if (!parent || parent->type != GUMBO_NODE_ELEMENT || parent->v.element.tag_namespace != GUMBO_NAMESPACE_HTML)
        return false;
    switch (parent->v.element.tag) {
        case GUMBO_TAG_STYLE: case GUMBO_TAG_SCRIPT: case GUMBO_TAG_XMP: case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_NOEMBED: case GUMBO_TAG_NOFRAMES: case GUMBO_TAG_PLAINTEXT:
            return true;
        default:
            return false;
    }
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

void AppendEscaped(std::string& out, const char* text, bool attribute) {
    const char* run = text;
    for (const char* p = text; *p; ++p) {
        const char* entity = nullptr;
        switch (*p) {
            case '&': entity = "&amp;"; break;
            case '<': entity = "&lt;"; break;
            case '>': entity = "&gt;"; break;
            case '"': entity = attribute ? "&quot;" : nullptr; break;
            case '\xC2': entity = p[1] == '\xA0' ? "&nbsp;" : nullptr; break;
            default: break;
        }
        if (!entity) continue;
        out.append(run, p - run);
        out += entity;
        if (*p == '\xC2') ++p;
        run = p + 1;
    }
    out.append(run);
}

void AppendStartTag(std::string& out, const GumboElement& e, const std::string& name) {
    out += '<';
    out += name;
    for (unsigned i = 0; i < e.attributes.length; ++i) {
        const auto* a = static_cast<const GumboAttribute*>(e.attributes.data[i]);
        out += ' ';
        switch (a->attr_namespace) {
            case GUMBO_ATTR_NAMESPACE_XLINK: out += "xlink:"; break;
            case GUMBO_ATTR_NAMESPACE_XML: out += "xml:"; break;
            case GUMBO_ATTR_NAMESPACE_XMLNS: if (std::strcmp(a->name, "xmlns") != 0) out += "xmlns:"; break;
            default: break;
        }
        out += a->name;
        out += "=\"";
        AppendEscaped(out, a->value, true);
        out += '"';
    }
    out += '>';
}

// Written without recursion: a hostile note may nest elements as deep as it likes.
void AppendOuterHTML(std::string& out, const GumboNode* element) {
    struct TFrame {
        const GumboNode* Node;
        std::string Name;
        unsigned Next;
    };
    std::vector<TFrame> open;
    const auto enter = [&](const GumboNode* node) {
        switch (node->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE: {
                std::string name = TagName(node->v.element);
                if (!name.empty()) AppendStartTag(out, node->v.element, name);
                if (!IsVoidElement(node->v.element)) open.push_back({node, std::move(name), 0});
                break;
            }
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                if (HoldsRawText(node->parent)) out += node->v.text.text;
                else AppendEscaped(out, node->v.text.text, false);
                break;
            case GUMBO_NODE_COMMENT:
                out += "<!--";
                out += node->v.text.text;
                out += "-->";
                break;
            default:
                break;
        }
    };
    enter(element);
    while (!open.empty()) {
        TFrame& top = open.back();
        const GumboVector& children = top.Node->v.element.children;
        if (top.Next < children.length) {
            enter(static_cast<const GumboNode*>(children.data[top.Next++]));
            continue;
        }
        if (!top.Name.empty()) out += "</" + top.Name + ">";
        open.pop_back();
    }
}

bool IsElement(const GumboNode* node) { return node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE; }

bool IsHtmlTag(const GumboNode* node, GumboTag tag) {
    return IsElement(node) && node->v.element.tag == tag && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

// document.title: the text of the first title element, white space stripped and collapsed.
std::string FindTitle(const GumboNode* document) {
    std::vector<const GumboNode*> pending{document};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        if (IsHtmlTag(node, GUMBO_TAG_TITLE)) {
            std::string text;
            const GumboVector& children = node->v.element.children;
            for (unsigned i = 0; i < children.length; ++i) {
                const auto* child = static_cast<const GumboNode*>(children.data[i]);
                if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE) text += child->v.text.text;
            }
            std::string collapsed;
            for (const char c : text) {
                if (!IsHtmlSpace(c)) collapsed += c;
                else if (!collapsed.empty() && collapsed.back() != ' ') collapsed += ' ';
            }
            if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
            return collapsed;
        }
        if (node->type != GUMBO_NODE_DOCUMENT && !IsElement(node)) continue;
        const GumboVector& children = node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
        for (unsigned i = children.length; i > 0; --i) pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
    }
    return {};
}

class TGumboDocument final : public THTMLDocument {
public:
    TGumboDocument(std::string utf8, std::string location)
        : FSource(std::move(utf8)), FLocation(std::move(location)),
          FOutput(gumbo_parse_with_options(&ParserOptions(), FSource.data(), FSource.size())) {
        if (!FOutput || !FOutput->root) return;
        FTitle = FromUtf8(FindTitle(FOutput->document));
        // The body is the html element's body child (or its frameset, for a frames page).
        const GumboVector& top = FOutput->root->v.element.children;
        for (unsigned i = 0; i < top.length; ++i) {
            const auto* node = static_cast<const GumboNode*>(top.data[i]);
            if (!IsHtmlTag(node, GUMBO_TAG_BODY) && !IsHtmlTag(node, GUMBO_TAG_FRAMESET)) continue;
            const GumboVector& children = node->v.element.children;
            for (unsigned k = 0; k < children.length; ++k) {
                const auto* child = static_cast<const GumboNode*>(children.data[k]);
                if (IsElement(child)) FChildren.push_back(child);
            }
            break;
        }
    }
    ~TGumboDocument() override {
        if (FOutput) gumbo_destroy_output(&ParserOptions(), FOutput);
    }
    TGumboDocument(const TGumboDocument&) = delete;
    TGumboDocument& operator=(const TGumboDocument&) = delete;

    std::string Title() const override { return FTitle; }
    std::string Location() const override { return FLocation; }
    std::size_t ChildCount() const override { return FChildren.size(); }
    std::string ChildOuterHTML(std::size_t index) const override {
        if (index >= FChildren.size()) return {};
        std::string html;
        AppendOuterHTML(html, FChildren[index]);
        return FromUtf8(std::move(html));
    }

private:
    std::string FSource;  // the tree points into it
    std::string FLocation;
    GumboOutput* FOutput;
    std::string FTitle;
    std::vector<const GumboNode*> FChildren;
};

// ---- Loading: the parse runs on a worker thread while the caller's thread waits ----

// One load, shared between the waiting thread and the worker; whichever lets go last frees
// it, so an abandoned parse finishes and cleans up on its own.
struct TLoadJob {
    std::mutex Lock;
    std::condition_variable Ready;
    bool Done = false;
    std::unique_ptr<THTMLDocument> Document;
    std::exception_ptr Error;

    void Run(const std::string& fileName) {
        std::unique_ptr<THTMLDocument> document;
        std::exception_ptr error;
        try {
            std::string bytes;
            if (FileSystem::TryReadFile(fileName, bytes, MaxDocumentBytes + 1) && bytes.size() <= MaxDocumentBytes)
                document = ParseHTMLDocument(std::move(bytes), FileURL(fileName));
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard<std::mutex> guard(Lock);
        Document = std::move(document);
        Error = error;
        Done = true;
        Ready.notify_all();
    }
};

// A load running on its worker thread. Whatever ends it (a finished wait, an abort, an
// exception, a read-ahead nobody asked for), the worker is joined or left to finish alone; it
// never outlives a std::thread that still owns it.
class TPendingLoad {
public:
    explicit TPendingLoad(const std::string& fileName)
        : FJob(std::make_shared<TLoadJob>()), FWorker([job = FJob, fileName] { job->Run(fileName); }) {}
    TPendingLoad(TPendingLoad&&) = default;
    TPendingLoad& operator=(TPendingLoad&& other) noexcept {
        if (FWorker.joinable()) FWorker.detach();
        FJob = std::move(other.FJob);
        FWorker = std::move(other.FWorker);
        return *this;
    }
    ~TPendingLoad() {
        if (FWorker.joinable()) FWorker.detach();
    }

    // Waits for the document, asking aborted now and then; null when it said stop.
    std::unique_ptr<THTMLDocument> Wait(const std::function<bool()>& aborted) {
        std::unique_lock<std::mutex> lock(FJob->Lock);
        while (!FJob->Ready.wait_for(lock, PollInterval, [&] { return FJob->Done; })) {
            lock.unlock();
            if (aborted && aborted()) return nullptr;
            lock.lock();
        }
        lock.unlock();
        FWorker.join();
        if (FJob->Error) std::rethrow_exception(FJob->Error);
        return std::move(FJob->Document);
    }

private:
    std::shared_ptr<TLoadJob> FJob;
    std::thread FWorker;
};

// How many of the upcoming notes may be loading at once: one per processor, at least two (the
// next note and the one after it) and at most four, since each parse holds many times its
// file's size in memory.
size_t ReadAheadLimit() { return std::clamp<size_t>(std::thread::hardware_concurrency(), 2, 4); }

class TGumboLoader final : public TDocumentLoader {
public:
    std::unique_ptr<THTMLDocument> Load(const std::string& fileName, const std::function<bool()>& aborted) override {
        if (aborted && aborted()) return nullptr;
        const auto pending = std::find_if(FAhead.begin(), FAhead.end(), [&](const auto& load) { return load.first == fileName; });
        if (pending == FAhead.end()) return TPendingLoad(fileName).Wait(aborted);
        TPendingLoad load = std::move(pending->second);
        FAhead.erase(pending);
        return load.Wait(aborted);
    }

    void Prefetch(const std::vector<std::string>& upcoming) override {
        // Reads ahead that are no longer expected are let go.
        std::erase_if(FAhead, [&](const auto& load) {
            return std::find(upcoming.begin(), upcoming.end(), load.first) == upcoming.end();
        });
        for (const std::string& file : upcoming) {
            if (FAhead.size() >= ReadAheadLimit()) break;
            const bool started = std::any_of(FAhead.begin(), FAhead.end(), [&](const auto& load) { return load.first == file; });
            if (!started) FAhead.emplace_back(file, TPendingLoad(file));
        }
    }

private:
    std::vector<std::pair<std::string, TPendingLoad>> FAhead;
};

}  // namespace

std::unique_ptr<TDocumentLoader> Create() { return std::make_unique<TGumboLoader>(); }

std::unique_ptr<THTMLDocument> ParseHTMLDocument(std::string bytes, const std::string& location) {
    return std::make_unique<TGumboDocument>(ToUtf8(std::move(bytes)), location);
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

std::string FileURL(const std::string& path) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd)) absolute = FileSystem::IncludeTrailingPathDelimiter(cwd) + absolute;
    }
    const std::string utf8 = CodePage::IsUtf8() ? absolute : CodePage::Utf16ToUtf8(CodePage::AnsiToWide(absolute));
    static const char* Hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : utf8) {
        const bool plain = (c < 0x80 && std::isalnum(c)) || (c != 0 && std::strchr("/-._~!$&'()*+,;=:@", c));
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += Hex[c >> 4];
            url += Hex[c & 15];
        }
    }
    return url;
}

std::string FileBytesToUtf8(std::string bytes) { return ToUtf8(std::move(bytes)); }

}  // namespace GumboDocumentLoader
