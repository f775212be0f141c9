#pragma once

#include <QWidget>

#include <memory>

namespace zelvane {

class AppState;

// World map of the selected pass: ground track, coverage, live footprint and
// the observer sites.
class SatelliteMapView : public QWidget {
    Q_OBJECT
public:
    explicit SatelliteMapView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~SatelliteMapView() override;

private:
    std::shared_ptr<AppState> state_;
};

} // namespace zelvane
