// Reads the address of an Internet shortcut made of arbitrary bytes: the value is one line.
#include "favorites/ImportExport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url =
        ImportExport::ReadIniString(std::string_view(reinterpret_cast<const char*>(data), size), "InternetShortcut", "URL");
    if (url.find_first_of("\r\n") != std::string::npos) std::abort();
    return 0;
}
