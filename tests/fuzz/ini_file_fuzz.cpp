// The INI reader and writer on any text, with any names and value.
//
// Input: the section, the key, the value and a second key, each up to a NUL
// byte, then the INI text.
//
// Properties, for names and a value the writer accepts:
//   - after setting the key, reading it gives the value (as the reader gives
//     values: blanks around it dropped, one pair of enclosing quotes taken
//     off);
//   - the text changes in one line only: the bytes before and after the
//     written line are the text's own (a new section or key adds lines but
//     rewrites none), and the second key reads as it did;
//   - setting the same value again changes nothing (for a value that does not
//     start with a blank, which the reader would skip);
//   - the file written by write_ini_value holds exactly those bytes and reads
//     back the same way;
// and for names or a value it refuses, the file is left as it was.
#include "fuzz_support.h"

#include "settings/ini_file.h"

#include <algorithm>
#include <cstdint>
#include <string>

using namespace marovin;
using marovin::fuzz::Input;

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(std::string_view s)
{
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool has_line_break(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// What the writer accepts: names and value on one line, names not empty, a
// section without "]", a key without "=" that does not start like a comment
// or a section.
bool accepted(const std::string& section, const std::string& key, const std::string& value)
{
    if (has_line_break(section) || has_line_break(key) || has_line_break(value))
        return false;
    const std::string s = trimmed(section), k = trimmed(key);
    return !s.empty() && !k.empty() && section.find(']') == std::string::npos && key.find('=') == std::string::npos &&
           k.front() != ';' && k.front() != '[';
}

std::string read_back(const std::string& value)
{
    std::string v = trimmed(value);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

std::string show(const std::optional<std::string>& v) { return v ? fuzz::printable(*v) : "(none)"; }

void check_one_line_changed(const std::string& before, const std::string& after, const std::string& about)
{
    const std::size_t shortest = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < shortest && before[head] == after[head])
        ++head;
    std::size_t tail = 0;
    while (tail < shortest - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    // Within the text's lines, only the bytes of one line may differ.
    const std::string_view replaced = std::string_view(before).substr(head, before.size() - head - tail);
    FUZZ_CHECK(replaced.find('\n') == std::string_view::npos,
               about + "bytes of more than one line were rewritten: " + fuzz::printable(replaced));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input(data, size);
    const std::string section(input.text());
    const std::string key(input.text());
    const std::string value(input.text());
    const std::string other_key(input.text());
    const std::string text(input.rest());
    const std::string about = "[" + fuzz::printable(section) + "] " + fuzz::printable(key) + "=" +
                              fuzz::printable(value) + " in " + fuzz::printable(text) + ": ";

    const std::string path = fuzz::scratch_path("Tervalo.ini");
    fuzz::write_file(path, text);
    const Status written = write_ini_value(path, section, key, value);
    if (!accepted(section, key, value)) {
        FUZZ_CHECK(!written.ok(), about + "refused names or value were written");
        FUZZ_CHECK(fuzz::read_file(path) == text, about + "a refused write changed the file");
        return 0;
    }
    FUZZ_CHECK(written.ok(), about + written.error());

    const std::string updated = set_ini_value(text, section, key, value);
    FUZZ_CHECK(fuzz::read_file(path) == updated, about + "the file differs from the text set");
    const std::optional<std::string> found = find_ini_value(updated, section, key);
    FUZZ_CHECK(found == read_back(value), about + "reads back " + show(found));
    const Result<std::optional<std::string>> read = read_ini_value(path, section, key);
    FUZZ_CHECK(read.ok() && *read == found, about + "the file reads otherwise than the text");

    check_one_line_changed(text, updated, about);
    if (lower(trimmed(other_key)) != lower(trimmed(key))) {
        const std::optional<std::string> other_before = find_ini_value(text, section, other_key);
        const std::optional<std::string> other_after = find_ini_value(updated, section, other_key);
        FUZZ_CHECK(other_before == other_after, about + "the key " + fuzz::printable(other_key) + " read " +
                                                    show(other_before) + ", now " + show(other_after));
    }
    if (value.empty() || !blank(value.front())) {
        const std::string again = set_ini_value(updated, section, key, value);
        FUZZ_CHECK(again == updated, about + "setting the value again gives " + fuzz::printable(again));
    }
    return 0;
}
