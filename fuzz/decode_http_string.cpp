// URL-decodes arbitrary text: never longer than the input, and a text without "%" and "+"
// comes back unchanged up to its first NUL.
#include "store/NoteFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = ReportUtils::decodeHTTPstring(text);
    if (decoded.size() > size) std::abort();
    if (text.find_first_of("%+") == std::string_view::npos && decoded != text.substr(0, text.find('\0'))) std::abort();
    return 0;
}
