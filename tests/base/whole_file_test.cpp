#include "base/whole_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class WholeFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "marovin-whole-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string write(const std::string& name, const std::string& bytes)
    {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path folder;
};

TEST_F(WholeFile, GivesEveryByteOfAFileOrOfTheFileALinkNames)
{
    using namespace std::string_literals;
    const std::string bytes = "8-bit \xE9\xFF, NUL \0 and CR LF\r\n"s;
    ASSERT_EQ(bytes.size(), 27u);
    const std::string path = write("data.xyz", bytes);
    EXPECT_EQ(*marovin::read_whole_file(path), bytes);
    fs::create_symlink(path, folder / "link.xyz");
    EXPECT_EQ(*marovin::read_whole_file((folder / "link.xyz").string()), bytes);
    EXPECT_EQ(*marovin::read_whole_file(write("empty.xyz", "")), "");
}

// Each of these once crashed the program (a folder: an allocation the size
// of the folder's seek end) or would hang it (a FIFO without a writer).
TEST_F(WholeFile, RefusesWhatIsNotAFileWithoutReadingOrWaiting)
{
    fs::create_directory(folder / "folder.xyz");
    fs::create_directory_symlink(folder / "folder.xyz", folder / "link-to-folder.xyz");
    ASSERT_EQ(::mkfifo((folder / "fifo.xyz").c_str(), 0600), 0);
    struct Case {
        std::string path;
        const char* says;
    };
    const Case cases[] = {
        {(folder / "folder.xyz").string(), "a folder"},
        {(folder / "link-to-folder.xyz").string(), "a folder"},
        {(folder / "fifo.xyz").string(), "not a file"},
        {"/dev/null", "not a file"},
        {(folder / "missing.xyz").string(), "cannot open"},
        {"", "no file was chosen"},
    };
    for (const Case& c : cases) {
        ::alarm(10); // a read that waits ends the test program
        const marovin::Result<std::string> read = marovin::read_whole_file(c.path);
        ::alarm(0);
        ASSERT_FALSE(read.ok()) << c.path;
        EXPECT_NE(read.error().find(c.says), std::string::npos) << read.error();
        EXPECT_NE(read.error().find(c.path), std::string::npos) << read.error();
    }
}

} // namespace
