#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "base/signal.h"
#include "ui/style/refresh_timer.h"
#include "orbital/pass_records.h"

class QLabel;
class QMessageBox;
class QPushButton;
class QScrollArea;
class QTimer;
class QVBoxLayout;

namespace zelvane {

class AppState;
class PassRow;
class Satellite;

// Upcoming passes of the favourite satellites in order of rise, one row per
// pass under a header with the pass count and the auto-track queue. A click
// on a row selects the pass; its toggle queues it; an overlap with a queued
// pass is put to the user in an alert.
class PassListView : public QWidget {
    Q_OBJECT
public:
    explicit PassListView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~PassListView() override;

    // Re-reads the state now (normally done on the next event-loop turn after
    // a published change).
    void refresh();

    // The rows in list order.
    std::vector<PassRow*> rows() const;

    // The height that shows the header and `count` whole rows.
    int heightForRows(int count) const;

    // The alert text for a conflict between two queued passes.
    static std::string conflictMessage(const std::string& incomingName, double incomingMaxEl,
                                       const std::string& existingName, double existingMaxEl);

private:
    QWidget* header_ = nullptr;
    struct RowKey {
        const Satellite* sat = nullptr;
        std::int64_t rise = 0;
        std::int64_t set = 0;
        double maxElevation = 0.0;
        std::size_t samples = 0;
        bool operator==(const RowKey&) const = default;
    };
    struct RowEntry {
        PassRow* row = nullptr;
        QWidget* divider = nullptr;
        RowKey key;
    };

    void rebuildRows();
    void updateConflictAlert();

    std::shared_ptr<AppState> state_;
    Signal<>::Connection connection_ = 0;
    QTimer* refreshTimer_ = nullptr;
    // What the rows last showed of the state; a change that leaves it as it
    // was (a tracking tick) rebuilds nothing.
    ui_style::InputsGate shown_;

    QLabel* countLabel_ = nullptr;
    QLabel* queueBadge_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
    std::vector<RowEntry> rows_;
    QPointer<QMessageBox> alert_;
};

} // namespace zelvane
