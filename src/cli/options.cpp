#include "cli/options.h"

#include "base/file_names.h"
#include "base/plain_text.h"
#include "conversion/road_points.h"
#include "geodesy/geodesy.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace marovin::cli {

const char* const kUsage = "usage: marovin-kml [OPTIONS] FILE...\n"
                           "Writes the points of seismic files (SEG-Y or SU) or XY text files as KML\n"
                           "documents in WGS84 degrees, as Marovin's window does, as KMZ archives with\n"
                           "levels of detail, or as CSV.\n"
                           "\n"
                           "  -s, --system NAME      source system: a name of the window's lists (UTM32,\n"
                           "                         LT2, BD72...), EPSG:n or a PROJ string; default UTM32,\n"
                           "                         or the EPSG code an SPS file's H records name;\n"
                           "                         \"none\" converts nothing (with --csv)\n"
                           "  -l, --label WORD       seismic label word: FFID, CDP, Trace, SP (default CDP)\n"
                           "  -p, --pair WHICH       receiver (default), source or cdp\n"
                           "      --divisor N        coordinate divisor; default: the header's scalar\n"
                           "      --layout TEXT      read FILEs as XY text of this layout: \"Number,X,Y,Z\",\n"
                           "                         \"Number,X,Y\", \"X,Y,Z\", \"X,Y\" or \"SPS\"\n"
                           "  -e, --every N          label every N-th point (default 5)\n"
                           "  -n, --name TEXT        word before each label number (default: the label\n"
                           "                         word; \"Station\" on the text road)\n"
                           "  -d, --description TEXT description of labelled points (default \"Seismic line 1\")\n"
                           "  -o, --output PATH      a file for one input, a folder for many, - for standard\n"
                           "                         output (default: beside each input, named as the\n"
                           "                         window names it); a name ending in .kmz writes a KMZ\n"
                           "      --kmz              write KMZ archives (lines, outline, tiles of points),\n"
                           "                         named NAME.kmz beside each input\n"
                           "      --csv              write CSV: trace,number,x,y,longitude,latitude\n"
                           "  -j, --jobs N           files at once (default: the number of cores)\n"
                           "  -q, --quiet            no progress line\n"
                           "      --help, --version\n"
                           "\n"
                           "Files without --layout are seismic; a name ending in SU (any case) is SU.\n"
                           "One line per file on standard error says what was written or why not.\n"
                           "Exit status: 0 every file written, 1 some file failed, 2 usage error.\n";

namespace {

Error usage(const std::string& what) { return fail(what); }

// The words of -l, in the spelling that names the points.
struct LabelWord {
    std::string_view name;
    std::string_view window_text; // as the window's list gives it
};
constexpr LabelWord kLabels[] = {
    {"FFID", "FFID"}, {"CDP", "CDP"}, {"Trace", "Trace"}, {"SP", "SP"}, {"SHOT POINT", "Shot Point"}};

Status set_label(Options& options, std::string_view value)
{
    for (const LabelWord& word : kLabels) {
        if (equal_ignoring_case(value, word.name)) {
            options.label = label_word_for(word.window_text);
            options.label_name = std::string(word.name == "SHOT POINT" ? "SP" : word.name);
            return ok();
        }
    }
    return usage("--label takes FFID, CDP, Trace or SP, not \"" + std::string(value) + "\"");
}

Status set_pair(Options& options, std::string_view value)
{
    const std::string which = ascii_upper(value);
    // The window's texts of its "Header word for XY" list.
    const std::string text = which == "RECEIVER" ? "X,Y receiver coordinate"
                             : which == "SOURCE" ? "X,Y source coordinate"
                             : which == "CDP"    ? "X,Y CDP coordinate"
                                                 : "";
    if (text.empty())
        return usage("--pair takes receiver, source or cdp, not \"" + std::string(value) + "\"");
    options.pair = coordinate_pair_for(text);
    // Any text the reader does not know gives the receiver pair.
    if (which != "RECEIVER" && options.pair == coordinate_pair_for("X,Y receiver coordinate"))
        return usage("the " + which + " coordinate pair is not read from trace headers by this version");
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
            flag("--kmz", "--kmz") || flag("-q", "--quiet")) {
            if (value)
                return usage(name + " takes no value");
            options.help |= name == "--help";
            options.version |= name == "--version";
            options.csv |= name == "--csv";
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
