#include "store/NoteImages.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "store/FileOperations.h"
#include "store/HtmlImageRefs.h"
#include "store/HtmlParsing.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace NoteImages {

namespace {

struct TUrlParts {
    std::string Scheme;  // lower case, "" for a relative reference
    bool HasAuthority = false;
    std::string Authority, Path, Query;
    bool HasQuery = false;
};

TUrlParts SplitUrl(std::string_view url) {
    TUrlParts parts;
    const size_t hash = url.find('#');
    if (hash != std::string_view::npos) url = url.substr(0, hash);
    const size_t colon = url.find(':');
    const size_t firstDelim = url.find_first_of("/?");
    if (colon != std::string_view::npos && colon > 0 && (firstDelim == std::string_view::npos || colon < firstDelim)) {
        const std::string_view scheme = url.substr(0, colon);
        const bool valid = std::isalpha(static_cast<unsigned char>(scheme[0])) &&
                           std::all_of(scheme.begin(), scheme.end(), [](char c) {
                               return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
                           });
        if (valid) {
            parts.Scheme = Strings::AsciiLower(scheme);
            url = url.substr(colon + 1);
        }
    }
    if (url.substr(0, 2) == "//") {
        parts.HasAuthority = true;
        const size_t end = url.find_first_of("/?", 2);
        parts.Authority = std::string(url.substr(2, end == std::string_view::npos ? std::string_view::npos : end - 2));
        url = end == std::string_view::npos ? std::string_view() : url.substr(end);
    }
    const size_t question = url.find('?');
    parts.Path = std::string(url.substr(0, question));
    if (question != std::string_view::npos) {
        parts.HasQuery = true;
        parts.Query = std::string(url.substr(question + 1));
    }
    return parts;
}

// Removes "." and ".." segments of a path, as resolution does; never climbs above the root.
std::string RemoveDotSegments(const std::string& path) {
    std::vector<std::string> out;
    const bool absolute = !path.empty() && path[0] == '/';
    size_t start = absolute ? 1 : 0;
    bool trailingSlash = false;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string segment = path.substr(start, end - start);
        trailingSlash = segment == "." || segment == "..";
        if (segment == "..") {
            if (!out.empty()) out.pop_back();
        } else if (segment != ".") {
            out.push_back(segment);
        }
        start = end + 1;
    }
    std::string result = absolute ? "/" : "";
    for (size_t i = 0; i < out.size(); ++i) result += (i ? "/" : "") + out[i];
    if (trailingSlash && !Strings::EndsWith(result, "/")) result += "/";
    return result;
}

std::string JoinUrl(const TUrlParts& p) {
    std::string url = p.Scheme.empty() ? "" : p.Scheme + ":";
    if (p.HasAuthority) url += "//" + p.Authority;
    url += p.Path;
    if (p.HasQuery) url += "?" + p.Query;
    return url;
}

}  // namespace

bool IsLocalAddress(const std::string& address) {
    const std::string trimmed = Strings::Trim(address);
    if (trimmed.size() > 1 && trimmed[0] == '/' && trimmed[1] != '/') return true;
    return SplitUrl(trimmed).Scheme == "file";
}

std::string ResolveUrl(const std::string& base, const std::string& reference) {
    std::string baseUrl = Strings::Trim(base);
    if (baseUrl.size() > 1 && baseUrl[0] == '/' && baseUrl[1] != '/') baseUrl = HtmlParsing::FileURL(baseUrl);
    const TUrlParts b = SplitUrl(baseUrl);
    TUrlParts r = SplitUrl(Strings::Trim(reference));
    if (!r.Scheme.empty() || b.Scheme.empty()) {
        r.Path = RemoveDotSegments(r.Path);
        return JoinUrl(r);
    }
    TUrlParts t;
    t.Scheme = b.Scheme;
    if (r.HasAuthority) {
        t.HasAuthority = true;
        t.Authority = r.Authority;
        t.Path = RemoveDotSegments(r.Path);
        t.HasQuery = r.HasQuery;
        t.Query = r.Query;
        return JoinUrl(t);
    }
    t.HasAuthority = b.HasAuthority;
    t.Authority = b.Authority;
    if (r.Path.empty()) {
        t.Path = b.Path;
        t.HasQuery = r.HasQuery || b.HasQuery;
        t.Query = r.HasQuery ? r.Query : b.Query;
        return JoinUrl(t);
    }
    if (r.Path[0] == '/') {
        t.Path = RemoveDotSegments(r.Path);
    } else {
        const size_t slash = b.Path.rfind('/');
        const std::string dir = slash == std::string::npos ? (b.HasAuthority ? "/" : "") : b.Path.substr(0, slash + 1);
        t.Path = RemoveDotSegments((dir.empty() && b.HasAuthority ? "/" : dir) + r.Path);
    }
    t.HasQuery = r.HasQuery;
    t.Query = r.Query;
    return JoinUrl(t);
}

