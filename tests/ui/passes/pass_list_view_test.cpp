#include <gtest/gtest.h>

#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "catalog/pass_info.h"
#include "catalog/satellite_preferences.h"
#include "tests/ui/passes/timeline_fixture.h"
#include "ui/passes/pass_list_model.h"
#include "ui/passes/pass_list_view.h"
#include "ui/passes/pass_row.h"
#include "ui/passes/pass_row_delegate.h"
#include "ui/passes/timeline_style.h"

namespace zelvane::test {
namespace {

namespace style = timeline_style;

class PassListTest : public TimelineTest {
protected:
    void SetUp() override
    {
        TimelineTest::SetUp();
        // A: under way, then in an hour. B: rose exactly now, then in two hours.
        a = makeFavourite("AO-91", 43017,
                          {makePass(now.addingTimeInterval(-120.0), 600.0, 45.9),
                           makePass(now.addingTimeInterval(3600.0), 600.0, 20.0)},
                          {downlink(145.96e6), downlink(435.25e6)});
        b = makeFavourite("ISS", 25544,
                          {makePass(now, 600.0, 12.2),
                           makePass(now.addingTimeInterval(7200.0), 600.0, 70.0)});
        ended = makeFavourite("OLD", 11111, {makePass(now.addingTimeInterval(-4000.0), 600.0, 30.0)});
        auto notFavourite = std::make_shared<Satellite>("NOPE", 22222);
        notFavourite->passes = {makePass(now.addingTimeInterval(60.0), 600.0, 80.0)};
        setCatalogue({a, b, ended, notFavourite});
    }

    static QString text(PassListView& view, const char* name) { return view.findChild<QLabel*>(name)->text(); }

    static std::vector<PassRowContent> rows(const PassListView& view)
    {
        std::vector<PassRowContent> out;
        for (int i = 0; i < view.rowCount(); ++i) {
            out.push_back(view.model()->contentAt(i));
        }
        return out;
    }

    // The row of a pass by identity; -1 when not listed.
    static int rowOf(const PassListView& view, const Satellite& sat, const PredictedPass& pass)
    {
        for (int i = 0; i < view.rowCount(); ++i) {
            const PassRowContent& c = view.model()->contentAt(i);
            if (c.satelliteId == sat.id && passTimesOverlap(c.rise, c.set, pass.riseTime, pass.setTime)) {
                return i;
            }
        }
        return -1;
    }

    // What the row draws as its countdown, as laid out for painting.
    static QString paintedText(PassListView& view, int row, PassRowPart part)
    {
        QListView* list = view.listView();
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = QRect(0, 0, 560, PassRow::kPitch);
        for (const PassRowCell& cell : view.rowDelegate()->layoutRow(option, view.model()->index(row))) {
            if (cell.part == part) {
                return cell.text;
            }
        }
        return {};
    }

    static void click(PassListView& view, int row, std::optional<PassRowPart> part = std::nullopt)
    {
        QListView* list = view.listView();
        const QModelIndex index = view.model()->index(row);
        const QPoint at = part ? view.rowDelegate()->partRect(list, index, *part).center()
                               : PassRowDelegate::rowArea(list->visualRect(index)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // Publishes new passes the way a finished computation does: stored
    // first, then announced.
    void publishPasses(const std::shared_ptr<Satellite>& sat, std::vector<PredictedPass> passes)
    {
        sat->passes = std::move(passes);
        state->objectWillChange.notify();
    }

    std::shared_ptr<Satellite> a, b, ended;
};

TEST_F(PassListTest, RowsInRiseOrderWithFlags)
{
    PassListView view(state);
    EXPECT_EQ(text(view, "passCount"), "5 upcoming");
    auto shown = rows(view);
    ASSERT_EQ(shown.size(), 5u);
    // Ended OLD, AO-91 under way, ISS rising now, AO-91 in 1 h, ISS in 2 h.
    const std::int64_t ids[] = {11111, 43017, 25544, 43017, 25544};
    const bool inProgress[] = {false, true, true, false, false};
    const bool next[] = {false, false, false, true, false};
    const char* relative[] = {"now", "now", "in 0m", "in 1h 0m", "in 2h 0m"};
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].satelliteId, ids[i]) << i;
        EXPECT_EQ(shown[i].inProgress, inProgress[i]) << i;
        EXPECT_EQ(shown[i].next, next[i]) << i;
        EXPECT_FALSE(shown[i].selected) << i;
        EXPECT_EQ(paintedText(view, static_cast<int>(i), PassRowPart::relative), relative[i]) << i;
    }

