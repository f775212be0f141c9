#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "catalog/satnogs_fetch.h"
#include "elements/tle_manager.h"
#include "rig/rig_protocol_mode.h"
#include "tests/state/state_fixture.h"
#include "tests/ui/shell/fit_check.h"
#include "tests/ui/shell/shell_fixture.h"
#include "ui/browser/satellite_detail_view.h"
#include "ui/passes/favourites_panel.h"
#include "ui/passes/favourites_rows.h"
#include "ui/passes/pass_list_view.h"
#include "ui/passes/pass_row.h"
#include "ui/passes/zoz_adeza_chart.h"
#include "ui/passes/zoz_adeza_view.h"
#include "ui/shell/content_view.h"
#include "ui/shell/main_window.h"
#include "ui/shell/zelvane_app.h"
#include "ui/style/ui_style.h"

namespace zelvane::test {
namespace {

// Texts that are wider than the room their widget gives them, without the
// "…" that says they were shortened: each is a silent cut.
struct Cut {
    std::string where;
};

QString plainText(const QLabel& label)
{
    if (label.textFormat() == Qt::RichText ||
        (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()))) {
        QTextDocument doc;
        doc.setHtml(label.text());
        return doc.toPlainText();
    }
    return label.text();
}

QString withoutMnemonics(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

int widestLine(const QFontMetrics& metrics, const QString& text)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest;
}

// The room a button gives its text (and icon), as its style lays it out.
int buttonRoom(const QAbstractButton& button, int* iconWidth)
{
    *iconWidth = button.icon().isNull() ? 0 : button.iconSize().width() + 4;
    QStyleOptionButton option;
    option.initFrom(&button);
    option.rect = button.rect();
    if (qobject_cast<const QCheckBox*>(&button)) {
        return button.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &button).width();
    }
    if (qobject_cast<const QRadioButton*>(&button)) {
        return button.style()->subElementRect(QStyle::SE_RadioButtonContents, &option, &button).width();
    }
    if (auto* push = qobject_cast<const QPushButton*>(&button)) {
        if (push->isFlat()) {
            return button.width() - 4;
        }
        return button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button).width();
    }
    return button.contentsRect().width() - 6;
}

void walk(const QWidget& root, const std::string& window, std::vector<Cut>& cuts)
{
    const QString ellipsis = QString(QChar(0x2026));
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&root) || label->wordWrap() || !label->pixmap().isNull()) {
            continue;
        }
        const QString text = plainText(*label);
        if (text.isEmpty() || text.contains(ellipsis)) {
            continue;
        }
        const int need = widestLine(label->fontMetrics(), text);
        const int room = label->contentsRect().width() - 2 * label->margin() -
                         std::max(0, label->indent());
        if (need > room + 1) {
            cuts.push_back({window + " label " + label->objectName().toStdString() + " \"" +
                            text.toStdString() + "\" needs " + std::to_string(need) + " has " +
                            std::to_string(room)});
        }
    }
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&root)) {
            continue;
        }
        const QString text = withoutMnemonics(button->text());
        if (text.isEmpty() || text.contains(ellipsis)) {
            continue;
        }
        int icon = 0;
        const int room = buttonRoom(*button, &icon);
        const int need = widestLine(button->fontMetrics(), text) + icon;
        if (need > room + 1) {
            cuts.push_back({window + " button " + button->objectName().toStdString() + " \"" +
                            text.toStdString() + "\" needs " + std::to_string(need) + " has " +
                            std::to_string(room)});
        }
    }
}

std::string describe(const std::vector<Cut>& cuts)
{
    std::string out;
    for (const Cut& cut : cuts) {
        out += cut.where + "\n";
    }
    return out;
}

