#include "cli/options.h"

#include "base/file_names.h"
#include "base/plain_text.h"
#include "conversion/road_points.h"
#include "conversion/seismic_choices.h"
#include "geodesy/geodesy.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

namespace marovin::cli {

namespace {

// Words joined as a sentence lists them: "a, b or c".
template <class Items, class Word>
std::string listed(const Items& items, Word word, std::string_view last_joint)
{
    std::vector<std::string> words;
    for (const auto& item : items)
        if (!word(item).empty())
            words.emplace_back(word(item));
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? std::string(last_joint) : ", ") + words[i];
    return text;
}

// An option's description, wrapped onto lines indented to the
// descriptions' column.
std::string option_line(std::string_view option, std::string_view description)
{
    constexpr std::size_t kColumn = 25, kWidth = 82;
    // Long options alone stand where those after a short one do.
    std::string text = (option.starts_with("--") ? "      " : "  ") + std::string(option);
    text.resize(kColumn, ' ');
    std::size_t length = kColumn;
    std::size_t at = 0;
    while (at < description.size()) {
        std::size_t end = description.find(' ', at);
        if (end == std::string_view::npos)
            end = description.size();
        const std::string_view word = description.substr(at, end - at);
        if (length > kColumn && length + 1 + word.size() > kWidth) {
            text += "\n" + std::string(kColumn, ' ');
            length = kColumn;
        } else if (length > kColumn) {
            text += ' ';
            ++length;
        }
        text += word;
        length += word.size();
        at = end + 1;
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text + "\n";
}

} // namespace

std::string usage_text()
{
    const std::string systems = listed(
        kKnownSystems, [](const KnownSystem& system) { return system.name; }, ", ");
    const std::string labels = listed(
        kLabelChoices, [](const LabelChoice& choice) { return choice.word; }, ", ");
    const std::string pairs = listed(
        kPairChoices, [](const PairChoice& choice) { return choice.word; }, ", ");
    return "usage: marovin-kml [OPTIONS] FILE...\n"
           "       marovin-kml --describe FILE...\n"
           "Writes the points of seismic files (SEG-Y or SU) or XY text files as KML\n"
           "documents in WGS84 degrees, as Marovin's window does, as KMZ archives with\n"
           "levels of detail, or as CSV.\n"
           "\n" +
           option_line("-s, --system NAME",
                       "source system: a name of the window's lists (" + systems +
                           "), EPSG:n or a PROJ string; default " + std::string(kDefaultSystem) +
                           ", or the system a file names (a seismic file's textual header, an SPS file's H records, a "
                           "list's Grid, CRS or EPSG column); "
                           "\"none\" converts nothing (with --csv)") +
           option_line("-l, --label WORD", "seismic label word: " + labels +
                                               " (default CDP), or the byte (1 to 237) of any 32-bit word of the "
                                               "trace header: 5") +
           option_line("-p, --pair WHICH", "seismic coordinate pair: " + pairs +
                                               " (default receiver), or the bytes of any two 32-bit words of the "
                                               "trace header, X then Y: 201,205") +
           option_line("--divisor N", "coordinate divisor; default: the header's scalar") +
           option_line("--layout TEXT",
                       "read FILEs as XY text of this layout: \"Number,X,Y,Z\", \"Number,X,Y\", \"X,Y,Z\", "
                       "\"X,Y\" or \"SPS\"") +
           option_line("-e, --every N", "label every N-th point (default 5)") +
           option_line("-n, --name TEXT",
                       "word before each label number (default: the label word; \"Station\" on the text road)") +
           option_line("-d, --description TEXT", "description of labelled points (default \"Seismic line 1\")") +
           option_line(
               "-o, --output PATH",
               "a file for one input, a folder for many or when PATH ends in /, - for standard output "
               "(default: beside each input, named as the window names it); a name ending in .kmz writes a KMZ") +
           option_line("--kmz", "write KMZ archives (lines, outline, tiles of points), named NAME.kmz beside each "
                                "input") +
           option_line("--csv", "write CSV: trace,number,x,y,longitude,latitude,name") +
           option_line("--describe",
                       "print what each seismic FILE holds (its found-line, textual header, named system, and "
                       "the words of its first and last trace); write nothing") +
           option_line("-j, --jobs N", "files at once (default: the number of cores)") +
           option_line("-q, --quiet", "no progress line") + option_line("--help, --version", "") +
           "\n"
           "Files without --layout are seismic; a name ending in SU (any case) is SU.\n"
           "One line per file on standard error says what was written or why not.\n"
           "Exit status: 0 every file written, 1 some file failed, 2 usage error.\n";
}

namespace {

Error usage(const std::string& what) { return fail(what); }

Status set_label(Options& options, std::string_view value)
{
    Result<HeaderPosition> label = label_of_word(value);
    if (!label)
        return usage("--label: " + label.error());
    options.label = *label;
    // The points are named by the word as the command spells it ("SP"),
    // or, for a word at any byte, as the window names it.
    options.label_name = typed_label_caption(*label);
    for (const LabelChoice& choice : kLabelChoices)
        if (!choice.word.empty() && choice.position == *label)
            options.label_name = std::string(choice.word);
    return ok();
}

Status set_pair(Options& options, std::string_view value)
{
    Result<CoordinatePair> pair = pair_of_word(value);
    if (!pair)
        return usage("--pair: " + pair.error());
    options.pair = *pair;
    return ok();
}

Result<int> whole_number(std::string_view option, std::string_view value, int least, int most)
{
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < least || number > most)
        return usage(std::string(option) + " takes a whole number from " + std::to_string(least) + " to " +
                     std::to_string(most) + ", not \"" + std::string(value) + "\"");
    return number;
}

} // namespace

