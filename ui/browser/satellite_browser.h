#pragma once

#include <memory>

#include <QWidget>

namespace zelvane {

class AppState;

// The catalogue browser: searchable category groups of satellites with
// add/remove toggles, a detail sheet per satellite and the import sheet.
class SatelliteBrowser : public QWidget {
    Q_OBJECT
public:
    explicit SatelliteBrowser(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~SatelliteBrowser() override;

private:
    std::shared_ptr<AppState> state_;
};

} // namespace zelvane