// Renders go to a folder only when one is named, never anywhere else.
void keepRender(QWidget& widget, const QString& name)
{
    const char* folder = std::getenv("ZELVANE_RENDER_DIR");
    if (folder == nullptr || *folder == '\0') {
        return;
    }
    widget.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

class LayoutTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        // The start-up load goes nowhere: the catalogue is seeded below.
        TLEManager::setServiceBaseURL("http://127.0.0.1:1");
        SatNOGSFetch::setHost("http://127.0.0.1:1");
        Clock::setFixed(nearEpoch());
    }

    void TearDown() override
    {
        TLEManager::setServiceBaseURL(TLEManager::defaultServiceBaseURL);
        SatNOGSFetch::setHost("");
        ShellTest::TearDown();
    }

    // A catalogue whose texts are as long as real ones: names, sources and
    // frequency ranges that do not fit their columns. With `favourites`,
    // more satellites of the same orbit make up that many favourites.
    void seedCatalogue(std::size_t favourites = 0)
    {
        ASSERT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }, std::chrono::seconds(20)));
        auto iss = makeIss();
        iss->transmitters = {downlink(145800000, "FM", "Mode V/U FM - Voice"),
                             uplink(145990000, "FM", "Mode U/V FM - Voice")};
        iss->sources = {"amateur", "stations", "custom"};
        auto fo29 = makeSatellite("FO-29 (JAS-2) WITH A VERY LONG CATALOGUE NAME", kAo91Line1, kAo91Line2);
        fo29->transmitters = {passband(435800000, 435900000, "down", true, "Linear transponder"),
                              passband(145900000, 146000000, "up", true, "Linear transponder up")};
        fo29->sources = {"amateur", "cubesat"};
        auto qo100 = makeSatellite("QO-100", kOtherLine1, kOtherLine2);
        qo100->transmitters = {passband(10489550000.0, 10489800000.0, "down", false, "NB transponder")};
        qo100->sources = {"user:My_Geostationary_And_Other_Lists"};
        std::vector<std::shared_ptr<Satellite>> all = state->satellites();
        for (const auto& sat : {iss, fo29, qo100}) {
            all.push_back(sat);
        }
        for (std::int64_t id = 50001; all.size() < favourites; ++id) {
            auto more = std::make_shared<Satellite>("CUBESAT-" + std::to_string(id), id);
            more->tle = iss->tle;
            more->tle->noradId = id;
            more->initOrbit();
            more->transmitters = {passband(437100000 + 10000.0 * (id % 7), 437150000 + 10000.0 * (id % 7), "down",
                                           false, "Linear transponder")};
            more->sources = {"cubesat"};
            all.push_back(more);
        }
        state->setSatellites(all);
        std::set<std::int64_t> ids;
        for (const auto& sat : all) {
            sat->setIsSelected(true);
            ids.insert(sat->id);
        }
        state->setSelectedSatelliteIds(ids);
        state->setStatusMessage("Loaded 3 satellites from the cache; the element sets are 2 days old "
                                "and will be refreshed when the network is back");
        state->computeAllPasses();
        ASSERT_TRUE(waitUntil([&] { return !iss->passes.empty() && !fo29->passes.empty(); },
                              std::chrono::seconds(60)));
        const auto sorted = state->allPassesSorted();
        ASSERT_FALSE(sorted.empty());
        state->setSelectedPass(PassInfo(sorted.front().first, sorted.front().second, std::nullopt));
        showFavourites();
        settle();
    }

    static void showFavourites()
    {
        platform::SettingsStore::standard().setBool("zozAdezaShowFavorites", true);
    }

    std::shared_ptr<Satellite> satelliteNamed(const std::string& prefix) const
    {
        for (const auto& sat : state->satellites()) {
            if (sat->name.rfind(prefix, 0) == 0) {
                return sat;
            }
        }
        return nullptr;
    }
};

