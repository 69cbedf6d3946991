// Decodes arbitrary bytes as the note block's UTF-8; and checks that any UTF-16 text, encoded
// unit by unit, decodes back to itself.
#include "store/NoteFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (ReportUtils::UTF8ToWideString(bytes).size() > size) std::abort();

    std::u16string units(size / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    if (ReportUtils::UTF8ToWideString(ReportUtils::WideStringToURF8(units)) != units) std::abort();
    return 0;
}
