#pragma once
// The text of SEG-Y textual headers: blocks of 3200 bytes, 40 cards of 80
// characters each, in EBCDIC (revisions 0 and 1; code page 037) or in ASCII
// (which revision 2 allows), the textual header and each extended one alike.

#include <string>
#include <string_view>
#include <vector>

namespace marovin {

inline constexpr std::size_t kCardCharacters = 80;

// Whether a block is EBCDIC rather than ASCII: more of its bytes are
// EBCDIC letters, digits and blanks than ASCII ones.
bool is_ebcdic(std::string_view block);

// The block's text in UTF-8, one line per card of 80 bytes (a shorter last
// card as it is), trailing blanks dropped; a byte that is no printable
// character of its code becomes a blank.
std::vector<std::string> text_cards(std::string_view block);

// Whether the block holds the stanza that ends the extended textual headers,
// "((SEG: EndText))", in either code, whatever its case and its blanks
// ("((  seg: endTEXt  ))").
bool holds_end_stanza(std::string_view block);

} // namespace marovin