std::string SniffPictureSuffix(std::string_view b) {
    auto starts = [&](std::string_view magic, size_t at = 0) { return b.size() >= at + magic.size() && b.substr(at, magic.size()) == magic; };
    if (starts("\x89PNG\r\n\x1a\n")) return "png";
    if (starts("\xFF\xD8\xFF")) return "jpg";
    if (starts("GIF87a") || starts("GIF89a")) return "gif";
    if (starts("RIFF") && starts("WEBP", 8)) return "webp";
    if (starts("ftypavif", 4)) return "avif";
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4))) return "tif";
    if (starts(std::string_view("\0\0\1\0", 4))) return "ico";
    if (starts("BM") && b.size() > 14) return "bmp";
    const std::string head = Strings::AsciiLower(b.substr(0, 512));
    if (head.find("<svg") != std::string::npos) return "svg";
    return "";
}

}  // namespace NoteImages

namespace {

bool IsPictureSuffix(const std::string& suffix) {
    static const std::array<const char*, 12> known = {"png", "jpg", "jpeg", "jpe", "gif", "bmp", "webp", "svg", "ico", "tif", "tiff", "avif"};
    const std::string lower = Strings::AsciiLower(suffix);
    return std::any_of(known.begin(), known.end(), [&](const char* k) { return lower == k; });
}

// The picture's file extension, from its bytes when they tell, else from its name.
std::string PictureSuffix(const std::string& bytes, const std::string& nameSuffix) {
    const std::string sniffed = NoteImages::SniffPictureSuffix(bytes);
    if (!sniffed.empty()) return sniffed;
    return IsPictureSuffix(nameSuffix) ? Strings::AsciiLower(nameSuffix) : std::string();
}

// UTF-8 text (an address out of the HTML) as an 8-bit path in the ANSI code page.
std::string Utf8ToAnsi(const std::string& text) {
    return CodePage::IsUtf8() ? text : CodePage::WideToAnsi(CodePage::Utf8ToUtf16(text));
}

// The last segment of a URL path without its extension, and that extension.
void NameParts(const std::string& path, std::string& base, std::string& suffix) {
    const std::string name = FileSystem::ExtractFileName(path);
    const size_t dot = name.rfind('.');
    base = dot == std::string::npos ? name : name.substr(0, dot);
    suffix = dot == std::string::npos ? "" : name.substr(dot + 1);
}

std::string DecodeBase64(std::string_view text) {
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+' || c == '-') v = 62;
        else if (c == '/' || c == '_') v = 63;
        else continue;  // padding, blanks and line ends
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

}  // namespace

TNoteImageSaver::TNoteImageSaver(std::string companionFolder, std::string relativeFolder, std::string base,
                                 TPictureFetcher* fetcher)
    : FCompanion(std::move(companionFolder)), FRelative(std::move(relativeFolder)), FBase(std::move(base)),
      FLocalPage(NoteImages::IsLocalAddress(FBase)), FFetcher(fetcher) {}

TNoteImageSaver::TKind TNoteImageSaver::Classify(const std::string& address, TImage& image) const {
    const std::string trimmed = Strings::Trim(address);
    if (trimmed.empty()) return TKind::None;
    if (Strings::AsciiLower(trimmed.substr(0, 5)) == "data:") {
        image.Url = trimmed;
        return TKind::Data;
    }
    image.Url = NoteImages::ResolveUrl(FBase, trimmed);
    const std::string lower = Strings::AsciiLower(image.Url);
    if (Strings::StartsWith(lower, "file:")) {
        // A page from the web never reaches the user's files; a local page may show its own.
        if (!FLocalPage) return TKind::None;
        std::string rest = image.Url.substr(5);
        if (Strings::StartsWith(rest, "//")) {
            const size_t slash = rest.find('/', 2);
            const std::string host = Strings::AsciiLower(rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2));
            if (slash == std::string::npos || !(host.empty() || host == "localhost")) return TKind::None;
            rest = rest.substr(slash);
        }
        const size_t query = rest.find('?');
        image.LocalPath = Utf8ToAnsi(Strings::PercentDecode(rest.substr(0, query)));
        return image.LocalPath.empty() || image.LocalPath[0] != '/' ? TKind::None : TKind::File;
    }
    if (Strings::StartsWith(lower, "http://") || Strings::StartsWith(lower, "https://")) return TKind::Web;
    return TKind::None;
}

bool TNoteImageSaver::ReadLocal(TImage& image) const {
    std::string base, suffix;
    NameParts(image.LocalPath, base, suffix);
    if (!IsPictureSuffix(suffix)) return false;  // a page must not pull other local files in
    std::string bytes;
    const auto limit = static_cast<std::uint64_t>(FLimits.MaxImageBytes);
    if (!FileSystem::TryReadFile(image.LocalPath, bytes, limit + 1) || bytes.size() > limit) return false;
    image.Bytes = std::move(bytes);
    image.Suffix = Strings::AsciiLower(suffix);
    image.BaseName = base;
    return true;
}