// The main window at its smallest and its default size, with every sheet
// and window a user opens from it: no text is cut without an ellipsis, and
// every pane keeps room to be used.
TEST_F(LayoutTest, NoTextIsCutAtTheSmallestAndTheDefaultSize)
{
    showFavourites();
    ZelvaneApp app(state);
    MainWindow* window = app.mainWindow();
    window->show();
    seedCatalogue();
    ContentView* content = window->contentView();

    // The least window is 1050 by 700 with its menu bar.
    const QSize least(1050, 700 - window->menuBar()->sizeHint().height());
    for (const QSize size : {least, QSize(1200, 800)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        window->resize(size.width(), size.height() + window->menuBar()->sizeHint().height());
        settle();
        EXPECT_EQ(content->size(), size) << content->width() << "x" << content->height();
        std::vector<Cut> cuts;
        walk(*content, "main", cuts);
        keepRender(*content, QStringLiteral("main-%1x%2").arg(size.width()).arg(size.height()));

        // Every pane usable: a chart to read beside the open favourites,
        // whole pass rows, the polar plot's pane not squeezed.
        auto* timeline = content->findChild<ZozAdezaView*>();
        ASSERT_NE(timeline, nullptr);
        ASSERT_TRUE(timeline->showSatSelector());
        EXPECT_GE(timeline->chart()->height(), ZozAdezaView::kReadableChartHeight);
        auto* passes = content->findChild<PassListView*>();
        ASSERT_NE(passes, nullptr);
        auto* scroll = passes->findChild<QAbstractScrollArea*>("passScroll");
        ASSERT_NE(scroll, nullptr);
        ASSERT_GE(passes->rowCount(), 4);
        const int rowsInView = scroll->viewport()->height() / PassRow::kPitch;
        const int column = passes->parentWidget()->height();
        const int handle = static_cast<QSplitter*>(passes->parentWidget())->handleWidth();
        if (column >= timeline->heightWanted() + handle + passes->heightForRows(4)) {
            EXPECT_GE(rowsInView, 4);
        } else {
            // Too low for both: the open favourites show their rows, the
            // pass list giving up its room down to its least height.
            EXPECT_GE(passes->height(), 120);
            EXPECT_TRUE(timeline->height() >= timeline->heightWanted() || passes->height() == 120)
                << timeline->height() << " " << passes->height();
        }
        // With the panel closed, a list short of four rows gets the room back.
        const int listOpen = passes->height();
        timeline->setShowSatSelector(false);
        settle();
        if (rowsInView < 4) {
            EXPECT_GT(passes->height(), listOpen);
        }
        timeline->setShowSatSelector(true);
        settle();
        auto* polar = content->findChild<QWidget*>("polarPane");
        ASSERT_NE(polar, nullptr);
        const int polarWanted = polar->layout()->minimumSize().height();
        auto* map = content->findChild<QWidget*>("satelliteMapView");
        ASSERT_NE(map, nullptr);
        if (polar->parentWidget()->height() >= polarWanted + map->minimumHeight() + handle) {
            EXPECT_GE(polar->height(), polarWanted);
        }

        state->setShowSettings(true);
        settle();
        ASSERT_NE(content->settingsSheet(), nullptr);
        walk(*content->settingsSheet(), "settings", cuts);
        keepRender(*content->settingsSheet(), QStringLiteral("settings-%1").arg(size.width()));
        state->setShowSettings(false);
        settle();

        state->setShowSatelliteList(true);
        settle();
        ASSERT_NE(content->satelliteListSheet(), nullptr);
        walk(*content->satelliteListSheet(), "quick list", cuts);
        keepRender(*content->satelliteListSheet(), QStringLiteral("quicklist-%1").arg(size.width()));
        state->setShowSatelliteList(false);
        settle();

        EXPECT_TRUE(cuts.empty()) << describe(cuts);
    }

    app.openWindow("satellite-browser");
    settle();
    ASSERT_NE(app.browserWindow(), nullptr);
    std::vector<Cut> cuts;
    walk(*app.browserWindow(), "browser", cuts);
    keepRender(*app.browserWindow(), QStringLiteral("browser"));

    for (const char* name : {"ISS", "FO-29", "QO-100"}) {
        SatelliteDetailView detail(satelliteNamed(name));
        detail.show();
        settle();
        walk(detail, std::string("detail ") + name, cuts);
        keepRender(detail, QStringLiteral("detail-%1").arg(QString::fromUtf8(name)));
    }
    EXPECT_TRUE(cuts.empty()) << describe(cuts);
}

// The detail sheet shows both element lines whole, 69 characters each, with
// either font family: what the user sees, the text's width against the
// label's room.
TEST_F(LayoutTest, DetailSheetShowsBothElementLinesWhole)
{
    auto iss = makeIss();
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        SatelliteDetailView detail(iss);
        detail.show();
        settle();
        detail.grab();
        for (const char* name : {"line1", "line2"}) {
            auto* line = detail.findChild<QLabel*>(name);
            ASSERT_NE(line, nullptr) << name;
            EXPECT_EQ(line->text().size(), 69) << name;
            EXPECT_TRUE(line->isVisibleTo(&detail)) << name;
            EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()),
                      line->contentsRect().width() - 2 * line->margin())
                << name;
        }
        std::vector<std::string> cuts;
        walkGeometry(detail, families.name, cuts);
        EXPECT_TRUE(cuts.empty()) << joined(cuts);
    }
}

