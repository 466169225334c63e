#pragma once
// A program run as a user runs it, through the shell, for the tests of the
// programs themselves (convers, marovin-kml) and of the outside tools that
// check what the program writes.

#include <string>
#include <string_view>

namespace support {

struct ProgramRun {
    int status = -1; // exit status; -1 when it did not exit normally
    std::string out, err;
};

// Runs a shell command line, its standard output and error captured.
ProgramRun run_program(const std::string& command_line);

// `text` in single quotes, for a command line (paths of the tests' own
// making, which hold no single quote).
std::string shell_quoted(std::string_view text);

} // namespace support
