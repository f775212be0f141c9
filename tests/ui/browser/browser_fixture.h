#pragma once

// Shared set-up of the browser tests: a private settings store and home
// folder per test, every download address pointed at a closed loopback
// port, and catalogue entries built from real element sets.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalog/satellite.h"
#include "catalog/satnogs_fetch.h"
#include "elements/tle_manager.h"
#include "elements/tle_parser.h"
#include "orbital/date.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "tests/support/test_support.h"
#include "ui/browser/satellite_row_delegate.h"
#include "ui/browser/satellite_rows_model.h"

namespace zelvane::test {

// Epoch 2008-09-20 12:25:40.1042 UTC, 15.72125391 revolutions a day.
inline constexpr const char* kIssLine1 =
    "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927";
inline constexpr const char* kIssLine2 =
    "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537";
// The same element set under other catalogue numbers.
inline std::string lineWithId(const char* line, const char* id)
{
    std::string text = line;
    text.replace(2, 5, id);
    // The element lines carry a checksum: digits plus one per minus sign.
    int sum = 0;
    for (std::size_t i = 0; i < 68; ++i) {
        const char c = text[i];
        sum += c >= '0' && c <= '9' ? c - '0' : c == '-' ? 1 : 0;
    }
    text[68] = static_cast<char>('0' + sum % 10);
    return text;
}

inline std::shared_ptr<Satellite> makeSat(const std::string& name, const char* id,
                                          std::set<std::string> sources = {})
{
    const std::string l1 = lineWithId(kIssLine1, id);
    const std::string l2 = lineWithId(kIssLine2, id);
    auto tle = TLEParser::parseTwoLines(name, l1, l2);
    EXPECT_TRUE(tle.has_value()) << name;
    auto sat = std::make_shared<Satellite>(name, tle ? tle->noradId : 0);
    sat->tle = tle;
    sat->initOrbit();
    sat->sources = std::move(sources);
    return sat;
}

// A Sun or Moon entry as the catalogue holds it.
inline std::shared_ptr<Satellite> makeBody(const std::string& name, std::int64_t id)
{
    auto body = std::make_shared<Satellite>(name, id);
    body->bodyKind = id == -1 ? BodyKind::sun : BodyKind::moon;
    body->sources = {"celestial"};
    return body;
}

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::clearFixed();
        const std::filesystem::path root(dir.str());
        platform::SettingsStore::setStandardPath(root / "standard.json");
        platform::Files::setHomeFolder(root / "home");
        // Nothing may leave the machine: a closed local port refuses at once.
        TLEManager::setServiceBaseURL("http://127.0.0.1:1");
        SatNOGSFetch::setHost("http://127.0.0.1:1");
        store = std::make_unique<platform::SettingsStore>(root / "settings.json");
        state = std::make_shared<AppState>(*store);
        // Keep loads local and keep the default selection from applying.
        state->setSubscribedCategories({});
        state->setSelectedSatelliteIds({});
    }

    void TearDown() override
    {
        state.reset();
        Clock::clearFixed();
        TLEManager::setServiceBaseURL("");
        SatNOGSFetch::setHost("");
        platform::Files::setHomeFolder({});
    }

    // Installs a catalogue with selection flags taken from the ids.
    void setCatalogue(std::vector<std::shared_ptr<Satellite>> sats)
    {
        for (auto& sat : sats) {
            sat->setIsSelected(state->selectedSatelliteIds().contains(sat->id));
        }
        state->setSatellites(std::move(sats));
    }

    template <class T = QWidget>
    static T* child(const QObject* parent, const QString& name)
    {
        T* found = parent->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    static QString text(const QObject* parent, const QString& name)
    {
        auto* label = parent->findChild<QLabel*>(name);
        return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
    }

    // A value of one row of a list model, as its delegate draws it.
    static QVariant cell(const browser::SatelliteRowsModel* model, int row, int role)
    {
        EXPECT_GE(row, 0) << "row not listed";
        return row >= 0 ? model->index(row).data(role) : QVariant();
    }
    static QString cellText(const browser::SatelliteRowsModel* model, int row, int role)
    {
        return cell(model, row, role).toString();
    }

    // Clicks a control of a painted row where the delegate draws it.
    static void clickPart(QListView* view, browser::SatelliteRowDelegate* delegate, int row,
                          browser::RowPart part)
    {
        ASSERT_GE(row, 0) << "row not listed";
        const QModelIndex index = view->model()->index(row, 0);
        view->scrollTo(index);
        const QRect rect = delegate->partRect(view, index, part);
        ASSERT_FALSE(rect.isEmpty()) << "no such control in row " << row;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // The tooltip the view shows over a control of a painted row; empty
    // when none.
    static QString partToolTip(QListView* view, browser::SatelliteRowDelegate* delegate, int row,
                               browser::RowPart part)
    {
        EXPECT_GE(row, 0) << "row not listed";
        const QModelIndex index = view->model()->index(row, 0);
        view->scrollTo(index);
        const QRect rect = delegate->partRect(view, index, part);
        EXPECT_FALSE(rect.isEmpty()) << "no such control in row " << row;
        QToolTip::hideText(); // fades out: wait until it is gone
        waitUntil([] { return !QToolTip::isVisible(); });
        QHelpEvent help(QEvent::ToolTip, rect.center(), view->viewport()->mapToGlobal(rect.center()));
        QApplication::sendEvent(view->viewport(), &help);
        const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
        QToolTip::hideText();
        waitUntil([] { return !QToolTip::isVisible(); });
        return shown;
    }

    TempDir dir;
    std::unique_ptr<platform::SettingsStore> store;
    std::shared_ptr<AppState> state;
};

} // namespace zelvane::test