// At the default 12 hours every major tick of the time header, both edges
// included, has its clock label centred on it, in the default and the
// least window with either font family, and no label crowds its neighbour.
TEST_F(LayoutTest, EveryMajorTickInsideTheHeaderHasItsClockLabel)
{
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        ASSERT_EQ(drawnFamily(ui_style::monoFont(14)), families.fixed);
        ZelvaneApp app(state);
        MainWindow* window = app.mainWindow();
        window->show();
        settle();
        ASSERT_DOUBLE_EQ(state->timelineHoursVisible(), 12.0);
        auto* chart = window->contentView()->findChild<ZozAdezaChart*>();
        ASSERT_NE(chart, nullptr);
        const int menu = window->menuBar()->sizeHint().height();
        const struct {
            const char* what;
            QSize window;
        } sizes[] = {{"default", QSize(1200, 800 + menu)}, {"least", QSize(1050, 700)}};
        for (const auto& size : sizes) {
            SCOPED_TRACE(size.what);
            window->resize(size.window);
            settle();
            const double width = chart->width();
            const double step = width / 12.0;
            const Date start = state->timelineStartTime();
            const std::vector<timeline::HeaderLabel> labels = chart->headerLabels();
            ASSERT_FALSE(labels.empty());
            const double labelWidth = labels.front().width;
            // An hour's step leaves room for each label between its
            // neighbours'.
            constexpr double gap = 4.0;
            EXPECT_GE(step, labelWidth + gap) << width;
            for (int i = 0; i <= 12; ++i) {
                const double x = i * step;
                const QString text = QLocale::system().toString(
                    QDateTime::fromMSecsSinceEpoch(start.addingTimeInterval(i * 3600.0).nanosecondsSince1970() / 1000000),
                    QStringLiteral("HH:mm"));
                const auto label = std::find_if(labels.begin(), labels.end(),
                                                [&](const auto& l) { return std::abs(l.tickX - x) < 1e-6; });
                ASSERT_TRUE(label != labels.end()) << "no label at tick " << i << " of 12 in " << width;
                EXPECT_EQ(label->text, text) << i;
                EXPECT_NEAR(label->left + label->width / 2.0, x, 0.5) << i;
            }
            // None crowds its neighbour.
            for (std::size_t i = 1; i < labels.size(); ++i) {
                EXPECT_GE(labels[i].left, labels[i - 1].left + labels[i - 1].width + gap - 1e-9)
                    << i;
            }
            EXPECT_EQ(labels.size(), 13u);
        }
    }
}

