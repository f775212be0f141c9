#pragma once

#include <memory>

#include <QWidget>

namespace zelvane {

class AppState;

// The pass timeline: one lane per selected satellite, passes drawn as
// elevation curves over a scrollable, zoomable time axis.
class ZozAdezaView : public QWidget {
    Q_OBJECT
public:
    explicit ZozAdezaView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~ZozAdezaView() override;

private:
    std::shared_ptr<AppState> state_;
};

} // namespace zelvane
