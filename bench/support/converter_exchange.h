#pragma once
// The converter exchange of the window's roads, with the real convers started
// as a process on the job, as the window's desktop starts it: the job and the
// result in `folder`, "." as the decimal point.

#include "support/timing.h"

#include "conversion/road.h"

#include <filesystem>
#include <string>

namespace bench {

inline const std::filesystem::path kConvers = std::filesystem::path(MAROVIN_PROGRAM_DIR) / "convers";

inline marovin::ExchangeConverter converter_exchange(const std::filesystem::path& folder)
{
    const std::string job = (folder / "File.cvd").string();
    return {job, (folder / "File.cva").string(), '.', [job](marovin::Progress&) -> marovin::Status {
                if (!run_process({kConvers.string(), job}).ok)
                    return marovin::fail("convers failed on " + job);
                return marovin::ok();
            }};
}

} // namespace bench
