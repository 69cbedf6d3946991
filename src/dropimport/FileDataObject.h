#pragma once
// A file offered to the drop target as the formats a program dropping it would offer:
// ".eml" an e-mail message (and its plain-text body as text, as a mail program offers both),
// ".html"/".htm" "HTML Format" with the file's address as its source, ".rtf" "Rich Text
// Format", ".url" a link named after the file, anything else without NUL bytes plain text.
// Text goes over with CR LF line ends, as those formats carry them.
#include "dropimport/DataObject.h"

#include <cstdint>
#include <string>

class TFileDataObject : public TDataObject {
public:
    // Larger files are not read: a note of that size is no use to anyone.
    static constexpr std::uint64_t MaxFileBytes = 256ull * 1024 * 1024;

    explicit TFileDataObject(std::string path);
    // Whether the file could be read (it exists, is a regular file and not too big).
    bool Loaded() const { return FLoaded; }
    // The file's name without its folder and extension.
    std::string BaseName() const;

    bool QueryGetData(const std::string& format) override;
    TGetResult GetData(const std::string& format, std::string& bytes) override;

private:
    enum class TKind { Message, Html, Rtf, Link, Text, None };
    std::string Format() const;

    std::string FPath;
    std::string FBytes;
    std::string FLinkUrl;  // the address of an Internet shortcut
    TKind FKind = TKind::None;
    bool FLoaded = false;
};
