#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

#include "ui/shell/main_window.h"

namespace zelvane {

class AppState;

// The application: the one AppState of the process, held for its whole
// life, the main window and the single satellite browser window. Closing
// the main window ends the program.
class ZelvaneApp : public QObject {
public:
    explicit ZelvaneApp(std::shared_ptr<AppState> state);
    ~ZelvaneApp() override;

    const std::shared_ptr<AppState>& state() const { return state_; }
    MainWindow* mainWindow() const { return mainWindow_; }
    // The browser window while it exists (it goes when closed).
    QWidget* browserWindow() const { return browser_; }

    // Shows the main window; its first appearance starts the work.
    void show();
    // Opens the window of an id ("satellite-browser"), or brings it to the
    // front when it is open already.
    void openWindow(const QString& id);

private:
    std::shared_ptr<AppState> state_;
    QPointer<MainWindow> mainWindow_;
    QPointer<QWidget> browser_;
};

} // namespace zelvane
