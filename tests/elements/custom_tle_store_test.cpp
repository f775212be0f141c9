#include <gtest/gtest.h>

#include "elements/custom_tle_store.h"
#include "elements/tle_parser.h"
#include "platform/files.h"
#include "tests/elements/element_test_helpers.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_support.h"

namespace zelvane {
namespace {

namespace Files = platform::Files;
using test::line1For;
using test::line2For;
using test::tleText;

class CustomTLEStoreTest : public ::testing::Test {
protected:
    void SetUp() override { Files::setHomeFolder(home_.str()); }
    void TearDown() override { Files::setHomeFolder({}); }

    std::filesystem::path file() const { return std::filesystem::path(home_.str()) / ".zelvane" / "custom.tle"; }
    std::optional<std::string> fileContent() const { return Files::readFile(file()); }

    test::TempDir home_;
};

TEST_F(CustomTLEStoreTest, ErrorsAreReportedAndTouchNothing)
{
    const std::pair<std::string, const char*> cases[] = {
        {"", CustomTLEStore::noValidTLEsMessage},
        {"  \n\t\r\n", CustomTLEStore::noValidTLEsMessage},
        {"hello\nworld", CustomTLEStore::noValidTLEsMessage},
        {"[]", CustomTLEStore::jsonWithoutTLEsMessage},
        {"{}", CustomTLEStore::jsonWithoutTLEsMessage},
        {"[" + test::ommJson("ISS", 25544, "2024-01-01T00:00:00") + "]", CustomTLEStore::jsonWithoutTLEsMessage},
        {"[1, 2]", CustomTLEStore::jsonUnparsableMessage},
        {"[\"a\"]", CustomTLEStore::jsonUnparsableMessage},
        {"[{}, null]", CustomTLEStore::jsonUnparsableMessage},
        {"[", CustomTLEStore::jsonUnparsableMessage},
        {"{\"TLE_LINE1\":\"" + line2For(5) + "\",\"TLE_LINE2\":\"" + line1For(5) + "\"}",
         CustomTLEStore::jsonWithoutTLEsMessage},
    };
    for (const auto& [text, message] : cases) {
        const auto result = CustomTLEStore::importFromText(text);
        EXPECT_EQ(result.count, 0) << text;
        EXPECT_EQ(result.error, std::string(message)) << text;
        EXPECT_FALSE(Files::exists(file())) << text;
    }
    EXPECT_EQ(std::string(CustomTLEStore::noValidTLEsMessage), "No valid TLEs found in text");
    EXPECT_EQ(std::string(CustomTLEStore::jsonUnparsableMessage), "JSON could not be parsed");
    EXPECT_EQ(std::string(CustomTLEStore::jsonWithoutTLEsMessage), "JSON parsed but no TLEs found");
}

TEST_F(CustomTLEStoreTest, TextImportWritesThreeLinesPerSetAndLoadsThemBack)
{
    const auto result = CustomTLEStore::importFromText(tleText("SAT A", 11111) + "\r\n  \n" + tleText("SAT B", 22222));
    EXPECT_EQ(result.count, 2);
    EXPECT_EQ(result.error, std::nullopt);
    EXPECT_EQ(fileContent(), "SAT A\n" + line1For(11111) + "\n" + line2For(11111) + "\nSAT B\n" + line1For(22222) +
                                 "\n" + line2For(22222) + "\n");
    const auto sets = CustomTLEStore::load();
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].name, "SAT A");
    EXPECT_EQ(sets[1].noradId, 22222);
    EXPECT_EQ(sets[0].source, "custom");
    EXPECT_EQ(sets[1].source, "custom");
}

