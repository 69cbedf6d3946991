// The note file: the info block at the top of a note's HTML file, its writer and its reader,
// and the small helpers that travel with note metadata.
#include "store/NoteFile.h"

#include "platform/CodePage.h"
#include "platform/Exceptions.h"
#include "platform/FileSystem.h"
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
    // A caller that knows the file to be a regular one (from its folder entry) saves the check.
    TLineReader(const std::string& fileName, bool knownRegular)
        : FFd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
        struct stat st {};
        if (FFd < 0 || (!knownRegular && (::fstat(FFd, &st) != 0 || !S_ISREG(st.st_mode)))) {
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
            const size_t end = LineEnd(FScan);
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
    // The first CR or LF from pos on, or npos.
    size_t LineEnd(size_t pos) const {
        const auto at = std::find_if(FBuffer.begin() + static_cast<std::ptrdiff_t>(pos), FBuffer.end(),
                                     [](char c) { return c == '\r' || c == '\n'; });
        return at == FBuffer.end() ? std::string::npos : static_cast<size_t>(at - FBuffer.begin());
    }

    void Fill() {
        FBuffer.erase(0, FPos);
        FScan -= FPos;
        FPos = 0;
        // A note's block fits in its first page; longer heads are read a page at a time.
        const size_t kept = FBuffer.size();
        FBuffer.resize(kept + ChunkBytes);
        ssize_t n;
        do n = ::read(FFd, FBuffer.data() + kept, ChunkBytes);
        while (n < 0 && errno == EINTR);
        FBuffer.resize(kept + static_cast<size_t>(std::max<ssize_t>(n, 0)));
        if (n < 0) throw EInOutError(std::string("Cannot read file: ") + std::strerror(errno));
        if (n == 0) FEof = true;
    }

    static constexpr size_t ChunkBytes = 4096;
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
bool ReadInfoBlock(const std::string& fileName, bool knownRegular, std::string& block) {
    TLineReader reader(fileName, knownRegular);
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

// The block's DATE and TIME texts as they stand in the file.
struct TDateTexts {
    std::string Date, Time;
};

// Takes the metadata from the block's XML. Text that is not well-formed, or a root other
// than NOTE, gives no metadata. A value made only of blanks is kept as it is.
TDateTexts ReadBlockXML(const std::u16string& xml, TNoteInfo& info) {
    pugi::xml_document doc;
    TDateTexts texts;
    const unsigned options = pugi::parse_default | pugi::parse_ws_pcdata_single;
    if (doc.load_buffer(xml.data(), xml.size() * sizeof(char16_t), options, pugi::encoding_utf16)) {
        const pugi::xml_node root = doc.document_element();
        if (std::strcmp(root.name(), "NOTE") == 0) {
            for (const pugi::xml_node& child : root.children()) {
                if (child.type() != pugi::node_element) continue;
                const std::string_view name = child.name();
                if (name == "ORIGINAL_TITLE") info.OriginalTitle = CodePage::Utf8ToUtf16(ElementText(child));
                else if (name == "ORIGINAL_URL") info.OriginalURL = CodePage::Utf8ToUtf16(ElementText(child));
                else if (name == "DATE") texts.Date = CodePage::WideToAnsi(CodePage::Utf8ToUtf16(ElementText(child)));
                else if (name == "TIME") texts.Time = CodePage::WideToAnsi(CodePage::Utf8ToUtf16(ElementText(child)));
                else if (name == "COMMENTS") info.Comments = CodePage::Utf8ToUtf16(ElementText(child));
            }
        }
    }
    return texts;
}

// The creation time the texts give, read in any of the usual forms.
bool ReadCreated(const TDateTexts& texts, TDateTime& created) {
    return !texts.Date.empty() && !texts.Time.empty() && DateTimeUtils::TryStrToDateTimeForms(texts.Date, texts.Time, created);
}

// Text that starts with a UTF-16 byte-order mark (either order): its lines are not 8-bit
// lines, so such a file is never rewritten.
bool IsUtf16Text(std::string_view bytes) { return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"); }

bool IsUtf16File(const std::string& fileName) {
    std::string head;
    return FileSystem::TryReadFile(fileName, head, 2) && IsUtf16Text(head);
}

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

bool IsWarningLine(const std::string& line) { return Strings::Trim(line) == NoteWarningLine; }

// A note file read line by line in pieces of bounded size, whatever the length of its lines.
// A line ends at CR LF, LF or CR; a last line without a break counts when it has bytes.
class TLinePieceReader {
public:
    // Opens the file and skips its first skip bytes.
    TLinePieceReader(const std::string& fileName, size_t skip) : FFd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (FFd < 0) throw EInOutError("Cannot open file \"" + fileName + "\": " + std::strerror(errno));
        if (::lseek(FFd, static_cast<off_t>(skip), SEEK_SET) < 0) throw EInOutError("Cannot read file \"" + fileName + "\"");
    }
    ~TLinePieceReader() { ::close(FFd); }
    TLinePieceReader(const TLinePieceReader&) = delete;
    TLinePieceReader& operator=(const TLinePieceReader&) = delete;

    // Hands each line's bytes to piece (in one or more calls) and calls lineEnd after each line.
    template <typename TPiece, typename TLineEnd>
    void Read(TPiece piece, TLineEnd lineEnd) {
        char chunk[65536];
        bool afterCR = false, inLine = false;
        for (;;) {
            const ssize_t n = ::read(FFd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw EInOutError("Cannot read a note file");
            if (n == 0) break;
            size_t start = 0;
            for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
                const char c = chunk[i];
                if (afterCR && c == '\n') {
                    afterCR = false;
                    start = i + 1;
                    continue;
                }
                afterCR = false;
                if (c != '\r' && c != '\n') {
                    inLine = true;
                    continue;
                }
                if (i > start) piece(std::string_view(chunk + start, i - start));
                lineEnd();
                inLine = false;
                afterCR = c == '\r';
                start = i + 1;
            }
            if (static_cast<size_t>(n) > start) piece(std::string_view(chunk + start, n - start));
        }
        if (inLine) lineEnd();
    }

private:
    int FFd;
};

// What a line is, learnt from its pieces without keeping the line: whether it holds either
// block marker, and whether it is a warning line (only a short line can be).
class TLineProbe {
public:
    void Add(std::string_view piece) {
        if (FShort.size() + piece.size() <= ShortLine) FShort.append(piece);
        else FLong = true;
        FWindow.append(piece);
        FBegin = FBegin || FWindow.find(NoteBeginMarker) != std::string::npos;
        FEnd = FEnd || FWindow.find(NoteEndMarker) != std::string::npos;
        // Enough of the tail stays for a marker that spans two pieces.
        if (FWindow.size() > MarkerWindow) FWindow.erase(0, FWindow.size() - MarkerWindow);
    }
    bool Begin() const { return FBegin; }
    bool End() const { return FEnd; }
    bool Warning() const { return !FLong && IsWarningLine(FShort); }
    const std::string& Short() const { return FShort; }
    bool Long() const { return FLong; }
    void Clear() { *this = TLineProbe(); }

    static constexpr size_t ShortLine = 4096;

private:
    static constexpr size_t MarkerWindow = 64;
    std::string FShort, FWindow;
    bool FLong = false, FBegin = false, FEnd = false;
};

// The lines that hold the file's block markers: the first line with the begin marker and the
// first line after it with the end marker; -1 for both when the file has no whole block.
std::pair<long long, long long> BlockLines(const std::string& fileName, size_t skip) {
    long long line = 0, begin = -1, end = -1;
    TLineProbe probe;
    TLinePieceReader(fileName, skip).Read([&](std::string_view piece) { if (end < 0) probe.Add(piece); },
                                     [&] {
                                         if (end < 0) {
                                             if (begin < 0 && probe.Begin()) begin = line;
                                             else if (begin >= 0 && probe.End()) end = line;
                                         }
                                         probe.Clear();
                                         ++line;
                                     });
    return end < 0 ? std::pair{-1ll, -1ll} : std::pair{begin, end};
}

// The lines of a note file outside its block: the old block goes with its markers, and so do
// the warning lines above it and those that earlier saves left right below it, since the new
// block brings its own. A file without a block keeps every line.
TStringList OutsideBlock(TStringList lines) {
    const auto holds = [](const char* marker) {
        return [marker](const std::string& line) { return ContainsMarker(line, marker); };
    };
    const auto start = std::find_if(lines.begin(), lines.end(), holds(NoteBeginMarker));
    if (start == lines.end()) return lines;
    const auto end = std::find_if(start + 1, lines.end(), holds(NoteEndMarker));
    if (end == lines.end()) return lines;
    const auto after = std::find_if_not(end + 1, lines.end(), IsWarningLine);
    TStringList kept;
    std::copy_if(lines.begin(), start, std::back_inserter(kept), [](const std::string& line) { return !IsWarningLine(line); });
    kept.insert(kept.end(), after, lines.end());
    return kept;
}

// Writes the lines of a note file outside its block, each ended by CR LF: the old block goes
// with its markers, and so do the warning lines above it and those that earlier saves left
// right below it, since the new block brings its own. A file without a block keeps every
// line. Memory stays bounded: a line is held only while it may still be a warning line.
void CopyOutsideBlock(const std::string& fileName, size_t skip, FileSystem::TAtomicFile& out) {
    const std::pair<long long, long long> block = BlockLines(fileName, skip);
    const long long begin = block.first, end = block.second;
    long long line = 0;
    bool belowBlock = true;  // still in the warning lines right below the block
    TLineProbe probe;
    const auto dropped = [&] {
        if (begin < 0) return false;
        if (line >= begin && line <= end) return true;
        if (line < begin) return probe.Warning();
        return belowBlock && probe.Warning();
    };
    TLinePieceReader(fileName, skip).Read(
        [&](std::string_view piece) {
            const bool wasLong = probe.Long();
            probe.Add(piece);
            if (!probe.Long() || (begin >= 0 && line >= begin && line <= end)) return;
            if (!wasLong) out.Write(probe.Short());  // the line can no longer be a warning line
            out.Write(piece);
        },
        [&] {
            if (line > end && !probe.Warning()) belowBlock = false;
            if (!dropped()) {
                if (!probe.Long()) out.Write(probe.Short());
                out.Write("\r\n");
            }
            probe.Clear();
            ++line;
        });
}

void LoadFolderInfo(const std::string& path, TNoteInfo& info) {
    const std::string folder = !path.empty() && path.back() == '/' ? path.substr(0, path.size() - 1) : path;
    info.Name = FileSystem::ExtractFileName(folder);
    FileSystem::TSearchRec rec;
    info.Created = FileSystem::GetSearchRec(folder, rec) ? rec.Time : DateTimeUtils::Now();
}

// The metadata of a file known to exist and not to be a folder.
bool LoadNoteInfo(const std::string& fileName, bool knownRegular, TNoteInfo& info) {
    info.IsFolder = false;
    info.Name = FileSystem::ChangeFileExt(FileSystem::ExtractFileName(fileName), "");
    std::string block;
    if (!ReadInfoBlock(fileName, knownRegular, block)) {
        // A file without a block is repaired with a default one; a note that cannot be
        // rewritten (a read-only store, a UTF-16 file) still shows with the default values.
        block = WideStringToURF8(GenerateNodeXML(info.Name, "Unknown site", "", DateTimeUtils::Now(), ""));
        if (block.empty()) return false;
        if (!IsUtf16File(fileName)) addXMLInfoToHTML(fileName, block);
    }
    TDateTime created = 0;
    info.Created = ReadCreated(ReadBlockXML(UTF8ToWideString(block), info), created) ? created : DateTimeUtils::Now();
    return true;
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
        return FileSystem::FileExists(fileName) && LoadNoteInfo(fileName, false, info);
    });
}

