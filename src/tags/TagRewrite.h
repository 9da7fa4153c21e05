#pragma once
// Rewriting a song file with a changed tag, all-or-nothing: the new file is
// written beside the old one under the name + "~" and renamed over it
// (files/AtomicFile.h). Internal to the tags folder.
#include <cstdint>

#include "files/AtomicFile.h"

namespace tagfile {

// The options every tag writer saves with.
Files::AtomicWriteOptions RewriteOptions();

// Appends bytes [from, to) of the file open as fd to out. False on a read or
// write error or when the file ends first.
bool CopyRange(int fd, int64_t from, int64_t to, Files::AtomicFile& out);

} // namespace tagfile
