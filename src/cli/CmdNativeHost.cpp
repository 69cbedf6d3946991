// quillbox-cli native-host: the program the browsers start for the Quillbox connector
// extension. It speaks their native messaging protocol on standard input and output: each
// message is a 32-bit length in the machine's byte order followed by that many bytes of UTF-8
// JSON, and every message gets one answer framed the same way.
//
// Messages:
//   {"type":"folders"}  ->  {"ok":true,"folders":[...],"defaultFolder":"...","confirm":bool}
//   {"type":"clip","kind":"selection"|"page"|"images"|"link","url":"...","pageTitle":"...",
//    "html":"...","charset":"...","folder":"...","title":"...","comments":"...",
//    "pictures":[{"url":"...","data":"<base64>"}]}
//                       ->  {"ok":true,"note":"Folder/Title","appended":bool,"pictures":n}
// The parser takes only UTF-8, so the page's charset is already applied by the browser and is
// not needed, as in the window. Anything else, or any value of the wrong type or size, is
// answered {"ok":false,"error":...} and nothing is written. A clip goes through the note writer with the settings of the
// add-note dialog switched off, exactly as a capture in the window: the same append rule, the
// info block in the same write, the pictures (given by the extension, fetched in the page)
// into the companion folder. Nothing a message holds is ever run, and its folder must be an
// existing folder of the store named by a node path. A running window is told to read its
// tree again through the store's stamp file.
#include "cli/Commands.h"
#include "dropimport/MailCodecs.h"
#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Options.h"
#include "store/NoteImages.h"
#include "store/NoteWriter.h"
#include "store/StoreListing.h"
#include "store/StoreSignal.h"
#include "store/StoreOperations.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <stdexcept>

using json = nlohmann::json;

