#include <QApplication>

#include <memory>

#include "state/app_state.h"
#include "ui/shell/zelvane_app.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelvane"));
    QApplication::setApplicationVersion(QStringLiteral(ZELVANE_VERSION));

    // The one state of the process: settings are read here; nothing starts
    // until the main window is shown.
    zelvane::ZelvaneApp zelvane(std::make_shared<zelvane::AppState>());
    zelvane.show();
    return QApplication::exec();
}