    // Once every pass has risen, no row is next.
    Clock::setFixed(now.addingTimeInterval(9000.0));
    view.refresh();
    for (const PassRowContent& row : rows(view)) {
        EXPECT_FALSE(row.next);
    }
}

TEST_F(PassListTest, NoPassesShowsZeroAndNoRows)
{
    setCatalogue({});
    PassListView view(state);
    EXPECT_EQ(text(view, "passCount"), "0 upcoming");
    EXPECT_EQ(view.rowCount(), 0);
    EXPECT_TRUE(view.findChild<QLabel*>("queueBadge")->isHidden());
    EXPECT_TRUE(view.findChild<QPushButton*>("clearQueueButton")->isHidden());
}

TEST_F(PassListTest, ClickingARowSelectsThePassAndItsPreferredTransmitter)
{
    SatellitePreferences::setLastTransmitter(a->id, 435.25e6);
    PassListView view(state);
    view.resize(600, 600);
    view.show();
    click(view, 3); // AO-91 in an hour
    ASSERT_TRUE(state->selectedPass().has_value());
    EXPECT_EQ(state->selectedPass()->satellite, a);
    EXPECT_EQ(state->selectedPass()->pass.riseTime, a->passes[1].riseTime);
    ASSERT_TRUE(state->selectedPass()->transmitter.has_value());
    EXPECT_EQ(state->selectedPass()->transmitter->freq, 435.25e6);
    ASSERT_TRUE(state->selectedTransmitter().has_value());
    EXPECT_EQ(state->selectedTransmitter()->freq, 435.25e6);

    ASSERT_TRUE(waitUntil([&] { return view.model()->contentAt(3).selected; }));
    for (int i = 0; i < view.rowCount(); ++i) {
        EXPECT_EQ(view.model()->contentAt(i).selected, i == 3) << i;
    }
}

// The highlight follows the pass, not its exact rise: a recompute that
// moves the rise keeps it; the same rise on another satellite is not it.
TEST_F(PassListTest, SelectedRowFollowsThePassAcrossARecompute)
{
    state->setSelectedPass(PassInfo(a, a->passes[1], std::nullopt));
    PassListView view(state);
    ASSERT_TRUE(view.model()->contentAt(3).selected);

    auto moved = a->passes;
    moved[1] = makePass(now.addingTimeInterval(3600.0 + 17.0), 590.0, 21.0);
    publishPasses(a, moved);
    auto other = b->passes;
    other[1] = makePass(a->passes[1].riseTime, 600.0, 70.0); // ISS rises at the same instant
    publishPasses(b, other);
    view.refresh();
    const int row = rowOf(view, *a, a->passes[1]);
    ASSERT_GE(row, 0);
    EXPECT_TRUE(view.model()->contentAt(row).selected);
    EXPECT_FALSE(view.model()->contentAt(rowOf(view, *b, b->passes[1])).selected);
}

TEST_F(PassListTest, QueueToggleBadgeAndClear)
{
    PassListView view(state);
    view.resize(600, 600);
    view.show();
    // The pointer over the toggle shows the pointing hand; elsewhere on the row not.
    QListView* list = view.listView();
    const QRect toggleRect = view.rowDelegate()->partRect(list, view.model()->index(4), PassRowPart::toggle);
    QTest::mouseMove(list->viewport(), toggleRect.center());
    EXPECT_EQ(list->viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(list->viewport(), toggleRect.center() + QPoint(250, 0));
    EXPECT_NE(list->viewport()->cursor().shape(), Qt::PointingHandCursor);
    click(view, 4, PassRowPart::toggle);
    EXPECT_TRUE(state->isPassQueued(*b, b->passes[1]));
    EXPECT_FALSE(state->selectedPass().has_value()); // the toggle only toggles
    auto* badge = view.findChild<QLabel*>("queueBadge");
    auto* clear = view.findChild<QPushButton*>("clearQueueButton");
    ASSERT_TRUE(waitUntil([&] { return view.model()->contentAt(4).queued; }));
    EXPECT_FALSE(badge->isHidden());
    EXPECT_EQ(badge->text(), "QUEUED 1");

    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(state->queuedPassIds().empty());
    ASSERT_TRUE(waitUntil([&] { return !view.model()->contentAt(4).queued; }));
    EXPECT_TRUE(badge->isHidden());
    EXPECT_TRUE(clear->isHidden());
}

TEST_F(PassListTest, ConflictMessageTruncatesElevations)
{
    EXPECT_EQ(PassListView::conflictMessage("AO-91", 45.9, "ISS", 12.2),
              "AO-91 (max 45\u00B0) overlaps with already-queued ISS (max 12\u00B0). Only one pass "
              "can auto-track at a time \u2014 choose which to keep.");
}

TEST_F(PassListTest, ConflictAlertReplaceAndKeep)
{
    PassListView view(state);
    view.show();
    // ISS rising now is queued; AO-91 under way overlaps it.
    state->togglePassQueued(*b, b->passes[0]);
    struct Case {
        const char* button; // nullptr: Escape
        bool replaced;
    } cases[] = {{"replaceButton", true}, {"keepExistingButton", false}, {nullptr, false}};
    for (const Case& c : cases) {
        state->setQueuedPassIds({AppState::passQueueId(b->id, b->passes[0].riseTime)});
        state->togglePassQueued(*a, a->passes[0]);
        ASSERT_TRUE(state->pendingPassConflict().has_value());
        ASSERT_TRUE(waitUntil([&] {
            auto* alert = view.findChild<QMessageBox*>("passConflictAlert");
            return alert && alert->isVisible();
        }));
        auto* alert = view.findChild<QMessageBox*>("passConflictAlert");
        EXPECT_TRUE(alert->informativeText().startsWith("AO-91 (max 45\u00B0) overlaps"));
        if (c.button) {
            QTest::mouseClick(alert->findChild<QPushButton*>(c.button), Qt::LeftButton);
        } else {
            QTest::keyClick(alert, Qt::Key_Escape);
        }
        EXPECT_FALSE(state->pendingPassConflict().has_value());
        EXPECT_EQ(state->isPassQueued(*a, a->passes[0]), c.replaced);
        EXPECT_EQ(state->isPassQueued(*b, b->passes[0]), !c.replaced);
        EXPECT_TRUE(waitUntil([&] { return view.findChild<QMessageBox*>("passConflictAlert") == nullptr; }));
    }
}

// A recompute 300 s later: one pass ended and is gone, one rise moved by a
// few seconds, one pass is new. The list changes those rows only; the rows
// that stay keep their place on screen and the selection.
TEST_F(PassListTest, RecomputeInsertsRemovesAndChangesRowsByIdentity)
{
    state->setSelectedPass(PassInfo(a, a->passes[1], std::nullopt));
    PassListView view(state);
    view.resize(560, view.heightForRows(2));
    view.show();
    QScrollBar* bar = view.listView()->verticalScrollBar();
    ASSERT_TRUE(waitUntil([&] { return bar->maximum() > 2 * PassRow::kPitch; }));
    // ISS rising now at the top, 10 px into it.
    bar->setValue(2 * PassRow::kPitch + 10);
    ASSERT_EQ(view.listView()->indexAt(QPoint(5, 0)).row(), 2);

    PassListModel* model = view.model();
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QSignalSpy layouts(model, &QAbstractItemModel::layoutChanged);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);

    Clock::setFixed(now.addingTimeInterval(300.0));
    publishPasses(ended, {});
    auto movedA = a->passes;
    movedA[1] = makePass(now.addingTimeInterval(3600.0 + 20.0), 600.0, 20.4);
    publishPasses(a, movedA);
    auto moreB = b->passes;
    moreB.push_back(makePass(now.addingTimeInterval(4.0 * 3600.0), 500.0, 33.0));
    publishPasses(b, moreB);
    ASSERT_TRUE(waitUntil([&] { return view.rowCount() == 5 && inserted.size() > 0; }));

    EXPECT_EQ(resets.size(), 0);
    EXPECT_EQ(layouts.size(), 0);
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 0); // OLD, first
    EXPECT_EQ(removed[0][2].toInt(), 0);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 4); // the new ISS pass, last
    EXPECT_EQ(inserted[0][2].toInt(), 4);
    // The moved AO-91 pass changed in place and is still the selected one.
    const int movedRow = rowOf(view, *a, a->passes[1]);
    ASSERT_EQ(movedRow, 2);
    EXPECT_EQ(view.model()->contentAt(movedRow).rise, a->passes[1].riseTime);
    EXPECT_TRUE(view.model()->contentAt(movedRow).selected);
    bool announced = false;
    for (const auto& args : changed) {
        const int first = args[0].value<QModelIndex>().row();
        const int last = args[1].value<QModelIndex>().row();
        announced = announced || (first <= movedRow && movedRow <= last);
    }
    EXPECT_TRUE(announced);
    // The same pass at the top, the same 10 px into it.
    EXPECT_EQ(bar->value(), PassRow::kPitch + 10);
    const PassRowContent& top = view.model()->contentAt(view.listView()->indexAt(QPoint(5, 0)).row());
    EXPECT_EQ(top.satelliteId, b->id);
    EXPECT_EQ(top.rise, now);

    // A recompute that finds exactly the same passes announces nothing.
    resets.clear();
    inserted.clear();
    removed.clear();
    changed.clear();
    publishPasses(a, a->passes);
    view.refresh();
    EXPECT_EQ(inserted.size() + removed.size() + resets.size() + changed.size(), 0);
}

