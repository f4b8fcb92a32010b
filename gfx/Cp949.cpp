// CP949 to UTF-8 through iconv.
#include "gfx/Cp949.h"

#include <iconv.h>

#include <cerrno>

std::string Cp949ToUtf8(std::string_view cp949) {
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter: keep the plain ASCII part rather than nothing.
    for (char c : cp949) {
      if (static_cast<unsigned char>(c) < 0x80) out += c;
    }
    return out;
  }
  char buffer[256];
  char* in = const_cast<char*>(cp949.data());
  size_t inLeft = cp949.size();
  while (inLeft > 0) {
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    const size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
    out.append(buffer, static_cast<size_t>(to - buffer));
    if (done != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    if (errno == EINVAL) break;  // a lead byte without its trail: dropped
    ++in;                        // EILSEQ: skip the byte that starts nothing
    --inLeft;
  }
  iconv_close(cd);
  return out;
}
