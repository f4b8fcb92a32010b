// Escaping of echoed input.
#include "util/Printable.h"

namespace {

bool Continuation(std::string_view s, size_t at) {
  return at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence of two or more bytes at the start of `s`
// (no overlong forms, no surrogates, nothing past U+10FFFF); 0 when there is none.
size_t SequenceLength(std::string_view s) {
  const auto b0 = static_cast<unsigned char>(s[0]);
  const auto b1 = s.size() > 1 ? static_cast<unsigned char>(s[1]) : 0;
  size_t n = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (b1 < lo || b1 > hi) return 0;
  for (size_t i = 2; i < n; ++i) {
    if (!Continuation(s, i)) return 0;
  }
  return n;
}

// The length of what starts `s` and is shown as it is: a printable ASCII byte, or a UTF-8
// sequence other than U+0080..U+009F (terminals take some of those, CSI and OSC, as controls);
// 0 for a byte to escape.
size_t ShownLength(std::string_view s) {
  const auto c = static_cast<unsigned char>(s[0]);
  const size_t n = SequenceLength(s);
  const bool c1 = n == 2 && c == 0xC2 && static_cast<unsigned char>(s[1]) < 0xA0;
  return n > 0 && !c1 ? n : c >= 0x20 && c < 0x7F ? 1 : 0;
}

void AppendEscaped(std::string& out, unsigned char c) {
  switch (c) {
    case '\0': out += "\\0"; return;
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\\': out += "\\\\"; return;
    default: break;
  }
  static constexpr char Hex[] = "0123456789abcdef";
  out += "\\x";
  out += Hex[c >> 4];
  out += Hex[c & 15];
}

}  // namespace

std::string Printable(std::string_view text, size_t maxChars) {
  std::string out;
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++chars) {
    if (chars == maxChars) {
      out += "…";
      break;
    }
    const size_t n = ShownLength(text.substr(i));
    if (n > 0 && text[i] != '\\') {
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    AppendEscaped(out, static_cast<unsigned char>(text[i]));
    ++i;
  }
  return out;
}

std::string ShellQuoted(std::string_view text) {
  std::string out = "'";
  bool quoted = true;  // inside '…' now
  const auto Quote = [&](bool open) {
    if (open != quoted) out += '\'';
    quoted = open;
  };
  for (size_t i = 0; i < text.size();) {
    const size_t n = ShownLength(text.substr(i));
    if (n > 0) {
      Quote(text[i] != '\'');
      out += text[i] == '\'' ? "\\'" : text.substr(i, n);
      i += n;
    } else if (text.find_first_not_of('\n', i) == std::string_view::npos) {
      // $(…) drops the line breaks that end it: these go in quotes as they are, and draw nothing.
      Quote(true);
      out += text.substr(i);
      break;
    } else {
      // Bytes no terminal should see, as printf's octal escapes, which bash and dash both take
      // (dash has no $'…'); a run ending in a line break takes the next byte along.
      Quote(false);
      out += "\"$(printf '";
      for (bool lineBreak = false; i < text.size() && (lineBreak || ShownLength(text.substr(i)) == 0); ++i) {
        if (text.find_first_not_of('\n', i) == std::string_view::npos) break;
        const auto c = static_cast<unsigned char>(text[i]);
        lineBreak = c == '\n';
        out += '\\';
        out += static_cast<char>('0' + (c >> 6));
        out += static_cast<char>('0' + ((c >> 3) & 7));
        out += static_cast<char>('0' + (c & 7));
      }
      out += "')\"";
    }
  }
  if (quoted) out += '\'';
  return out;
}

std::string PrintablePath(const std::filesystem::path& path) { return Printable(path.native(), EchoedPathChars); }