TEST_F(CustomTLEStoreTest, ImportReplacesByCatalogueNumberInPlace)
{
    CustomTLEStore::importFromText(tleText("FIRST", 1) + tleText("SECOND", 2) + tleText("THIRD", 3));
    EXPECT_EQ(CustomTLEStore::importFromText(tleText("SECOND NEW", 2)).count, 1);
    const auto twice = CustomTLEStore::importFromText(tleText("FOURTH", 4) + tleText("FOURTH LATER", 4));
    EXPECT_EQ(twice.count, 2);
    const auto sets = CustomTLEStore::load();
    ASSERT_EQ(sets.size(), 4u);
    EXPECT_EQ(sets[0].name, "FIRST");
    EXPECT_EQ(sets[1].name, "SECOND NEW");
    EXPECT_EQ(sets[2].name, "THIRD");
    EXPECT_EQ(sets[3].name, "FOURTH LATER");
}

TEST_F(CustomTLEStoreTest, JsonFormsOfTheImport)
{
    const std::string l1 = line1For(33333);
    const std::string l2 = line2For(33333);
    struct Case {
        std::string json;
        const char* name;
    };
    const Case cases[] = {
        {R"({"OBJECT_NAME":"OBJ","TLE_LINE1":")" + l1 + R"(","TLE_LINE2":")" + l2 + R"("})", "OBJ"},
        {R"({"tle0":"OBJ","tle1":")" + l1 + R"(","tle2":")" + l2 + R"("})", "OBJ"},
        {R"( 
 [{"name":"MIXED","TLE_LINE1":")" + l1 + R"(","tle2":")" + l2 + R"("}])", "MIXED"},
        {R"([{"OBJECT_NAME":7,"name":"FROM NAME","tle1":")" + l1 + R"(","tle2":")" + l2 + R"("}])", "FROM NAME"},
        {R"([{"tle1":")" + l1 + R"(","tle2":")" + l2 + R"("}])", "Unknown"},
        // Line breaks in a name would split the stored set; they become spaces.
        {R"({"OBJECT_NAME":"TWO\nLINES","TLE_LINE1":")" + l1 + R"(","TLE_LINE2":")" + l2 + R"("})", "TWO LINES"},
        // Trailing whitespace is dropped, as the text reader drops it.
        {R"({"OBJECT_NAME":" PADDED ","TLE_LINE1":")" + l1 + R"(\t","TLE_LINE2":")" + l2 + R"( "})", "PADDED"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        CustomTLEStore::clear();
        const auto result = CustomTLEStore::importFromText(c.json);
        ASSERT_EQ(result.error, std::nullopt);
        EXPECT_EQ(result.count, 1);
        // What was imported is exactly what the next load reads back.
        const auto sets = CustomTLEStore::load();
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0].name, c.name);
        EXPECT_EQ(sets[0].noradId, 33333);
        EXPECT_EQ(sets[0].line1, l1);
        EXPECT_EQ(sets[0].line2, l2);
    }
}

TEST_F(CustomTLEStoreTest, JsonLinesThatTheFileCouldNotHoldAreRefused)
{
    const std::string l1 = line1For(44444);
    const std::string l2 = line2For(44444);
    const std::string cases[] = {
        // A line break inside a line.
        R"({"TLE_LINE1":")" + l1 + R"(\n","TLE_LINE2":")" + l2 + R"("})",
        // A first line that does not begin with "1 ".
        R"({"TLE_LINE1":"X)" + l1.substr(1) + R"(","TLE_LINE2":")" + l2 + R"("})",
        // Leading spaces shift every column.
        R"({"TLE_LINE1":"  )" + l1 + R"(","TLE_LINE2":")" + l2 + R"("})",
        // Too short.
        R"({"TLE_LINE1":")" + l1.substr(0, 68) + R"(","TLE_LINE2":")" + l2 + R"("})",
    };
    for (const auto& json : cases) {
        const auto result = CustomTLEStore::importFromText(json);
        EXPECT_EQ(result.error, std::string(CustomTLEStore::jsonWithoutTLEsMessage)) << json;
        EXPECT_FALSE(Files::exists(file()));
    }
}

