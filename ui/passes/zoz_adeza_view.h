#pragma once

#include <memory>

#include <QWidget>

#include "base/signal.h"

class QLabel;
class QPushButton;
class QTimer;
class QToolButton;

namespace zelvane {

class AppState;
class FavouritesPanel;
class ZozAdezaChart;

// The pass timeline: a header bar (favourites toggle, NOW, zoom), the chart
// of elevation over time of every favourite pass, and on request the
// favourites panel below it.
class ZozAdezaView : public QWidget {
    Q_OBJECT
public:
    explicit ZozAdezaView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~ZozAdezaView() override;

    void zoomIn();
    void zoomOut();
    // Puts the present a quarter of the window from its left edge.
    void scrollToNow();

    bool showSatSelector() const { return showSatSelector_; }
    void setShowSatSelector(bool show);

    ZozAdezaChart* chart() const { return chart_; }

    // The lowest the chart is made while the favourites panel is open: its
    // ten elevation labels still stand apart.
    static constexpr int kReadableChartHeight = 110;
    QSize minimumSizeHint() const override;
    // The height at which the open favourites panel shows all its rows (its
    // list held to 270) below a chart of readable height; the least height
    // while the panel is closed.
    int heightWanted() const;
    FavouritesPanel* favouritesPanel() const { return panel_; }

    // Re-reads the state now (normally done a turn after a published change).
    void refresh();

signals:
    // The favourites panel asks for the satellite browser window.
    void openSatelliteBrowser();
    // The favourites panel was shown or hidden, or its favourites came or
    // went: the view's least or wanted height changed.
    void heightWantedChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitFavouritesList();


    std::shared_ptr<AppState> state_;
    Signal<>::Connection connection_ = 0;
    QTimer* refreshTimer_ = nullptr;
    bool showSatSelector_ = false;

    QWidget* header_ = nullptr;
    QPushButton* favouritesToggle_ = nullptr;
    QLabel* hoursLabel_ = nullptr;
    ZozAdezaChart* chart_ = nullptr;
    QWidget* panelDivider_ = nullptr;
    FavouritesPanel* panel_ = nullptr;
};

} // namespace zelvane
