#include "tests/ui/browser/browser_fixture.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QTest>

#include <cstdlib>

#include "catalog/color_palette.h"
#include "ui/browser/browser_style.h"
#include "ui/browser/satellite_browser.h"
#include "ui/browser/satellite_list_view.h"

namespace zelvane::test {
namespace {

using browser::RowCell;
using browser::RowPart;
using Model = browser::SatelliteRowsModel;

const QString kEllipsis = QStringLiteral("…");

TEST(ElideFrequencyTest, RangesKeepBothEndsReadable)
{
    // Widths in characters of the fixed-pitch font the rows use.
    const QFont font = browser::monoFont(9);
    const QFontMetricsF metrics(font);
    const qreal ch = metrics.horizontalAdvance(QLatin1Char('0'));
    ASSERT_DOUBLE_EQ(metrics.horizontalAdvance(QStringLiteral("435.610–435.670 MHz")), 19 * ch) << "not fixed-pitch";
    // Room for so many characters, with a little to spare.
    const auto room = [ch](int chars) { return chars * ch + ch / 4; };
    struct Case {
        const char* text;
        int chars;
        const char* expected;
    };
    const Case cases[] = {
        {"145.800 MHz", 18, "145.800 MHz"},
        {"—", 1, "—"},
        {"435.610–435.670 MHz", 19, "435.610–435.670 MHz"},
        {"435.610–435.670 MHz", 18, "435.61…435.670 MHz"},
        {"435.610–435.670 MHz", 17, "435.6…435.670 MHz"},
        {"435.800–435.900 MHz", 15, "435…435.900 MHz"},
        {"10489.550–10489.800 MHz", 18, "1048…10489.800 MHz"},
        {"10489.550–10489.800 MHz", 15, "1…10489.800 MHz"},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(browser::elideFrequency(text, metrics, room(c.chars)), QString::fromUtf8(c.expected))
            << c.text << " in " << c.chars;
    }
    // Too narrow for the upper edge and its unit: the unit goes first; then
    // elided in the middle, never at the start.
    const QString range = QStringLiteral("10489.550–10489.800 MHz");
    EXPECT_EQ(browser::elideFrequency(range, metrics, room(13)), QStringLiteral("104…10489.800"));
    const QString narrow = browser::elideFrequency(range, metrics, room(8));
    EXPECT_TRUE(narrow.contains(kEllipsis)) << narrow.toStdString();
    EXPECT_TRUE(narrow.startsWith(QLatin1Char('1'))) << narrow.toStdString();
    EXPECT_TRUE(narrow.endsWith(QStringLiteral("MHz"))) << narrow.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(narrow), room(8));
}

class RowLayoutTest : public BrowserTest {
protected:
    void SetUp() override
    {
        BrowserTest::SetUp();
        fo29 = makeSat("FO-29", "24278", {"amateur"});
        fo29->transmitters = {Transmitter(std::nullopt, 435.8e6, 435.9e6, "SSB", "linear", "down")};
        qo100 = makeSat("QO-100", "43700", {"amateur"});
        qo100->transmitters = {Transmitter(std::nullopt, 10489.55e6, 10489.8e6, "SSB", "NB", "down")};
        longName = makeSat("A VERY LONG SATELLITE NAME THAT NEVER FITS ITS PLACE IN ANY ROW", "40001",
                           {"amateur"});
        longName->transmitters = {Transmitter(145.8e6, std::nullopt, std::nullopt, "FM", "", "down")};
        setCatalogue({longName, fo29, qo100});
    }

    static std::vector<RowCell> cellsOf(QListView* view, browser::SatelliteRowDelegate* delegate, int row)
    {
        const QModelIndex index = view->model()->index(row, 0);
        QStyleOptionViewItem option;
        option.initFrom(view->viewport());
        option.widget = view;
        option.rect = view->visualRect(index);
        return delegate->layoutRow(option, index);
    }

    static const RowCell& part(const std::vector<RowCell>& cells, RowPart p)
    {
        for (const auto& c : cells) {
            if (c.part == p) {
                return c;
            }
        }
        static const RowCell missing{p, {}, QStringLiteral("<missing>"), {}, {}, {}, {}, false};
        ADD_FAILURE() << "no cell " << static_cast<int>(p);
        return missing;
    }

    // Every text cell's text fits its place, and a text that differs from
    // the model's is elided with "…".
    static void expectFits(const std::vector<RowCell>& cells, const std::string& where)
    {
        for (const auto& c : cells) {
            if (c.text.isEmpty()) {
                continue;
            }
            EXPECT_LE(QFontMetricsF(c.font).horizontalAdvance(c.text), c.rect.width())
                << where << ": '" << c.text.toStdString() << "' wider than its cell";
        }
    }

