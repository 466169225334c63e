#pragma once
// The command line of marovin-kml: what to read, how to convert, where to
// write. Parsing checks every option before any file is touched, so that a
// usage error (exit status 2) never leaves half a batch done.

#include "base/known_systems.h"
#include "base/result.h"
#include "kml/kml_writer.h"
#include "readers/trace_extraction.h"
#include "readers/xy_text.h"

#include <optional>
#include <string>
#include <vector>

namespace marovin::cli {

struct Options {
    bool help = false;
    bool version = false;

    // Source system as given ("UTM32", "EPSG:23031", a PROJ string);
    // nothing for "none", which converts nothing.
    std::optional<std::string> system = std::string(kDefaultSystem);
    // --describe: what each seismic file holds, printed; nothing written.
    bool describe = false;
    // Whether -s was given. When it was not, a file that names its system
    // (a seismic file's textual header, an SPS file's H records, a list's
    // system column) is converted from it, as the window takes it.
    bool system_given = false;
    // Seismic road: the label word and its name ("CDP"), the pair.
    HeaderPosition label = TraceWord::Ensemble;
    std::string label_name = "CDP";
    CoordinatePair pair{TraceWord::GroupX, TraceWord::GroupY};
    // The coordinate divisor; nothing: the header's on the seismic road, 1
    // on the text road.
    std::optional<double> divisor;
    // Text road when given.
    std::optional<XyLayout> layout;
    KmlLabels labels{5, {}, "Seismic line 1"};
    bool name_given = false;           // else the label word, or "Station" on the text road
    std::optional<std::string> output; // "-" for standard output
    bool csv = false;
    // KMZ archives (kmz_writer.h) in place of KML documents, named with
    // ".kmz"; also for one output named so with -o.
    bool kmz = false;
    int jobs = 0; // 0: one per core
    bool quiet = false;
    std::vector<std::string> files;
};

// Parses the arguments after the program name. Fails with the message of
// a usage error.
Result<Options> parse_options(const std::vector<std::string>& arguments);

// The text of --help.
std::string usage_text();

} // namespace marovin::cli
