// Cuts a marked block out of arbitrary lines; the first two lines are the markers. The block
// and the rest around it always add up to the source less the two marker lines.
#include "platform/Strings.h"
#include "store/NoteFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReportUtils::TStringList lines = Strings::SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (lines.size() < 2) return 0;
    const std::string start = lines[0], end = lines[1];
    lines.erase(lines.begin(), lines.begin() + 2);
    ReportUtils::TStringList block, rest;
    ReportUtils::GetByTemplate(start, end, lines, false, &block);
    ReportUtils::GetByTemplate(start, end, lines, true, &rest);
    if (!rest.empty() && block.size() + rest.size() + 2 != lines.size()) std::abort();
    return 0;
}
