#include "tests/ui/browser/browser_fixture.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "elements/custom_tle_store.h"
#include "ui/browser/satellite_browser.h"
#include "ui/browser/tle_import_sheet.h"

namespace zelvane::test {
namespace {

class ImportSheetTest : public BrowserTest {
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        // A selected number without an entry: reloads after an import
        // select no defaults and so ask for no transmitter lists.
        state->setSelectedSatelliteIds({424242});
    }
};

const char* const kExample =
    "ISS (ZARYA)\n"
    "1 25544U 98067A   26095.54791667  .00016717  00000+0  10270-3 0  9994\n"
    "2 25544  51.6412  10.7412 0002819  32.7451  12.4721 15.50073832123456";

QString writeFile(const TempDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.path() + "/" + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TEST_F(ImportSheetTest, ImportButtonNeedsMoreThanBlanks)
{
    TLEImportSheet sheet(state);
    auto* editor = child<QPlainTextEdit>(&sheet, "pasteText");
    auto* importButton = child<QPushButton>(&sheet, "importFromText");
    EXPECT_FALSE(importButton->isEnabled());
    EXPECT_TRUE(child(&sheet, "resultLine")->isHidden());
    EXPECT_TRUE(child(&sheet, "exampleText")->isHidden());
    editor->setPlainText(" \t\n \n");
    EXPECT_FALSE(importButton->isEnabled());
    QTest::keyClicks(editor, "x");
    EXPECT_TRUE(importButton->isEnabled());

    // Any character enables it, even text that then fails.
    const QString typed = editor->toPlainText();
    importButton->click();
    EXPECT_EQ(sheet.resultMessage(), "Error: No valid TLEs found in text");
    EXPECT_TRUE(sheet.resultIsError());
    EXPECT_FALSE(child(&sheet, "resultLine")->isHidden());
    EXPECT_EQ(text(&sheet, "resultMessage"), "Error: No valid TLEs found in text");
    EXPECT_EQ(editor->toPlainText(), typed);
    EXPECT_FALSE(state->isLoadingTLEs());
}

TEST_F(ImportSheetTest, PastedExampleIsImportedShownAndReloaded)
{
    SatelliteBrowser browser(state);
    browser.show();
    child<QPushButton>(&browser, "importTLE")->click();
    TLEImportSheet* sheet = browser.importSheet();
    ASSERT_NE(sheet, nullptr);

    // The example shown in the sheet is the text a user would copy.
    child<QToolButton>(sheet, "exampleToggle")->click();
    EXPECT_FALSE(child(sheet, "exampleText")->isHidden());
    EXPECT_EQ(text(sheet, "exampleText").toStdString(), kExample);

    auto* editor = child<QPlainTextEdit>(sheet, "pasteText");
    editor->setPlainText(kExample);
    child<QPushButton>(sheet, "importFromText")->click();
    EXPECT_EQ(text(sheet, "resultMessage"), "Imported 1 satellite");
    EXPECT_FALSE(sheet->resultIsError());
    EXPECT_TRUE(editor->toPlainText().isEmpty());
    EXPECT_TRUE(state->isLoadingTLEs());
    EXPECT_EQ(state->statusMessage(), "Fetching TLEs...");
    EXPECT_TRUE(sheet->isVisible()); // never closes itself

    ASSERT_EQ(CustomTLEStore::load().size(), 1u);
    EXPECT_EQ(CustomTLEStore::load()[0].noradId, 25544);

    // The reload brings the set into the browser's imported group.
    ASSERT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }));
    browser.refreshNow();
    auto* groups = browser.groupsModel();
    EXPECT_NE(groups->rowOfSatellite(25544, "custom"), -1);
    EXPECT_EQ(cellText(groups, groups->rowOfGroup("custom"), browser::SatelliteRowsModel::MemberCountTextRole),
              "(1)");
}

TEST_F(ImportSheetTest, RepeatedSatellitesCountEachTime)
{
    TLEImportSheet sheet(state);
    auto* editor = child<QPlainTextEdit>(&sheet, "pasteText");
    editor->setPlainText(QString(kExample) + "\n" + kExample + "\n");
    sheet.importFromPaste();
    EXPECT_EQ(sheet.resultMessage(), "Imported 2 satellites");
    EXPECT_EQ(CustomTLEStore::load().size(), 1u);
}

