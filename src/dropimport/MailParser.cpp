// Parsing a message source into the part tree in one pass over its lines.
//
// A multipart entity's text is split at its boundary lines, and each piece is itself parsed as
// a part, which may split again. Instead of parsing each piece once more (which would walk a
// deeply nested source once per level), the lines are read once and every open part is kept on
// a stack of frames, outermost first. A line that starts with the boundary line of an open
// multipart belongs to the outermost such part: it ends every part above that one, exactly as
// cutting the outer text first would. Text after the closing boundary line ("--" boundary "--")
// is the epilogue and is dropped; a multipart whose closing line is missing keeps its last part
// up to the end of its text. A multipart without a boundary parameter is not split: its whole
// body stays raw.
//
// Nesting is bounded: a multipart entity MaxNesting or more levels below the part being parsed
// is read as a single part with a raw body. No mail program nests that deep; the bound keeps
// the boundary test of each line short whatever the input. A source that would make more than
// MaxParts parts or MaxHeaderLines header lines (a few bytes of input each, but a few hundred
// bytes of memory) fails like a malformed one, so a hostile message cannot exhaust memory.
#include "dropimport/MailCodecs.h"
#include "dropimport/MailHeaders.h"
#include "dropimport/MailMessage.h"
#include "platform/Exceptions.h"
#include "platform/MimeTypes.h"
#include "platform/Strings.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <random>

namespace {

using Strings::StartsWith;

constexpr size_t MaxNesting = 100;
constexpr size_t MaxParts = 100000;
constexpr size_t MaxHeaderLines = 1000000;

// "boundary" and a random 32-bit number as eight hex digits.
std::string NewBoundary() {
    static thread_local std::mt19937 random{std::random_device{}()};
    char text[24];
    std::snprintf(text, sizeof text, "boundary%08X", static_cast<unsigned>(random()));
    return text;
}

// The extension of a file name, with its dot; empty when it has none.
std::string_view FileExtension(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    const size_t slash = fileName.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) return {};
    return fileName.substr(dot);
}

// A boundary line is "--" boundary, then "--" on the closing line, then the line's end or a
// blank (after which a careless program may have left text). A line that merely begins with it,
// as the boundary of a nested part that extends this one does, is body text.
bool IsBoundaryLine(std::string_view line, std::string_view boundary, bool& closing) {
    if (line.size() < boundary.size() + 2 || line.compare(2, boundary.size(), boundary) != 0) return false;
    std::string_view rest = line.substr(boundary.size() + 2);
    closing = rest.starts_with("--");
    if (closing) rest.remove_prefix(2);
    return rest.empty() || rest[0] == ' ' || rest[0] == '\t' || rest[0] == '\r';
}

class TSourceParser {
public:
    TSourceParser(TMailPart& root, std::string_view text, bool headersExpected);
    void Run();

private:
    enum class TState {
        Headers,   // reading header lines
        Single,    // a body that runs to the end of the part's text
        Preamble,  // multipart, before its first boundary line
        Parts,     // multipart, a sub-part is open above it
        Epilogue,  // multipart, after its closing boundary line
        UuText,    // no content type: text up to the first "begin 6" line
        UuBlock,   // inside a uuencoded block
        UuSkip,    // between uuencoded blocks
    };
    struct TFrame {
        TFrame(TMailPart* part, TState state, size_t bodyStart) : Part(part), State(state), BodyStart(bodyStart) {}
        TMailPart* Part;
        TState State;
        size_t BodyStart;
        std::string Boundary;  // the multipart's boundary, or the one made for uuencoded files
        bool Indexed = false;  // its boundary lines separate parts
        std::vector<std::string> RawHeaders;
        TMailPart* Block = nullptr;  // the uuencoded file being read
    };

    std::string_view Slice(size_t from, size_t to) const { return to > from ? FText.substr(from, to - from) : std::string_view(); }
    size_t LineEnd(size_t from) const;
    void Progress(size_t position);
    void ReadLine(size_t start, size_t end, size_t next);
    void BoundaryLine(size_t level, bool closing, size_t start, size_t next);
    void HeaderLine(TFrame& frame, std::string_view line, size_t next);
    void EndHeaders(TFrame& frame, size_t bodyStart);
    void ChooseMode(TFrame& frame);
    void CloseTop(size_t textEnd);
    TMailPart* NewSubPart(TFrame& frame);
    void ConvertToMixed(TFrame& frame, size_t beginLine);
    void StartBlock(TFrame& frame, std::string_view beginLine);
    void FinishBlock(TFrame& frame);
    const std::string& MimeType(const std::string& fileName);

    TMailMessage2000* FMessage;
    std::string_view FText;
    size_t FEol;  // length of a line end: 2 (CR LF), or 1 in a source that has no CR LF at all
    bool FReport;
    std::vector<TFrame> FFrames;
    std::vector<size_t> FIndexed;  // levels of the frames whose boundaries are looked for, ascending
    size_t FPartCount = 0;
    size_t FHeaderLineCount = 0;
    std::map<std::string, std::string> FMimeTypes;  // by extension, looked up once per parse
};

