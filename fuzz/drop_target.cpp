// Feeds arbitrary format/bytes pairs to the drop target's priority walk. The first byte says
// which formats are offered only in another medium; the rest is split at "\xff\xfe\xfd" into
// the bytes of the e-mail message, "HTML Format", "Rich Text Format", the link, the file group
// descriptor and plain text, in that order (an empty piece: the format is not offered).
#include "dropimport/DataObject.h"
#include "dropimport/NNotesDropTarget.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const std::array<const char*, 6> Formats = {CFSTR_INETMSG, CFSTR_HTML, CFSTR_RTF, CFSTR_URL, CFSTR_FILEDESCRIPTOR, CFSTR_TEXT};

class TFuzzData : public TDataObject {
public:
    std::array<std::string, 6> Bytes;
    unsigned NotInMemory = 0;
    bool QueryGetData(const std::string& format) override { return Index(format) >= 0; }
    TGetResult GetData(const std::string& format, std::string& bytes) override {
        const int i = Index(format);
        if (i < 0) return TGetResult::NotAvailable;
        if (NotInMemory & (1u << i)) return TGetResult::NotInMemory;
        bytes = Bytes[static_cast<size_t>(i)];
        return TGetResult::Ok;
    }

private:
    int Index(const std::string& format) const {
        for (size_t i = 0; i < Formats.size(); ++i)
            if (format == Formats[i]) return Bytes[i].empty() && !(NotInMemory & (1u << i)) ? -1 : static_cast<int>(i);
        return -1;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    TFuzzData object;
    object.NotInMemory = data[0];
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    size_t from = 0;
    for (size_t i = 0; i < Formats.size() && from <= rest.size(); ++i) {
        const size_t at = rest.find("\xff\xfe\xfd", from);
        object.Bytes[i] = rest.substr(from, at == std::string::npos ? std::string::npos : at - from);
        from = at == std::string::npos ? rest.size() + 1 : at + 3;
    }
    TNNotesDropTarget target;
    target.CheckValidFormats(object);
    const bool first = target.GetDataFromDataObject(object);
    const std::u16string html = target.HTML;
    // The walk depends on the data only: a second read gives the same result.
    if (target.GetDataFromDataObject(object) != first || target.HTML != html) std::abort();
    return 0;
}
