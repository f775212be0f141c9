#include <QApplication>

#include <csignal>
#include <memory>

#include "state/app_state.h"
#include "ui/shell/zelvane_app.h"

int main(int argc, char** argv)
{
    // A write past the file size limit (ulimit -f) would end the process at
    // once; ignored, the write fails instead, and the program says which
    // file could not be saved and goes on with what it holds.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvane"));
    QApplication::setApplicationVersion(QStringLiteral(ZELVANE_VERSION));

    // The one state of the process: settings are read here; nothing starts
    // until the main window is shown.
    zelvane::ZelvaneApp zelvane(std::make_shared<zelvane::AppState>());
    zelvane.show();
    return QApplication::exec();
}