TEST_F(CustomTLEStoreTest, TextThatIsNotUtf8IsRefusedAndEarlierImportsStayReadable)
{
    ASSERT_EQ(CustomTLEStore::importFromText(tleText("GOOD", 1)).count, 1);
    const auto before = fileContent();
    // Stored, a stray byte would make the whole file unreadable next time.
    const std::string texts[] = {
        tleText("BAD \xff", 2),
        "BAD\n" + line1For(2) + "\n" + line2For(2) + "\xc3\n",
    };
    for (const auto& text : texts) {
        const auto result = CustomTLEStore::importFromText(text);
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.error, std::string(CustomTLEStore::noValidTLEsMessage));
        EXPECT_EQ(fileContent(), before);
    }
    const auto sets = CustomTLEStore::load();
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].name, "GOOD");
}

TEST_F(CustomTLEStoreTest, UnreadableFileIsKeptAsideNotOverwritten)
{
    const std::string cases[] = {
        std::string("\xff\xfe\x00garbage", 10), // not UTF-8
        "my notes, not element sets\n",         // no set can be read from it
    };
    for (const auto& old : cases) {
        ASSERT_TRUE(Files::createFolder(file().parent_path()));
        ASSERT_TRUE(Files::writeFileAtomically(file(), old));
        EXPECT_TRUE(CustomTLEStore::load().empty());
        EXPECT_EQ(CustomTLEStore::importFromText(tleText("NEW", 5)).count, 1);
        ASSERT_EQ(CustomTLEStore::load().size(), 1u);
        auto backup = file();
        backup += ".unreadable";
        EXPECT_EQ(Files::readFile(backup), old);
        Files::remove(backup);
    }
    // A readable file is simply rewritten, with no backup beside it.
    EXPECT_EQ(CustomTLEStore::importFromText(tleText("MORE", 6)).count, 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file().parent_path()),
                            std::filesystem::directory_iterator()),
              1);
}

// A set that no longer reads (edited by hand, damaged) must not vanish
// when the next import rewrites the file from the sets that do read.
TEST_F(CustomTLEStoreTest, FileWithADamagedSetIsKeptAsideBeforeAnImport)
{
    std::string damaged = line1For(8);
    damaged.replace(2, 5, "12a45"); // catalogue number unreadable
    const std::string old = tleText("GOOD", 7) + "HAND EDITED\n" + damaged + "\n" + line2For(8) + "\n";
    ASSERT_TRUE(Files::createFolder(file().parent_path()));
    ASSERT_TRUE(Files::writeFileAtomically(file(), old));
    ASSERT_EQ(CustomTLEStore::load().size(), 1u);

    EXPECT_EQ(CustomTLEStore::importFromText(tleText("NEW", 9)).count, 1);
    auto backup = file();
    backup += ".unreadable";
    EXPECT_EQ(Files::readFile(backup), old);
    const auto sets = CustomTLEStore::load();
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].name, "GOOD");
    EXPECT_EQ(sets[1].name, "NEW");

    // Rewritten clean, the file is no longer kept at every change; a later
    // damaged file gets a numbered copy and leaves the first one alone.
    CustomTLEStore::remove(9);
    EXPECT_FALSE(Files::exists(std::filesystem::path(backup.string() + "-2")));
    const std::string later = *fileContent() + "1 cut short\n";
    ASSERT_TRUE(Files::writeFileAtomically(file(), later));
    EXPECT_EQ(CustomTLEStore::importFromText(tleText("AGAIN", 10)).count, 1);
    EXPECT_EQ(Files::readFile(backup), old);
    EXPECT_EQ(Files::readFile(std::filesystem::path(backup.string() + "-2")), later);
}

