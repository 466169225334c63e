#include "support/program_run.h"

#include "support/scratch_folder.h"

#include <cstdlib>

#include <sys/wait.h>

namespace support {

std::string shell_quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

ProgramRun run_program(const std::string& command_line)
{
    const ScratchFolder captured;
    const std::string out = captured.file("out"), err = captured.file("err");
    const int raw = std::system(("(" + command_line + ") >" + shell_quoted(out) + " 2>" + shell_quoted(err)).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_bytes(out), read_bytes(err)};
}

} // namespace support
