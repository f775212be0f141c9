#pragma once

#include <memory>

#include <QWidget>

namespace zelvane {

class AppState;

// Upcoming passes of the selected satellites, soonest first.
class PassListView : public QWidget {
    Q_OBJECT
public:
    explicit PassListView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~PassListView() override;

private:
    std::shared_ptr<AppState> state_;
};

} // namespace zelvane