// A rise that moves past another pass's rise: the row goes to its new place
// and the list stays in order of rise.
TEST_F(PassListTest, ARiseMovedPastAnotherReordersTheList)
{
    auto isses = b->passes;
    isses[1] = makePass(now.addingTimeInterval(3650.0), 600.0, 70.0);
    b->passes = isses;
    state->setSelectedPass(PassInfo(a, a->passes[1], std::nullopt));
    PassListView view(state);
    ASSERT_EQ(view.model()->contentAt(3).satelliteId, a->id);
    ASSERT_EQ(view.model()->contentAt(4).satelliteId, b->id);

    // The same AO-91 pass (overlapping its old times) now rises after the ISS one.
    auto moved = a->passes;
    moved[1] = makePass(now.addingTimeInterval(3700.0), 600.0, 20.0);
    publishPasses(a, moved);
    QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
    view.refresh();
    EXPECT_EQ(resets.size(), 0);
    const auto shown = rows(view);
    ASSERT_EQ(shown.size(), 5u);
    for (std::size_t i = 1; i < shown.size(); ++i) {
        EXPECT_LE(shown[i - 1].rise, shown[i].rise) << i;
    }
    EXPECT_EQ(shown[3].satelliteId, b->id);
    EXPECT_EQ(shown[4].satelliteId, a->id);
    EXPECT_TRUE(shown[4].selected);
    EXPECT_FALSE(shown[3].selected);
}

