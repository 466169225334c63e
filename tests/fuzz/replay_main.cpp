// The driver of a fuzz target where libFuzzer is not used (GCC builds): runs
// the target once on every file given, or on every file of every folder
// given, in name order. A folder without files is an error, so a corpus that
// went missing is noticed.
#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::size_t replayed = 0;
    for (int a = 1; a < argc; ++a) {
        std::vector<fs::path> inputs;
        std::error_code error;
        if (fs::is_directory(argv[a], error)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(argv[a], error))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
            std::sort(inputs.begin(), inputs.end());
            if (inputs.empty()) {
                std::fprintf(stderr, "%s: no inputs in %s\n", argv[0], argv[a]);
                return 2;
            }
        } else {
            inputs.emplace_back(argv[a]);
        }
        for (const fs::path& path : inputs) {
            const std::string text = marovin::fuzz::read_file(path.string());
            // A block of exactly the input's size, as libFuzzer gives it, so
            // that a read one byte past the end is caught.
            const std::vector<std::uint8_t> bytes(text.begin(), text.end());
            std::fprintf(stderr, "replaying %s\n", path.string().c_str());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 2;
}