// With ten favourites and the panel open, the list shows several of them
// at once in the least, the default and a laptop's window, with either font
// family: the chart above keeps a readable height and the pass list its
// least; every favourite's frequency shows whole.
TEST_F(LayoutTest, OpenFavouritesShowTheirRowsBesideTheChartAndThePassList)
{
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        SCOPED_TRACE(families.name);
        UseFontFamilies use(families);
        if (!use.available()) {
            GTEST_SKIP() << families.fixed << " is not installed (scripts/install-deps)";
        }
        ASSERT_EQ(drawnFamily(ui_style::monoFont(14)), families.fixed);
        showFavourites();
        ZelvaneApp app(state);
        MainWindow* window = app.mainWindow();
        window->show();
        seedCatalogue(10);
        ContentView* content = window->contentView();
        auto* timeline = content->findChild<ZozAdezaView*>();
        ASSERT_NE(timeline, nullptr);
        ASSERT_TRUE(timeline->showSatSelector());
        FavouritesPanel* panel = timeline->favouritesPanel();
        ASSERT_EQ(panel->model()->rowCount(), 10);
        auto* passes = content->findChild<PassListView*>();
        ASSERT_NE(passes, nullptr);
        const QFontMetricsF column(ui_style::monoFont(14));
        // The favourites came while the window stood open at its first
        // size: they made room for themselves.
        EXPECT_GE(panel->listView()->viewport()->height() / FavouriteRowDelegate::kRowHeight, 5)
            << window->width() << "x" << window->height();

        // Whole windows, menu bar included.
        const struct {
            QSize window;
            int rows;
        } cases[] = {{QSize(1050, 700), 3}, {QSize(1200, 800), 5}, {QSize(1366, 768), 5}};
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.window.width()) + "x" + std::to_string(c.window.height()));
            window->resize(c.window);
            settle();
            settle();
            ASSERT_EQ(window->size(), c.window);
            const QListView* list = panel->listView();
            EXPECT_GE(list->viewport()->height() / FavouriteRowDelegate::kRowHeight, c.rows)
                << "list " << list->height() << " chart " << timeline->chart()->height() << " passes "
                << passes->height();
            EXPECT_GE(timeline->chart()->height(), ZozAdezaView::kReadableChartHeight);
            EXPECT_GE(passes->height(), 120);

            const QRect rowRect(0, 0, list->viewport()->width(), FavouriteRowDelegate::kRowHeight);
            for (const FavouriteRow& row : panel->model()->rows()) {
                const auto sat = std::find_if(state->satellites().begin(), state->satellites().end(),
                                              [&](const auto& s) { return s->id == row.id; });
                ASSERT_TRUE(sat != state->satellites().end());
                const auto down = (*sat)->primaryDownlink();
                if (!down) {
                    continue;
                }
                const QString whole = QString::fromStdString(down->displayFreqMHz());
                bool found = false;
                for (const auto& cell : panel->delegate()->layoutRow(row, rowRect)) {
                    if (cell.part == FavouritePart::downlink) {
                        found = true;
                        EXPECT_EQ(cell.text.toStdString(), whole.toStdString()) << row.name.toStdString();
                        EXPECT_LE(column.horizontalAdvance(cell.text), cell.rect.width()) << row.name.toStdString();
                        EXPECT_GE(cell.rect.left(), 0);
                    }
                }
                EXPECT_TRUE(found) << row.name.toStdString();
            }
        }
    }
}

// The main window, its sheets and the browser laid out with one desktop's
// font families, in every state of the detail panel, at the smallest, the
// default, a laptop's and a large window size: no part stands outside the
// parent that shows it, no text is cut, and the panes keep their room.
class FitsWithTheFamilies : public LayoutTest, public ::testing::WithParamInterface<FontFamilies> {};