TSourceParser::TSourceParser(TMailPart& root, std::string_view text, bool headersExpected)
    : FMessage(root.Message),
      FText(text),
      FEol(text.find("\r\n") == std::string_view::npos ? 1 : 2),
      FReport(&root == root.Message && root.Message->OnProgress) {
    FFrames.emplace_back(&root, TState::Headers, 0);
    if (!headersExpected) ChooseMode(FFrames.back());
}

void TSourceParser::Run() {
    Progress(0);
    size_t position = 0;
    while (position < FText.size()) {
        const size_t end = LineEnd(position);
        const size_t next = end < FText.size() ? end + FEol : end;
        ReadLine(position, end, next);
        position = next;
        Progress(position);
    }
    while (!FFrames.empty()) CloseTop(FText.size());
    Progress(FText.size());
}

// A line ends at CR LF only; a lone CR or LF is part of the line. A source without any CR LF
// (a message saved with Unix line ends) has its lines end at LF.
size_t TSourceParser::LineEnd(size_t from) const {
    const char* data = FText.data();
    const size_t size = FText.size();
    if (FEol == 1) {
        const void* hit = std::memchr(data + from, '\n', size - from);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - data) : size;
    }
    while (from < size) {
        const void* hit = std::memchr(data + from, '\r', size - from);
        if (!hit) break;
        const size_t cr = static_cast<size_t>(static_cast<const char*>(hit) - data);
        if (cr + 1 < size && data[cr + 1] == '\n') return cr;
        from = cr + 1;
    }
    return size;
}

void TSourceParser::Progress(size_t position) {
    if (FReport) FMessage->OnProgress(FMessage, static_cast<std::int64_t>(FText.size()), static_cast<std::int64_t>(position));
}

void TSourceParser::ReadLine(size_t start, size_t end, size_t next) {
    const std::string_view line = FText.substr(start, end - start);
    if (!FIndexed.empty() && StartsWith(line, "--")) {
        for (size_t level : FIndexed) {
            bool closing = false;
            if (IsBoundaryLine(line, FFrames[level].Boundary, closing)) {
                BoundaryLine(level, closing, start, next);
                return;
            }
        }
    }
    TFrame& top = FFrames.back();
    switch (top.State) {
        case TState::Headers:
            HeaderLine(top, line, next);
            break;
        case TState::UuText:
            if (StartsWith(line, "begin 6")) {
                ConvertToMixed(top, start);
                StartBlock(top, line);
            }
            break;
        case TState::UuBlock:
            if (StartsWith(line, "end"))
                FinishBlock(top);
            else
                MailCodecs::UUDecodeLine(line, top.Block->DecodedBody);
            break;
        case TState::UuSkip:
            if (StartsWith(line, "begin 6")) StartBlock(top, line);
            break;
        default:
            break;  // body text: its extent is known from where it starts and ends
    }
}

void TSourceParser::BoundaryLine(size_t level, bool closing, size_t start, size_t next) {
    // The parts above this multipart end at the line end before the line.
    const size_t partEnd = start >= FEol ? start - FEol : 0;
    while (FFrames.size() > level + 1) CloseTop(partEnd);
    TFrame& frame = FFrames[level];
    if (frame.State == TState::Preamble) {
        frame.Part->RawBody = Slice(frame.BodyStart, start);  // with the CR LF before the line
        frame.State = TState::Parts;
    }
    if (closing) {
        FIndexed.pop_back();
        frame.Indexed = false;
        frame.State = TState::Epilogue;
        return;
    }
    TMailPart* part = NewSubPart(frame);
    FFrames.emplace_back(part, TState::Headers, next);
}

void TSourceParser::HeaderLine(TFrame& frame, std::string_view line, size_t next) {
    if (line.empty()) {
        EndHeaders(frame, next);
    } else if ((line[0] == '\t' || line[0] == ' ') && !frame.RawHeaders.empty()) {
        std::string& previous = frame.RawHeaders.back();
        previous += ' ';
        previous.append(line.substr(1));
    } else {
        if (++FHeaderLineCount > MaxHeaderLines) throw Exception("The message has too many header lines");
        frame.RawHeaders.emplace_back(line);
    }
}

void TSourceParser::EndHeaders(TFrame& frame, size_t bodyStart) {
    for (std::string& line : frame.RawHeaders) line = MailHeaders::CanonicalHeaderLine(line);
    frame.Part->HeaderLines.Assign(std::move(frame.RawHeaders));
    frame.RawHeaders.clear();
    frame.BodyStart = bodyStart;
    ChooseMode(frame);
}

