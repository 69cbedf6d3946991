#include "reports/GumboDocumentLoader.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/HtmlParsing.h"

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
// How far into the file a <meta> charset declaration is looked for; the note info block and
// the head come first.
constexpr size_t PrescanBytes = 64 * 1024;

using HtmlParsing::ParserOptions;

// Memory for one parse at a time on one thread. The parser allocates a great many small
// pieces and frees them all together with the tree, so they are carved from large blocks and
// dropped at once. A worker keeps its blocks for the next note, which saves the allocator's
// work and the page faults of handing memory back and taking it again.
class TParseArena {
public:
    TParseArena() = default;
    TParseArena(const TParseArena&) = delete;
    TParseArena& operator=(const TParseArena&) = delete;
    ~TParseArena() {
        for (const TBlock& block : FBlocks) std::free(block.Bytes);
    }

    // Parser options that allocate from this arena (their userdata is the arena).
    GumboOptions Options() {
        GumboOptions options = ParserOptions();
        options.allocator = [](void* arena, size_t size) { return static_cast<TParseArena*>(arena)->Take(size); };
        options.deallocator = [](void*, void*) {};  // everything goes with Reset
        options.userdata = this;
        return options;
    }

    // Frees everything taken; a few blocks are kept for the next parse.
    void Reset() {
        size_t kept = 0;
        std::erase_if(FBlocks, [&](const TBlock& block) {
            if (block.Size == BlockBytes && kept + block.Size <= KeptBytes) {
                kept += block.Size;
                return false;
            }
            std::free(block.Bytes);
            return true;
        });
        FCurrent = 0;
        FUsed = 0;
    }

private:
    static constexpr size_t BlockBytes = 1 << 20;
    static constexpr size_t KeptBytes = 16 << 20;
    struct TBlock {
        char* Bytes;
        size_t Size;
    };

    void* Take(size_t size) {
        size = (size + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
        while (FCurrent < FBlocks.size() && FUsed + size > FBlocks[FCurrent].Size) {
            ++FCurrent;
            FUsed = 0;
        }
        if (FCurrent == FBlocks.size()) {
            // A piece larger than a block gets a block of its own size.
            const size_t blockSize = std::max(size, BlockBytes);
            char* bytes = static_cast<char*>(std::malloc(blockSize));
            if (!bytes) return nullptr;  // as the parser's own allocator would
            FBlocks.push_back({bytes, blockSize});
        }
        void* piece = FBlocks[FCurrent].Bytes + FUsed;
        FUsed += size;
        return piece;
    }

    std::vector<TBlock> FBlocks;
    size_t FCurrent = 0;  // the block pieces are taken from
    size_t FUsed = 0;     // bytes taken from it
};

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
    TGumboDocument(std::string utf8, std::string location, const GumboOptions& options = ParserOptions())
        : FSource(std::move(utf8)), FLocation(std::move(location)), FOptions(options),
          FOutput(gumbo_parse_with_options(&FOptions, FSource.data(), FSource.size())) {
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
        // A tree in an arena goes with the arena's reset; walking it to free nothing is skipped.
        if (FOutput && !FOptions.userdata) gumbo_destroy_output(&FOptions, FOutput);
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
    GumboOptions FOptions;
    GumboOutput* FOutput;
    std::string FTitle;
    std::vector<const GumboNode*> FChildren;
};

// ---- Loading: notes are parsed on a pool of worker threads while the caller waits ----

// A note as the report takes it: the title, the location and each child of the body as its
// outer HTML. The worker that parsed the note serialises it and frees the tree at once, so a
// note waiting for its turn holds about its own size, not the parser's many times that.
class TSerialisedDocument final : public THTMLDocument {
public:
    explicit TSerialisedDocument(const THTMLDocument& parsed)
        : FTitle(parsed.Title()), FLocation(parsed.Location()) {
        FChildren.reserve(parsed.ChildCount());
        for (size_t i = 0; i < parsed.ChildCount(); ++i) FChildren.push_back(parsed.ChildOuterHTML(i));
    }
    std::string Title() const override { return FTitle; }
    std::string Location() const override { return FLocation; }
    std::size_t ChildCount() const override { return FChildren.size(); }
    std::string ChildOuterHTML(std::size_t index) const override {
        return index < FChildren.size() ? FChildren[index] : std::string();
    }

private:
    std::string FTitle;
    std::string FLocation;
    std::vector<std::string> FChildren;
};

// One load, shared between the waiting thread and the worker.
struct TLoadJob {
    explicit TLoadJob(std::string fileName) : FileName(std::move(fileName)) {}

    const std::string FileName;
    std::atomic<bool> Abandoned = false;  // let go before a worker took it: it is skipped
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
    // could need a great deal more) with the allocator, so its memory goes back at once.
    std::unique_ptr<THTMLDocument> ParseAndSerialise(std::string bytes) {
        constexpr size_t ArenaSourceBytes = 4 << 20;
        if (bytes.size() > ArenaSourceBytes)
            return std::make_unique<TSerialisedDocument>(*ParseHTMLDocument(std::move(bytes), FileURL(FileName)));
        thread_local TParseArena arena;
        arena.Reset();
        std::unique_ptr<THTMLDocument> document;
        {
            const TGumboDocument parsed(ToUtf8(std::move(bytes)), FileURL(FileName), arena.Options());
            document = std::make_unique<TSerialisedDocument>(parsed);
        }
        arena.Reset();
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
// the jobs nobody has started and waits for the parses under way (a note's parse takes
// milliseconds), so no worker outlives the run that started it.
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
