#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <QPointer>
#include <QWidget>

#include "base/signal.h"

class QLabel;
class QListView;
class QMessageBox;
class QModelIndex;
class QPushButton;
class QTimer;

namespace zelvane {

class AppState;
class PassListModel;
class PassRowDelegate;

// Upcoming passes of the favourite satellites in order of rise, one painted
// row per pass under a header with the pass count and the auto-track queue.
// A click on a row selects the pass; its toggle queues it; an overlap with a
// queued pass is put to the user in an alert.
class PassListView : public QWidget {
    Q_OBJECT
public:
    explicit PassListView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~PassListView() override;

    // Re-reads the state now (normally done on the next event-loop turn after
    // a published change).
    void refresh();

    QListView* listView() const { return list_; }
    PassListModel* model() const { return model_; }
    PassRowDelegate* rowDelegate() const { return delegate_; }
    int rowCount() const;

    // The height that shows the header and `count` whole rows.
    int heightForRows(int count) const;

    // Whether a countdown or flag in view waits for the clock.
    bool isClockTimerActive() const;

    // The alert text for a conflict between two queued passes.
    static std::string conflictMessage(const std::string& incomingName, double incomingMaxEl,
                                       const std::string& existingName, double existingMaxEl);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // What the header shows.
    struct HeaderShown {
        std::size_t passes = 0;
        std::size_t queued = 0;
        bool operator==(const HeaderShown&) const = default;
    };

    void followClock();
    void armClockTimer();
    // The rows in view, first to last (none when last < first).
    std::pair<int, int> rowsInView() const;
    void noteRowsInView();
    void updateHeader();
    void updateConflictAlert();
    void onRowClicked(const QModelIndex& index);
    void onToggleClicked(const QModelIndex& index);

    std::shared_ptr<AppState> state_;
    Signal<>::Connection connection_ = 0;
    QTimer* refreshTimer_ = nullptr;
    QTimer* clockTimer_ = nullptr;

    QWidget* header_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QLabel* queueBadge_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    std::optional<HeaderShown> headerShown_;
    PassListModel* model_ = nullptr;
    PassRowDelegate* delegate_ = nullptr;
    QListView* list_ = nullptr;
    QPointer<QMessageBox> alert_;
};

} // namespace zelvane