// While a track runs the state changes many times a second, never the
// passes: the countdowns must still follow the clock.
TEST_F(PassListTest, CountdownsFollowTheClockThroughTrackingUpdates)
{
    auto soon = makeFavourite("SOON", 50001, {makePass(now.addingTimeInterval(600.0), 600.0, 40.0)});
    setCatalogue({soon});
    PassListView view(state);
    view.resize(560, 400);
    view.show();
    ASSERT_EQ(view.rowCount(), 1);
    EXPECT_EQ(paintedText(view, 0, PassRowPart::relative), "in 10m");
    EXPECT_TRUE(view.model()->contentAt(0).next);

    struct Step {
        double after;
        const char* relative;
        bool inProgress;
    } steps[] = {{59.0, "in 9m", false}, {130.0, "in 7m", false}, {599.0, "in 0m", false},
                 {601.0, "now", true},   {1300.0, "now", false},
                 // A clock set back (a corrected system time) is followed too.
                 {59.0, "in 9m", false}};
    double azimuth = 10.0;
    for (const Step& step : steps) {
        Clock::setFixed(now.addingTimeInterval(step.after));
        state->setCurrentAzimuth(azimuth += 1.0); // a tracking tick
        ASSERT_TRUE(waitUntil([&] { return paintedText(view, 0, PassRowPart::relative) == step.relative; }))
            << step.after << ": " << paintedText(view, 0, PassRowPart::relative).toStdString();
        EXPECT_TRUE(waitUntil([&] { return view.model()->contentAt(0).inProgress == step.inProgress; }))
            << step.after;
    }
}

