#pragma once
// The text of one run (or one font name, style name or field instruction) while the RTF reader
// collects it. Characters arrive in three forms: the document's own characters, already in
// the ANSI code page (the converter narrowed the whole document to it); bytes written in hex,
// which are in the RTF's code page; and "u" characters in UTF-16. The buffer keeps the text in
// the form its listener wants: ANSI for 8-bit events, UTF-16 for Unicode events.
#include <string>

class TRVRTFTextBuffer {
public:
    explicit TRVRTFTextBuffer(bool wide = false) : FWide(wide) {}

    // Empties the buffer and chooses the form it collects.
    void Reset(bool wide);
    bool Wide() const { return FWide; }
    bool Empty() const { return FAnsi.empty() && FUnicode.empty() && FPendingBytes.empty() && FPendingWide.empty(); }

    void AddAnsi(char c) {
        if (!FPendingBytes.empty() || !FPendingWide.empty()) AddAnsiSlow(c);
        else if (!FWide) FAnsi.push_back(c);
        else if (static_cast<unsigned char>(c) < 0x80) FUnicode.push_back(static_cast<char16_t>(c));
        else AddAnsiSlow(c);
    }
    void AddCodePageByte(char c, int codePage);
    void AddUnicode(char16_t c);

    // The collected text, in the buffer's form; the buffer is empty afterwards.
    std::string TakeAnsi();
    std::u16string TakeWide();

private:
    static constexpr int AnsiCodePage = -1;  // pending bytes that are in the ANSI code page
    void AddAnsiSlow(char c);
    void FlushBytes();
    void FlushAll();

    bool FWide;
    std::string FAnsi;
    std::u16string FUnicode;
    std::string FPendingBytes;  // not yet decoded: a double-byte character may be cut in two
    int FPendingCodePage = AnsiCodePage;
    bool FAwaitingTrailByte = false;  // the pending bytes end with the first of two
    std::u16string FPendingWide;  // 8-bit form only: decoded, not yet narrowed to ANSI
};
