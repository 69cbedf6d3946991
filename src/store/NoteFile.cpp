// The note file: the info block at the top of a note's HTML file, its writer and its reader,
// and the small helpers that travel with note metadata.
#include "store/ReportUtils.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/Shell.h"
#include "platform/Strings.h"
#include "settings/Trap.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <pugixml.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace ReportUtils {

namespace {

// Reads a file line by line in chunks, splitting exactly as Strings::SplitLines splits the
// whole file (CR, LF or CR LF end a line; a final line end adds no line), so that a reader
// can stop as soon as it has what it needs.
class TLineReader {
public:
    explicit TLineReader(const std::string& fileName)
        : FFd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        struct stat st {};
        if (FFd < 0 || ::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const std::string reason = std::strerror(FFd < 0 ? errno : EINVAL);
            if (FFd >= 0) ::close(FFd);
            throw EInOutError("Cannot read file \"" + fileName + "\": " + reason);
        }
    }
    ~TLineReader() { ::close(FFd); }
    TLineReader(const TLineReader&) = delete;
    TLineReader& operator=(const TLineReader&) = delete;

    bool Next(std::string& line) {
        for (;;) {
            const size_t end = FBuffer.find_first_of("\r\n", FScan);
            // A CR at the end of what was read may be the first half of a CR LF.
            if (end != std::string::npos && !(FBuffer[end] == '\r' && end + 1 == FBuffer.size() && !FEof)) {
                line.assign(FBuffer, FPos, end - FPos);
                FPos = end + (FBuffer[end] == '\r' && end + 1 < FBuffer.size() && FBuffer[end + 1] == '\n' ? 2 : 1);
                FScan = FPos;
                return true;
            }
            FScan = end == std::string::npos ? FBuffer.size() : end;
            if (FEof) break;
            Fill();
        }
        if (FPos >= FBuffer.size()) return false;
        line.assign(FBuffer, FPos, std::string::npos);
        FPos = FScan = FBuffer.size();
        return true;
    }

private:
    void Fill() {
        FBuffer.erase(0, FPos);
        FScan -= FPos;
        FPos = 0;
        char chunk[8192];
        ssize_t n;
        do n = ::read(FFd, chunk, sizeof chunk);
        while (n < 0 && errno == EINTR);
        if (n < 0) throw EInOutError(std::string("Cannot read file: ") + std::strerror(errno));
        if (n == 0) FEof = true;
        else FBuffer.append(chunk, static_cast<size_t>(n));
    }

    int FFd;
    std::string FBuffer;
    size_t FPos = 0;   // start of the next line
    size_t FScan = 0;  // where the search for its end goes on
    bool FEof = false;
};

bool ContainsMarker(const std::string& line, const std::string& marker) {
    return !marker.empty() && line.find(marker) != std::string::npos;
}

bool HasText(const TStringList& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) > 32; });
    });
}

// The block text of a note file, read from its head only: the lines strictly between the
// first line holding the begin marker and the first later line holding the end marker, each
// followed by CR LF. False when there is no such block or it holds only blanks.
bool ReadInfoBlock(const std::string& fileName, std::string& block) {
    TLineReader reader(fileName);
    std::string line;
    bool inBlock = false;
    TStringList lines;
    while (reader.Next(line)) {
        if (!inBlock) {
            inBlock = ContainsMarker(line, NoteBeginMarker);
        } else if (ContainsMarker(line, NoteEndMarker)) {
            if (!HasText(lines)) return false;
            block = Strings::JoinLines(lines);
            return true;
        } else {
            lines.push_back(line);
        }
    }
    return false;
}

// The text of an element as the DOM gives it: all text below it, in document order. Walks
// without recursion, since the block may nest as deep as a hostile file likes.
std::string ElementText(const pugi::xml_node& element) {
    std::string text;
    pugi::xml_node node = element.first_child();
    while (node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) text += node.value();
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != element && !node.next_sibling()) node = node.parent();
        if (node == element) break;
        node = node.next_sibling();
    }
    return text;
}

// Takes the metadata from the block's XML. Text that is not well-formed, or a root other
// than NOTE, gives no metadata; Created is then the current time.
void ReadBlockXML(const std::u16string& xml, TNoteInfo& info) {
    pugi::xml_document doc;
    std::string date, time;
    if (doc.load_buffer(xml.data(), xml.size() * sizeof(char16_t), pugi::parse_default, pugi::encoding_utf16)) {
        const pugi::xml_node root = doc.document_element();
        if (std::strcmp(root.name(), "NOTE") == 0) {
            for (const pugi::xml_node& child : root.children()) {
                if (child.type() != pugi::node_element) continue;
                const std::string_view name = child.name();
                if (name == "ORIGINAL_TITLE") info.OriginalTitle = CodePage::Utf8ToUtf16(ElementText(child));
                else if (name == "ORIGINAL_URL") info.OriginalURL = CodePage::Utf8ToUtf16(ElementText(child));
                else if (name == "DATE") date = CodePage::WideToAnsi(CodePage::Utf8ToUtf16(ElementText(child)));
                else if (name == "TIME") time = CodePage::WideToAnsi(CodePage::Utf8ToUtf16(ElementText(child)));
                else if (name == "COMMENTS") info.Comments = CodePage::Utf8ToUtf16(ElementText(child));
            }
        }
    }
    TDateTime created = 0;
    const bool converted = !date.empty() && !time.empty() && DateTimeUtils::TryStrToDateTime(date + " " + time, created);
    info.Created = converted ? created : DateTimeUtils::Now();
}

