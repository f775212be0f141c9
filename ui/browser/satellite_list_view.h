#pragma once

#include <memory>

#include <QWidget>

namespace zelvane {

class AppState;

// The quick satellite list: every satellite with a selection check box.
class SatelliteListView : public QWidget {
    Q_OBJECT
public:
    explicit SatelliteListView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~SatelliteListView() override;

private:
    std::shared_ptr<AppState> state_;
};

} // namespace zelvane