// Between two ticks of a track a computation publishes: the list takes in
// the new passes, though ticks alone leave its passes unread.
TEST_F(PassListTest, PassesPublishedBetweenTicksAreShown)
{
    PassListView view(state);
    view.resize(560, 400);
    view.show();
    const int rows = view.rowCount();
    state->setCurrentAzimuth(1.0);
    std::vector<PredictedPass> more = a->passes;
    more.push_back(makePass(now.addingTimeInterval(20000.0), 600.0, 25.0));
    publishPasses(a, std::move(more));
    state->setCurrentAzimuth(2.0);
    EXPECT_TRUE(waitUntil([&] { return view.rowCount() == rows + 1; })) << view.rowCount();
}

// A track's ticks change nothing the list draws: it neither lays its rows
// out again nor repaints them.
TEST_F(PassListTest, TicksRepaintNothing)
{
    PassListView view(state);
    view.resize(560, 400);
    view.show();
    ASSERT_TRUE(waitUntil([&] { return view.isClockTimerActive(); }));
    settle();
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            count += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } paints;
    view.listView()->viewport()->installEventFilter(&paints);
    for (int i = 0; i < 10; ++i) {
        state->setCurrentAzimuth(i * 5.0);
        settle();
    }
    EXPECT_EQ(paints.count, 0);
}

// Forty passes a minute apart: every minute of the clock changes a
// countdown of each. Only the rows in view are announced; the others are
// up to date once scrolled to.
TEST_F(PassListTest, OnlyTheRowsInViewAreAnnouncedAsTheClockMoves)
{
    std::vector<PredictedPass> passes;
    for (int i = 0; i < 40; ++i) {
        passes.push_back(makePass(now.addingTimeInterval(600.0 + 60.0 * i), 300.0, 30.0));
    }
    auto many = makeFavourite("MANY", 60001, std::move(passes));
    setCatalogue({many});
    PassListView view(state);
    view.resize(560, 5 * PassRow::kPitch + 60);
    view.show();
    ASSERT_EQ(view.rowCount(), 40);
    settle();
    QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
    Clock::setFixed(now.addingTimeInterval(61.0));
    state->setCurrentAzimuth(3.0); // a tick
    ASSERT_TRUE(waitUntil([&] { return changed.count() > 0; }));
    settle();
    const int inView = view.listView()->viewport()->height() / PassRow::kPitch + 1;
    for (const QList<QVariant>& signal : changed) {
        EXPECT_LE(signal.at(1).value<QModelIndex>().row(), inView) << "a row far out of view was announced";
    }
    EXPECT_EQ(paintedText(view, 0, PassRowPart::relative), "in 8m");
    view.listView()->scrollToBottom();
    settle();
    EXPECT_EQ(paintedText(view, 39, PassRowPart::relative), "in 47m");
}

