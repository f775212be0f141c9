#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QSplitter;
class QResizeEvent;

namespace zelvane {

class AppState;
class DetailPanel;
class PassListView;
class ZozAdezaView;

namespace ui_style {
class ElidedLabel;
}

namespace shell {
class StateObserver;
class BusySpinner;
} // namespace shell

// The main window's content: the title bar, the timeline and pass list on
// the left, the map and polar plot on the right, the detail panel along the
// bottom; it presents the settings and quick-list sheets while their flags
// are set. Showing it places the timeline and starts the catalogue load.
class ContentView : public QWidget {
public:
    // Opens a window by its id ("satellite-browser").
    using OpenWindow = std::function<void(const QString& id)>;

    explicit ContentView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~ContentView() override;

    void setOpenWindow(OpenWindow openWindow) { openWindow_ = std::move(openWindow); }

    // The version shown in the title bar: the application's version, or "?"
    // when it has none.
    static QString appVersion();

    // Never below 1050 by 700 with whatever the window draws above it: a
    // window whose menu bar lies inside it gives that bar's height here, so
    // that the whole window still opens on a 1280 by 720 screen.
    QSize minimumSizeHint() const override;
    void setHeightAbove(int height);

    // Re-reads the state into the title bar and the sheets. Runs by itself
    // on the event-loop turn after each published change.
    void refresh();

    // The open sheets, for whoever needs to reach them (absent when closed).
    QDialog* settingsSheet() const { return settingsSheet_; }
    QDialog* satelliteListSheet() const { return listSheet_; }

    // Shares the panes' room out as the window's size asks (see arrange()),
    // until the user drags a divider.
    void arrangePanes();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildTitleBar();
    void startOnAppearance();
    void refreshStatusArea();
    void syncSheets();

    std::shared_ptr<AppState> state_;
    OpenWindow openWindow_;
    int heightAbove_ = 0;

    shell::BusySpinner* spinner_ = nullptr;
    QLabel* loadingText_ = nullptr;
    ui_style::ElidedLabel* statusText_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* locator_ = nullptr;
    QSplitter* mainSplit_ = nullptr;
    QSplitter* leftSplit_ = nullptr;
    QSplitter* rightSplit_ = nullptr;
    ZozAdezaView* timeline_ = nullptr;
    PassListView* passList_ = nullptr;
    QWidget* map_ = nullptr;
    QWidget* polarPane_ = nullptr;
    // A divider the user has dragged keeps the user's choice.
    bool userSplitMain_ = false;
    bool userSplitLeft_ = false;
    bool userSplitRight_ = false;

    QPointer<QDialog> settingsSheet_;
    QPointer<QDialog> listSheet_;

    std::unique_ptr<shell::StateObserver> observer_;
};

} // namespace zelvane
