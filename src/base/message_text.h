#pragma once
// Quoting of what the converter found in a job (a token, a line, a system
// name) inside its one-line messages. A job can hold anything: gigabytes on
// one line, NUL and CR bytes, binary data. A message shows at most
// kQuotedMax characters of such text, with control and non-ASCII bytes as
// escapes, so it stays one short printable line whatever the job holds:
//
//   quoted("12a")               -> "\"12a\""
//   quoted("a\rb")              -> "\"a\\rb\""
//   quoted(<2 GB of digits>)    -> the first 40 digits in quotes, then "..."

#include <cstddef>
#include <string>
#include <string_view>

namespace marovin {

inline constexpr std::size_t kQuotedMax = 40;

// `text` in double quotes, escaped (\r, \n, \t, \", \\, \xHH), cut after
// kQuotedMax bytes; a cut text is followed by "..." after the closing quote.
std::string quoted(std::string_view text);

// `text` with its control bytes escaped, not cut: for names the user chose
// (the job file's path), whose other bytes are letters of the user's.
std::string escaped(std::string_view text);

} // namespace marovin