bool LoadNoteFromFile(const std::string& fileName, bool knownRegular, TNoteInfo& info) {
    return Trap("ReportUtils.LoadNodeFromFile", false, [&] { return LoadNoteInfo(fileName, knownRegular, info); });
}

bool ReadNodeInfo(const std::string& fileName, TNoteInfo& info) {
    return Trap("ReportUtils.ReadNodeInfo", false, [&] {
        if (!FileSystem::FileExists(fileName)) return false;
        info.Name = FileSystem::ChangeFileExt(FileSystem::ExtractFileName(fileName), "");
        std::string block;
        TDateTime created = 0;
        if (ReadInfoBlock(fileName, false, block) && ReadCreated(ReadBlockXML(UTF8ToWideString(block), info), created))
            info.Created = created;
        return true;
    });
}

namespace {

// The block's XML with the values written exactly as given; the serializer escapes what XML
// reserves, and line breaks become character references, so the block stays one line and a
// CR survives the reader's line-end normalisation.
std::u16string BlockXML(const std::string& title, const std::string& originalTitle, const std::string& originalURL,
                        const TDateTexts& date, const std::string& comments) {
    return Trap("ReportUtils.GenerateNodeXML", std::u16string(), [&] {
        const std::pair<const char*, const std::string&> rows[] = {
            {"ORIGINAL_TITLE", originalTitle}, {"ORIGINAL_URL", originalURL}, {"TITLE", title},
            {"DATE", date.Date},               {"TIME", date.Time},           {"COMMENTS", comments},
        };
        pugi::xml_document doc;
        pugi::xml_node note = doc.append_child("NOTE");
        for (const auto& [name, value] : rows) {
            pugi::xml_node element = note.append_child(name);
            const std::string text = CodePage::Utf16ToUtf8(CodePage::AnsiToWide(value));
            // No text node for an empty value, so the element is written as <NAME/>.
            if (!text.empty()) element.text().set(text.c_str());
        }
        TStringWriter writer;
        doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
        std::string xml;
        xml.reserve(writer.Text.size());
        for (const char c : writer.Text) {
            if (c == '\r') xml += "&#13;";
            else if (c == '\n') xml += "&#10;";
            else xml += c;
        }
        return CodePage::Utf8ToUtf16(xml);
    });
}

// The DATE and TIME texts to write: those of created, unless the file's block holds a date
// that no known form reads; that one is kept as it stands rather than replaced by "now".
TDateTexts DateTextsToWrite(const std::string& fileName, TDateTime created) {
    TDateTexts texts{DateTimeUtils::FormatShortDate(created), DateTimeUtils::FormatLongTime(created)};
    std::string block;
    if (!FileSystem::FileExists(fileName) || !ReadInfoBlock(fileName, false, block)) return texts;
    TNoteInfo old;
    const TDateTexts stored = ReadBlockXML(UTF8ToWideString(block), old);
    TDateTime readable = 0;
    return stored.Date.empty() || ReadCreated(stored, readable) ? texts : stored;
}

}  // namespace

