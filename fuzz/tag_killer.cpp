// Reduces arbitrary text to one plain line: never longer than the input, never a line feed.
#include "store/TextHelpers.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = ReportUtils::TagKiller(std::string(reinterpret_cast<const char*>(data), size));
    if (text.size() > size || text.find('\n') != std::string::npos) std::abort();
    return 0;
}
