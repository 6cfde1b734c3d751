#pragma once
// Table file names: GBK names as the program gives them, resolved to the file system's
// absolute UTF-8 paths. Internal to the store.
#include <string>

#include "store/file.h"

namespace korvana::store::detail {

struct TablePath {
    std::string utf8;      // absolute and normalised, the file name matched ignoring case
    std::string baseName;  // GBK: the file name without directory and extension
};

// "\" and "/" both separate directories. A name without an extension gets ".EDB", a name
// ending in "." gets "EDB"; a relative name is resolved against the working directory; "."
// and ".." are resolved; the file name is matched ignoring ASCII case (exact name first).
// 0, -3 for an empty name, -4 for a name that is not valid GBK or contains a NUL.
int resolveTablePath(FileSystem& fs, const std::string& gbkName, TablePath* out);

}  // namespace korvana::store::detail