    std::shared_ptr<Satellite> fo29, qo100, longName;
};

TEST_F(RowLayoutTest, BrowserRowsKeepTheirColumnWidthsAndElideAtEveryWindowWidth)
{
    for (const int width : {700, 820, 1200}) {
        SatelliteBrowser browser(state);
        browser.resize(width, 620);
        browser.show();
        QCoreApplication::processEvents();
        const std::string where = "window " + std::to_string(width);
        QListView* view = browser.groupsView();
        const auto* model = browser.groupsModel();

        struct Case {
            std::int64_t id;
            const char* full;
            const char* upperEdge;
        };
        for (const Case& c : {Case{24278, "435.800–435.900 MHz", "435.900 MHz"},
                              Case{43700, "10489.550–10489.800 MHz", "10489.800 MHz"}}) {
            const int row = model->rowOfSatellite(c.id, "amateur");
            const auto cells = cellsOf(view, browser.rowDelegate(), row);
            expectFits(cells, where);
            EXPECT_EQ(part(cells, RowPart::number).rect.width(), 50) << where;
            EXPECT_EQ(part(cells, RowPart::age).rect.width(), 36) << where;
            EXPECT_EQ(part(cells, RowPart::tx).rect.width(), 28) << where;
            const RowCell& down = part(cells, RowPart::downlink);
            EXPECT_EQ(down.rect.width(), 100) << where;
            EXPECT_EQ(cellText(model, row, Model::DownlinkTextRole), QString::fromUtf8(c.full));
            // Both ends readable: the start of the lower edge, the whole
            // upper edge with its unit; shortened only with an ellipsis.
            const QFontMetricsF downMetrics(down.font);
            // The upper edge stays whole, with its unit where there is room.
            const QString upper = QString::fromUtf8(c.upperEdge);
            if (downMetrics.horizontalAdvance(QStringLiteral("1…") + upper) <= 100) {
                EXPECT_TRUE(down.text.endsWith(upper)) << down.text.toStdString();
            } else {
                EXPECT_TRUE(down.text.endsWith(upper.chopped(4))) << down.text.toStdString();
            }
            EXPECT_EQ(down.text.front(), QString::fromUtf8(c.full).front()) << down.text.toStdString();
            EXPECT_TRUE(down.text == QString::fromUtf8(c.full) || down.text.contains(kEllipsis))
                << down.text.toStdString();
            // The columns stand in order, left to right, without overlap.
            EXPECT_LE(part(cells, RowPart::name).rect.right(), part(cells, RowPart::number).rect.left());
            EXPECT_LT(part(cells, RowPart::number).rect.right(), part(cells, RowPart::age).rect.left());
            EXPECT_LT(part(cells, RowPart::downlink).rect.right(), part(cells, RowPart::info).rect.left());
        }

        const int row = model->rowOfSatellite(40001, "amateur");
        const auto cells = cellsOf(view, browser.rowDelegate(), row);
        expectFits(cells, where);
        // Whole where it fits, else its start and an ellipsis.
        const QString full = QString::fromStdString(longName->name);
        const RowCell& nameCell = part(cells, RowPart::name);
        const QString name = nameCell.text;
        if (QFontMetricsF(nameCell.font).horizontalAdvance(full) > nameCell.rect.width()) {
            EXPECT_TRUE(name.endsWith(kEllipsis)) << where << " " << name.toStdString();
            EXPECT_TRUE(full.startsWith(name.chopped(1))) << name.toStdString();
            EXPECT_GT(name.size(), 4) << where;
        } else {
            EXPECT_EQ(name, full) << where;
        }
        if (width == 700) {
            EXPECT_TRUE(name.endsWith(kEllipsis)) << "the smallest window has no room for the long name";
        }
        EXPECT_EQ(part(cells, RowPart::downlink).text, QStringLiteral("145.800 MHz"));

        // The header: a long label gives way, the counts stay whole.
        const int header = model->rowOfGroup("amateur");
        const auto headerCells = cellsOf(view, browser.rowDelegate(), header);
        expectFits(headerCells, where + " header");
        EXPECT_EQ(part(headerCells, RowPart::memberCount).text, QStringLiteral("(3)"));
        EXPECT_LE(part(headerCells, RowPart::memberCount).rect.right(),
                  part(headerCells, RowPart::allButton).rect.left());
    }
}

TEST_F(RowLayoutTest, QuickListAndTrackedRowsElideNamesAndKeepTheirDetails)
{
    state->setSelectedSatelliteIds({40001});
    setCatalogue(state->satellites());
    SatelliteListView list(state);
    list.resize(350, 400); // the sheet's smallest size
    list.show();
    QCoreApplication::processEvents();
    for (const std::int64_t id : {40001, 24278, 43700}) {
        const auto cells = cellsOf(list.listView(), list.rowDelegate(), list.model()->rowOfSatellite(id));
        expectFits(cells, "quick list " + std::to_string(id));
        EXPECT_TRUE(part(cells, RowPart::number).text.startsWith(QStringLiteral("NORAD ")));
        EXPECT_LT(part(cells, RowPart::name).rect.right(), part(cells, RowPart::downlink).rect.left());
    }
    const auto cells = cellsOf(list.listView(), list.rowDelegate(), list.model()->rowOfSatellite(40001));
    EXPECT_TRUE(part(cells, RowPart::name).text.endsWith(kEllipsis));

    SatelliteBrowser browser(state);
    browser.resize(700, 500);
    browser.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(browser.trackedModel()->rowCount(), 1);
    const auto tracked = cellsOf(browser.trackedView(), browser.rowDelegate(), 0);
    expectFits(tracked, "tracked");
    EXPECT_TRUE(part(tracked, RowPart::name).text.endsWith(kEllipsis));
    EXPECT_LT(part(tracked, RowPart::name).rect.right(), part(tracked, RowPart::remove).rect.left());
}

} // namespace
} // namespace zelvane::test

