#include "settings/ini_file.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using marovin::find_ini_value;
using marovin::set_ini_value;

using support::read_bytes;
using support::ScratchFolder;

TEST(IniFile, FindsValuesLikeTheWindowsProfileService)
{
    struct {
        const char* what;
        std::string text;
        std::optional<std::string> value;
    } const cases[] = {
        {"plain entry", "[TERVALO]\r\nFichier 1=c:\\a.su\r\n", "c:\\a.su"},
        {"names in any case", "[tervalo]\r\nFICHIER 1=x\r\n", "x"},
        {"blanks around = and value", "[TERVALO]\n  Fichier 1 \t=  x y \t\n", "x y"},
        {"blanks inside the brackets", "[ TERVALO ]\nFichier 1=x\n", "x"},
        {"quoted value", "[TERVALO]\nFichier 1=\" a \"\n", " a "},
        {"a lone quote is a value, not a pair", "[TERVALO]\nFichier 1=\"\nFichier 2=x\n", "\""},
        {"a lone quote ending the file", "[TERVALO]\nFichier 1= \' ", "'"},
        {"quotes that do not match are kept", "[TERVALO]\nFichier 1=\"a'\n", "\"a'"},
        {"empty value is a value", "[TERVALO]\r\nFichier 1=\r\n", ""},
        {"last line without ending", "[TERVALO]\r\nFichier 1=x", "x"},
        {"missing key", "[TERVALO]\r\nFichier 2=x\r\n", std::nullopt},
        {"key of another section", "[OTHER]\r\nFichier 1=x\r\n[TERVALO]\r\n", std::nullopt},
        {"missing section", "Fichier 1=x\r\n", std::nullopt},
        {"comment is not an entry", "[TERVALO]\r\n;Fichier 1=x\r\n", std::nullopt},
        {"first key wins", "[TERVALO]\nFichier 1=a\nFichier 1=b\n", "a"},
        {"first section wins", "[TERVALO]\nk=1\n[TERVALO]\nFichier 1=b\n", std::nullopt},
        {"8-bit bytes pass through",
         "[TERVALO]\nFichier 1=d:\\donn\xe9"
         "es\\l\xfc.sgy\n",
         "d:\\donn\xe9"
         "es\\l\xfc.sgy"},
        {"empty file", "", std::nullopt},
        {"lone CR line ends", "[OTHER]\rFichier 1=no\r[TERVALO]\rFichier 1=c:\\a.su\r", "c:\\a.su"},
        {"line ends mixed", "[OTHER]\r\nk=v\n[TERVALO]\rFichier 1=x\r\n", "x"},
        {"CR ends the value", "[TERVALO]\rFichier 1=x\rFichier 2=y", "x"},
        {"= on a later line is not this line's", "[TERVALO]\rFichier 1\rFichier 1=x\r", "x"},
        {"] on a later line is not this line's", "[TERVALO\rFichier 1=x\r]\r", "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_ini_value(c.text, "TERVALO", "Fichier 1"), c.value) << c.what;
}

TEST(IniFile, SettingAValueChangesOnlyThatEntry)
{
    struct {
        const char* what;
        std::string before;
        std::string after;
    } const cases[] = {
        {"existing entry keeps its spelling, blanks and ending",
         "; companion settings\r\n[OPTIONS]\r\nColour=7\r\n\r\n[tervalo]\r\n fichier 1 = old path  \r\nFichier "
         "2=keep\r\n",
         "; companion settings\r\n[OPTIONS]\r\nColour=7\r\n\r\n[tervalo]\r\n fichier 1 = /new/l.su\r\nFichier "
         "2=keep\r\n"},
        {"missing key goes after the section's last line, before blank lines",
         "[TERVALO]\r\nFichier 2=a\r\n\r\n[NEXT]\r\nk=v\r\n",
         "[TERVALO]\r\nFichier 2=a\r\nFichier 1=/new/l.su\r\n\r\n[NEXT]\r\nk=v\r\n"},
        {"missing key in a last section without line ending", "[TERVALO]\nFichier 2=a",
         "[TERVALO]\nFichier 2=a\nFichier 1=/new/l.su\n"},
        {"missing section is appended with the file's line ending", "[OTHER]\nk=v\n",
         "[OTHER]\nk=v\n[TERVALO]\nFichier 1=/new/l.su\n"},
        {"missing section after a last line without ending", "[OTHER]\r\nk=v",
         "[OTHER]\r\nk=v\r\n[TERVALO]\r\nFichier 1=/new/l.su\r\n"},
        {"empty file", "", "[TERVALO]\r\nFichier 1=/new/l.su\r\n"},
        {"8-bit bytes elsewhere are kept", "[X]\nNom=\xe9t\xe9\x80\n[TERVALO]\nFichier 1=\xff\n",
         "[X]\nNom=\xe9t\xe9\x80\n[TERVALO]\nFichier 1=/new/l.su\n"},
        {"only the first of duplicate keys changes", "[TERVALO]\nFichier 1=a\nFichier 1=b\n",
         "[TERVALO]\nFichier 1=/new/l.su\nFichier 1=b\n"},
        {"lone CR line ends: the entry changes in place, no second section",
         "[OTHER]\rk=v\r[TERVALO]\rFichier 1=old\rFichier 2=keep\r",
         "[OTHER]\rk=v\r[TERVALO]\rFichier 1=/new/l.su\rFichier 2=keep\r"},
        {"lone CR line ends: a missing key is added with a CR", "[TERVALO]\rFichier 2=a\r\r[NEXT]\r",
         "[TERVALO]\rFichier 2=a\rFichier 1=/new/l.su\r\r[NEXT]\r"},
        {"lone CR line ends: a missing section is appended with CRs", "[OTHER]\rk=v\r",
         "[OTHER]\rk=v\r[TERVALO]\rFichier 1=/new/l.su\r"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(set_ini_value(c.before, "TERVALO", "Fichier 1", "/new/l.su"), c.after) << c.what;
}

TEST(IniFile, WritesTheFileAtomicallyAndRefusesWhatWouldBreakIt)
{
    const ScratchFolder dir;
    const std::string path = dir.file("Tervalo.ini");

    // Created when missing, read back as written.
    ASSERT_TRUE(marovin::write_ini_value(path, "TERVALO", "Fichier 1", "/data/a.sgy"));
    EXPECT_EQ(read_bytes(path), "[TERVALO]\r\nFichier 1=/data/a.sgy\r\n");
    EXPECT_EQ(*marovin::read_ini_value(path, "TERVALO", "Fichier 1"), "/data/a.sgy");

    // A value with a line break would add entries of its own: refused, file untouched.
    const std::string before = read_bytes(path);
    EXPECT_FALSE(marovin::write_ini_value(path, "TERVALO", "Fichier 1", "a\r\n[EVIL]\r\nx=1"));
    EXPECT_FALSE(marovin::write_ini_value(path, "TERVALO", "Fichier=1", "a"));
    EXPECT_EQ(read_bytes(path), before);

    // No temporary file is left beside it.
    EXPECT_EQ(dir.names().size(), 1u);

    // A link to the companion's file stays a link; the target is updated.
    const std::string real = dir.file("real.ini");
    const std::string link = dir.file("link.ini");
    dir.write("real.ini", "[TERVALO]\nFichier 1=a\n");
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(marovin::write_ini_value(link, "TERVALO", "Fichier 1", "b"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read_bytes(real), "[TERVALO]\nFichier 1=b\n");

    // A folder that does not exist: a failure, nothing created.
    const std::string nowhere = dir.file("missing/Tervalo.ini");
    EXPECT_FALSE(marovin::write_ini_value(nowhere, "TERVALO", "Fichier 1", "a"));
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_EQ(*marovin::read_ini_value(nowhere, "TERVALO", "Fichier 1"), std::nullopt);
}

TEST(IniFile, AFolderInPlaceOfTheFileIsRefusedAndNeverWritten)
{
    const ScratchFolder dir;
    const std::string path = dir.file("Tervalo.ini");
    ASSERT_TRUE(std::filesystem::create_directory(path));
    EXPECT_FALSE(marovin::read_ini_value(path, "TERVALO", "Fichier 1"));
    const marovin::Status written = marovin::write_ini_value(path, "TERVALO", "Fichier 1", "a");
    ASSERT_FALSE(written);
    EXPECT_NE(written.error().find(path), std::string::npos) << written.error();
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(dir.names().size(), 1u) << "no temporary file left";
}

// A FIFO in place of the file: opening it for reading would wait for a
// writer that never comes, at start-up and at shut-down alike.
TEST(IniFile, AFifoInPlaceOfTheFileIsNeitherWaitedOnNorWritten)
{
    const ScratchFolder dir;
    const std::string path = dir.file("Tervalo.ini");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    ::alarm(10); // a wait on the FIFO ends the test program
    EXPECT_FALSE(marovin::read_ini_value(path, "TERVALO", "Fichier 1"));
    const marovin::Status written = marovin::write_ini_value(path, "TERVALO", "Fichier 1", "a");
    ::alarm(0);
    ASSERT_FALSE(written);
    EXPECT_NE(written.error().find(path), std::string::npos) << written.error();
    EXPECT_EQ(std::filesystem::status(path).type(), std::filesystem::file_type::fifo);
}

// Companion files of many lines: every line is looked at once, whatever it
// holds (a line without "=" or without "]" used to be searched to the end of
// the file). A file of 400,000 lines is read and written in a fraction of a
// second; bench/ini_file_bench measures it.
TEST(IniFile, ManyLinesOfEveryKindAreReadAndWrittenWhole)
{
    const int lines = 400'000;
    for (const std::string line : {"k=v", "no equals sign", "[no closing bracket", "; comment", ""}) {
        for (const std::string eol : {"\r\n", "\r"}) {
            SCOPED_TRACE(line + (eol == "\r" ? " (CR)" : " (CR LF)"));
            std::string text = "[OTHER]" + eol;
            for (int i = 0; i < lines; ++i)
                text += line + eol;
            text += "[TERVALO]" + eol + "Fichier 1=/a.su" + eol;
            EXPECT_EQ(find_ini_value(text, "TERVALO", "Fichier 1"), "/a.su");
            std::string expected = text;
            expected.replace(expected.size() - eol.size() - 5, 5, "/b.sgy");
            // Not EXPECT_EQ: a diff of two such texts would take minutes.
            EXPECT_TRUE(set_ini_value(text, "TERVALO", "Fichier 1", "/b.sgy") == expected);
        }
    }
}

} // namespace
