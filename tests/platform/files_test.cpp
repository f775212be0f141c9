#include <gtest/gtest.h>

#include <QDir>

#include <atomic>
#include <thread>

#include "base/utf8.h"
#include "platform/files.h"
#include "platform/uuid.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_support.h"

namespace zelvane::platform {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

TEST(FilesTest, HomeFolderDefaultsToHomeAndCanBeRedirected)
{
    const fs::path real = QDir::homePath().toStdString();
    EXPECT_EQ(Files::homeFolder(), real);
    TempDir dir;
    Files::setHomeFolder(dir.str());
    EXPECT_EQ(Files::homeFolder(), fs::path(dir.str()));
    EXPECT_EQ(Files::dataFolder(), fs::path(dir.str()) / ".zelvane");
    EXPECT_FALSE(Files::exists(Files::dataFolder())) << "naming the folder does not create it";
    Files::setHomeFolder({});
    EXPECT_EQ(Files::homeFolder(), real);
}

// What a write killed half-way leaves (the target's name, our mark, six
// letters or digits) goes once it is old enough, and only beside names the
// caller owns. Anything else stays, however much it looks like a
// temporary: copies users make by hand carry the target's name too.
TEST(FilesTest, StaleTemporariesOfOwnFilesAreRemoved)
{
    TempDir dir;
    const fs::path folder = dir.str();
    const auto owns = [](std::string_view target) { return target == "custom.tle" || target.ends_with(".json"); };
    const auto ours = [](const std::string& target, const char* random) {
        return target + std::string(Files::kTemporaryMark) + random;
    };
    // Names too long to carry the mark whole: their temporaries are named
    // by Files::temporaryName. A user's copy of such a file keeps its name.
    const std::string longJson = std::string(240, 'j') + ".json";
    const std::string longOther = std::string(240, 'j') + ".json.orig";
    const struct {
        std::string name;
        std::chrono::seconds age;
        bool removed;
    } cases[] = {
        {ours("custom.tle", "AbCdEf"), std::chrono::hours(2), true},
        {ours("custom.tle", "qW3RtY"), std::chrono::seconds(61), true},
        {ours("amateur.json", "XyZ012"), std::chrono::hours(24), true},
        {ours("custom.tle", "AbCdEg"), std::chrono::seconds(5), false}, // perhaps another copy's write under way
        {ours("custom.tle", "AbCdE"), std::chrono::hours(2), false},
        {ours("custom.tle", "AbCdEfG"), std::chrono::hours(2), false},
        {ours("custom.tle", "AbC-Ef"), std::chrono::hours(2), false},
        {ours("notes.txt", "AbCdEf"), std::chrono::hours(2), false},
        {ours("other.tle", "AbCdEf"), std::chrono::hours(2), false},
        {"custom.tle", std::chrono::hours(2), false},
        {"custom.tle.AbCdEf", std::chrono::hours(2), false},
        {"custom.tle.backup", std::chrono::hours(2), false},
        {"custom.tle.before", std::chrono::hours(2), false},
        {"amateur.json.mylist", std::chrono::hours(2), false},
        {"amateur.json.orig", std::chrono::hours(2), false},
        {"custom.tle.unreadable", std::chrono::hours(2), false},
        {Files::temporaryName(longJson, "AbCdEf"), std::chrono::hours(2), true},
        {Files::temporaryName(longJson, "AbCdEg"), std::chrono::seconds(5), false},
        {Files::temporaryName(longJson, "AbCdE"), std::chrono::hours(2), false},
        {Files::temporaryName(longOther, "AbCdEf"), std::chrono::hours(2), false},
        {Files::temporaryName(std::string(240, 'j') + ".tle", "AbCdEf"), std::chrono::hours(2), false},
        {longJson, std::chrono::hours(2), false},
        {longOther, std::chrono::hours(2), false},
        {longJson + ".AbCdEf", std::chrono::hours(2), false},
    };
    const auto now = fs::file_time_type::clock::now();
    for (const auto& c : cases) {
        ASSERT_TRUE(Files::writeFileAtomically(folder / c.name, "partial"));
        fs::last_write_time(folder / c.name, now - c.age);
    }
    ASSERT_TRUE(Files::createFolder(folder / "below"));
    const std::string below = ours("custom.tle", "AbCdEf");
    ASSERT_TRUE(Files::writeFileAtomically(folder / "below" / below, "partial"));
    fs::last_write_time(folder / "below" / below, now - std::chrono::hours(2));

    EXPECT_EQ(Files::removeStaleTemporaries(folder, owns), 4u);
    for (const auto& c : cases) {
        EXPECT_EQ(Files::exists(folder / c.name), !c.removed) << c.name;
    }
    EXPECT_TRUE(Files::exists(folder / "below" / below)) << "only the folder itself";
    EXPECT_EQ(Files::removeStaleTemporaries(folder / "missing", owns), 0u);
}

TEST(FilesTest, WholeFileWriteReadMoveAndRemove)
{
    TempDir dir;
    const fs::path folder = fs::path(dir.str()) / "a" / "b";
    EXPECT_TRUE(Files::createFolder(folder));
    EXPECT_TRUE(Files::createFolder(folder)) << "an existing folder is fine";

    const fs::path file = folder / "data.bin";
    EXPECT_EQ(Files::readFile(file), std::nullopt);
    const std::string content("line\r\n\x00\xff", 8);
    EXPECT_TRUE(Files::writeFileAtomically(file, content));
    EXPECT_EQ(Files::readFile(file), content);
    EXPECT_TRUE(Files::writeFileAtomically(file, ""));
    EXPECT_EQ(Files::readFile(file), std::string());
    // Only the file itself is left: no temporary files beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    EXPECT_EQ(Files::readFile(folder), std::nullopt) << "a folder is not a readable file";

    const fs::path moved = folder / "moved.bin";
    EXPECT_TRUE(Files::move(file, moved));
    EXPECT_FALSE(Files::exists(file));
    EXPECT_FALSE(Files::move(file, moved)) << "nothing left to move";

    EXPECT_TRUE(Files::remove(fs::path(dir.str()) / "a"));
    EXPECT_FALSE(Files::exists(folder));
    EXPECT_TRUE(Files::remove(fs::path(dir.str()) / "never-there"));
}

// Any name the folder allows can be written and replaced: the temporary
// beside it never needs a longer name than the target may have.
TEST(FilesTest, NamesUpToTheLimitAreWrittenAndReplaced)
{
    TempDir dir;
    const fs::path folder = dir.str();
    // A name of two-byte letters too.
    std::string wide = "w";
    for (int i = 0; i < 122; ++i) {
        wide += "\xc3\xa4";
    }
    const std::string names[] = {std::string(196, 'n') + ".tle", std::string(229, 'n') + ".tle",
                                 std::string(230, 'n') + ".timestamp", std::string(251, 'n') + ".tle",
                                 wide + ".timestamp"};
    const std::string random = "AbCdEf";
    const std::string tail = std::string(Files::kTemporaryMark) + random;
    for (const auto& name : names) {
        SCOPED_TRACE(std::to_string(name.size()) + " bytes");
        // Whole where it fits; otherwise within the limit with both ends of
        // the target's name kept, in whole letters.
        for (const std::size_t limit : {Files::kNameLimit, std::size_t{143}}) {
            const std::string temporary = Files::temporaryName(name, random, limit);
            if (name.size() + tail.size() <= limit) {
                EXPECT_EQ(temporary, name + tail);
                continue;
            }
            EXPECT_LE(temporary.size(), limit);
            EXPECT_TRUE(temporary.starts_with(name.substr(0, 80))) << temporary;
            EXPECT_TRUE(temporary.ends_with(name.substr(name.find('.')) + tail)) << temporary;
            EXPECT_TRUE(utf8::isValid(temporary)) << temporary;
        }
        const fs::path file = folder / name;
        EXPECT_TRUE(Files::writeFileAtomically(file, "first"));
        EXPECT_EQ(Files::readFile(file), "first");
        EXPECT_TRUE(Files::writeFileAtomically(file, "second, replacing the first"));
        EXPECT_EQ(Files::readFile(file), "second, replacing the first");
        EXPECT_TRUE(Files::remove(file));
        EXPECT_TRUE(fs::is_empty(folder)) << "no temporary is left behind";
    }
}

TEST(FilesTest, AtomicWriteCreatesNoFoldersAndNeverReplacesAFolder)
{
    TempDir dir;
    const fs::path inMissing = fs::path(dir.str()) / "missing" / "f.txt";
    EXPECT_FALSE(Files::writeFileAtomically(inMissing, "x"));
    EXPECT_FALSE(Files::exists(inMissing.parent_path()));

    const fs::path folder = fs::path(dir.str()) / "folder";
    ASSERT_TRUE(Files::createFolder(folder));
    ASSERT_TRUE(Files::writeFileAtomically(folder / "inside", "keep"));
    EXPECT_FALSE(Files::writeFileAtomically(folder, "x"));
    EXPECT_EQ(Files::readFile(folder / "inside"), "keep");
}

// A write the disk cannot hold fails and leaves the old file exactly as it
// was, however much of the new content would have fitted: small enough to
// sit in a write buffer, cut in the middle, or far beyond the room.
TEST(FilesTest, AWriteThatDoesNotFitFailsAndKeepsTheOldFile)
{
    TempDir dir;
    const fs::path file = fs::path(dir.str()) / "kept.txt";
    const std::string old = "the original content, 43 bytes long.......\n";
    struct Case {
        std::size_t limit;
        std::size_t newSize;
    };
    const Case cases[] = {{0, 27}, {100, 147}, {4096, 5250}, {4096, 300'000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.limit) + " / " + std::to_string(c.newSize));
        ASSERT_TRUE(Files::writeFileAtomically(file, old));
        bool written = true;
        {
            test::FileSizeLimit limit(c.limit);
            written = Files::writeFileAtomically(file, std::string(c.newSize, 'n'));
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(Files::readFile(file), old);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.str()), fs::directory_iterator()), 1)
            << "no temporary file is left behind";
    }
    // What fits is still written under the same limit.
    {
        test::FileSizeLimit limit(4096);
        EXPECT_TRUE(Files::writeFileAtomically(file, std::string(4096, 'f')));
    }
    EXPECT_EQ(Files::readFile(file), std::string(4096, 'f'));
}