// Element lines set apart by any line break the reader knows (a file
// edited on another system) count as lines of their own: the damaged set
// is kept aside, not rewritten away.
TEST_F(CustomTLEStoreTest, ADamagedSetBehindOtherLineBreaksIsKeptAside)
{
    std::string damaged = line1For(8);
    damaged.replace(2, 5, "12a45");
    auto backup = file();
    backup += ".unreadable";
    for (const char* lineBreak : {"\u0085", "\u2028", "\u2029", "\v", "\f"}) {
        SCOPED_TRACE(lineBreak);
        CustomTLEStore::clear();
        Files::remove(file().parent_path());
        const std::string old =
            tleText("GOOD", 7) + "HAND EDITED" + lineBreak + damaged + lineBreak + line2For(8) + "\n";
        ASSERT_TRUE(Files::createFolder(file().parent_path()));
        ASSERT_TRUE(Files::writeFileAtomically(file(), old));
        ASSERT_EQ(CustomTLEStore::load().size(), 1u);
        EXPECT_EQ(CustomTLEStore::importFromText(tleText("NEW", 9)).count, 1);
        EXPECT_EQ(Files::readFile(backup), old);
    }
}

// A leading byte-order mark is not part of the text: paste and file alike.
TEST_F(CustomTLEStoreTest, LeadingByteOrderMarkIsIgnored)
{
    const std::string bom = "\xEF\xBB\xBF";
    const std::string l1 = line1For(44444);
    const std::string l2 = line2For(44444);
    const std::string json = R"([{"OBJECT_NAME":"BOM SAT","TLE_LINE1":")" + l1 + R"(","TLE_LINE2":")" + l2 + R"("}])";
    struct Case {
        std::string text;
        std::optional<std::string> error;
    };
    const Case cases[] = {
        {tleText("BOM SAT", 44444), std::nullopt},
        {bom + tleText("BOM SAT", 44444), std::nullopt},
        {bom + l1 + "\n" + l2 + "\n", std::nullopt},
        {json, std::nullopt},
        {bom + json, std::nullopt},
        {bom + "\n  " + json, std::nullopt},
        // Only one mark is taken away, and an OMM document stays refused.
        {bom + bom + json, CustomTLEStore::noValidTLEsMessage},
        {bom + "[" + test::ommJson("BOM SAT", 44444, "2024-01-01T00:00:00") + "]",
         CustomTLEStore::jsonWithoutTLEsMessage},
        {bom, CustomTLEStore::noValidTLEsMessage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        CustomTLEStore::clear();
        const auto result = CustomTLEStore::importFromText(c.text);
        EXPECT_EQ(result.error, c.error);
        if (c.error) {
            continue;
        }
        EXPECT_EQ(result.count, 1);
        const auto sets = CustomTLEStore::load();
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0].name, c.text.find("BOM SAT") != std::string::npos ? "BOM SAT" : "Unknown");
        EXPECT_EQ(fileContent()->substr(0, 3) == bom, false) << "no mark is stored";
    }
}

// A disk that cannot take the new file: the import says so and the file
// stays byte for byte, small or cut in the middle of a line.
TEST_F(CustomTLEStoreTest, ImportThatCannotBeWrittenReportsAndKeepsTheFile)
{
    struct Case {
        int setsBefore;
        std::size_t limit;
    };
    const Case cases[] = {{1, 0}, {1, 100}, {35, 4096}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.setsBefore) + " sets, limit " + std::to_string(c.limit));
        std::string old;
        for (int i = 0; i < c.setsBefore; ++i) {
            old += tleText("SAT " + std::to_string(i), 1000 + i);
        }
        CustomTLEStore::clear();
        ASSERT_TRUE(Files::createFolder(file().parent_path()));
        ASSERT_TRUE(Files::writeFileAtomically(file(), old));
        CustomTLEStore::ImportResult result;
        {
            test::FileSizeLimit limit(c.limit);
            result = CustomTLEStore::importFromText(tleText("NEW", 99999));
        }
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.error, std::string("Imported TLEs could not be saved"));
        EXPECT_EQ(fileContent(), old);
        EXPECT_EQ(CustomTLEStore::load().size(), static_cast<std::size_t>(c.setsBefore));
    }
}

