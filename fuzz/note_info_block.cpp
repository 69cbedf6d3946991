// Reads a note file made of the fuzz bytes, as the notes tree does: the head is scanned for
// the info block, a file without one is repaired, and the block's XML is parsed. Then the
// values survive saving and loading: those read from the file, and values cut from the fuzz
// bytes, come back exactly as they were, save after save.
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "store/NoteFile.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using ReportUtils::TNoteInfo;

// The temporary folder of this run; a plain array, so the exit handler can still read it.
char Folder[] = "/tmp/quillbox-fuzz-XXXXXX";

const std::string& NoteFile() {
    static const std::string file = [] {
        if (!::mkdtemp(Folder)) std::abort();
        std::atexit([] { FileSystem::RemoveTree(Folder); });
        return std::string(Folder) + "/note.html";
    }();
    return file;
}

// Text a user can give a value: no NUL (which XML cannot hold) and no lone surrogate half
// (which no code page can hold).
bool IsUserText(const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u == 0 || (u >= 0xDC00 && u <= 0xDFFF)) return false;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        }
    }
    return true;
}

// Saves the values and reads them back, twice; every read must give them unchanged.
void CheckRoundTrip(const std::u16string& title, const std::u16string& url, const std::u16string& comments) {
    for (int save = 0; save < 2; ++save) {
        if (!ReportUtils::SaveNodeToXML(NoteFile(), "note", CodePage::WideToAnsi(title), CodePage::WideToAnsi(url),
                                        DateTimeUtils::Now(), CodePage::WideToAnsi(comments)))
            std::abort();
        TNoteInfo info;
        if (!ReportUtils::LoadNodeFromFile(NoteFile(), info)) std::abort();
        if (info.OriginalTitle != title || info.OriginalURL != url || info.Comments != comments) std::abort();
    }
}

std::u16string UserText(std::string_view bytes) {
    std::u16string text = CodePage::Utf8ToUtf16(bytes);
    std::erase(text, u'\0');
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");  // the ANSI code page of a usual session
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ofstream(NoteFile(), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
    TNoteInfo info;
    if (!ReportUtils::LoadNodeFromFile(NoteFile(), info)) std::abort();
    // Whatever was there, the file now has a block that reads back, unless it is UTF-16 text,
    // which is never rewritten.
    TNoteInfo again;
    if (!ReportUtils::LoadNodeFromFile(NoteFile(), again) || again.OriginalURL != info.OriginalURL) std::abort();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return 0;

    if (IsUserText(info.OriginalTitle) && IsUserText(info.OriginalURL) && IsUserText(info.Comments))
        CheckRoundTrip(info.OriginalTitle, info.OriginalURL, info.Comments);
    const size_t third = size / 3;
    CheckRoundTrip(UserText(bytes.substr(0, third)), UserText(bytes.substr(third, third)), UserText(bytes.substr(2 * third)));
    return 0;
}
