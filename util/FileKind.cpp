#include "util/FileKind.h"

#include <sys/stat.h>

std::string NotRegularFileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "is a directory";
  if (S_ISFIFO(mode)) return "is a FIFO";
  if (S_ISCHR(mode)) return "is a character device";
  if (S_ISBLK(mode)) return "is a block device";
  if (S_ISSOCK(mode)) return "is a socket";
  return "is not a regular file";
}
