#pragma once

#include <QWidget>

#include <memory>

namespace zelvane {

class AppState;

// Live sky plot of the selected (or tracked) satellite beside a table of the
// selected pass's times and the live look angles.
class PolarPlotView : public QWidget {
    Q_OBJECT
public:
    explicit PolarPlotView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~PolarPlotView() override;

private:
    std::shared_ptr<AppState> state_;
};

} // namespace zelvane