// Called for the top frame once its headers are known.
void TSourceParser::ChooseMode(TFrame& frame) {
    if (!frame.Part->HasHeader("Content-Type")) {
        frame.State = TState::UuText;
        return;
    }
    const std::string type = Strings::AsciiLower(frame.Part->HeaderValue("Content-Type").substr(0, 10));
    if (type != "multipart/" || FFrames.size() > MaxNesting) {
        frame.State = TState::Single;
        return;
    }
    frame.State = TState::Preamble;
    frame.Boundary = frame.Part->Boundary();
    if (frame.Boundary.empty()) return;
    frame.Indexed = true;
    FIndexed.push_back(FFrames.size() - 1);
}

// Ends the top frame's part where its text ends.
void TSourceParser::CloseTop(size_t textEnd) {
    TFrame& frame = FFrames.back();
    if (frame.State == TState::Headers) EndHeaders(frame, textEnd);  // no blank line: no body
    switch (frame.State) {
        case TState::Single:
        case TState::Preamble:
        case TState::UuText:
            frame.Part->RawBody = Slice(frame.BodyStart, textEnd);
            break;
        case TState::UuBlock:
            FinishBlock(frame);
            break;
        default:
            break;
    }
    if (frame.Indexed) FIndexed.pop_back();
    FFrames.pop_back();
}

TMailPart* TSourceParser::NewSubPart(TFrame& frame) {
    if (++FPartCount > MaxParts) throw Exception("The message has too many parts");
    auto* part = new TMailPart(FMessage);
    part->ParentPart = frame.Part;
    part->EnclosingBoundary = frame.Boundary;
    frame.Part->SubParts.Add(part);
    return part;
}

// A plain message with a uuencoded file becomes "multipart/mixed": its text so far becomes a
// quoted-printable text part, and each file an attachment.
void TSourceParser::ConvertToMixed(TFrame& frame, size_t beginLine) {
    frame.Boundary = NewBoundary();
    TMailPart* text = NewSubPart(frame);
    text->SetRawBody(MailCodecs::EncodeQuotedPrintable(Slice(frame.BodyStart, beginLine)));
    text->HeaderLines.Add("Content-Type: text/plain; charset=\"" + FMessage->Charset + "\"");
    text->HeaderLines.Add("Content-Transfer-Encoding: quoted-printable");
    frame.Part->RawBody = {};
    frame.Part->HeaderLines.SetValue("Content-Type", "multipart/mixed; boundary=\"" + frame.Boundary + "\"");
}

void TSourceParser::StartBlock(TFrame& frame, std::string_view beginLine) {
    const std::string fileName(MailCodecs::TrimBlanks(beginLine.size() > 10 ? beginLine.substr(10) : std::string_view()));
    TMailPart* block = NewSubPart(frame);
    block->HeaderLines.Add("Content-Type: " + MimeType(fileName) + "; name=\"" + fileName + "\"");
    block->HeaderLines.Add("Content-Transfer-Encoding: base64");
    block->HeaderLines.Add("Content-Disposition: attachment; filename=\"" + fileName + "\"");
    frame.Block = block;
    frame.State = TState::UuBlock;
}

void TSourceParser::FinishBlock(TFrame& frame) {
    frame.Block->SetRawBody(MailCodecs::EncodeBase64(frame.Block->DecodedBody));
    frame.Block->BodyDecoded = true;
    frame.Block = nullptr;
    frame.State = TState::UuSkip;
}

const std::string& TSourceParser::MimeType(const std::string& fileName) {
    const std::string extension(FileExtension(fileName));
    auto found = FMimeTypes.find(extension);
    if (found == FMimeTypes.end()) found = FMimeTypes.emplace(extension, MimeTypes::MimeTypeForExtension(extension)).first;
    return found->second;
}

}  // namespace

void TMailPart::ParseSource(std::string_view text, bool headersExpected) {
    // Copied before the tree is cleared, since the text may be one of the tree's own bodies.
    ParseSource(std::string(text), headersExpected);
}

void TMailPart::ParseSource(std::string&& text, bool headersExpected) {
    std::string own = std::move(text);  // the old tree may point into the text it replaces
    ResetForParse();
    FParsedText = std::move(own);
    TSourceParser(*this, FParsedText, headersExpected).Run();
}

void TMailPart::ParseSourceInPlace(std::string_view text, bool headersExpected) {
    ResetForParse();
    FParsedText.clear();
    TSourceParser(*this, text, headersExpected).Run();
}

void TMailPart::ResetForParse() {
    if (!Message) throw Exception(Name + ": TMailPart must be owned by a TMailMessage2000");
    SubParts.Clear();
    HeaderLines.Clear();
    RawBody = {};
    FOwnRawBody.clear();
    DecodedBody.clear();
    BodyDecoded = false;
    IsEmbedded = false;
    Message->RebuildPending = Message->RestructurePending = Message->TextSearchPending = true;
}
