// Input shown back to the user (in a refusal, a warning, an echoed word) as harmless text: a
// hostile script or file name must not reach the terminal as escape sequences, cut a message
// at a NUL, or flood the screen.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// How much of an echoed word is shown; paths are shown up to the longest the system opens.
inline constexpr size_t EchoedWordChars = 80;
inline constexpr size_t EchoedPathChars = 4096;

// `text` with every control byte escaped (\0, \t, \n, \r, \x1b; the UTF-8 forms of C1 controls
// and bytes that are not UTF-8 as \xHH, a backslash as \\) and, past `maxChars` characters,
// cut with "…". Other UTF-8, Korean included, is kept as it is.
std::string Printable(std::string_view text, size_t maxChars = EchoedWordChars);

std::string PrintablePath(const std::filesystem::path& path);

// `text` as one word a shell takes back exactly when the line is pasted: in single quotes, a quote
// as \', and the bytes Printable would escape as "$(printf '\ooo')" (bash, dash and every POSIX
// shell take that form) so that no control byte reaches the terminal, but for line breaks that
// end the word, left in its quotes. Never cut.
std::string ShellQuoted(std::string_view text);
