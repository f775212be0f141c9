#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QSize>

#include <functional>
#include <memory>

class QAction;

namespace zelvane {

class AppState;
class ContentView;

namespace shell {
class StateObserver;

// The size a window opens at on a screen whose free area is `available`,
// with `frame` around it drawn by the window system: `wanted` where the
// area holds it frame and all, else the largest size that fits, but never
// below `least`.
QSize openingSize(const QSize& available, const QMargins& frame, const QSize& least, const QSize& wanted);
}

// The main window: the content view with the "File", "Tracking" and "View"
// menus. Every "Tracking" and "View" command reads or writes the shared
// state and nothing else.
class MainWindow : public QMainWindow {
public:
    explicit MainWindow(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~MainWindow() override;

    ContentView* contentView() const { return content_; }

    // Follows the selection and the tracking flag into the enabled state of
    // "Start Tracking" and "Stop Tracking".
    void refresh();

    // Called each time the window has closed (a close it refuses is none).
    void setOnClosed(std::function<void()> closed) { closed_ = std::move(closed); }

    // The menu commands, as the menus run them. "Close Window" closes the
    // sheet open over this window, or else the window; the browser and each
    // sheet have the same two commands of their own.
    void closeWindowCommand();
    void quitCommand();
    void startTrackingCommand();
    void stopTrackingCommand();
    void refreshPassesCommand();
    void toggleSatelliteListCommand();
    void toggleSettingsCommand();
    void zoomInCommand();
    void zoomOutCommand();
    void scrollToNowCommand();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    // Sizes the window for its screen's free area and, once shown, keeps
    // it inside that area.
    void fitToScreen();

    // Whether the size was fitted with the window system's frame known:
    // the frame of a decorated window is told only after it is shown.
    bool fittedWithFrame_ = false;
    bool shown_ = false;
    // The size the last fitting gave; a different one was chosen by someone.
    QSize fittedSize_;

    std::shared_ptr<AppState> state_;
    ContentView* content_ = nullptr;
    QAction* startTracking_ = nullptr;
    QAction* stopTracking_ = nullptr;
    std::unique_ptr<shell::StateObserver> observer_;
    std::function<void()> closed_;
};

} // namespace zelvane