TEST_P(FitsWithTheFamilies, NothingIsCutInAnyStateOrSize)
{
    const FontFamilies& families = GetParam();
    UseFontFamilies use(families);
    if (!use.available()) {
        GTEST_SKIP() << families.general << " or " << families.fixed << " is not installed (scripts/install-deps)";
    }
    ASSERT_EQ(drawnFamily(ui_style::monoFont(15)), families.fixed);
    ASSERT_EQ(drawnFamily(ui_style::systemFont(15)), families.general);

    // No radio answers: the track runs without one.
    state->setRigHost("127.0.0.1");
    state->setRigPort(1);
    showFavourites();
    ZelvaneApp app(state);
    MainWindow* window = app.mainWindow();
    window->show();
    seedCatalogue();
    ContentView* content = window->contentView();
    auto fo29 = satelliteNamed("FO-29");
    auto qo100 = satelliteNamed("QO-100");
    ASSERT_TRUE(fo29 && qo100);
    ASSERT_TRUE(waitUntil([&] { return !qo100->passes.empty(); }, std::chrono::seconds(60)));
    const auto show = [&](const std::shared_ptr<Satellite>& sat) {
        state->setSelectedPass(PassInfo(sat, sat->passes.front(), std::nullopt));
        state->selectTransmitter(sat->transmitters.front(), *sat);
    };
    // The calibration stored but not sent: a SAT_PROTO link with the
    // transponder-centre pattern. Set again before each size, as no daemon
    // answers to keep the link's mode.
    const auto storedOnly = [&] {
        state->setRigProtocolMode(RigProtocolMode::satProtoV1);
        state->setSatProtoRestPattern(SatProtoRestPattern::transponderCenter);
    };
    const struct {
        const char* name;
        std::function<void()> enter;
        std::function<void()> hold;
    } states[] = {
        {"no pair", [&] { show(qo100); }, {}},
        {"transponder pair", [&] { show(fo29); }, {}},
        {"tracking",
         [&] {
             state->startTracking(fo29, fo29->transmitters.front());
             ASSERT_TRUE(waitUntil([&] { return state->lastTick().has_value(); }, std::chrono::seconds(20)));
             state->setRigSatProtoStatus("Re-armed (radio was claimed by another client)");
             // Offsets six digits long: a wide transponder's edges, a
             // converter well off its nominal frequency.
             state->setCurrentRIT(125321);
             state->setCurrentPassbandOffset(-100987);
             state->setCurrentSatCalibration(-150123);
         },
         {}},
        {"stored only", storedOnly, storedOnly},
        {"after STOP",
         [&] {
             state->setRigProtocolMode(RigProtocolMode::unknown);
             state->stopTracking();
         },
         {}},
    };
    // The least window (1050 by 700 with its menu bar), the default, a
    // 1280 by 720, a 1200 by 768 and a 1366 by 768 screen's, and a large
    // one.
    const int menu = window->menuBar()->sizeHint().height();
    const QSize sizes[] = {QSize(1050, 700 - menu), QSize(1200, 800),         QSize(1200, 720 - menu),
                           QSize(1200, 768 - menu), QSize(1366, 768 - menu), QSize(1600, 1000)};
    std::vector<std::string> cuts;
    std::vector<Cut> widths;
    for (const auto& s : states) {
        s.enter();
        settle();
        for (const QSize size : sizes) {
            const std::string where = std::string(families.name) + " " + s.name + " " +
                                      std::to_string(size.width()) + "x" + std::to_string(size.height());
            if (s.hold) {
                s.hold();
            }
            window->resize(size.width(), size.height() + window->menuBar()->sizeHint().height());
            settle();
            // Scroll bars show or hide a turn after their range changes.
            settle();
            ASSERT_EQ(content->size(), size) << where;
            content->grab(); // lays out and paints every part
            walkGeometry(*content, where, cuts);
            walk(*content, where, widths);

            auto* panel = content->findChild<QWidget*>("detailPanel");
            ASSERT_NE(panel, nullptr);
            EXPECT_EQ(panel->height(), 240) << where;
            if (size.width() >= 1200) {
                for (const QScrollBar* bar : panel->findChildren<QScrollBar*>()) {
                    EXPECT_FALSE(bar->isVisibleTo(panel)) << where << " the panel scrolls";
                }
            }
            // Nothing in the window hides a part of a row behind a
            // sideways scroll, at any size it may have.
            for (const QScrollBar* bar : content->findChildren<QScrollBar*>()) {
                if (bar->orientation() == Qt::Horizontal) {
                    const QWidget* area = bar->parentWidget();
                    while (area != nullptr && qobject_cast<const QAbstractScrollArea*>(area) == nullptr) {
                        area = area->parentWidget();
                    }
                    EXPECT_FALSE(bar->isVisibleTo(content))
                        << where << " scrolls sideways in " << (area ? nameOf(*area) : nameOf(*bar));
                }
            }
            if (s.hold) {
                auto* marker = content->findChild<QLabel*>("storedOnly");
                ASSERT_NE(marker, nullptr);
                EXPECT_TRUE(marker->isVisibleTo(content)) << where;
                EXPECT_EQ(marker->text().toStdString(), "(stored only)") << where;
            }
            auto* map = content->findChild<QWidget*>("satelliteMapView");
            ASSERT_NE(map, nullptr);
            if (size.height() >= 800) {
                EXPECT_GE(map->height(), 200) << where;
            }
            keepRender(*content, QStringLiteral("fit-%1-main-%2-%3x%4")
                                     .arg(QString::fromUtf8(families.name), QString::fromUtf8(s.name).replace(' ', '-'))
                                     .arg(size.width())
                                     .arg(size.height()));
        }
    }

    // The sheets and the browser, at the window's largest and smallest.
    for (const QSize size : {QSize(1050, 700 - menu), QSize(1600, 1000)}) {
        window->resize(size.width(), size.height() + menu);
        settle();
        const QString suffix = QStringLiteral("%1-%2x%3").arg(QString::fromUtf8(families.name)).arg(size.width()).arg(size.height());
        state->setShowSettings(true);
        settle();
        ASSERT_NE(content->settingsSheet(), nullptr);
        content->settingsSheet()->grab();
        walkGeometry(*content->settingsSheet(), "settings", cuts);
        walk(*content->settingsSheet(), "settings", widths);
        keepRender(*content->settingsSheet(), QStringLiteral("fit-settings-") + suffix);
        state->setShowSettings(false);
        settle();
        state->setShowSatelliteList(true);
        settle();
        ASSERT_NE(content->satelliteListSheet(), nullptr);
        content->satelliteListSheet()->grab();
        walkGeometry(*content->satelliteListSheet(), "quick list", cuts);
        walk(*content->satelliteListSheet(), "quick list", widths);
        keepRender(*content->satelliteListSheet(), QStringLiteral("fit-quicklist-") + suffix);
        state->setShowSatelliteList(false);
        settle();
    }
    app.openWindow("satellite-browser");
    settle();
    ASSERT_NE(app.browserWindow(), nullptr);
    for (const QSize size : {QSize(820, 620), QSize(1050, 700), QSize(1200, 800), QSize(1600, 1000)}) {
        app.browserWindow()->resize(size);
        settle();
        app.browserWindow()->grab();
        const std::string where = std::string("browser ") + families.name + " " + std::to_string(size.width());
        walkGeometry(*app.browserWindow(), where, cuts);
        walk(*app.browserWindow(), where, widths);
        keepRender(*app.browserWindow(), QStringLiteral("fit-browser-%1-%2x%3")
                                             .arg(QString::fromUtf8(families.name))
                                             .arg(size.width())
                                             .arg(size.height()));
    }
    for (const char* name : {"ISS", "FO-29", "QO-100"}) {
        SatelliteDetailView detail(satelliteNamed(name));
        detail.show();
        settle();
        detail.grab();
        walkGeometry(detail, std::string("detail ") + name, cuts);
        walk(detail, std::string("detail ") + name, widths);
        keepRender(detail, QStringLiteral("fit-detail-%1-%2").arg(QString::fromUtf8(families.name), QString::fromUtf8(name)));
    }
    EXPECT_TRUE(cuts.empty()) << cuts.size() << " parts cut:\n" << joined(cuts);
    EXPECT_TRUE(widths.empty()) << describe(widths);
}

