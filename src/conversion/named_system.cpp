#include "conversion/named_system.h"

#include "readers/system_mentions.h"
#include "readers/textual_header.h"

namespace marovin {

std::optional<NamedSystem> one_named_system(const std::vector<std::string>& mentions)
{
    std::optional<NamedSystem> only;
    for (const std::string& mention : mentions) {
        std::optional<NamedSystem> system = identify_system(mention);
        if (!system)
            continue;
        if (only && only->definition != system->definition)
            return std::nullopt;
        only = std::move(system);
    }
    return only;
}

std::optional<NamedSystem> textual_header_system(const SeismicFile& file)
{
    std::vector<std::string> mentions;
    for (const std::string& block : file.text_blocks())
        for (const std::string& card : text_cards(block))
            for (std::string& mention : system_mentions(card))
                mentions.push_back(std::move(mention));
    return one_named_system(mentions);
}

std::string textual_header_system_text(const NamedSystem& system)
{
    return "system " + system.definition + ", " + system.name + ", from the textual header";
}

} // namespace marovin
