#include "base/regular_file.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// The kind of a failed open is what lets each reader word it its own way:
// only a missing name is Missing, a path under a file names nothing too.
TEST(RegularFile, AFailedOpenTellsItsKind)
{
    using Kind = marovin::OpenError::Kind;
    const support::ScratchFolder scratch;
    const fs::path folder = scratch.path();
    const fs::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        Kind kind;
        bool names_nothing;
    } cases[] = {
        {(folder / "gone.sgy").string(), Kind::Missing, true},
        {(fs::path(scratch.write("a.sgy", "")) / "b.sgy").string(), Kind::Failed, true},
        {folder.string(), Kind::Folder, false},
        {fifo.string(), Kind::NotRegular, false},
        {"/dev/null", Kind::NotRegular, false},
    };
    for (const auto& c : cases) {
        const auto opened = marovin::open_regular_file(c.path);
        ASSERT_FALSE(opened.ok()) << c.path;
        EXPECT_EQ(opened.failure().kind, c.kind) << c.path;
        EXPECT_EQ(opened.failure().names_nothing(), c.names_nothing) << c.path;
        EXPECT_NE(opened.error().find(c.path), std::string::npos) << opened.error();
    }
    const auto regular = marovin::open_regular_file(scratch.write("c.sgy", "12345"));
    ASSERT_TRUE(regular.ok()) << regular.error();
    EXPECT_EQ(regular->size, 5u);
}

} // namespace
