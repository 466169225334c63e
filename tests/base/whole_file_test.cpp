#include "base/whole_file.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class WholeFileTest : public ::testing::Test {
protected:
    fs::path file(const char* name, const std::string& bytes) { return scratch.write(name, bytes); }

    support::ScratchFolder scratch;
    const fs::path folder = scratch.path();
};

TEST_F(WholeFileTest, RegularFilesAreReadWhole)
{
    const std::string bytes("1;2\r\n\0\xFF", 7);
    auto read = marovin::read_whole_file(file("a.xyz", bytes).string());
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(*read, bytes);

    auto empty = marovin::read_whole_file(file("empty.xyz", "").string());
    ASSERT_TRUE(empty.ok()) << empty.error();
    EXPECT_EQ(*empty, "");

    // Its size is 0 to the file system, its text is not: read to the end.
    auto status = marovin::read_whole_file("/proc/self/status");
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_NE(status->find("Pid:"), std::string::npos);
}

// Whatever is not a regular file is refused before a byte is read, with a
// message that names it; nothing blocks and no size is trusted unchecked.
TEST_F(WholeFileTest, OtherFilesAreRefusedNamingThem)
{
    const fs::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A sparse file of a terabyte: a size no memory could take.
    const fs::path huge = file("huge.xyz", "");
    fs::resize_file(huge, std::uintmax_t{1} << 40);
    const fs::path small = file("small.xyz", "0123456789");

    const struct {
        std::string path;
        std::uint64_t limit;
        const char* says;
    } cases[] = {
        {folder.string(), marovin::kWholeFileLimit, "is a folder, not a file"},
        {fifo.string(), marovin::kWholeFileLimit, "is not a regular file"},
        {"/dev/null", marovin::kWholeFileLimit, "is not a regular file"},
        {huge.string(), marovin::kWholeFileLimit, "is too large to be read"},
        {small.string(), 9, "is too large to be read (10 bytes"},
        {(folder / "gone.xyz").string(), marovin::kWholeFileLimit, "cannot open"},
        {"", marovin::kWholeFileLimit, "no file was chosen"},
    };
    for (const auto& c : cases) {
        auto read = marovin::read_whole_file(c.path, c.limit);
        ASSERT_FALSE(read.ok()) << c.path;
        EXPECT_NE(read.error().find(c.path), std::string::npos) << read.error();
        EXPECT_NE(read.error().find(c.says), std::string::npos) << read.error();
    }
    auto fits = marovin::read_whole_file(small.string(), 10);
    ASSERT_TRUE(fits.ok()) << fits.error();
    EXPECT_EQ(*fits, "0123456789");
}

// A file that may not be there (a settings file before the first run): no
// file is not an error, anything else in its place still is.
TEST_F(WholeFileTest, AMissingFileIsNothingWhenItMayBeMissing)
{
    const struct {
        std::string path;
        std::optional<std::string> content; // nothing: no file
        bool ok;
    } cases[] = {
        {(folder / "gone.ini").string(), std::nullopt, true},
        {(folder / "gone" / "a.ini").string(), std::nullopt, true},
        {file("a.ini", "[A]\r\n").string(), "[A]\r\n", true},
        {(file("b.ini", "") / "c.ini").string(), std::nullopt, false}, // under a file: not missing
        {folder.string(), std::nullopt, false},
    };
    for (const auto& c : cases) {
        auto read = marovin::read_whole_file_if_present(c.path);
        ASSERT_EQ(read.ok(), c.ok) << (read.ok() ? c.path : read.error());
        if (read.ok())
            EXPECT_EQ(*read, c.content) << c.path;
        else
            EXPECT_NE(read.error().find(c.path), std::string::npos) << read.error();
    }
}

} // namespace
