#include <QApplication>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <string>

#include "catalog/satellite.h"
#include "state/app_state.h"
#include "ui/passes/timeline_selection.h"
#include "ui/shell/zelvane_app.h"

namespace {

// Unattended start for measuring the running program (scripts/measure-cpu):
// ZELVANE_SELECT_PASS=<name> selects that satellite's pass in progress, or
// else its next one, as soon as its passes are known; ZELVANE_TRACK=<name>
// selects it the same way and starts tracking it. Unset, nothing happens.
void selectFromEnvironment(const std::shared_ptr<zelvane::AppState>& state, QObject* context)
{
    const char* track = std::getenv("ZELVANE_TRACK");
    const char* select = std::getenv("ZELVANE_SELECT_PASS");
    const bool tracking = track && *track;
    const std::string name = tracking ? track : select && *select ? select : "";
    if (name.empty()) {
        return;
    }
    struct Watch {
        zelvane::Signal<>::Connection connection = 0;
        bool pending = false;
        bool done = false;
    };
    auto watch = std::make_shared<Watch>();
    const std::weak_ptr<zelvane::AppState> weak = state;
    const auto look = [weak, watch, name, tracking] {
        watch->pending = false;
        const auto self = weak.lock();
        if (!self || watch->done) {
            return;
        }
        const zelvane::Date now = zelvane::Date::now();
        for (const auto& [sat, pass] : self->allPassesSorted()) {
            if (sat->name != name || pass.setTime < now) {
                continue;
            }
            watch->done = true;
            self->objectWillChange.disconnect(watch->connection);
            zelvane::timeline::selectPass(*self, sat, pass);
            if (tracking) {
                self->startTracking(sat, self->selectedTransmitter());
            }
            return;
        }
    };
    watch->connection = state->objectWillChange.connect([watch, context, look] {
        if (!watch->pending && !watch->done) {
            watch->pending = true;
            QTimer::singleShot(0, context, look);
        }
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvane"));
    QApplication::setApplicationVersion(QStringLiteral(ZELVANE_VERSION));

    // The one state of the process: settings are read here; nothing starts
    // until the main window is shown.
    zelvane::ZelvaneApp zelvane(std::make_shared<zelvane::AppState>());
    selectFromEnvironment(zelvane.state(), &zelvane);
    zelvane.show();
    return QApplication::exec();
}
