#include <csignal>
#include <memory>

#include "platform/program_end.h"
#include "state/app_state.h"
#include "ui/shell/zelvane_app.h"
#include "ui/shell/zelvane_application.h"

int main(int argc, char** argv)
{
    // A write past the file size limit (ulimit -f) would end the process at
    // once; ignored, the write fails instead, and the program says which
    // file could not be saved and goes on with what it holds.
    std::signal(SIGXFSZ, SIG_IGN);

    zelvane::ZelvaneApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvane"));
    QApplication::setApplicationVersion(QStringLiteral(ZELVANE_VERSION));

    int status = 0;
    {
        // The one state of the process: settings are read here; nothing
        // starts until the main window is shown.
        const auto state = std::make_shared<zelvane::AppState>();
        app.tellFailuresTo(state);
        zelvane::ZelvaneApp zelvane(state);
        zelvane.show();
        status = QApplication::exec();
    }
    // The windows and the state are gone, the settings written as they
    // changed; what is left of the program's own ends here, and the process
    // with it, without waiting for Qt's own host-name lookups.
    zelvane::platform::endProgram(status);
}
