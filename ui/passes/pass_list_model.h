#pragma once

// The published passes of the selected satellites as list rows, in order of
// rise. A row keeps the plain values it draws (PassRowContent); a refresh
// compares the state with what the rows were built from, and a new
// computation is applied by pass identity (same satellite, overlapping
// times): rows of passes that stay are changed in place, others inserted or
// removed, never the whole list reset. The clock-dependent values are
// re-evaluated on their own, so a countdown follows the clock however
// rarely the passes change.

#include <QAbstractListModel>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "orbital/date.h"
#include "orbital/pass_records.h"
#include "ui/passes/pass_row.h"
#include "ui/style/refresh_timer.h"

namespace zelvane {

class AppState;
class Satellite;

class PassListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        SatelliteIdRole = Qt::UserRole + 1, // qint64
        RelativeTextRole,                   // "in 5m", "now"
        SelectedRole,
        QueuedRole,
        InProgressRole,
        NextRole,
    };

    explicit PassListModel(QObject* parent = nullptr);
    ~PassListModel() override;

    // Brings the rows to the state's passes, queue and selected pass and to
    // the clock. Returns true when the passes, queue or selection differed
    // from what the rows were built from (the rows were then matched anew).
    bool refresh(const AppState& state, Date now);
    // Re-evaluates the clock-dependent values of every row and announces
    // the rows that changed among those in view; returns how many changed.
    int updateClock(Date now);
    // The rows the list shows, first to last (none when last < first).
    // Changes the clock makes to other rows are made but not announced:
    // with tens of thousands of rows some countdown changes every second,
    // and a list repaints for every announcement. Every row until set.
    void setRowsInView(int first, int last) { rowsInView_ = std::pair(first, last); }

    // The row a row of the list before the last refresh became; -1 when its
    // pass is gone.
    int rowAfterLastRefresh(int oldRow) const;

    const PassRowContent& contentAt(int row) const;
    const std::shared_ptr<Satellite>& satelliteAt(int row) const;
    // The row's pass as the state holds it now; nullptr once it is gone.
    const PredictedPass* passAt(int row) const;
    // The first instant after `now` at which a value drawn by the rows
    // first..last changes with the clock alone.
    std::optional<Date> nextClockChange(int first, int last, Date now) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Row {
        std::uint32_t sat = 0;       // in the satellites the row was made from
        std::uint32_t passIndex = 0; // where the pass stood in the satellite's list
        PassRowContent content;
    };
    // What the rows were built from, compared value by value with the state.
    // The fields of a pass the row is made from; the azimuths of rise and
    // set stand for the track's ends (the same observations), so that the
    // comparison reads no track.
    struct SourcePass {
        Date rise;
        Date set;
        double maxElevation = 0.0;
        double riseAzimuth = 0.0;
        double setAzimuth = 0.0;
        std::size_t samples = 0;
    };
    struct SourceSatellite {
        std::shared_ptr<Satellite> sat;
        std::int64_t id = 0;
        std::string name;
        std::size_t passes = 0;
    };
    struct SelectedKey {
        std::int64_t satelliteId = 0;
        Date rise;
        Date set;
        bool operator==(const SelectedKey&) const = default;
    };
    struct Sources {
        std::vector<SourceSatellite> sats;
        std::vector<SourcePass> passes; // of all satellites, one after the other
        std::set<std::string> queued;
        std::optional<SelectedKey> selected;
    };

    static SourcePass sourceOf(const PredictedPass& pass);
    static std::optional<SelectedKey> selectedOf(const AppState& state);
    bool passesMatch(const AppState& state) const;
    bool isSelected(const PassRowContent& content) const;
    bool isQueued(const PassRowContent& content) const;
    void updateFlags();
    void rebuild(const AppState& state, Date now);
    void apply();
    static void evaluateClock(std::vector<Row>& rows, Date now);
    static std::size_t nextRowAt(const std::vector<Row>& rows, Date now);
    // Brings a row's clock-dependent values to `now`; true when they changed.
    static bool evaluateRow(PassRowContent& content, Date now, bool isNext);
    // The first instant (ns since 1970) at which they can change again.
    static std::int64_t clockValidUntil(const PassRowContent& content, Date now);
    void noteClock(Date now);
    const Row& rowAt(int row) const;
    void announce(const std::vector<int>& changed);

    Sources sources_;
    bool built_ = false;
    // The state's revision at the last look.
    ui_style::ShownGate<std::uint64_t> lookedAt_;
    std::optional<std::pair<int, int>> rowsInView_;
    std::vector<Row> rows_;
    // While an update is applied, the list reads as the first done_ rows of
    // fresh_ followed by the old rows of pending_ from pendingAt_ on (made
    // from previousSats_).
    bool applying_ = false;
    std::vector<Row> fresh_;
    std::size_t done_ = 0;
    std::vector<Row> pending_;
    std::size_t pendingAt_ = 0;
    std::vector<SourceSatellite> previousSats_;
    // The last list's storage, kept for the next one.
    std::vector<Row> spare_;
    std::vector<int> oldToNew_;
    // When the clock-dependent values were last brought up to date, and
    // until when each row's stay true; the next row at that time.
    std::optional<Date> clockAt_;
    std::vector<std::int64_t> validUntil_;
    std::size_t nextRow_ = 0;
};

} // namespace zelvane
