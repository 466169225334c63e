#include "cli/describe.h"

#include "conversion/named_system.h"
#include "conversion/seismic_choices.h"
#include "readers/seismic_header.h"

namespace marovin::cli {

namespace {

// "trace 1: scalar -100; source X,Y 1000,2000; ...; FFID 101; CDP 2001"
Result<std::string> trace_words(const SeismicFile& file, std::int64_t index)
{
    Result<TraceHeaderBytes> header = file.trace_header(index);
    if (!header)
        return fail(header.error());
    std::string line = "trace " + std::to_string(index + 1) + ": scalar " +
                       std::to_string(file.word16(*header, TraceWord::CoordScalar));
    for (const PairChoice& choice : kPairChoices)
        line += "; " + std::string(choice.name) + " X,Y " + std::to_string(file.word32(*header, choice.pair.x)) + "," +
                std::to_string(file.word32(*header, choice.pair.y));
    for (const LabelChoice& choice : kLabelChoices)
        if (!choice.word.empty())
            line += "; " + std::string(choice.word) + " " + std::to_string(file.word32(*header, choice.position));
    return line + "\n";
}

} // namespace

Result<std::string> describe_seismic_file(const std::string& path)
{
    Result<SeismicFile> opened = SeismicFile::open(path);
    if (!opened)
        return fail(opened.error());
    const SeismicFile& file = *opened;
    std::string text = path + ": " + file.found_line() + "\n";
    const FileNamedSystem named = file_named_system(file);
    text += named.system ? named.told + "\n" : "no system named by a textual header\n";
    if (file.su())
        text += "no textual header (SU)\n";
    for (const std::string& line : file.textual_header())
        text += line + "\n";
    // The first and the last trace, once each.
    const std::int64_t last = file.traces() - 1;
    for (std::int64_t index = 0; index <= last; index = index == last ? last + 1 : last) {
        Result<std::string> words = trace_words(file, index);
        if (!words)
            return fail(words.error());
        text += *words;
    }
    if (last < 0)
        text += "no traces\n";
    return text;
}

} // namespace marovin::cli