// A file with a damaged set and a disk that cannot take what comes next:
// whether the copy aside or the new file fails, custom.tle stays byte for
// byte, and the imports in it are still there at the next load.
TEST_F(CustomTLEStoreTest, DamagedFileStaysInPlaceWhenTheWriteAfterItFails)
{
    std::string damaged = line1For(8);
    damaged.replace(2, 5, "12a45");
    const std::string old = tleText("GOOD", 7) + "HAND EDITED\n" + damaged + "\n" + line2For(8) + "\n";
    struct Case {
        const char* what;
        std::size_t limit;
    };
    const Case cases[] = {
        {"nothing can be written", 0},
        {"the copy aside fails", old.size() - 1},
        {"the copy aside is made, the new file fails", old.size() + 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CustomTLEStore::clear();
        Files::remove(file().parent_path());
        ASSERT_TRUE(Files::createFolder(file().parent_path()));
        ASSERT_TRUE(Files::writeFileAtomically(file(), old));
        CustomTLEStore::ImportResult result;
        {
            test::FileSizeLimit limit(c.limit);
            std::string many;
            for (int i = 0; i < 5; ++i) {
                many += tleText("NEW " + std::to_string(i), 20000 + i);
            }
            result = CustomTLEStore::importFromText(many);
        }
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(fileContent(), old);
        const auto sets = CustomTLEStore::load();
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0].name, "GOOD");
    }
}

// Imports that keep failing over the same damaged file (a full disk) keep
// one copy of it, not one per attempt; a file damaged differently later
// gets a copy of its own.
TEST_F(CustomTLEStoreTest, RepeatedFailedImportsKeepOneCopyOfAContent)
{
    std::string damaged = line1For(8);
    damaged.replace(2, 5, "12a45");
    const std::string first = tleText("GOOD", 7) + "HAND EDITED\n" + damaged + "\n" + line2For(8) + "\n";
    const std::string second = first + "1 cut short\n";
    ASSERT_TRUE(Files::createFolder(file().parent_path()));
    for (const std::string& old : {first, first, first, second, second}) {
        ASSERT_TRUE(Files::writeFileAtomically(file(), old));
        test::FileSizeLimit limit(old.size() + 10);
        EXPECT_EQ(CustomTLEStore::importFromText(tleText("NEW", 9) + tleText("NEWER", 10)).count, 0);
    }
    auto backup = file();
    backup += ".unreadable";
    EXPECT_EQ(Files::readFile(backup), first);
    EXPECT_EQ(Files::readFile(std::filesystem::path(backup.string() + "-2")), second);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file().parent_path()),
                            std::filesystem::directory_iterator()),
              3)
        << "custom.tle and one copy of each content";
}

TEST_F(CustomTLEStoreTest, FailedSaveIsReportedAsAFailure)
{
    // The data folder cannot exist: a plain file holds its name.
    ASSERT_TRUE(Files::writeFileAtomically(std::filesystem::path(home_.str()) / ".zelvane", "in the way"));
    const auto result = CustomTLEStore::importFromText(tleText("LOST", 7));
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(result.error, std::string(CustomTLEStore::saveFailedMessage));
    EXPECT_EQ(CustomTLEStore::add(TLEParser::parse(tleText("LOST", 7))), 0);
}

TEST_F(CustomTLEStoreTest, SaveRemoveAndClear)
{
    CustomTLEStore::remove(1);
    EXPECT_EQ(fileContent(), std::string()) << "remove without a file leaves an empty file";

    auto sets = TLEParser::parse(tleText("A", 1) + tleText("B", 2) + tleText("C", 1));
    ASSERT_EQ(sets.size(), 3u);
    sets[1].name = "";          // reads back as "Unknown"
    sets[2].name = "1 LOOKS";   // cannot be a name line either
    ASSERT_TRUE(CustomTLEStore::save(sets));
    auto loaded = CustomTLEStore::load();
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded[1].name, "Unknown");
    EXPECT_EQ(loaded[2].name, "Unknown");

    CustomTLEStore::remove(1);
    loaded = CustomTLEStore::load();
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].noradId, 2);

    CustomTLEStore::clear();
    EXPECT_FALSE(Files::exists(file()));
    CustomTLEStore::clear();
    EXPECT_TRUE(CustomTLEStore::load().empty());
}

} // namespace
} // namespace zelvane
