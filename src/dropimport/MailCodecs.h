#pragma once
// The transfer codecs of mail messages: quoted-printable, base64 and uucode, in the exact forms
// the message parser and the header decoder use, plus the line helpers they share. All text is
// 8-bit; nothing here converts between character sets.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace MailCodecs {

// Removes blanks (not tabs) at both ends.
std::string_view TrimBlanks(std::string_view text);

// Calls lineFn(line) for every line of text; lines end at CR LF, a lone CR or a lone LF, and
// a final line end adds no line.
template <class LineFn>
void ForEachLine(std::string_view text, LineFn&& lineFn) {
    const char* data = text.data();
    const size_t size = text.size();
    size_t start = 0, lf = 0;
    bool lfKnown = false;  // lf holds the first LF at or after start (or size)
    while (start < size) {
        if (!lfKnown || lf < start) {
            const void* hit = std::memchr(data + start, '\n', size - start);
            lf = hit ? static_cast<size_t>(static_cast<const char*>(hit) - data) : size;
            lfKnown = true;
        }
        const void* cr = std::memchr(data + start, '\r', lf - start);
        if (cr) {
            const size_t at = static_cast<size_t>(static_cast<const char*>(cr) - data);
            lineFn(text.substr(start, at - start));
            start = at + 1 + (at + 1 == lf ? 1 : 0);
        } else {
            lineFn(text.substr(start, lf - start));
            start = lf + 1;
        }
    }
}

// Decoded bytes as a list of lines: read up to the first NUL, split at CR LF, CR or LF.
std::vector<std::string> BytesToLines(std::string_view bytes);
// A list of lines back as text: every line followed by CR LF.
std::string LinesToText(const std::vector<std::string>& lines);

// Quoted-printable: "=" and two upper-case hex digits is a byte (lower-case digits stay as
// they are unless anyCaseHex), "=" before a line end is a soft line break, a final "=" is
// dropped, and any other "=" stays. Decoded bytes are never decoded again.
std::string DecodeQuotedPrintable(std::string_view text, bool anyCaseHex = false);
// Encodes so that DecodeQuotedPrintable gives the same bytes back: CR LF pairs stay line
// breaks, lines are kept to 76 characters with soft breaks.
std::string EncodeQuotedPrintable(std::string_view bytes);

// Decodes one line of base64 of any length and appends the bytes to out. Every character
// takes a position in its group of four; a character outside the alphabet repeats the value
// last seen at that position. A pad in the first place gives no byte, in the third one, in
// the fourth two; an unfinished last group gives the bytes its symbols complete.
void DecodeBase64Line(std::string_view line, std::string& out);
// A base64 body: each line trimmed of blanks and decoded on its own.
std::string DecodeBase64Body(std::string_view body);
// Base64 in lines of 76 characters separated by CR LF.
std::string EncodeBase64(std::string_view bytes);

// Decodes one uuencoded line (the first character is the byte count) and appends its bytes.
// An empty line gives nothing. False, with nothing appended, when a character is outside the
// uucode alphabet.
bool TryUUDecodeLine(std::string_view line, std::string& out);
// The same, raising Exception("UUCODE message format error") on a bad character.
void UUDecodeLine(std::string_view line, std::string& out);
// A uuencoded body: each line trimmed of blanks and decoded on its own; raises like UUDecodeLine.
// A "begin" line before the data and everything from an "end" line on are skipped.
std::string UUDecodeBody(std::string_view body);

}  // namespace MailCodecs
