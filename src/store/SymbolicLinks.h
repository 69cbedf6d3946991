#pragma once
// The store never follows a link to a folder when it walks or deletes a tree: a link could
// loop, or lead to files outside the store.
#include <string>
#include <sys/stat.h>

namespace ReportUtils {

// True when the path (without a trailing "/") is a symbolic link, whatever it points to.
inline bool IsSymbolicLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace ReportUtils