std::u16string GenerateNodeXML(const std::string& title, const std::string& originalTitle,
                               const std::string& originalURL, TDateTime created, const std::string& comments) {
    const TDateTexts date{DateTimeUtils::FormatShortDate(created), DateTimeUtils::FormatLongTime(created)};
    return BlockXML(title, originalTitle, originalURL, date, comments);
}

bool SaveNodeToXML(const std::string& fileName, const std::string& title, const std::string& originalTitle,
                   const std::string& originalURL, TDateTime created, const std::string& comments) {
    return Trap("ReportUtils.SaveNodeToXML", false, [&] {
        const TDateTexts date = DateTextsToWrite(fileName, created);
        const std::string bytes = WideStringToURF8(BlockXML(title, originalTitle, originalURL, date, comments));
        const bool written = addXMLInfoToHTML(fileName, bytes);  // written even when empty, as the note format asks
        return written && !bytes.empty();
    });
}

bool addXMLInfoToHTML(const std::string& fileName, const std::string& xmlText) {
    return Trap("ReportUtils.addXMLInfoToHTML", false, [&] {
        const bool exists = FileSystem::FileExists(fileName);
        std::string head;
        if (!exists) {
            FileSystem::ForceDirectories(FileSystem::ExtractFilePath(fileName));
        } else {
            FileSystem::TryReadFile(fileName, head, Utf8Mark.size());
            if (IsUtf16Text(head))
                throw EInOutError("\"" + fileName + "\" is UTF-16 text, which is not rewritten");
        }
        // A UTF-8 byte-order mark stays the file's first bytes, with the block after it.
        const bool marked = head.starts_with(Utf8Mark);
        // Streamed into the atomic writer: a crash or a full disk leaves the old note as it was,
        // and a note of any size is repaired in little memory.
        FileSystem::TAtomicFile out(fileName);
        if (marked) out.Write(Utf8Mark);
        out.Write(Strings::JoinLines({NoteWarningLine, NoteBeginMarker, xmlText, NoteEndMarker}));
        if (exists) CopyOutsideBlock(fileName, marked ? Utf8Mark.size() : 0, out);
        out.Commit(fileName);
        return true;
    });
}