namespace zelvane::test {
namespace {

TEST_F(RowLayoutTest, PaintedRowsShowTheModelsColoursWhereTheLayoutPutsThem)
{
    state->setSelectedSatelliteIds({24278});
    setCatalogue(state->satellites());
    SatelliteBrowser browser(state);
    browser.resize(820, 620);
    browser.show();
    QCoreApplication::processEvents();
    QListView* view = browser.groupsView();
    const QImage image = view->viewport()->grab().toImage();
    const auto* model = browser.groupsModel();
    const auto dotPixel = [&](std::int64_t id) {
        const int row = model->rowOfSatellite(id, "amateur");
        const auto cells = cellsOf(view, browser.rowDelegate(), row);
        const QPoint centre = part(cells, RowPart::dot).rect.center();
        return image.pixelColor(centre * image.devicePixelRatio());
    };
    // The selected row's dot in its palette colour, the other one gray.
    const QColor palette = browser::satelliteColor(24278);
    const QColor selected = dotPixel(24278);
    EXPECT_LE(std::abs(selected.red() - palette.red()) + std::abs(selected.green() - palette.green()) +
                  std::abs(selected.blue() - palette.blue()),
              12)
        << selected.name().toStdString() << " for " << palette.name().toStdString();
    const QColor other = dotPixel(43700);
    EXPECT_LE(std::max({other.red(), other.green(), other.blue()}) -
                  std::min({other.red(), other.green(), other.blue()}),
              12)
        << "a gray dot, not " << other.name().toStdString();

    // The checkbox shows the check state: its two boxes differ.
    const auto boxImage = [&](std::int64_t id) {
        const int row = model->rowOfSatellite(id, "amateur");
        const QRect box = part(cellsOf(view, browser.rowDelegate(), row), RowPart::checkbox).rect;
        return image.copy(QRect(box.topLeft() * image.devicePixelRatio(), box.size() * image.devicePixelRatio()));
    };
    EXPECT_NE(boxImage(24278), boxImage(43700));
}

// Worked from the keyboard: Tab reaches a painted list, the arrows move its
// current row, and that row alone is ringed in the selection colour while
// the list has the focus; once Tab has moved on, no row is.
class KeyboardFocusTest : public RowLayoutTest {
protected:
    // Presses Tab until `view` has the focus; false when it never does.
    static bool tabInto(QWidget* window, QAbstractItemView* view)
    {
        for (int i = 0; i < 30 && !view->hasFocus(); ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Tab);
        }
        return view->hasFocus();
    }

    // Whether the row's left edge shows the ring.
    static bool ringed(QAbstractItemView* view, int row)
    {
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        const QImage image = view->viewport()->grab().toImage();
        const QColor ring = view->palette().color(QPalette::Active, QPalette::Highlight);
        const QColor pixel = image.pixelColor(rect.left() + 1, rect.center().y());
        return std::abs(pixel.red() - ring.red()) + std::abs(pixel.green() - ring.green()) +
                   std::abs(pixel.blue() - ring.blue()) < 30;
    }

    static void expectKeyboardShown(QWidget* window, QAbstractItemView* view, const std::string& name)
    {
        SCOPED_TRACE(name);
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        ASSERT_GE(view->model()->rowCount(), 2);
        ASSERT_TRUE(tabInto(window, view));
        QCoreApplication::processEvents();
        const int first = view->currentIndex().row();
        ASSERT_GE(first, 0) << "Tab makes a row current";
        EXPECT_TRUE(ringed(view, first));
        QTest::keyClick(view, Qt::Key_Down);
        QCoreApplication::processEvents();
        const int second = view->currentIndex().row();
        ASSERT_NE(second, first);
        EXPECT_TRUE(ringed(view, second));
        EXPECT_FALSE(ringed(view, first)) << "only the current row";
        QTest::keyClick(view, Qt::Key_Tab);
        QCoreApplication::processEvents();
        ASSERT_FALSE(view->hasFocus());
        EXPECT_FALSE(ringed(view, second)) << "no ring without the focus";
    }
};

TEST_F(KeyboardFocusTest, BrowserGroupsAndTrackedListShowTheCurrentRow)
{
    state->setSelectedSatelliteIds({fo29->id, qo100->id});
    setCatalogue({longName, fo29, qo100});
    SatelliteBrowser browser(state);
    browser.resize(1000, 700);
    expectKeyboardShown(&browser, browser.groupsView(), "groups");
    expectKeyboardShown(&browser, browser.trackedView(), "tracked");
}

TEST_F(KeyboardFocusTest, QuickListShowsTheCurrentRow)
{
    SatelliteListView list(state);
    list.resize(420, 560);
    expectKeyboardShown(&list, list.listView(), "quick list");
}

} // namespace
} // namespace zelvane::test