INSTANTIATE_TEST_SUITE_P(Fonts, FitsWithTheFamilies, ::testing::Values(kDejaVu, kNoto),
                         [](const ::testing::TestParamInfo<FontFamilies>& info) {
                             return std::string(info.param.name);
                         });

// Renders of every window at three sizes, for a person to look at; only
// when a folder is named in ZELVANE_RENDER_DIR.
TEST_F(LayoutTest, RendersForALookWhenAsked)
{
    if (std::getenv("ZELVANE_RENDER_DIR") == nullptr) {
        GTEST_SKIP() << "set ZELVANE_RENDER_DIR to a folder to get the renders";
    }
    showFavourites();
    ZelvaneApp app(state);
    MainWindow* window = app.mainWindow();
    window->show();
    seedCatalogue();
    for (const QSize size : {QSize(1050, 700), QSize(1200, 800), QSize(1366, 728), QSize(1600, 1000)}) {
        window->resize(size.width(), size.height() + window->menuBar()->sizeHint().height());
        settle();
        keepRender(*window->contentView(), QStringLiteral("look-main-%1x%2").arg(size.width()).arg(size.height()));
    }
    app.openWindow("satellite-browser");
    settle();
    for (const QSize size : {QSize(820, 620), QSize(1050, 700), QSize(1200, 800), QSize(1600, 1000)}) {
        app.browserWindow()->resize(size);
        settle();
        keepRender(*app.browserWindow(), QStringLiteral("look-browser-%1x%2").arg(size.width()).arg(size.height()));
    }
    state->setShowSettings(true);
    settle();
    keepRender(*window->contentView()->settingsSheet(), QStringLiteral("look-settings"));
    state->setShowSettings(false);
    settle();
    SatelliteDetailView detail(satelliteNamed("FO-29"));
    detail.show();
    settle();
    keepRender(detail, QStringLiteral("look-detail"));
}

