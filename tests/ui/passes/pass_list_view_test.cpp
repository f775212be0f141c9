#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "catalog/satellite_preferences.h"
#include "tests/ui/passes/timeline_fixture.h"
#include "ui/passes/pass_list_view.h"
#include "ui/passes/pass_row.h"
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

    QString text(PassListView& view, const char* name)
    {
        return view.findChild<QLabel*>(name)->text();
    }

    std::shared_ptr<Satellite> a, b, ended;
};

TEST_F(PassListTest, RowsInRiseOrderWithFlags)
{
    PassListView view(state);
    EXPECT_EQ(text(view, "passCount"), "5 upcoming");
    const auto rows = view.rows();
    ASSERT_EQ(rows.size(), 5u);
    // Ended OLD, AO-91 under way, ISS rising now, AO-91 in 1 h, ISS in 2 h.
    const std::int64_t ids[] = {11111, 43017, 25544, 43017, 25544};
    const bool inProgress[] = {false, true, true, false, false};
    const bool next[] = {false, false, false, true, false};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->sat()->id, ids[i]) << i;
        EXPECT_EQ(rows[i]->isInProgress(), inProgress[i]) << i;
        EXPECT_EQ(rows[i]->isNext(), next[i]) << i;
        EXPECT_FALSE(rows[i]->isSelected()) << i;
    }

    // Once every pass has risen, no row is next.
    Clock::setFixed(now.addingTimeInterval(9000.0));
    view.refresh();
    for (PassRow* row : view.rows()) {
        EXPECT_FALSE(row->isNext());
    }
}

TEST_F(PassListTest, NoPassesShowsZeroAndNoRows)
{
    setCatalogue({});
    PassListView view(state);
    EXPECT_EQ(text(view, "passCount"), "0 upcoming");
    EXPECT_TRUE(view.rows().empty());
    EXPECT_TRUE(view.findChild<QLabel*>("queueBadge")->isHidden());
    EXPECT_TRUE(view.findChild<QPushButton*>("clearQueueButton")->isHidden());
}

TEST_F(PassListTest, ClickingARowSelectsThePassAndItsPreferredTransmitter)
{
    SatellitePreferences::setLastTransmitter(a->id, 435.25e6);
    PassListView view(state);
    view.resize(600, 600);
    view.show();
    PassRow* row = view.rows()[3]; // AO-91 in an hour
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 2, row->height() / 2));
    ASSERT_TRUE(state->selectedPass().has_value());
    EXPECT_EQ(state->selectedPass()->satellite, a);
    EXPECT_EQ(state->selectedPass()->pass.riseTime, a->passes[1].riseTime);
    ASSERT_TRUE(state->selectedPass()->transmitter.has_value());
    EXPECT_EQ(state->selectedPass()->transmitter->freq, 435.25e6);
    ASSERT_TRUE(state->selectedTransmitter().has_value());
    EXPECT_EQ(state->selectedTransmitter()->freq, 435.25e6);

    settle();
    const auto rows = view.rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->isSelected(), i == 3) << i;
    }
    // Same rise time, other satellite: not selected.
    b->passes[1].riseTime = a->passes[1].riseTime;
    EXPECT_FALSE(rows[4]->isSelected());
}

TEST_F(PassListTest, QueueToggleBadgeAndClear)
{
    PassListView view(state);
    view.show();
    auto* toggle = view.rows()[4]->findChild<PassQueueToggle*>("queueToggle");
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(state->isPassQueued(*b, b->passes[1]));
    EXPECT_FALSE(state->selectedPass().has_value()); // the toggle only toggles
    settle();
    auto* badge = view.findChild<QLabel*>("queueBadge");
    auto* clear = view.findChild<QPushButton*>("clearQueueButton");
    EXPECT_FALSE(badge->isHidden());
    EXPECT_EQ(badge->text(), "QUEUED 1");
    EXPECT_TRUE(view.rows()[4]->isQueued());

    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(state->queuedPassIds().empty());
    settle();
    EXPECT_TRUE(badge->isHidden());
    EXPECT_TRUE(clear->isHidden());
    EXPECT_FALSE(view.rows()[4]->isQueued());
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
        settle();
        auto* alert = view.findChild<QMessageBox*>("passConflictAlert");
        ASSERT_NE(alert, nullptr);
        ASSERT_TRUE(alert->isVisible());
        EXPECT_TRUE(alert->informativeText().startsWith("AO-91 (max 45\u00B0) overlaps"));
        if (c.button) {
            QTest::mouseClick(alert->findChild<QPushButton*>(c.button), Qt::LeftButton);
        } else {
            QTest::keyClick(alert, Qt::Key_Escape);
        }
        EXPECT_FALSE(state->pendingPassConflict().has_value());
        EXPECT_EQ(state->isPassQueued(*a, a->passes[0]), c.replaced);
        EXPECT_EQ(state->isPassQueued(*b, b->passes[0]), !c.replaced);
        settle();
        EXPECT_TRUE(waitUntil([&] { return view.findChild<QMessageBox*>("passConflictAlert") == nullptr; }));
    }
}

TEST_F(PassListTest, RenderHighlightsTheSelectedRow)
{
    state->setQueuedPassIds({AppState::passQueueId(b->id, b->passes[1].riseTime)});
    state->setSelectedPass(PassInfo(a, a->passes[1], std::nullopt));
    PassListView view(state);
    view.resize(560, 520);
    view.show();
    settle();
    keepRender(view.grab().toImage(), QStringLiteral("pass_list"));

    // Rows by rise: A under way, B now, A in an hour (selected), B later.
    const auto rows = view.rows();
    ASSERT_EQ(rows.size(), 5u);
    PassRow* selected = nullptr;
    PassRow* plain = nullptr;
    for (PassRow* row : rows) {
        if (row->sat() == a && row->pass().riseTime == a->passes[1].riseTime) {
            selected = row;
        } else if (row->sat() == ended) {
            plain = row;
        }
    }
    ASSERT_NE(selected, nullptr);
    ASSERT_NE(plain, nullptr);
    // A point of each row's own background, in its top padding, mid-row, as
    // the whole view draws it.
    const QImage shot = view.grab().toImage();
    const auto pixelIn = [&](PassRow* row, QPoint at) { return shot.pixelColor(row->mapTo(&view, at)); };
    const auto backgroundOf = [&](PassRow* row) { return pixelIn(row, QPoint(row->width() / 2, 2)); };
    const QColor base = backgroundOf(plain);
    EXPECT_LT(colorDistance(base, style::controlBackground(view.palette())), 6);
    const QColor expected = blended(base, style::blue(0.15));
    EXPECT_LT(colorDistance(backgroundOf(selected), expected), 9)
        << backgroundOf(selected).name().toStdString() << " vs " << expected.name().toStdString();
    // The whole row is highlighted, not only behind its texts.
    EXPECT_LT(colorDistance(pixelIn(selected, QPoint(selected->width() - 3, selected->height() - 3)), expected), 9);
}

} // namespace
} // namespace zelvane::test
