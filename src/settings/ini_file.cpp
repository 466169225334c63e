#include "settings/ini_file.h"

#include "base/atomic_file.h"
#include "base/whole_file.h"

#include <cstddef>
#include <filesystem>
#include <utility>
#include <vector>

namespace marovin {
namespace {

// One line of the text: [begin, content_end) is its content without the line
// ending, [content_end, end) the ending itself (CR LF, LF, or nothing for a
// last line without one).
struct Line {
    std::size_t begin = 0;
    std::size_t content_end = 0;
    std::size_t end = 0;
};

std::vector<Line> split_lines(const std::string& text)
{
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t newline = text.find('\n', begin);
        Line line;
        line.begin = begin;
        if (newline == std::string::npos) {
            line.content_end = line.end = text.size();
        } else {
            line.end = newline + 1;
            line.content_end = newline;
            if (line.content_end > begin && text[line.content_end - 1] == '\r')
                --line.content_end;
        }
        lines.push_back(line);
        begin = line.end;
    }
    return lines;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

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

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(const std::string& text, std::size_t from, std::size_t to, const std::string& name)
{
    if (to - from != name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (ascii_lower(text[from + i]) != ascii_lower(name[i]))
            return false;
    return true;
}

std::string trimmed(const std::string& name)
{
    const std::size_t from = skip_blanks(name, 0, name.size());
    return name.substr(from, trim_blanks_back(name, from, name.size()) - from);
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
        std::size_t close = text.find(']', start + 1);
        if (close == std::string::npos || close > line.content_end)
            close = line.content_end;
        p.kind = LineKind::Section;
        p.name_begin = skip_blanks(text, start + 1, close);
        p.name_end = trim_blanks_back(text, p.name_begin, close);
        return p;
    }
    const std::size_t equals = text.find('=', start);
    if (equals == std::string::npos || equals >= line.content_end)
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
    std::size_t section_line = 0; // index of the section's header line
    std::size_t last_content_line = 0; // last non-blank line of the section
    bool key_found = false;
    std::size_t key_line = 0;
    Parsed key;
};

// Only the first section of that name counts, as in the Windows service.
Place locate(const std::string& text, const std::vector<Line>& lines, const std::string& section,
             const std::string& key)
{
    Place place;
    const std::string wanted_section = trimmed(section);
    const std::string wanted_key = trimmed(key);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Parsed p = parse(text, lines[i]);
        if (p.kind == LineKind::Section) {
            if (place.section_found)
                break;
            if (same_name(text, p.name_begin, p.name_end, wanted_section)) {
                place.section_found = true;
                place.section_line = place.last_content_line = i;
            }
            continue;
        }
        if (!place.section_found)
            continue;
        if (skip_blanks(text, lines[i].begin, lines[i].content_end) != lines[i].content_end)
            place.last_content_line = i;
        if (p.kind == LineKind::Entry && same_name(text, p.name_begin, p.name_end, wanted_key)) {
            place.key_found = true;
            place.key_line = i;
            place.key = p;
            break;
        }
    }
    return place;
}

std::string line_ending_of(const std::string& text)
{
    const std::size_t newline = text.find('\n');
    if (newline != std::string::npos && (newline == 0 || text[newline - 1] != '\r'))
        return "\n";
    return "\r\n";
}

bool has_line_break(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

} // namespace

std::optional<std::string> find_ini_value(const std::string& text, const std::string& section,
                                          const std::string& key)
{
    const std::vector<Line> lines = split_lines(text);
    const Place place = locate(text, lines, section, key);
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
    const std::vector<Line> lines = split_lines(text);
    const Place place = locate(text, lines, section, key);
    const std::string eol = line_ending_of(text);
    const std::string entry = trimmed(key) + "=" + value;

    if (place.key_found) {
        // Keep the key as spelt and the blanks after "="; replace the value
        // up to the line ending.
        const Line& line = lines[place.key_line];
        return text.substr(0, place.key.value_begin) + value + text.substr(line.content_end);
    }
    if (place.section_found) {
        const Line& last = lines[place.last_content_line];
        std::string result = text.substr(0, last.end);
        if (last.content_end == last.end) // the file's last line, without an ending
            result += eol;
        result += entry + eol;
        result += text.substr(last.end);
        return result;
    }
    std::string result = text;
    if (!result.empty() && result.back() != '\n')
        result += eol;
    result += "[" + trimmed(section) + "]" + eol + entry + eol;
    return result;
}

std::optional<std::string> read_ini_value(const std::string& path, const std::string& section,
                                          const std::string& key)
{
    const Result<std::string> text = read_whole_file(path);
    if (!text)
        return std::nullopt;
    return find_ini_value(*text, section, key);
}

Status write_ini_value(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value)
{
    if (has_line_break(section) || has_line_break(key) || has_line_break(value))
        return fail("cannot write " + key + " in " + path + ": the text holds a line break");
    if (trimmed(section).empty() || trimmed(key).empty() || section.find(']') != std::string::npos ||
        key.find('=') != std::string::npos || trimmed(key).front() == ';' || trimmed(key).front() == '[')
        return fail("cannot write \"" + key + "\" in section \"" + section + "\" of " + path +
                    ": not a valid name");

    namespace fs = std::filesystem;
    // A file that is a link to the real one stays a link: write its target.
    std::string target = path;
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        const fs::path resolved = fs::weakly_canonical(path, error);
        if (!error)
            target = resolved.string();
    }

    std::string text;
    error.clear();
    const bool exists = fs::exists(target, error);
    if (error)
        return fail("cannot read " + target + ": " + error.message());
    if (exists) {
        Result<std::string> content = read_whole_file(target);
        if (!content)
            return fail(content.error());
        text = std::move(*content);
    }

    const std::string updated = set_ini_value(text, section, key, value);
    if (exists && updated == text)
        return ok();
    Result<AtomicFile> file = AtomicFile::create(target);
    if (!file)
        return fail(file.error());
    file->stream() << updated;
    return file->commit();
}

} // namespace marovin
