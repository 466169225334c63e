#include "conversion/seismic_choices.h"

#include "base/plain_text.h"

#include <charconv>
#include <optional>

namespace marovin {

namespace {

constexpr std::string_view kTypedPair = "X,Y at bytes ";
constexpr std::string_view kTypedLabel = "Word at byte ";

// A 1-based byte where a 32-bit word of the trace header starts, written in
// decimal digits.
Result<HeaderPosition> header_byte(std::string_view text)
{
    text = trimmed(text);
    std::int64_t byte = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), byte);
    if (text.empty() || !is_digit(text.front()) || end != text.data() + text.size())
        return fail(in_quotes(text) + " is no byte of the trace header: give a number from 1 to " +
                    std::to_string(kLastWordByte));
    const std::optional<HeaderPosition> position = HeaderPosition::at_byte(error == std::errc() ? byte : -1);
    if (!position)
        return fail("byte " + std::string(text) +
                    " is outside the trace header: a 32-bit word starts at a byte from 1 to " +
                    std::to_string(kLastWordByte) + " of its 240");
    return *position;
}

// "201,205": the bytes of X and Y.
Result<CoordinatePair> header_bytes(std::string_view text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return fail(in_quotes(trimmed(text)) + " names no two bytes of the trace header, X then Y: give them as " +
                    "201,205");
    Result<HeaderPosition> x = header_byte(text.substr(0, comma));
    if (!x)
        return fail(x.error());
    Result<HeaderPosition> y = header_byte(text.substr(comma + 1));
    if (!y)
        return fail(y.error());
    return CoordinatePair{*x, *y};
}

// The rest of `text` after a typed form's words (any case, blanks around
// them aside); nothing when it does not start with them.
std::optional<std::string_view> after_typed(std::string_view text, std::string_view words)
{
    text = trimmed(text);
    words = trimmed(words);
    if (text.size() < words.size() || !equal_ignoring_case(text.substr(0, words.size()), words))
        return std::nullopt;
    return text.substr(words.size());
}

} // namespace

Result<CoordinatePair> pair_of_caption(std::string_view text)
{
    for (const PairChoice& choice : kPairChoices)
        if (text == choice.caption)
            return choice.pair;
    if (const std::optional<std::string_view> bytes = after_typed(text, kTypedPair))
        return header_bytes(*bytes);
    return kDefaultPair;
}

Result<HeaderPosition> label_of_caption(std::string_view text)
{
    for (const LabelChoice& choice : kLabelChoices)
        if (text == choice.caption || (!choice.word.empty() && text == choice.word))
            return choice.position;
    if (const std::optional<std::string_view> byte = after_typed(text, kTypedLabel))
        return header_byte(*byte);
    return kDefaultLabel;
}

Result<CoordinatePair> pair_of_word(std::string_view word)
{
    for (const PairChoice& choice : kPairChoices)
        if (equal_ignoring_case(word, choice.word))
            return choice.pair;
    if (!word.empty() && is_digit(trimmed(word).front()))
        return header_bytes(word);
    std::string words;
    for (const PairChoice& choice : kPairChoices)
        words += std::string(choice.word) + ", ";
    return fail(in_quotes(word) + " is no coordinate pair: " + words + "or the bytes of X and Y (201,205)");
}

Result<HeaderPosition> label_of_word(std::string_view word)
{
    for (const LabelChoice& choice : kLabelChoices)
        if (!choice.word.empty() &&
            (equal_ignoring_case(word, choice.word) || equal_ignoring_case(word, choice.caption)))
            return choice.position;
    if (!word.empty() && is_digit(trimmed(word).front()))
        return header_byte(word);
    std::string words;
    for (const LabelChoice& choice : kLabelChoices)
        if (!choice.word.empty())
            words += std::string(choice.word) + ", ";
    return fail(in_quotes(word) + " is no label word: " + words + "or the byte of a word of the trace header (5)");
}

std::string typed_pair_caption(CoordinatePair pair)
{
    return std::string(kTypedPair) + std::to_string(pair.x.byte()) + "," + std::to_string(pair.y.byte());
}

std::string typed_label_caption(HeaderPosition position)
{
    return std::string(kTypedLabel) + std::to_string(position.byte());
}

std::string pair_coordinates(CoordinatePair pair)
{
    for (const PairChoice& choice : kPairChoices)
        if (choice.pair == pair)
            return std::string(choice.name) + " coordinates";
    return "coordinates at bytes " + std::to_string(pair.x.byte()) + "," + std::to_string(pair.y.byte());
}

} // namespace marovin
