// Splits arbitrary text as a URL; every part is a piece of the input.
#include "store/TextHelpers.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    std::string protocol, user, password, host, port, path;
    ReportUtils::ParseURL(url, protocol, user, password, host, port, path);
    for (const std::string* part : {&user, &password, &host, &port, &path})
        if (url.find(*part) == std::string::npos) std::abort();
    ReportUtils::PosN(std::string(url, 0, size % 4), url, static_cast<int>(size % 7) - 3);
    return 0;
}