// Without any published change, the clock timer runs only while a row in
// view waits for the clock, and brings the countdown along when it fires.
TEST_F(PassListTest, ClockTimerRunsOnlyWhileACountdownIsInView)
{
    auto soon = makeFavourite("SOON", 50001, {makePass(now.addingTimeInterval(630.0), 600.0, 40.0)});
    setCatalogue({soon});
    PassListView view(state);
    view.resize(560, 400);
    EXPECT_FALSE(view.isClockTimerActive()); // not shown
    view.show();
    ASSERT_TRUE(waitUntil([&] { return view.isClockTimerActive(); }));
    auto* timer = view.findChild<QTimer*>("passClockTimer");
    ASSERT_NE(timer, nullptr);
    // "in 10m" holds for 30 s more on the pinned clock.
    EXPECT_GT(timer->remainingTime(), 20000); // less whatever this machine took since
    EXPECT_LE(timer->remainingTime(), 30002);

    Clock::setFixed(now.addingTimeInterval(31.0));
    QMetaObject::invokeMethod(timer, "timeout"); // the step it waits for
    EXPECT_EQ(paintedText(view, 0, PassRowPart::relative), "in 9m");
    EXPECT_TRUE(view.isClockTimerActive());

    view.hide();
    EXPECT_FALSE(view.isClockTimerActive());
    view.show();
    EXPECT_TRUE(waitUntil([&] { return view.isClockTimerActive(); }));
    // Once the pass has set, nothing in view changes any more.
    Clock::setFixed(now.addingTimeInterval(2000.0));
    QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_EQ(paintedText(view, 0, PassRowPart::relative), "now");
    EXPECT_FALSE(view.model()->contentAt(0).inProgress);
    EXPECT_FALSE(view.isClockTimerActive());
}

TEST_F(PassListTest, RenderHighlightsTheSelectedRow)
{
    state->setQueuedPassIds({AppState::passQueueId(b->id, b->passes[1].riseTime)});
    state->setSelectedPass(PassInfo(a, a->passes[1], std::nullopt));
    PassListView view(state);
    view.resize(560, 520);
    view.show();
    QListView* list = view.listView();
    ASSERT_TRUE(waitUntil([&] { return list->visualRect(view.model()->index(4)).isValid(); }));
    keepRender(view.grab().toImage(), QStringLiteral("pass_list"));

    // Rows by rise: OLD ended, A under way, B now, A in an hour (selected), B later (queued).
    const int selected = rowOf(view, *a, a->passes[1]);
    const int plain = rowOf(view, *ended, ended->passes[0]);
    const int queued = rowOf(view, *b, b->passes[1]);
    ASSERT_EQ(selected, 3);
    ASSERT_EQ(plain, 0);
    // A point of each row's own background, in its top padding, mid-row, as
    // the whole view draws it.
    const QImage shot = view.grab().toImage();
    const auto rowRect = [&](int row) {
        const QRect r = PassRowDelegate::rowArea(list->visualRect(view.model()->index(row)));
        return r.translated(list->viewport()->mapTo(&view, QPoint(0, 0)));
    };
    const auto backgroundOf = [&](int row) {
        const QRect r = rowRect(row);
        return shot.pixelColor(r.center().x(), r.top() + 2);
    };
    const QColor base = backgroundOf(plain);
    EXPECT_LT(colorDistance(base, style::controlBackground(view.palette())), 6);
    const QColor expected = blended(base, style::blue(0.15));
    EXPECT_LT(colorDistance(backgroundOf(selected), expected), 9)
        << backgroundOf(selected).name().toStdString() << " vs " << expected.name().toStdString();
    // The whole row is highlighted, not only behind its texts.
    const QRect r = rowRect(selected);
    EXPECT_LT(colorDistance(shot.pixelColor(r.right() - 2, r.bottom() - 2), expected), 9);
    // In progress and next rows have their own tints.
    EXPECT_TRUE(tintedWith(backgroundOf(1), base, style::green())) << backgroundOf(1).name().toStdString();
    // The queued row's toggle is a filled cyan disc; an unqueued one is empty inside.
    const auto toggleCentre = [&](int row) {
        return view.rowDelegate()
            ->partRect(list, view.model()->index(row), PassRowPart::toggle)
            .translated(list->viewport()->mapTo(&view, QPoint(0, 0)))
            .center();
    };
    EXPECT_LT(colorDistance(shot.pixelColor(toggleCentre(queued) + QPoint(-4, -4)), style::cyan()), 30);
    EXPECT_LT(colorDistance(shot.pixelColor(toggleCentre(plain)), base), 9);
    // A divider line under each row, past the toggle.
    const QRect first = rowRect(0);
    EXPECT_GT(colorDistance(shot.pixelColor(first.left() + 200, first.bottom() + 1), base), 3);
    EXPECT_LT(colorDistance(shot.pixelColor(first.left() + 20, first.bottom() + 1), base), 3);
}

} // namespace
} // namespace zelvane::test
