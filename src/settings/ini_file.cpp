#include "settings/ini_file.h"

#include "base/atomic_file.h"
#include "base/plain_text.h"
#include "base/whole_file.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <filesystem>

namespace marovin {
namespace {

// One line of the text: [begin, content_end) is its content without the line
// ending, [content_end, end) the ending itself (CR LF, LF, a lone CR, or
// nothing for a last line without one).
struct Line {
    std::size_t begin = 0;
    std::size_t content_end = 0;
    std::size_t end = 0;
};

// The line that starts at `begin` (< text.size()).
Line line_at(const std::string& text, std::size_t begin)
{
    Line line;
    line.begin = begin;
    const std::size_t ending = text.find_first_of("\r\n", begin);
    if (ending == std::string::npos) {
        line.content_end = line.end = text.size();
        return line;
    }
    line.content_end = ending;
    line.end = ending + 1;
    if (text[ending] == '\r' && line.end < text.size() && text[line.end] == '\n')
        ++line.end;
    return line;
}

// Where `c` first occurs in [from, to), or `to`: searches never run past the
// line, so that reading stays linear in the size of the file.
std::size_t find_in(const std::string& text, char c, std::size_t from, std::size_t to)
{
    return static_cast<std::size_t>(
        std::find(text.begin() + static_cast<std::ptrdiff_t>(from), text.begin() + static_cast<std::ptrdiff_t>(to), c) -
        text.begin());
}

std::size_t skip_blanks(const std::string& text, std::size_t from, std::size_t to)
{
    while (from < to && is_blank(text[from]))
        ++from;
    return from;
}

std::size_t trim_blanks_back(const std::string& text, std::size_t from, std::size_t to)
{
    while (to > from && is_blank(text[to - 1]))
        --to;
    return to;
}

bool same_name(const std::string& text, std::size_t from, std::size_t to, std::string_view name)
{
    return equal_ignoring_case(std::string_view(text).substr(from, to - from), name);
}

enum class LineKind { Other, Section, Entry };

// What a line is, with the places of its name and (for entries) its value.
struct Parsed {
    LineKind kind = LineKind::Other;
    std::size_t name_begin = 0, name_end = 0;
    std::size_t value_begin = 0, value_end = 0;
};

Parsed parse(const std::string& text, const Line& line)
{
    Parsed p;
    const std::size_t start = skip_blanks(text, line.begin, line.content_end);
    if (start == line.content_end || text[start] == ';')
        return p;
    if (text[start] == '[') {
        const std::size_t close = find_in(text, ']', start + 1, line.content_end);
        p.kind = LineKind::Section;
        p.name_begin = skip_blanks(text, start + 1, close);
        p.name_end = trim_blanks_back(text, p.name_begin, close);
        return p;
    }
    const std::size_t equals = find_in(text, '=', start, line.content_end);
    if (equals == line.content_end)
        return p;
    p.name_begin = start;
    p.name_end = trim_blanks_back(text, start, equals);
    if (p.name_end == p.name_begin)
        return p; // "=value" has no key
    p.kind = LineKind::Entry;
    p.value_begin = skip_blanks(text, equals + 1, line.content_end);
    p.value_end = trim_blanks_back(text, p.value_begin, line.content_end);
    return p;
}

// Where a key was found, or where its section is.
struct Place {
    bool section_found = false;
    Line last_content_line; // last non-blank line of the section
    bool key_found = false;
    Line key_line;
    Parsed key;
};

// Only the first section of that name counts, as in the Windows service.
// Lines are taken one at a time, each looked at once.
Place locate(const std::string& text, const std::string& section, const std::string& key)
{
    Place place;
    const std::string_view wanted_section = trimmed(section);
    const std::string_view wanted_key = trimmed(key);
    for (std::size_t begin = 0; begin < text.size();) {
        const Line line = line_at(text, begin);
        begin = line.end;
        const Parsed p = parse(text, line);
        if (p.kind == LineKind::Section) {
            if (place.section_found)
                break;
            if (same_name(text, p.name_begin, p.name_end, wanted_section)) {
                place.section_found = true;
                place.last_content_line = line;
            }
            continue;
        }
        if (!place.section_found)
            continue;
        if (skip_blanks(text, line.begin, line.content_end) != line.content_end)
            place.last_content_line = line;
        if (p.kind == LineKind::Entry && same_name(text, p.name_begin, p.name_end, wanted_key)) {
            place.key_found = true;
            place.key_line = line;
            place.key = p;
            break;
        }
    }
    return place;
}

// The text's own line ending: that of its first line; CR LF for a text of
// one line.
std::string line_ending_of(const std::string& text)
{
    const std::size_t ending = text.find_first_of("\r\n");
    if (ending == std::string::npos)
        return "\r\n";
    if (text[ending] == '\n')
        return "\n";
    return ending + 1 < text.size() && text[ending + 1] == '\n' ? "\r\n" : "\r";
}

bool has_line_break(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

} // namespace

std::optional<std::string> find_ini_value(const std::string& text, const std::string& section, const std::string& key)
{
    const Place place = locate(text, section, key);
    if (!place.key_found)
        return std::nullopt;
    std::size_t begin = place.key.value_begin;
    std::size_t end = place.key.value_end;
    if (end - begin >= 2 && (text[begin] == '"' || text[begin] == '\'') && text[end - 1] == text[begin]) {
        ++begin;
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string set_ini_value(const std::string& text, const std::string& section, const std::string& key,
                          const std::string& value)
{
    const Place place = locate(text, section, key);
    const std::string eol = line_ending_of(text);
    const std::string entry = std::string(trimmed(key)) + "=" + value;

    if (place.key_found) {
        // Keep the key as spelt and the blanks after "="; replace the value
        // up to the line ending.
        return text.substr(0, place.key.value_begin) + value + text.substr(place.key_line.content_end);
    }
    if (place.section_found) {
        const Line& last = place.last_content_line;
        std::string result = text.substr(0, last.end);
        if (last.content_end == last.end) // the file's last line, without an ending
            result += eol;
        result += entry + eol;
        result += text.substr(last.end);
        return result;
    }
    std::string result = text;
    if (!result.empty() && !is_line_end(result.back()))
        result += eol;
    result += "[" + std::string(trimmed(section)) + "]" + eol + entry + eol;
    return result;
}

namespace {

// The bytes of the INI file at `path`: those of an empty file when there is
// none. Only a regular file is read: a folder, a FIFO or a device in its
// place is an error, not an empty file (and a FIFO is not waited on).
Result<std::string> read_ini_bytes(const std::string& path)
{
    Result<std::optional<std::string>> bytes = read_whole_file_if_present(path);
    if (!bytes)
        return fail(bytes.error());
    return bytes->value_or(std::string());
}

Status write_ini_file(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& value)
{
    if (has_line_break(section) || has_line_break(key) || has_line_break(value))
        return fail("cannot write " + key + " in " + path + ": the text holds a line break");
    if (trimmed(section).empty() || trimmed(key).empty() || section.find(']') != std::string::npos ||
        key.find('=') != std::string::npos || trimmed(key).front() == ';' || trimmed(key).front() == '[')
        return fail("cannot write \"" + key + "\" in section \"" + section + "\" of " + path + ": not a valid name");

    namespace fs = std::filesystem;
    // A file that is a link to the real one stays a link: write its target.
    std::string target = path;
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        const fs::path resolved = fs::weakly_canonical(path, error);
        if (!error)
            target = resolved.string();
    }

    Result<std::string> text = read_ini_bytes(target);
    if (!text)
        return fail(text.error());
    // Never true for a missing file: the entry is then always added.
    const std::string updated = set_ini_value(*text, section, key, value);
    if (updated == *text)
        return ok();
    Result<AtomicFile> file = AtomicFile::create(target);
    if (!file)
        return fail(file.error());
    file->stream() << updated;
    return file->commit();
}

} // namespace

Result<std::optional<std::string>> read_ini_value(const std::string& path, const std::string& section,
                                                  const std::string& key)
{
    try {
        Result<std::string> text = read_ini_bytes(path);
        if (!text)
            return fail(text.error());
        return find_ini_value(*text, section, key);
    } catch (const std::exception& e) { // out of memory
        return fail("cannot read " + path + ": " + e.what());
    }
}

Status write_ini_value(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value)
{
    try {
        return write_ini_file(path, section, key, value);
    } catch (const std::exception& e) {
        return fail("cannot write " + path + ": " + e.what());
    }
}

} // namespace marovin
