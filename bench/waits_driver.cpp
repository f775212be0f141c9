// The shipped window and state, timed through one thing a user does while
// a large catalogue's passes are being computed (scripts/measure-waits
// prepares the home and reads the lines this prints):
//
//   zelvane_waits settings <at-s> <tries>  opens and closes Settings every
//                                          2 s from <at-s>: time from the
//                                          command to its first painted frame
//   zelvane_waits unsubscribe <at-s> <key> keeps only category <key>: time
//                                          from its catalogue to its passes
//   zelvane_waits none <at-s>              deselects everything: time until
//                                          the pass count says so
//   zelvane_waits quit <at-s>              quits: time until the process ends
//
// The last three act 1 s into a recomputation of every selected satellite
// that starts <at-s> after the first passes are shown.
//   zelvane_waits clear <at-s>             presses the favourites' Clear:
//                                          time the window is held
//
//   zelvane_waits memory <pause-s> <n>     the resident size <pause-s> after
//                                          the first computation's passes
//                                          are shown and after each of <n>
//                                          recomputations, then quits
//
// Each line printed is "<what>: <milliseconds> ms" (or MiB).

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "catalog/satellite.h"
#include "state/app_state.h"
#include "ui/shell/zelvane_app.h"

namespace {

using Steady = std::chrono::steady_clock;

double msSince(Steady::time_point t)
{
    return std::chrono::duration<double, std::milli>(Steady::now() - t).count();
}

void report(const char* what, double ms)
{
    std::printf("%s: %.0f ms\n", what, ms);
    std::fflush(stdout);
}

// Calls `then` once, on the main loop, when the predicate first holds after
// a change of the state.
void whenState(const std::shared_ptr<zelvane::AppState>& state, std::function<bool()> holds,
               std::function<void()> then)
{
    auto connection = std::make_shared<zelvane::Signal<>::Connection>();
    auto done = std::make_shared<bool>(false);
    const std::weak_ptr<zelvane::AppState> weak = state;
    *connection = state->objectWillChange.connect([weak, connection, done, holds, then] {
        // The notice comes before the value is stored: look a turn later.
        QTimer::singleShot(0, [weak, connection, done, holds, then] {
            const auto self = weak.lock();
            if (!self || *done || !holds()) {
                return;
            }
            *done = true;
            self->objectWillChange.disconnect(*connection);
            then();
        });
    });
}

double residentMiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return -1.0;
    }
    char line[256];
    double kib = -1.0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmRSS: %lf kB", &kib) == 1) {
            break;
        }
    }
    std::fclose(status);
    return kib / 1024.0;
}

bool passesShown(const zelvane::AppState& state)
{
    return state.statusBaseMessage().ends_with(" passes in next 24h");
}

// Calls what arm() was last given once, a turn of the main loop after the
// next paint of the widget named `name`; the caller times from its request
// to that call.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QString name) : name_(std::move(name)) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->objectName() == name_ && painted_) {
            auto painted = std::move(painted_);
            painted_ = nullptr;
            QTimer::singleShot(0, painted);
        }
        return false;
    }
    void arm(std::function<void()> painted) { painted_ = std::move(painted); }

