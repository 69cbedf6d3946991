// Feeds arbitrary text to the registry-file reader, then writes what it understood and reads
// that back: the second reading must give the same text.
#include "platform/Registry.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TRegistryData first;
    first.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string text = first.Serialize();
    TRegistryData second;
    second.Parse(text);
    if (second.Serialize() != text) std::abort();
    return 0;
}