namespace {

// The largest message taken: a page with its pictures in base64. The connector keeps its
// clips below this; a longer frame is read past and refused.
constexpr std::uint32_t MaxMessageBytes = 96u << 20;
constexpr size_t MaxTextBytes = 8 * 1024;  // an address, a title, a folder
constexpr size_t MaxCommentBytes = 64 * 1024;

// A message the host refuses; what() is the answer's error text.
struct EBadMessage : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The pictures the extension fetched in the page, by their resolved address.
class TGivenPictures : public TPictureFetcher {
public:
    std::map<std::string, std::string> Bytes;
    std::vector<std::string> Fetch(const std::vector<std::string>& urls, const TPictureLimits&) override {
        std::vector<std::string> out;
        for (const std::string& url : urls) {
            const auto it = Bytes.find(url);
            out.push_back(it == Bytes.end() ? std::string() : it->second);
        }
        return out;
    }
};

std::string Text(const json& message, const char* name, size_t maxBytes) {
    const auto it = message.find(name);
    if (it == message.end() || it->is_null()) return {};
    if (!it->is_string()) throw EBadMessage(std::string("\"") + name + "\" is not a string");
    const std::string& value = it->get_ref<const std::string&>();
    if (value.size() > maxBytes) throw EBadMessage(std::string("\"") + name + "\" is too long");
    return value;
}

std::u16string Wide(const std::string& utf8) { return CodePage::Utf8ToUtf16(utf8); }

// The store's folders as node paths, parents before their children.
void ListFolders(const std::string& dir, const std::string& prefix, json& out) {
    ReportUtils::TStoreFolder listing;
    if (!ReportUtils::ReadStoreFolder(dir, false, true, listing)) return;
    for (const auto& folder : listing.Folders) {
        const std::string path = StoreOperations::JoinPath(prefix, folder.Name);
        out.push_back(CodePage::Utf16ToUtf8(CodePage::AnsiToWide(path)));
        ListFolders(dir + folder.Name + "/", path, out);
    }
}

json Folders() {
    json folders = json::array();
    ListFolders(Options->FolderToStore, "", folders);
    return {{"ok", true},
            {"folders", folders},
            {"defaultFolder", CodePage::Utf16ToUtf8(CodePage::AnsiToWide(Options->DefFolder))},
            {"confirm", Options->ConfirmAddNote}};
}

// The folder a clip names: an existing folder of the store, by node path.
std::string ClipFolder(const json& message) {
    std::string folder = CodePage::WideToAnsi(Wide(Text(message, "folder", MaxTextBytes)));
    if (folder.empty()) folder = Options->DefFolder;
    // The note writer refuses a folder whose names it could not have made.
    if (folder.empty() || !StoreOperations::IsStoreFolder(Options->FolderToStore, folder))
        throw EBadMessage("\"" + folder + "\" is not a folder of the store");
    return folder;
}

// The pictures a clip carries, checked against the capture's limits.
void TakePictures(const json& message, const std::string& pageUrl, const TPictureLimits& limits, TGivenPictures& out) {
    const auto it = message.find("pictures");
    if (it == message.end() || it->is_null()) return;
    if (!it->is_array()) throw EBadMessage("\"pictures\" is not a list");
    if (it->size() > static_cast<size_t>(limits.MaxImages)) throw EBadMessage("too many pictures");
    for (const json& picture : *it) {
        if (!picture.is_object()) throw EBadMessage("a picture is not an object");
        const std::string url = Text(picture, "url", MaxTextBytes);
        const std::string data = Text(picture, "data", MaxMessageBytes);
        if (url.empty()) throw EBadMessage("a picture has no address");
        if (data.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") != std::string::npos)
            throw EBadMessage("a picture's data is not base64");
        std::string bytes;
        MailCodecs::DecodeBase64Line(data, bytes);
        if (static_cast<std::int64_t>(bytes.size()) > limits.MaxImageBytes) throw EBadMessage("a picture is too large");
        out.Bytes[NoteImages::ResolveUrl(pageUrl, url)] = std::move(bytes);
    }
}

// A link note: the link with its text, as a dropped link becomes one.
std::string LinkHtml(const std::string& url, const std::string& text) {
    std::string html = "<A HREF=\"";
    Strings::AppendHtmlEscaped(html, url);
    html += "\">";
    Strings::AppendHtmlEscaped(html, text.empty() ? url : text);
    return html + "</A>";
}

json Clip(const json& message) {
    const std::string kind = Text(message, "kind", MaxTextBytes);
    const std::string url = Text(message, "url", MaxTextBytes);
    std::string pageTitle = Text(message, "pageTitle", MaxTextBytes);
    const std::string html = Text(message, "html", MaxMessageBytes);
    const std::string title = Text(message, "title", MaxTextBytes);
    const std::string comments = Text(message, "comments", MaxCommentBytes);
    if (kind != "selection" && kind != "page" && kind != "images" && kind != "link")
        throw EBadMessage("unknown kind of clip \"" + kind + "\"");

    TGivenPictures pictures;
    TNoteWriter writer(&pictures);
    writer.StoreRoot = Options->FolderToStore;
    writer.Folder = CodePage::AnsiToWide(ClipFolder(message));
    writer.URL = Wide(url);
    if (kind == "images") pageTitle = "Images from " + pageTitle;
    writer.OriginalTitle = Wide(pageTitle);
    if (kind != "selection") writer.Title = Wide(pageTitle);
    writer.Content = Wide(kind == "link" ? LinkHtml(url, pageTitle) : html);
    writer.ContentKind = kind == "images" ? 2 : 0;
    writer.Comments = Wide(comments);
    writer.SaveImages = Options->SaveImages;
    writer.NoteAddToLast = Options->NoteAddToLast;
    writer.NewNoteOnNewSite = Options->NewNoteOnNewSite;
    writer.ForceNewNoteMode = Options->ForceNewNoteMode;
    writer.PrevFolder = CodePage::AnsiToWide(Options->PrevFolder);
    writer.PrevTitle = CodePage::AnsiToWide(Options->PrevTitle);
    writer.PrevBaseURL = CodePage::AnsiToWide(Options->PrevBaseURL);
    TakePictures(message, url, writer.Limits, pictures);

    const bool append = writer.WouldAppend();
    writer.Title = title.empty() ? writer.DefaultName() : Wide(title);
    if (append) writer.Folder = writer.PrevFolder;
    writer.InfoCreated = DateTimeUtils::Now();
    writer.Write(append);

    Options->DefFolder = CodePage::WideToAnsi(writer.Folder);
    Options->PrevFolder = CodePage::WideToAnsi(writer.PrevFolder);
    Options->PrevTitle = CodePage::WideToAnsi(writer.PrevTitle);
    Options->PrevBaseURL = CodePage::WideToAnsi(writer.PrevBaseURL);
    Options->Save();
    const std::u16string node = writer.Folder + u"/" + writer.Title;
    StoreSignal::Touch(CodePage::WideToAnsi(node));  // a running window reads its tree again
    return {{"ok", true},
            {"note", CodePage::Utf16ToUtf8(node)},
            {"appended", append},
            {"pictures", writer.SavedImages()}};
}

json Error(const std::string& text) { return {{"ok", false}, {"error", text}}; }

json Answer(const std::string& frame) {
    const json message = json::parse(frame, nullptr, false);
    if (message.is_discarded()) return Error("the message is not JSON");
    if (!message.is_object()) return Error("the message is not a JSON object");
    try {
        const std::string type = Text(message, "type", MaxTextBytes);
        if (type == "folders") return Folders();
        if (type == "clip") return Clip(message);
        return Error("unknown message type \"" + type + "\"");
    } catch (const EBadMessage& e) {
        return Error(e.what());
    } catch (const std::exception& e) {
        return Error(std::string("the note could not be written: ") + e.what());
    }
}

void Send(const json& answer) {
    const std::string text = answer.dump(-1, ' ', false, json::error_handler_t::replace);
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    std::fwrite(&length, sizeof length, 1, stdout);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Reads count bytes into out (or drops them when out is null); false at the end of input.
bool ReadExactly(std::uint32_t count, std::string* out) {
    char buffer[65536];
    while (count > 0) {
        const size_t part = std::fread(buffer, 1, std::min<size_t>(count, sizeof buffer), stdin);
        if (part == 0) return false;
        if (out) out->append(buffer, part);
        count -= static_cast<std::uint32_t>(part);
    }
    return true;
}

}  // namespace

int CmdNativeHost(const TArgs&) {
    // The browsers pass the caller's origin (and Firefox the manifest's path): nothing to use.
    for (;;) {
        unsigned char head[4];
        const size_t got = std::fread(head, 1, sizeof head, stdin);
        if (got == 0) return 0;
        if (got < sizeof head) {
            Send(Error("the message is truncated"));
            return 2;
        }
        std::uint32_t length = 0;
        std::memcpy(&length, head, sizeof length);
        const bool tooLong = length > MaxMessageBytes;
        std::string frame;
        if (!ReadExactly(length, tooLong ? nullptr : &frame)) {
            Send(Error("the message is truncated"));
            return 2;
        }
        Send(tooLong ? Error("the message is too large") : Answer(frame));
    }
}
