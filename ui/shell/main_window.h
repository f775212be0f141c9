#pragma once

#include <QMainWindow>

#include <memory>

class QAction;

namespace zelvane {

class AppState;
class ContentView;

namespace shell {
class StateObserver;
}

// The main window: the content view with the "Tracking" and "View" menus.
// Every menu command reads or writes the shared state and nothing else.
class MainWindow : public QMainWindow {
public:
    explicit MainWindow(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~MainWindow() override;

    ContentView* contentView() const { return content_; }

    // Follows the selection and the tracking flag into the enabled state of
    // "Start Tracking" and "Stop Tracking".
    void refresh();

    // The menu commands, as the menus run them.
    void startTrackingCommand();
    void stopTrackingCommand();
    void refreshPassesCommand();
    void toggleSatelliteListCommand();
    void toggleSettingsCommand();
    void zoomInCommand();
    void zoomOutCommand();
    void scrollToNowCommand();

private:
    void buildMenus();

    std::shared_ptr<AppState> state_;
    ContentView* content_ = nullptr;
    QAction* startTracking_ = nullptr;
    QAction* stopTracking_ = nullptr;
    std::unique_ptr<shell::StateObserver> observer_;
};

} // namespace zelvane