TEST(FilesTest, ReadersSeeTheOldContentOrTheNewNeverAMix)
{
    TempDir dir;
    const fs::path file = fs::path(dir.str()) / "big.txt";
    const std::string a(512 * 1024, 'a');
    const std::string b(256 * 1024, 'b');
    ASSERT_TRUE(Files::writeFileAtomically(file, a));

    std::atomic<bool> stop{false};
    std::thread writer([&]() {
        for (int i = 0; i < 60 && !stop; ++i) {
            Files::writeFileAtomically(file, (i % 2) != 0 ? a : b);
        }
        stop = true;
    });
    int reads = 0;
    while (!stop) {
        const auto content = Files::readFile(file);
        ASSERT_TRUE(content.has_value());
        ASSERT_TRUE(*content == a || *content == b) << "torn read of " << content->size() << " bytes";
        ++reads;
    }
    writer.join();
    EXPECT_GT(reads, 0);
}

TEST(UuidTest, UpperCaseCanonicalFormAndFreshEachTime)
{
    const std::string first = newUuidString();
    const std::string second = newUuidString();
    EXPECT_NE(first, second);
    for (const auto& id : {first, second}) {
        ASSERT_EQ(id.size(), 36u) << id;
        for (std::size_t i = 0; i < id.size(); ++i) {
            if (i == 8 || i == 13 || i == 18 || i == 23) {
                EXPECT_EQ(id[i], '-') << id;
            } else {
                EXPECT_TRUE((id[i] >= '0' && id[i] <= '9') || (id[i] >= 'A' && id[i] <= 'F')) << id;
            }
        }
    }
}

} // namespace
} // namespace zelvane::platform
