#include "readers/system_mentions.h"

#include "base/plain_text.h"

#include <algorithm>
#include <optional>

namespace marovin {

namespace {

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_word_character(char c) { return is_letter(c) || is_digit(c); }

// Reads the text from a position on, in capitals, blanks skipped where the
// patterns allow them.
class Scanner {
public:
    Scanner(std::string_view text, std::size_t at) : text_(text), at_(at) {}
    std::size_t at() const { return at_; }
    void skip_blanks()
    {
        while (at_ < text_.size() && is_blank(text_[at_]))
            ++at_;
    }
    // Takes `word` (in capitals) when the text holds it here, in any case.
    bool take(std::string_view word)
    {
        if (text_.size() - at_ < word.size() || !equal_ignoring_case(text_.substr(at_, word.size()), word))
            return false;
        at_ += word.size();
        return true;
    }
    bool take_any(char a, char b)
    {
        if (at_ < text_.size() && (text_[at_] == a || text_[at_] == b)) {
            ++at_;
            return true;
        }
        return false;
    }
    // Digits here, at most `most` of them, with no digit after.
    std::string_view digits(std::size_t most)
    {
        std::size_t end = at_;
        while (end < text_.size() && is_digit(text_[end]))
            ++end;
        if (end == at_ || end - at_ > most)
            return {};
        const std::string_view taken = text_.substr(at_, end - at_);
        at_ = end;
        return taken;
    }
    bool word_ends() const { return at_ == text_.size() || !is_word_character(text_[at_]); }

private:
    std::string_view text_;
    std::size_t at_;
};

// "EPSG:23031", "EPSG 23031", "EPSG code: 23031", "EPSG::23031", the word
// EPSG found at `at`.
std::optional<std::string> epsg_code(std::string_view text, std::size_t at)
{
    Scanner s(text, at + 4);
    s.skip_blanks();
    if (s.take("CODE"))
        s.skip_blanks();
    while (s.take_any(':', '='))
        s.skip_blanks();
    const std::string_view code = s.digits(6);
    if (code.empty())
        return std::nullopt;
    return "EPSG:" + std::string(code);
}

struct Datum {
    std::string_view letters; // in capitals
    std::string_view number;
    std::string_view proj_name;
    bool map_grid_of_australia = false; // its UTM zones are named "MGA zone <n>", south only
};

constexpr Datum kDatums[] = {
    {"WGS", "84", "WGS 84"},          {"ED", "50", "ED50"},
    {"ETRS", "89", "ETRS89"},         {"NAD", "27", "NAD27"},
    {"NAD", "83", "NAD83"},           {"GDA", "94", "GDA94", true},
    {"GDA", "2020", "GDA2020", true}, {"SIRGAS", "2000", "SIRGAS 2000"},
};

// "<datum> [/] UTM [zone] <n><N|S>", the datum's letters found at `at`.
std::optional<std::string> utm_zone(std::string_view text, std::size_t at, const Datum& datum)
{
    Scanner s(text, at + datum.letters.size());
    s.skip_blanks();
    s.take_any('-', '_');
    if (!s.take(datum.number) || !s.word_ends())
        return std::nullopt;
    s.skip_blanks();
    if (s.take_any('/', '/'))
        s.skip_blanks();
    // The Map Grid of Australia is its datum's UTM zones of the south.
    const bool mga = datum.map_grid_of_australia && s.take("MGA");
    if (!mga && !s.take("UTM"))
        return std::nullopt;
    s.skip_blanks();
    if (s.take("ZONE"))
        s.skip_blanks();
    const std::string_view zone = s.digits(2);
    if (zone.empty())
        return std::nullopt;
    const int number = zone.size() == 1 ? zone[0] - '0' : (zone[0] - '0') * 10 + (zone[1] - '0');
    if (number < 1 || number > 60)
        return std::nullopt;
    const std::size_t before_hemisphere = s.at();
    s.skip_blanks();
    const bool north = s.take("N");
    const bool south = !north && s.take("S");
    if (mga && !north && !south)
        s = Scanner(text, before_hemisphere);
    else if ((!north && !south) || (mga && north))
        return std::nullopt;
    if (!s.word_ends())
        return std::nullopt;
    const std::string n = std::to_string(number);
    if (datum.map_grid_of_australia && !north)
        return std::string(datum.proj_name) + " / MGA zone " + n;
    return std::string(datum.proj_name) + " / UTM zone " + n + (north ? "N" : "S");
}

} // namespace

std::vector<std::string> system_mentions(std::string_view text)
{
    std::vector<std::string> found;
    const auto add = [&found](std::optional<std::string> name) {
        if (name && std::find(found.begin(), found.end(), *name) == found.end())
            found.push_back(std::move(*name));
    };
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!is_letter(text[at]) || (at > 0 && is_word_character(text[at - 1])))
            continue;
        if (Scanner(text, at).take("EPSG")) {
            add(epsg_code(text, at));
            continue;
        }
        for (const Datum& datum : kDatums)
            if (Scanner(text, at).take(datum.letters))
                add(utm_zone(text, at, datum));
    }
    return found;
}

} // namespace marovin
