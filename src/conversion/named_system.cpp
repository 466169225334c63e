#include "conversion/named_system.h"

#include "base/message_text.h"
#include "base/plain_text.h"
#include "readers/system_mentions.h"
#include "readers/textual_header.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace marovin {

namespace {

// "system EPSG:23031, ED50 / UTM zone 31N, from the textual header"
std::string system_told(const NamedSystem& system, const std::string& where)
{
    return "system " + system.definition + (system.name.empty() ? "" : ", " + system.name) + ", from " + where;
}

// The system one text of a column names.
std::optional<NamedSystem> system_of(const XySystemColumn& column, std::string_view text)
{
    text = trimmed(text);
    const bool code = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return is_digit(c); });
    if (column.codes && code)
        return identify_system("EPSG:" + std::string(text));
    return identify_system(text);
}

// "the column Grid", "the columns EPSG and Projection".
std::string columns_named(const std::vector<XySystemColumn>& columns)
{
    std::string names;
    for (std::size_t k = 0; k < columns.size(); ++k)
        names += (k == 0 ? "" : k + 1 == columns.size() ? " and " : ", ") + columns[k].heading;
    return (columns.size() == 1 ? "the column " : "the columns ") + names;
}

FileNamedSystem list_system(const std::vector<XySystemColumn>& columns)
{
    auto none = [](std::string why) { return FileNamedSystem{std::nullopt, std::move(why)}; };
    std::vector<NamedSystem> found;
    for (const XySystemColumn& column : columns) {
        const std::string where = "the column " + column.heading;
        if (column.more)
            return none(where + " holds more than " + std::to_string(XySystemColumn::kMostTexts) + " different texts");
        for (const std::string& text : column.texts) {
            if (trimmed(text).empty())
                return none(where + " is empty on some lines");
            const std::optional<NamedSystem> system = system_of(column, text);
            if (!system)
                return none(where + " holds " + quoted(text) + ", which names no system PROJ knows");
            if (std::find(found.begin(), found.end(), *system) == found.end())
                found.push_back(*system);
        }
    }
    if (found.empty()) // a header without points
        return {};
    if (found.size() == 1)
        return {found.front(), system_told(found.front(), columns_named(columns))};
    std::string systems;
    for (const NamedSystem& system : found)
        systems += (systems.empty() ? "" : ", ") + system.definition + " (" + system.name + ")";
    return none(columns_named(columns) + (columns.size() == 1 ? " names" : " name") +
                " more than one system: " + systems);
}

} // namespace

FileNamedSystem file_named_system(const SeismicFile& file)
{
    std::optional<NamedSystem> only;
    for (const std::string& block : file.text_blocks()) {
        for (const std::string& card : text_cards(block)) {
            for (const std::string& mention : system_mentions(card)) {
                std::optional<NamedSystem> system = identify_system(mention);
                if (!system) // mentions PROJ does not know are passed over
                    continue;
                if (only && only->definition != system->definition)
                    return {};
                only = std::move(system);
            }
        }
    }
    if (!only)
        return {};
    std::string told = system_told(*only, "the textual header");
    return {std::move(only), std::move(told)};
}

FileNamedSystem file_named_system(const XyText& text)
{
    if (text.sps) {
        const std::string& code = text.sps->epsg;
        if (code.empty())
            return {};
        const NamedSystem system = identify_system(code).value_or(NamedSystem{code, ""});
        return {system, system_told(system, "its H records")};
    }
    if (!text.header || text.header->systems.empty())
        return {};
    return list_system(text.header->systems);
}

std::string file_named_system_note(const FileNamedSystem& system)
{
    if (system.told.empty())
        return {};
    return (system.system ? "The file names its system: " : "The system is not taken from the file: ") + system.told +
           ".";
}

} // namespace marovin
