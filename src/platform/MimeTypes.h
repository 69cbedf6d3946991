#pragma once
#include <string>

namespace MimeTypes {

// The MIME type for a file extension (with or without its dot): the registry file's
// HKEY_CLASSES_ROOT\<.ext> "Content Type", then /etc/mime.types, else
// "application/octet-stream".
std::string MimeTypeForExtension(const std::string& extension);

}  // namespace MimeTypes
