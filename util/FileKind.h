// What a path is when it is no regular file, in the words every refusal of one uses, whether the
// file was to be read (a map, a sheet, a script) or written (a picture, a recording).
#pragma once

#include <string>
#include <sys/types.h>

// "is a directory", "is a FIFO", "is a character device", "is a block device", "is a socket";
// "is not a regular file" for any other kind.
std::string NotRegularFileKind(mode_t mode);