Result<Options> parse_options(const std::vector<std::string>& arguments)
{
    Options options;
    bool only_files = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (only_files || argument.empty() || argument[0] != '-' || argument == "-") {
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            only_files = true;
            continue;
        }
        // The option's name and its value: "--every=5", "--every 5", "-e5",
        // "-e 5".
        std::string name = argument;
        std::optional<std::string> value;
        if (argument.rfind("--", 0) == 0) {
            if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
                name = argument.substr(0, equals);
                value = argument.substr(equals + 1);
            }
        } else if (argument.size() > 2) {
            name = argument.substr(0, 2);
            value = argument.substr(2);
        }
        const auto flag = [&](std::string_view s, std::string_view l) { return name == s || name == l; };
        if (flag("--help", "--help") || flag("--version", "--version") || flag("--csv", "--csv") ||
            flag("--describe", "--describe") || flag("--kmz", "--kmz") || flag("-q", "--quiet")) {
            if (value)
                return usage(name + " takes no value");
            options.help |= name == "--help";
            options.version |= name == "--version";
            options.csv |= name == "--csv";
            options.describe |= name == "--describe";
            options.kmz |= name == "--kmz";
            options.quiet |= name == "-q" || name == "--quiet";
            continue;
        }
        static constexpr std::string_view kTakingValues[] = {
            "-s", "--system", "-l", "--label",       "-p", "--pair",   "--divisor", "--layout", "-e", "--every",
            "-n", "--name",   "-d", "--description", "-o", "--output", "-j",        "--jobs"};
        if (std::find(std::begin(kTakingValues), std::end(kTakingValues), name) == std::end(kTakingValues))
            return usage("unknown option \"" + name + "\"");
        if (!value) {
            if (i + 1 == arguments.size())
                return usage(name + " needs a value");
            value = arguments[++i];
        }
        const std::string& v = *value;
        Status set = ok();
        if (flag("-s", "--system")) {
            options.system_given = true;
            if (equal_ignoring_case(v, "NONE")) {
                options.system.reset();
            } else if (Status known = check_system(v); !known) {
                set = usage("--system: " + known.error());
            } else {
                options.system = v;
            }
        } else if (flag("-l", "--label")) {
            set = set_label(options, v);
        } else if (flag("-p", "--pair")) {
            set = set_pair(options, v);
        } else if (flag("--divisor", "--divisor")) {
            Result<double> divisor = coordinate_divisor(v);
            if (!divisor)
                set = usage("--divisor: " + divisor.error());
            else
                options.divisor = *divisor;
        } else if (flag("--layout", "--layout")) {
            options.layout = layout_named(v);
            if (!options.layout)
                set = usage("--layout takes \"Number,X,Y,Z\", \"Number,X,Y\", \"X,Y,Z\", \"X,Y\" or \"SPS\", not \"" +
                            v + "\"");
        } else if (flag("-e", "--every")) {
            Result<int> every = label_frequency(v);
            if (!every)
                set = usage("--every: " + every.error());
            else
                options.labels.frequency = *every;
        } else if (flag("-n", "--name")) {
            options.labels.prefix = v;
            options.name_given = true;
        } else if (flag("-d", "--description")) {
            options.labels.description = v;
        } else if (flag("-o", "--output")) {
            if (v.empty())
                set = usage("--output needs a path");
            options.output = v;
        } else if (flag("-j", "--jobs")) {
            Result<int> jobs = whole_number(name, v, 1, 1024);
            if (!jobs)
                set = fail(jobs.error());
            else
                options.jobs = *jobs;
        }
        if (!set)
            return fail(set.error());
    }
    if (options.help || options.version)
        return options;
    if (options.files.empty())
        return usage("no FILE given");
    if (options.describe && options.layout)
        return usage("--describe reads seismic files, not XY text files of a --layout");
    if (options.describe)
        return options;
    if (!options.system && !options.csv)
        return usage("--system none converts nothing: it writes positions only as CSV (--csv)");
    if (options.kmz && options.csv)
        return usage("--kmz and --csv ask for two kinds of output; give one");
    if (options.output == "-" && (options.kmz || is_kmz_name(*options.output)))
        return usage("a KMZ archive is written to a file, not to standard output");
    if (options.output == "-" && options.files.size() > 1)
        return usage("-o - writes one input to standard output, not " + std::to_string(options.files.size()));
    if (!options.name_given)
        options.labels.prefix = options.layout ? "Station" : options.label_name;
    return options;
}

} // namespace marovin::cli