// Sets that could not be read are counted in the message, in element text
// and in JSON alike, never dropped without a word.
TEST_F(ImportSheetTest, SetsThatCouldNotBeReadAreCounted)
{
    TLEImportSheet sheet(state);
    const std::string good = std::string(kExample) + "\n";
    // A second line cut short, as a damaged download leaves it.
    std::string damaged = good.substr(0, good.find("10.7412")) + "\n";
    const std::string json =
        std::string("[{\"OBJECT_NAME\":\"ISS\",\"TLE_LINE1\":\"") + kIssLine1 + "\",\"TLE_LINE2\":\"" + kIssLine2 +
        "\"},{\"OBJECT_NAME\":\"BROKEN\",\"TLE_LINE1\":\"1 2\"},{\"OBJECT_NAME\":\"NONE\"}]";
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {good + good, "Imported 2 satellites"},
        {good + damaged + good, "Imported 2 satellites; 1 set could not be read"},
        {damaged + good + damaged, "Imported 1 satellite; 2 sets could not be read"},
        {json, "Imported 1 satellite; 2 sets could not be read"},
        // Lines that merely begin like element lines are no sets at all...
        {"1 KUTE\n" + good, "Imported 1 satellite"},
        {"1 more set follows below\n" + good + "2 more lines of notes\n", "Imported 1 satellite"},
        // ...but a whole element line without its partner is a set cut short.
        {good + "ISS (ZARYA)\n" + good.substr(good.find("1 25544"), 69) + "\n", "Imported 1 satellite; 1 set could not be read"},
    };
    for (const auto& c : cases) {
        auto* editor = child<QPlainTextEdit>(&sheet, "pasteText");
        editor->setPlainText(QString::fromStdString(c.text));
        sheet.importFromPaste();
        EXPECT_EQ(sheet.resultMessage().toStdString(), c.message) << c.text;
        EXPECT_FALSE(sheet.resultIsError());
    }
}

TEST_F(ImportSheetTest, FileImportsAndTheirFailures)
{
    TLEImportSheet sheet(state);
    auto* editor = child<QPlainTextEdit>(&sheet, "pasteText");
    struct Case {
        QByteArray content;
        QString message;
        bool error;
    };
    const QByteArray json =
        QByteArray("[{\"OBJECT_NAME\":\"ISS (ZARYA)\",\"TLE_LINE1\":\"") + kIssLine1 +
        "\",\"TLE_LINE2\":\"" + kIssLine2 + "\"}]";
    const std::vector<Case> cases = {
        {"{ not json", "Error: JSON could not be parsed", true},
        {"[{\"OBJECT_NAME\":\"X\"}]", "Error: JSON parsed but no TLEs found", true},
        {"hello\nworld\n", "Error: No valid TLEs found in text", true},
        {QByteArray("\xff\xfe bad bytes"), "Failed to read file: The file is not valid UTF-8 text.", true},
        {json, "Imported 1 satellite", false},
    };
    int n = 0;
    for (const auto& c : cases) {
        editor->setPlainText("typed before");
        const QString path = writeFile(dir, ("f" + std::to_string(n++) + ".txt").c_str(), c.content);
        sheet.importFile(path);
        EXPECT_EQ(sheet.resultMessage(), c.message) << c.content.toStdString();
        EXPECT_EQ(sheet.resultIsError(), c.error);
        // Only success empties the editor, and the file never enters it.
        EXPECT_EQ(editor->toPlainText(), c.error ? "typed before" : "");
    }

    sheet.importFile(dir.path() + "/missing.txt");
    EXPECT_TRUE(sheet.resultMessage().startsWith("Failed to read file: "));
    EXPECT_GT(sheet.resultMessage().size(), QString("Failed to read file: ").size());
    EXPECT_TRUE(sheet.resultIsError());
}

TEST_F(ImportSheetTest, CloseAndEscapeDismiss)
{
    TLEImportSheet sheet(state);
    sheet.show();
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_FALSE(sheet.isVisible());
    sheet.show();
    child<QPushButton>(&sheet, "close")->click();
    EXPECT_FALSE(sheet.isVisible());
}

} // namespace
} // namespace zelvane::test
