#include "dropimport/RtfTextBuffer.h"

#include "dropimport/RtfCodePage.h"
#include "platform/CodePage.h"

void TRVRTFTextBuffer::Reset(bool wide) {
    FWide = wide;
    FAnsi.clear();
    FUnicode.clear();
    FPendingBytes.clear();
    FPendingWide.clear();
    FAwaitingTrailByte = false;
}

void TRVRTFTextBuffer::AddAnsiSlow(char c) {
    // Japanese and Chinese RTF writes a second byte below 0x80 as a plain character ("\'83n").
    if (FAwaitingTrailByte) {
        FAwaitingTrailByte = false;
        FPendingBytes.push_back(c);
        return;
    }
    if (FWide && static_cast<unsigned char>(c) >= 0x80) {
        if (FPendingCodePage != AnsiCodePage) FlushBytes();
        FPendingCodePage = AnsiCodePage;
        FPendingBytes.push_back(c);
    } else if (FWide) {
        FlushBytes();
        FUnicode.push_back(static_cast<char16_t>(c));
    } else {
        FlushAll();
        FAnsi.push_back(c);
    }
}

void TRVRTFTextBuffer::AddCodePageByte(char c, int codePage) {
    if (FPendingCodePage != codePage) FlushBytes();
    FPendingCodePage = codePage;
    FPendingBytes.push_back(c);
    FAwaitingTrailByte = !FAwaitingTrailByte && RtfCodePage::IsLeadByte(static_cast<unsigned char>(c), codePage);
}

void TRVRTFTextBuffer::AddUnicode(char16_t c) {
    FlushBytes();
    (FWide ? FUnicode : FPendingWide).push_back(c);
}

void TRVRTFTextBuffer::FlushBytes() {
    FAwaitingTrailByte = false;
    if (FPendingBytes.empty()) return;
    const std::u16string wide = FPendingCodePage == AnsiCodePage ? CodePage::AnsiToWide(FPendingBytes)
                                                                 : RtfCodePage::Decode(FPendingBytes, FPendingCodePage);
    (FWide ? FUnicode : FPendingWide) += wide;
    FPendingBytes.clear();
}

void TRVRTFTextBuffer::FlushAll() {
    FlushBytes();
    if (FPendingWide.empty()) return;
    FAnsi += CodePage::WideToAnsi(FPendingWide);
    FPendingWide.clear();
}

std::string TRVRTFTextBuffer::TakeAnsi() {
    FlushAll();
    std::string text;
    text.swap(FAnsi);
    return text;
}

std::u16string TRVRTFTextBuffer::TakeWide() {
    FlushAll();
    std::u16string text;
    text.swap(FUnicode);
    return text;
}
