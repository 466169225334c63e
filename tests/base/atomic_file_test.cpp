#include "base/atomic_file.h"

#include "support/scratch_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using marovin::AtomicFile;
using ::testing::HasSubstr;

// A file size limit for the test's own process, as `ulimit -f` sets one;
// with SIGXFSZ ignored, a write past it fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    void (*handler_)(int);
    rlimit previous_{};
};

class AtomicFileTest : public ::testing::Test {
protected:
    // Names in the folder: whatever a write left behind shows here.
    std::vector<std::string> entries() const { return scratch.names(); }

    support::ScratchFolder scratch;
    const fs::path folder = scratch.path();
    const std::string target = scratch.file("target.txt");
};

TEST_F(AtomicFileTest, CommitReplacesTheTargetWithEverythingWrittenAndKeepsItsPermissions)
{
    scratch.plant("target.txt");
    ::chmod(target.c_str(), 0640);
    auto file = AtomicFile::create(target);
    ASSERT_TRUE(file) << file.error();
    file->stream() << "line 1\r\n";
    ASSERT_TRUE(file->write(std::string(200000, 'x')));
    file->stream() << "\r\nend";
    EXPECT_EQ(file->size(), 200013u);
    ASSERT_TRUE(file->write_at(5, "I")); // inside the stream's own buffer too
    EXPECT_FALSE(file->write_at(200012, "ab"));
    EXPECT_EQ(support::read_bytes(target), support::kSentinel); // untouched until the commit
    ASSERT_TRUE(file->commit());
    EXPECT_EQ(support::read_bytes(target), "line I\r\n" + std::string(200000, 'x') + "\r\nend");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_THAT(entries(), testing::ElementsAre("target.txt"));
}

TEST_F(AtomicFileTest, AFileNeverCommittedLeavesTheTargetAndNoTemporaryFile)
{
    scratch.plant("target.txt");
    {
        auto file = AtomicFile::create(target);
        ASSERT_TRUE(file);
        file->stream() << "new";
    }
    EXPECT_EQ(support::read_bytes(target), support::kSentinel);
    EXPECT_THAT(entries(), testing::ElementsAre("target.txt"));
}

TEST_F(AtomicFileTest, FailuresSayWhyAndLeaveTheTargetAsItWas)
{
    scratch.plant("target.txt");
    marovin::Status written = marovin::ok(), committed = marovin::ok();
    {
        FileSizeLimit limit(4096);
        auto file = AtomicFile::create(target);
        ASSERT_TRUE(file);
        file->stream() << std::string(100000, 'x');
        written = file->write("more");
        committed = file->commit();
    }
    EXPECT_FALSE(written);
    ASSERT_FALSE(committed);
    EXPECT_THAT(committed.error(), HasSubstr("cannot write " + target + ": File too large"));
    EXPECT_EQ(support::read_bytes(target), support::kSentinel);
    EXPECT_THAT(entries(), testing::ElementsAre("target.txt"));

    // A folder in the target's place stays, and so does nothing else.
    const std::string occupied = (folder / "occupied").string();
    fs::create_directory(occupied);
    auto blocked = AtomicFile::create(occupied);
    ASSERT_TRUE(blocked);
    blocked->stream() << "text";
    marovin::Status replaced = blocked->commit();
    ASSERT_FALSE(replaced);
    EXPECT_THAT(replaced.error(), HasSubstr("cannot replace " + occupied + ": Is a directory"));
    EXPECT_TRUE(fs::is_directory(occupied));
    EXPECT_THAT(entries(), testing::ElementsAre("occupied", "target.txt"));

    auto missing = AtomicFile::create((folder / "no folder" / "file.txt").string());
    ASSERT_FALSE(missing);
    EXPECT_THAT(missing.error(), HasSubstr("no folder/file.txt: No such file or directory"));
}

} // namespace