// The whole main window (menu bar included) at the least, the default and
// a laptop's window size, with each desktop's font families and a track
// running, and the settings sheet; only when ZELVANE_RENDER_DIR is set.
TEST_F(LayoutTest, RendersTheWindowWithBothFamiliesWhenAsked)
{
    if (std::getenv("ZELVANE_RENDER_DIR") == nullptr) {
        GTEST_SKIP() << "set ZELVANE_RENDER_DIR to a folder to get the renders";
    }
    state->setRigHost("127.0.0.1");
    state->setRigPort(1);
    showFavourites();
    for (const FontFamilies& families : {kDejaVu, kNoto}) {
        UseFontFamilies use(families);
        if (!use.available()) {
            continue;
        }
        ZelvaneApp app(state);
        MainWindow* window = app.mainWindow();
        window->show();
        // Each window's start loads the catalogue afresh: seed it again,
        // with the favourites panel open on ten favourites.
        seedCatalogue(10);
        auto fo29 = satelliteNamed("FO-29");
        ASSERT_TRUE(fo29);
        state->setSelectedPass(PassInfo(fo29, fo29->passes.front(), std::nullopt));
        // The transponder pair tracked for one tick, so its figures show;
        // then the read-outs and offsets at their widest, held still: no
        // tick runs.
        state->selectTransmitter(fo29->transmitters.front(), *fo29);
        state->startTracking(fo29, fo29->transmitters.front());
        ASSERT_TRUE(waitUntil([&] { return state->lastTick().has_value(); }, std::chrono::seconds(20)));
        const std::optional<Transmitter> up = state->selectedUplinkTransmitter();
        state->stopTracking();
        state->setIsTracking(true);
        state->setTrackingSatellite(fo29);
        state->setSelectedUplinkTransmitter(up);
        state->setCurrentRIT(125321);
        state->setCurrentPassbandOffset(-100987);
        state->setCurrentSatCalibration(-150123);
        state->setCurrentAzimuth(359.97);
        state->setCurrentElevation(-89.96);
        state->setCurrentRange(375000.0);
        state->setCurrentDopplerRate(-12345.6);
        for (const QSize size : {QSize(1050, 700), QSize(1200, 720), QSize(1200, 800), QSize(1366, 768)}) {
            // Never below the window's least size: the name says the size
            // shown.
            window->resize(size.expandedTo(window->minimumSizeHint()));
            settle();
            settle();
            keepRender(*window, QStringLiteral("window-%1-%2x%3")
                                    .arg(QString::fromUtf8(families.name))
                                    .arg(window->width())
                                    .arg(window->height()));
        }
        // A load still running with a failure already known: both show.
        state->setIsLoadingTLEs(true);
        state->setStatusNote("download:look", "Could not download Space Stations (HTTP 404): using the copy "
                                              "from 2026-12-10 09:12");
        for (const QSize size : {QSize(1050, 700), QSize(1200, 800), QSize(1366, 768)}) {
            window->resize(size.expandedTo(window->minimumSizeHint()));
            settle();
            keepRender(*window, QStringLiteral("window-loading-%1-%2x%3")
                                    .arg(QString::fromUtf8(families.name))
                                    .arg(window->width())
                                    .arg(window->height()));
        }
        state->setStatusNote("download:look", "");
        state->setIsLoadingTLEs(false);
        state->setShowSettings(true);
        settle();
        keepRender(*window->contentView()->settingsSheet(),
                   QStringLiteral("window-settings-%1").arg(QString::fromUtf8(families.name)));
        state->setShowSettings(false);
        state->setIsTracking(false);
        settle();
    }
}

} // namespace
} // namespace zelvane::test