private:
    QString name_;
    std::function<void()> painted_;
};

} // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 2 ? argv[1] : "";
    const double at = argc > 2 ? std::atof(argv[2]) : 0.0;
    const Steady::time_point started = Steady::now();
    Steady::time_point quitAt;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Zelvane"));
        zelvane::ZelvaneApp zelvane(std::make_shared<zelvane::AppState>());
        const auto state = zelvane.state();
        zelvane.show();
        whenState(
            state, [state] { return passesShown(*state); },
            [started, state] { report("first passes after start", msSince(started)); });

        PaintWatch watch(QStringLiteral("settingsSheet"));
        app.installEventFilter(&watch);
        const int tries = what == "settings" && argc > 3 ? std::atoi(argv[3]) : 0;

        // Once the passes are shown again: the time since `since` under
        // `label`, the status line, and the end.
        const auto quitWhenPassesShown = [state](const char* label, Steady::time_point since) {
            whenState(
                state, [state] { return passesShown(*state); },
                [state, label, since] {
                    report(label, msSince(since));
                    std::printf("status: %s\n", state->statusBaseMessage().c_str());
                    QApplication::quit();
                });
        };

        auto act = [&, state] {
            if (what == "settings") {
                auto* action = zelvane.mainWindow()->findChild<QAction*>(QStringLiteral("settingsAction"));
                auto tryOnce = std::make_shared<std::function<void(int)>>();
                *tryOnce = [&, state, action, tryOnce](int left) {
                    const Steady::time_point asked = Steady::now();
                    watch.arm([&, state, asked, left, tryOnce] {
                        report("settings painted", msSince(asked));
                        state->setShowSettings(false);
                        if (left > 1) {
                            QTimer::singleShot(2000, [tryOnce, left] { (*tryOnce)(left - 1); });
                        } else {
                            QApplication::quit();
                        }
                    });
                    action->trigger();
                };
                (*tryOnce)(tries);
            } else if (what == "unsubscribe") {
                const std::string keep = argc > 3 ? argv[3] : "amateur";
                const Steady::time_point asked = Steady::now();
                const std::size_t before = state->satellites().size();
                whenState(
                    state, [state, before] { return state->satellites().size() != before; },
                    [asked, quitWhenPassesShown] {
                        report("catalogue after unsubscribing", msSince(asked));
                        quitWhenPassesShown("passes after the catalogue", Steady::now());
                    });
                state->setSubscribedCategories({keep});
                state->loadData();
            } else if (what == "none") {
                std::map<std::int64_t, bool> none;
                for (const auto& sat : state->satellites()) {
                    if (sat->isSelected()) {
                        none[sat->id] = false;
                    }
                }
                const Steady::time_point asked = Steady::now();
                state->setSatellitesSelected(none);
                quitWhenPassesShown("passes after None", asked);
            } else if (what == "clear") {
                auto* clear = zelvane.mainWindow()->findChild<QPushButton*>(QStringLiteral("clearFavoritesButton"));
                const std::size_t count = state->selectedSatelliteIds().size();
                const Steady::time_point asked = Steady::now();
                clear->click();
                const double held = msSince(asked);
                std::printf("favourites: %zu\n", count);
                report("clear held the window", held);
                QTimer::singleShot(0, [] { QApplication::quit(); });
            } else if (what == "quit") {
                std::printf("status: %s\n", state->statusBaseMessage().c_str());
                quitAt = Steady::now();
                QApplication::quit();
            } else {
                QApplication::quit();
            }
        };
        if (what == "memory") {
            const int recomputes = argc > 3 ? std::atoi(argv[3]) : 6;
            auto done = std::make_shared<int>(0);
            auto measure = std::make_shared<std::function<void()>>();
            *measure = [state, at, recomputes, done, measure, &quitAt] {
                QTimer::singleShot(static_cast<int>(at * 1000.0), [state, recomputes, done, measure, &quitAt] {
                    ++*done;
                    std::printf("resident after computation %d: %.0f MiB\n", *done, residentMiB());
                    std::printf("status: %s\n", state->statusMessage().c_str());
                    std::fflush(stdout);
                    if (*done > recomputes) {
                        std::printf("quit asked\n");
                        std::fflush(stdout);
                        quitAt = Steady::now();
                        QApplication::quit();
                        return;
                    }
                    whenState(state, [state] { return passesShown(*state); }, *measure);
                    state->computeAllPasses(); // as Ctrl+R does
                });
            };
            whenState(state, [state] { return passesShown(*state); }, *measure);
            // A program whose computations cannot run (out of memory) still
            // ends, and says so.
            QTimer::singleShot(600 * 1000, [&quitAt] {
                std::printf("no passes within 600 s\nquit asked\n");
                std::fflush(stdout);
                quitAt = Steady::now();
                QApplication::quit();
            });
        } else if (what == "settings" || what == "clear") {
            // During the first computation, <at-s> after start.
            QTimer::singleShot(static_cast<int>(at * 1000.0), act);
        } else {
            // In the middle of a recomputation of everything: <at-s> after
            // the first passes, a recomputation is asked for (as the 300-s
            // timer does), and the action follows a second later.
            whenState(
                state, [state] { return passesShown(*state); },
                [state, at, act] {
                    QTimer::singleShot(static_cast<int>(at * 1000.0), [state, act] {
                        state->computeAllPasses();
                        QTimer::singleShot(1000, act);
                    });
                });
        }
        QApplication::exec();
    }
    if (what == "quit" || what == "memory") {
        report("quit to end", msSince(quitAt));
    }
    return 0;
}