std::string WithXMLInfo(std::string_view fileBytes, const std::string& xmlText) {
    if (IsUtf16Text(fileBytes)) throw EInOutError("UTF-16 text is not rewritten");
    // A UTF-8 byte-order mark stays the file's first bytes, with the block after it.
    std::string bytes;
    if (fileBytes.starts_with(Utf8Mark)) {
        bytes = Utf8Mark;
        fileBytes.remove_prefix(Utf8Mark.size());
    }
    const TStringList kept = OutsideBlock(Strings::SplitLines(fileBytes));
    bytes += Strings::JoinLines({NoteWarningLine, NoteBeginMarker, xmlText, NoteEndMarker});
    return bytes + Strings::JoinLines(kept);
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
        // Every byte gives at most one code unit (a surrogate pair comes from three bytes or more):
        // the text's length bounds the result, which is written in place and cut to size.
        std::u16string out(text.size(), u'\0');
        char16_t* next = out.data();
        size_t i = 0;
        while (i < text.size()) {
            const int extra = trailing(static_cast<unsigned char>(text[i]));
            if (i + extra >= text.size()) {
                // A sequence cut short by the end of the text: one replacement character.
                *next++ = u'\uFFFD';
                break;
            }
            std::uint32_t ch = 0;  // wraps for the longest forms, as the 32-bit original did
            for (int k = 0; k <= extra; ++k) {
                ch = (ch << 6) + static_cast<unsigned char>(text[i++]);
            }
            ch -= Offsets[extra];
            if (ch <= 0xFFFF) {
                *next++ = static_cast<char16_t>(ch);
            } else if (ch <= 0x7FFFFFFF) {
                ch -= 0x10000;
                *next++ = static_cast<char16_t>(0xD800 + (ch >> 10));
                *next++ = static_cast<char16_t>(0xDC00 + (ch & 0x3FF));
            } else {
                *next++ = u'\uFFFD';
            }
        }
        out.resize(static_cast<size_t>(next - out.data()));
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
