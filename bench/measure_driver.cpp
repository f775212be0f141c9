// The program as scripts/measure-cpu runs it: the shipped window and state,
// plus an unattended start that a user would make by hand.
//
//   zelvane_measure                        main window open, nothing selected
//   zelvane_measure --select-pass <name>   selects that satellite's pass in
//                                          progress (or else its next one) as
//                                          soon as its passes are known
//   zelvane_measure --track <name>         selects it the same way and starts
//                                          tracking it

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "catalog/satellite.h"
#include "state/app_state.h"
#include "ui/passes/timeline_selection.h"
#include "ui/shell/zelvane_app.h"

namespace {

struct Request {
    std::string name;
    bool tracking = false;
};

// Absent when the arguments do not read.
std::optional<Request> readArguments(int argc, char** argv)
{
    Request request;
    for (int i = 1; i < argc; ++i) {
        const bool select = std::strcmp(argv[i], "--select-pass") == 0;
        const bool track = std::strcmp(argv[i], "--track") == 0;
        if ((!select && !track) || i + 1 >= argc || !request.name.empty()) {
            return std::nullopt;
        }
        request.name = argv[++i];
        request.tracking = track;
    }
    return request;
}

void selectWhenKnown(const std::shared_ptr<zelvane::AppState>& state, QObject* context, const Request& request)
{
    if (request.name.empty()) {
        return;
    }
    struct Watch {
        zelvane::Signal<>::Connection connection = 0;
        bool pending = false;
        bool done = false;
    };
    auto watch = std::make_shared<Watch>();
    const std::weak_ptr<zelvane::AppState> weak = state;
    const auto look = [weak, watch, request] {
        watch->pending = false;
        const auto self = weak.lock();
        if (!self || watch->done) {
            return;
        }
        const zelvane::Date now = zelvane::Date::now();
        for (const auto& [sat, pass] : self->allPassesSorted()) {
            if (sat->name != request.name || pass.setTime < now) {
                continue;
            }
            watch->done = true;
            self->objectWillChange.disconnect(watch->connection);
            zelvane::timeline::selectPass(*self, sat, pass);
            if (request.tracking) {
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
    const auto request = readArguments(argc, argv);
    if (!request) {
        std::fprintf(stderr, "usage: %s [--select-pass <name> | --track <name>]\n", argv[0]);
        return 2;
    }
    zelvane::ZelvaneApp zelvane(std::make_shared<zelvane::AppState>());
    selectWhenKnown(zelvane.state(), &zelvane, *request);
    zelvane.show();
    return QApplication::exec();
}