void LoadFolderInfo(const std::string& path, TNoteInfo& info) {
    const std::string folder = !path.empty() && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
    info.Name = FileSystem::ExtractFileName(folder);
    FileSystem::TSearchRec rec;
    info.Created = FileSystem::GetSearchRec(folder, rec) ? rec.Time : DateTimeUtils::Now();
}

struct TStringWriter : pugi::xml_writer {
    std::string Text;
    void write(const void* data, size_t size) override { Text.append(static_cast<const char*>(data), size); }
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool LoadNodeFromFile(const std::string& fileName, TNoteInfo& info) {
    return Trap("ReportUtils.LoadNodeFromFile", false, [&] {
        info.IsFolder = FileSystem::DirectoryExists(fileName);
        if (info.IsFolder) {
            LoadFolderInfo(fileName, info);
            return true;
        }
        if (!FileSystem::FileExists(fileName)) return false;
        info.Name = FileSystem::ChangeFileExt(FileSystem::ExtractFileName(fileName), "");
        std::string block;
        if (!ReadInfoBlock(fileName, block)) {
            // A file without a block is repaired with a default one; a note that cannot be
            // rewritten (a read-only store) still shows with the default values.
            block = WideStringToURF8(GenerateNodeXML(info.Name, "Unknown site", "", DateTimeUtils::Now(), ""));
            if (block.empty()) return false;
            addXMLInfoToHTML(fileName, block);
        }
        ReadBlockXML(UTF8ToWideString(block), info);
        return true;
    });
}

bool ReadNodeInfo(const std::string& fileName, TNoteInfo& info) {
    return Trap("ReportUtils.ReadNodeInfo", false, [&] {
        if (!FileSystem::FileExists(fileName)) return false;
        info.Name = FileSystem::ChangeFileExt(FileSystem::ExtractFileName(fileName), "");
        std::string block;
        if (ReadInfoBlock(fileName, block)) ReadBlockXML(UTF8ToWideString(block), info);
        return true;
    });
}

std::u16string GenerateNodeXML(const std::string& title, const std::string& originalTitle,
                               const std::string& originalURL, TDateTime created, const std::string& comments) {
    return Trap("ReportUtils.GenerateNodeXML", std::u16string(), [&] {
        const std::pair<const char*, std::string> rows[] = {
            {"ORIGINAL_TITLE", originalTitle},
            {"ORIGINAL_URL", originalURL},
            {"TITLE", title},
            {"DATE", DateTimeUtils::FormatShortDate(created)},
            {"TIME", DateTimeUtils::FormatLongTime(created)},
            {"COMMENTS", comments},
        };
        pugi::xml_document doc;
        pugi::xml_node note = doc.append_child("NOTE");
        for (const auto& [name, value] : rows) {
            pugi::xml_node element = note.append_child(name);
            const std::string text = CodePage::Utf16ToUtf8(CodePage::AnsiToWide(decodeHTTPstring(value)));
            // No text node for an empty value, so the element is written as <NAME/>.
            if (!text.empty()) element.text().set(text.c_str());
        }
        TStringWriter writer;
        doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
        return CodePage::Utf8ToUtf16(writer.Text);
    });
}

bool SaveNodeToXML(const std::string& fileName, const std::string& title, const std::string& originalTitle,
                   const std::string& originalURL, TDateTime created, const std::string& comments) {
    return Trap("ReportUtils.SaveNodeToXML", false, [&] {
        const std::string bytes = WideStringToURF8(GenerateNodeXML(title, originalTitle, originalURL, created, comments));
        const bool written = addXMLInfoToHTML(fileName, bytes);  // written even when empty, as the note format asks
        return written && !bytes.empty();
    });
}

bool addXMLInfoToHTML(const std::string& fileName, const std::string& xmlText) {
    return Trap("ReportUtils.addXMLInfoToHTML", false, [&] {
        TStringList kept;
        if (!FileSystem::FileExists(fileName)) {
            FileSystem::ForceDirectories(FileSystem::ExtractFilePath(fileName));
        } else {
            // The old block is cut from the first begin marker to the first end marker after
            // it; anything above the begin marker (an old warning line) is kept and ends up
            // below the new block.
            TStringList old = Strings::SplitLines(FileSystem::ReadFile(fileName));
            if (!GetByTemplate(NoteBeginMarker, NoteEndMarker, old, true, &kept)) kept = std::move(old);
        }
        std::string bytes = Strings::JoinLines({NoteWarningLine, NoteBeginMarker, xmlText, NoteEndMarker});
        bytes += Strings::JoinLines(kept);
        // Replaced atomically: a crash or a full disk leaves the old note as it was.
        FileSystem::WriteFileAtomic(fileName, bytes);
        return true;
    });
}

std::string WideStringToURF8(std::u16string_view text) {
    return Trap("ReportUtils.WideStringToURF8", std::string(), [&] {
        std::string out;
        out.reserve(text.size() * 3);
        for (const char16_t unit : text) {
            const unsigned u = unit;
            if (u < 0x80) {
                out += static_cast<char>(u);
            } else if (u < 0x800) {
                out += static_cast<char>(0xC0 + (u >> 6));
                out += static_cast<char>(0x80 + (u & 0x3F));
            } else {
                out += static_cast<char>(0xE0 + (u >> 12));
                out += static_cast<char>(0x80 + ((u >> 6) & 0x3F));
                out += static_cast<char>(0x80 + (u & 0x3F));
            }
        }
        return out;
    });
}

std::u16string UTF8ToWideString(std::string_view text) {
    return Trap("ReportUtils.UTF8ToWideString", std::u16string(), [&] {
        // The count of trailing bytes comes from the lead byte alone; trailing bytes are not
        // checked. A byte 0x80..0xBF in lead position stands for itself.
        static constexpr std::uint32_t Offsets[6] = {0x00000000, 0x00003080, 0x000E2080,
                                                     0x03C82080, 0xFA082080, 0x82082080};
        const auto trailing = [](unsigned char b) { return b < 0xC0 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : b < 0xF8 ? 3 : b < 0xFC ? 4 : 5; };
        std::u16string out;
        out.reserve(text.size());
        size_t i = 0;
        while (i < text.size()) {
            const int extra = trailing(static_cast<unsigned char>(text[i]));
            if (i + extra >= text.size()) {
                // A sequence cut short by the end of the text: one replacement character.
                out += u'\uFFFD';
                break;
            }
            std::uint32_t ch = 0;  // wraps for the longest forms, as the 32-bit original did
            for (int k = 0; k <= extra; ++k) {
                ch = (ch << 6) + static_cast<unsigned char>(text[i++]);
            }
            ch -= Offsets[extra];
            if (ch <= 0xFFFF) {
                out += static_cast<char16_t>(ch);
            } else if (ch <= 0x7FFFFFFF) {
                ch -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (ch >> 10));
                out += static_cast<char16_t>(0xDC00 + (ch & 0x3FF));
            } else {
                out += u'\uFFFD';
            }
        }
        return out;
    });
}

