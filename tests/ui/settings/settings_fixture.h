#pragma once

// A settings sheet over a fresh state whose settings live in a temporary
// file and whose data folder is private, with downloads pointed at a
// closed local port so that no reload ever leaves this machine.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <filesystem>
#include <memory>
#include <string>

#include "elements/tle_manager.h"
#include "orbital/date.h"
#include "orbital/numeric_text.h"
#include "platform/files.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "tests/support/local_services.h"
#include "tests/support/test_support.h"
#include "ui/settings/settings_view.h"

namespace zelvane::test {

class SettingsViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SettingsStore::setStandardPath(std::filesystem::path(dir.str()) / "settings.json");
        platform::Files::setHomeFolder(std::filesystem::path(dir.str()) / "home");
        Clock::clearFixed();
        state = std::make_shared<AppState>(store());
        view = std::make_unique<SettingsView>(state);
    }

    void TearDown() override
    {
        view.reset();
        // A reload started by the test ends (the closed port refuses at
        // once) while the folders exist.
        EXPECT_TRUE(waitUntil([&] { return !state->isLoadingTLEs(); }, std::chrono::seconds(30)));
        state.reset();
        platform::Files::setHomeFolder({});
    }

    platform::SettingsStore& store() { return platform::SettingsStore::standard(); }

    // Shows the sheet (which fills its fields) and lets queued refreshes run.
    void open()
    {
        view->show();
        settle();
    }

    static void settle()
    {
        // Queued refreshes, then the rows a rebuild let go of.
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <class T = QWidget>
    T* child(const std::string& name) const
    {
        auto* widget = view->findChild<T*>(QString::fromStdString(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QLineEdit* field(const std::string& name) const { return child<QLineEdit>(name); }
    std::string text(const std::string& name) const { return field(name)->text().toStdString(); }
    std::string label(const std::string& name) const
    {
        return child<QLabel>(name)->text().toStdString();
    }
    void setText(const std::string& name, const std::string& value)
    {
        field(name)->setText(QString::fromStdString(value));
    }
    void click(const std::string& name) { child<QAbstractButton>(name)->click(); }

    // Element sets for a category key that count as freshly downloaded, so
    // that subscribing to it reloads without any download.
    void cacheFresh(const std::string& key)
    {
        const std::string sets = "ISS (ZARYA)\n"
                                 "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927\n"
                                 "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537\n";
        TLEManager::cacheDir(); // made when missing
        ASSERT_TRUE(platform::Files::writeFileAtomically(TLEManager::cacheFile(key), sets));
        ASSERT_TRUE(platform::Files::writeFileAtomically(
            TLEManager::timestampFile(key), formatFixed(Date::now().timeIntervalSince1970(), 3)));
    }

    TempDir dir;
    LocalServices services;
    std::shared_ptr<AppState> state;
    std::unique_ptr<SettingsView> view;
};

} // namespace zelvane::test