// data:[<media type>][;base64],<payload>; only pictures are taken.
bool TNoteImageSaver::DecodeData(TImage& image) const {
    const std::string& text = image.Url;
    const size_t comma = text.find(',');
    if (comma == std::string::npos) return false;
    const std::string header = Strings::AsciiLower(text.substr(5, comma - 5));
    if (!Strings::StartsWith(header, "image/")) return false;
    if (static_cast<std::int64_t>(text.size() - comma) > FLimits.MaxImageBytes * 4 / 3 + 4) return false;
    const std::string payload = Strings::PercentDecode(std::string_view(text).substr(comma + 1));
    image.Bytes = Strings::EndsWith(header, ";base64") ? DecodeBase64(payload) : payload;
    if (image.Bytes.empty() || static_cast<std::int64_t>(image.Bytes.size()) > FLimits.MaxImageBytes) return false;
    std::string type = header.substr(6, header.find(';') == std::string::npos ? std::string::npos : header.find(';') - 6);
    if (Strings::EndsWith(type, "+xml")) type.resize(type.size() - 4);
    image.Suffix = PictureSuffix(image.Bytes, type);
    image.BaseName = "image";
    return !image.Suffix.empty();
}

void TNoteImageSaver::FetchAll(std::vector<TImage*>& images) {
    if (images.empty() || !FFetcher) return;
    std::vector<std::string> urls;
    for (const TImage* image : images) urls.push_back(image->Url);
    std::vector<std::string> results = FFetcher->Fetch(urls, FLimits);
    for (size_t i = 0; i < images.size() && i < results.size(); ++i) {
        if (results[i].empty() || static_cast<std::int64_t>(results[i].size()) > FLimits.MaxImageBytes) continue;
        TImage& image = *images[i];
        std::string base, suffix;
        NameParts(Strings::PercentDecode(image.Url.substr(0, image.Url.find('?'))), base, suffix);
        image.Bytes = std::move(results[i]);
        image.Suffix = PictureSuffix(image.Bytes, suffix);
        image.BaseName = Utf8ToAnsi(base);
    }
}

// Writes the picture into the companion folder under a free name made from its own.
bool TNoteImageSaver::Store(TImage& image) {
    if (image.Bytes.empty() || image.Suffix.empty()) return false;
    if (image.Kind == TKind::File && FileSystem::ExtractFilePath(image.LocalPath) == FCompanion) {
        image.SavedName = FileSystem::ExtractFileName(image.LocalPath);  // already where it belongs
        return true;
    }
    std::string cut = image.BaseName.substr(0, 60);
    while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) cut.pop_back();  // whole characters
    if (!cut.empty() && static_cast<unsigned char>(cut.back()) >= 0xC0) cut.pop_back();
    std::string base = ReportUtils::MakeValidFileName(cut);
    if (base.empty() || base[0] == '.') base = "image" + base;
    if (!FileSystem::ForceDirectories(FCompanion)) return false;
    const std::string path = ReportUtils::FindUnusedFileName(FCompanion + base, image.Suffix, "-");
    FileSystem::WriteFileAtomic(path, image.Bytes);
    image.SavedName = FileSystem::ExtractFileName(path);
    ++FSaved;
    return true;
}

std::string TNoteImageSaver::Process(const std::string& html) {
    const std::vector<HtmlImageRefs::TImageRef> refs = HtmlImageRefs::FindImageRefs(html);
    if (refs.empty()) return html;
    std::map<std::string, TImage> images;  // one copy per distinct address
    std::map<std::string, std::string> sameAs;  // another spelling of an address met before
    std::map<std::string, std::string> byResolved;
    std::vector<TImage*> web;
    for (const auto& ref : refs) {
        if (images.count(ref.Url) || sameAs.count(ref.Url) || static_cast<int>(images.size()) >= FLimits.MaxImages) continue;
        TImage probe;
        probe.Kind = Classify(ref.Url, probe);
        const std::string key = probe.Kind == TKind::File ? "file:" + probe.LocalPath : probe.Url;
        if (const auto seen = byResolved.find(key); seen != byResolved.end()) {
            sameAs[ref.Url] = seen->second;
            continue;
        }
        byResolved[key] = ref.Url;
        TImage& image = images[ref.Url] = std::move(probe);
        const bool own = image.Kind == TKind::File && !FOwnFolder.empty() && Strings::StartsWith(image.LocalPath, FOwnFolder);
        if (!FSaveForeign && !own) continue;
        switch (image.Kind) {
            case TKind::File: ReadLocal(image); break;
            case TKind::Data: DecodeData(image); break;
            case TKind::Web: web.push_back(&image); break;
            case TKind::None: break;
        }
    }
    FetchAll(web);
    for (auto& [address, image] : images) Store(image);

    std::vector<std::string> newUrls;
    newUrls.reserve(refs.size());
    for (const auto& ref : refs) {
        const auto alias = sameAs.find(ref.Url);
        const auto it = images.find(alias == sameAs.end() ? ref.Url : alias->second);
        if (it == images.end() || it->second.SavedName.empty())
            newUrls.emplace_back();
        else
            newUrls.push_back(Strings::PercentEncode(FRelative) + "/" + Strings::PercentEncode(it->second.SavedName));
    }
    return HtmlImageRefs::ReplaceImageRefs(html, refs, newUrls);
}