bool GetByTemplate(const std::string& startMarker, const std::string& endMarker, const TStringList& source,
                   bool inverse, TStringList* target) {
    return Trap("ReportUtils.GetByTemplate", false, [&] {
        if (!target) return false;
        const auto holds = [](const std::string& marker) {
            return [&marker](const std::string& line) { return ContainsMarker(line, marker); };
        };
        const auto start = std::find_if(source.begin(), source.end(), holds(startMarker));
        if (start == source.end()) return false;
        // The end is looked for from the line after the start line, so a line holding both
        // markers does not end its own block.
        const auto end = std::find_if(start + 1, source.end(), holds(endMarker));
        if (end == source.end()) return false;
        if (inverse) {
            target->insert(target->end(), source.begin(), start);
            target->insert(target->end(), end + 1, source.end());
        } else {
            target->insert(target->end(), start + 1, end);
        }
        return HasText(*target);
    });
}

std::string decodeHTTPstring(std::string_view text) {
    std::string result;
    // A malformed or cut-off escape ends the decoding; what was decoded before it is kept.
    TrapVoid("ReportUtils.decodeHTTPstring", [&] {
        const size_t length = std::min(text.size(), text.find('\0'));
        result.reserve(length);
        for (size_t i = 0; i < length; ++i) {
            const char c = text[i];
            if (c == '+') {
                result += ' ';
            } else if (c != '%') {
                result += c;
            } else if (i + 1 < length && text[i + 1] == '%') {
                result += '%';
                ++i;
            } else {
                const int high = i + 1 < length ? HexDigit(text[i + 1]) : -1;
                const int low = i + 2 < length ? HexDigit(text[i + 2]) : -1;
                if (high < 0 || low < 0)
                    throw EConvertError("'" + std::string(text.substr(i, 3)) + "' is not a valid escape");
                result += static_cast<char>(high * 16 + low);
                i += 2;
            }
        }
    });
    return result;
}

std::string GetShortURL(const std::string& url) {
    return Trap("ReportUtils.GetShortURL", std::string(), [&] {
        const std::string lower = Strings::AnsiLowerCase(url);
        const size_t scheme = lower.find("://");
        const size_t start = scheme == std::string::npos ? 0 : scheme + 3;
        const size_t slash = lower.find('/', start);
        std::string host = lower.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        const size_t www = host.find("www.");
        if (www != std::string::npos) host.erase(0, www + 4);
        return host;
    });
}

bool FireURL(const std::string& target) {
    return Trap("ReportUtils.FireURL", false, [&] { return Shell::ShellOpen(target); });
}

}  // namespace ReportUtils
