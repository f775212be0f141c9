#include "ui/passes/pass_list_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "state/app_state.h"

namespace zelvane {

namespace {

bool sameNumber(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// The rows whose positions form the longest increasing run of `targets`
// (entries < 0 take no part); the others must move.
std::vector<bool> longestIncreasing(const std::vector<int>& targets)
{
    std::vector<bool> keep(targets.size(), false);
    bool increasing = true;
    int last = -1;
    for (const int t : targets) {
        if (t >= 0) {
            increasing = increasing && t > last;
            last = t;
        }
    }
    if (increasing) {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            keep[i] = targets[i] >= 0;
        }
        return keep;
    }
    // Patience sorting with back links.
    std::vector<std::size_t> tails;
    std::vector<std::ptrdiff_t> previous(targets.size(), -1);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (targets[i] < 0) {
            continue;
        }
        const auto at = std::lower_bound(tails.begin(), tails.end(), targets[i],
                                         [&](std::size_t k, int value) { return targets[k] < value; });
        if (at != tails.begin()) {
            previous[i] = static_cast<std::ptrdiff_t>(*(at - 1));
        }
        if (at == tails.end()) {
            tails.push_back(i);
        } else {
            *at = i;
        }
    }
    for (std::ptrdiff_t i = tails.empty() ? -1 : static_cast<std::ptrdiff_t>(tails.back()); i >= 0;
         i = previous[static_cast<std::size_t>(i)]) {
        keep[static_cast<std::size_t>(i)] = true;
    }
    return keep;
}

} // namespace

PassListModel::PassListModel(QObject* parent) : QAbstractListModel(parent) {}

PassListModel::~PassListModel() = default;

PassListModel::SourcePass PassListModel::sourceOf(const PredictedPass& pass)
{
    return SourcePass{pass.riseTime,    pass.setTime,    pass.maxElevation,
                      pass.riseAzimuth, pass.setAzimuth, pass.trackPoints.size()};
}

std::optional<PassListModel::SelectedKey> PassListModel::selectedOf(const AppState& state)
{
    const auto& selected = state.selectedPass();
    if (!selected || !selected->satellite) {
        return std::nullopt;
    }
    return SelectedKey{selected->satellite->id, selected->pass.riseTime, selected->pass.setTime};
}

bool PassListModel::passesMatch(const AppState& state) const
{
    if (!built_) {
        return false;
    }
    std::size_t k = 0;
    const SourcePass* was = sources_.passes.data();
    for (const auto& sat : state.satellites()) {
        if (!sat->isSelected()) {
            continue;
        }
        if (k >= sources_.sats.size()) {
            return false;
        }
        const SourceSatellite& source = sources_.sats[k++];
        if (source.sat != sat || source.name != sat->name || source.passes != sat->passes.size()) {
            return false;
        }
        for (const PredictedPass& pass : sat->passes) {
            const SourcePass& w = *was++;
            if (!(pass.riseTime == w.rise) || !(pass.setTime == w.set) || pass.trackPoints.size() != w.samples ||
                !sameNumber(pass.maxElevation, w.maxElevation) || !sameNumber(pass.riseAzimuth, w.riseAzimuth) ||
                !sameNumber(pass.setAzimuth, w.setAzimuth)) {
                return false;
            }
        }
    }
    return k == sources_.sats.size();
}

bool PassListModel::refresh(const AppState& state, Date now)
{
    // Through a track's ticks nothing the rows are made of changes: only
    // the clock is looked at.
    const bool revised = lookedAt_.changed(state.revision());
    if (built_ && !revised) {
        updateClock(now);
        return false;
    }
    if (!passesMatch(state)) {
        rebuild(state, now);
        return true;
    }
    std::optional<SelectedKey> selected = selectedOf(state);
    if (state.queuedPassIds() != sources_.queued || selected != sources_.selected) {
        sources_.queued = state.queuedPassIds();
        sources_.selected = std::move(selected);
        updateFlags();
    }
    updateClock(now);
    return false;
}

bool PassListModel::isSelected(const PassRowContent& c) const
{
    const auto& selected = sources_.selected;
    return selected && selected->satelliteId == c.satelliteId &&
           passTimesOverlap(selected->rise, selected->set, c.rise, c.set);
}

bool PassListModel::isQueued(const PassRowContent& c) const
{
    return !sources_.queued.empty() && sources_.queued.contains(AppState::passQueueId(c.satelliteId, c.rise));
}

void PassListModel::updateFlags()
{
    std::vector<int> changed;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        PassRowContent& c = rows_[i].content;
        const bool selected = isSelected(c);
        const bool queued = isQueued(c);
        if (selected != c.selected || queued != c.queued) {
            c.selected = selected;
            c.queued = queued;
            changed.push_back(static_cast<int>(i));
        }
    }
    announce(changed);
}

void PassListModel::rebuild(const AppState& state, Date now)
{
    Sources sources; // the passes; queue and selection go straight in
    sources_.queued = state.queuedPassIds();
    sources_.selected = selectedOf(state);

    // Order of rise, ties in catalogue and pass order: sort small keys, not rows.
    struct Key {
        std::int64_t rise;
        std::uint32_t sat;
        std::uint32_t pass;
        std::uint32_t source; // in sources.passes
    };
    std::size_t total = 0;
    for (const auto& sat : state.satellites()) {
        total += sat->isSelected() ? sat->passes.size() : 0;
    }
    std::vector<Key> keys;
    keys.reserve(total);
    sources.passes.reserve(total);
    for (const auto& sat : state.satellites()) {
        if (!sat->isSelected()) {
            continue;
        }
        const auto satIndex = static_cast<std::uint32_t>(sources.sats.size());
        for (std::size_t i = 0; i < sat->passes.size(); ++i) {
            sources.passes.push_back(sourceOf(sat->passes[i]));
            keys.push_back({sat->passes[i].riseTime.nanosecondsSince1970(), satIndex, static_cast<std::uint32_t>(i),
                            static_cast<std::uint32_t>(sources.passes.size() - 1)});
        }
        sources.sats.push_back(SourceSatellite{sat, sat->id, sat->name, sat->passes.size()});
    }
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.rise != b.rise) {
            return a.rise < b.rise;
        }
        return a.sat != b.sat ? a.sat < b.sat : a.pass < b.pass;
    });

    std::vector<Row> fresh = std::move(spare_);
    fresh.clear();
    fresh.reserve(keys.size());
    // Rows are made from the compact records just taken, in order of
    // rise: the passes themselves lie all over memory, and visiting them in
    // that order would miss the cache at every row.
    for (const Key& key : keys) {
        const SourceSatellite& sat = sources.sats[key.sat];
        const SourcePass& pass = sources.passes[key.source];
        Row row;
        row.sat = key.sat;
        row.passIndex = key.pass;
        PassRowContent& c = row.content;
        c.satelliteId = sat.id;
        c.name = sat.name;
        c.rise = pass.rise;
        c.set = pass.set;
        c.maxElevation = pass.maxElevation;
        // The track's ends are the observations at rise and set, whose
        // azimuths are kept with the pass.
        if (pass.samples >= 2) {
            c.directionFrom = static_cast<std::int8_t>(PassRow::compassIndex(pass.riseAzimuth));
            c.directionTo = static_cast<std::int8_t>(PassRow::compassIndex(pass.setAzimuth));
        }
        c.trackSamples = pass.samples;
        c.selected = isSelected(c);
        c.queued = isQueued(c);
        fresh.push_back(std::move(row));
    }
    evaluateClock(fresh, now);
    previousSats_ = std::move(sources_.sats);
    sources_.sats = std::move(sources.sats);
    sources_.passes = std::move(sources.passes);
    built_ = true;
    fresh_ = std::move(fresh);
    apply();
    noteClock(now);
}

std::size_t PassListModel::nextRowAt(const std::vector<Row>& rows, Date now)
{
    return static_cast<std::size_t>(
        std::partition_point(rows.begin(), rows.end(), [&](const Row& row) { return row.content.rise <= now; }) -
        rows.begin());
}

bool PassListModel::evaluateRow(PassRowContent& c, Date now, bool isNext)
{
    const bool inProgress = c.rise <= now && now <= c.set;
    const std::int64_t minutes = PassRow::minutesToRise(c.rise, now);
    const bool changed = inProgress != c.inProgress || isNext != c.next || minutes != c.minutesToRise;
    c.inProgress = inProgress;
    c.next = isNext;
    c.minutesToRise = minutes;
    return changed;
}

std::int64_t PassListModel::clockValidUntil(const PassRowContent& c, Date now)
{
    const std::int64_t t = now.nanosecondsSince1970();
    const std::int64_t rise = c.rise.nanosecondsSince1970();
    const std::int64_t set = c.set.nanosecondsSince1970();
    std::int64_t until = std::numeric_limits<std::int64_t>::max();
    if (t < rise) {
        until = rise; // in progress from its rise
    }
    if (t <= set && set < until) {
        until = set + 1; // until the instant after its set
    }
    if (const auto change = PassRow::nextCountdownChange(c.rise, now)) {
        // "in 5m" holds up to the instant five whole minutes remain.
        until = std::min(until, change->nanosecondsSince1970() + 1);
    }
    return std::max(until, t + 1);
}

void PassListModel::evaluateClock(std::vector<Row>& rows, Date now)
{
    const std::size_t next = nextRowAt(rows, now);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        evaluateRow(rows[i].content, now, i == next);
    }
}

void PassListModel::noteClock(Date now)
{
    clockAt_ = now;
    nextRow_ = nextRowAt(rows_, now);
    validUntil_.resize(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        validUntil_[i] = clockValidUntil(rows_[i].content, now);
    }
}

int PassListModel::updateClock(Date now)
{
    std::vector<int> changed;
    if (!clockAt_ || now < *clockAt_ || validUntil_.size() != rows_.size()) {
        // The clock went back (or nothing is known yet): every row anew.
        const std::size_t next = nextRowAt(rows_, now);
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            if (evaluateRow(rows_[i].content, now, i == next)) {
                changed.push_back(static_cast<int>(i));
            }
        }
        noteClock(now);
    } else {
        // Only the rows whose drawn values can have moved since, and the
        // rows that stop or start being the next one.
        const std::int64_t t = now.nanosecondsSince1970();
        const std::size_t next = nextRowAt(rows_, now);
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            const bool nextChanged = (i == next) != (i == nextRow_);
            if (t < validUntil_[i] && !nextChanged) {
                continue;
            }
            if (evaluateRow(rows_[i].content, now, i == next)) {
                changed.push_back(static_cast<int>(i));
            }
            validUntil_[i] = clockValidUntil(rows_[i].content, now);
        }
        clockAt_ = now;
        nextRow_ = next;
    }
    const auto count = static_cast<int>(changed.size());
    if (rowsInView_) {
        const auto [first, last] = *rowsInView_;
        std::erase_if(changed, [&](int row) { return row < first || row > last; });
    }
    announce(changed);
    return count;
}

void PassListModel::apply()
{
    const std::size_t oldCount = rows_.size();
    const std::size_t newCount = fresh_.size();

    // Pass identity: per satellite, both lists in order of rise; a pass of
    // the old list is the one of the new list whose times overlap it.
    using IdKey = std::pair<std::int64_t, std::uint32_t>;
    const auto byId = [](const std::vector<Row>& rows) {
        std::vector<IdKey> keys(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            keys[i] = {rows[i].content.satelliteId, static_cast<std::uint32_t>(i)};
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    };
    std::vector<int> oldToNew(oldCount, -1);
    {
        const std::vector<IdKey> oldKeys = byId(rows_);
        const std::vector<IdKey> newKeys = byId(fresh_);
        for (std::size_t a = 0, b = 0; a < oldCount && b < newCount;) {
            if (oldKeys[a].first != newKeys[b].first) {
                oldKeys[a].first < newKeys[b].first ? ++a : ++b;
                continue;
            }
            const PassRowContent& o = rows_[oldKeys[a].second].content;
            const PassRowContent& n = fresh_[newKeys[b].second].content;
            if (passTimesOverlap(o.rise, o.set, n.rise, n.set)) {
                oldToNew[oldKeys[a].second] = static_cast<int>(newKeys[b].second);
                ++a;
                ++b;
            } else if (o.rise < n.rise) {
                ++a;
            } else {
                ++b;
            }
        }
    }
    // Passes that changed places with others (a rise moved past another)
    // leave and come back at their new place; the rest stay where they are.
    const std::vector<bool> kept = longestIncreasing(oldToNew);

    // One sweep from the top; every announcement holds for the list as it
    // reads at that moment (see rowAt).
    pending_ = std::move(rows_);
    rows_.clear();
    pendingAt_ = 0;
    done_ = 0;
    applying_ = true;
    std::vector<int> changed;
    const auto insertUpTo = [&](std::size_t end) {
        if (done_ >= end) {
            return;
        }
        beginInsertRows(QModelIndex(), static_cast<int>(done_), static_cast<int>(end) - 1);
        done_ = end;
        endInsertRows();
    };
    while (pendingAt_ < oldCount) {
        if (!kept[pendingAt_]) {
            std::size_t end = pendingAt_;
            while (end < oldCount && !kept[end]) {
                ++end;
            }
            const auto first = static_cast<int>(done_);
            beginRemoveRows(QModelIndex(), first, first + static_cast<int>(end - pendingAt_) - 1);
            pendingAt_ = end;
            endRemoveRows();
            continue;
        }
        insertUpTo(static_cast<std::size_t>(oldToNew[pendingAt_]));
        if (!(fresh_[done_].content == pending_[pendingAt_].content)) {
            changed.push_back(static_cast<int>(done_));
        }
        ++done_;
        ++pendingAt_;
    }
    insertUpTo(newCount);
    applying_ = false;
    rows_ = std::move(fresh_);
    fresh_.clear();
    spare_ = std::move(pending_);
    pending_.clear();
    pendingAt_ = 0;
    done_ = 0;
    previousSats_.clear();
    oldToNew_ = std::move(oldToNew);
    announce(changed);
}

void PassListModel::announce(const std::vector<int>& changed)
{
    for (std::size_t i = 0; i < changed.size();) {
        std::size_t end = i + 1;
        while (end < changed.size() && changed[end] == changed[end - 1] + 1) {
            ++end;
        }
        emit dataChanged(index(changed[i]), index(changed[end - 1]));
        i = end;
    }
}

int PassListModel::rowAfterLastRefresh(int oldRow) const
{
    if (oldRow < 0 || static_cast<std::size_t>(oldRow) >= oldToNew_.size()) {
        return -1;
    }
    return oldToNew_[static_cast<std::size_t>(oldRow)];
}

const PassListModel::Row& PassListModel::rowAt(int row) const
{
    const auto r = static_cast<std::size_t>(row);
    if (!applying_) {
        return rows_[r];
    }
    return r < done_ ? fresh_[r] : pending_[pendingAt_ + (r - done_)];
}

const PassRowContent& PassListModel::contentAt(int row) const
{
    return rowAt(row).content;
}

const std::shared_ptr<Satellite>& PassListModel::satelliteAt(int row) const
{
    const bool old = applying_ && static_cast<std::size_t>(row) >= done_;
    return (old ? previousSats_ : sources_.sats)[rowAt(row).sat].sat;
}

const PredictedPass* PassListModel::passAt(int row) const
{
    const Row& r = rowAt(row);
    const std::shared_ptr<Satellite>& sat = satelliteAt(row);
    if (!sat) {
        return nullptr;
    }
    const auto& passes = sat->passes;
    const auto matches = [&](const PredictedPass& pass) {
        return passTimesOverlap(pass.riseTime, pass.setTime, r.content.rise, r.content.set);
    };
    // Where it stood when the row was built, unless the state has moved on.
    if (r.passIndex < passes.size() && matches(passes[r.passIndex])) {
        return &passes[r.passIndex];
    }
    const auto found = std::find_if(passes.begin(), passes.end(), matches);
    return found == passes.end() ? nullptr : &*found;
}

std::optional<Date> PassListModel::nextClockChange(int first, int last, Date now) const
{
    std::int64_t soonest = std::numeric_limits<std::int64_t>::max();
    const int count = rowCount();
    for (int i = std::max(first, 0); i <= last && i < count; ++i) {
        soonest = std::min(soonest, clockValidUntil(rowAt(i).content, now));
    }
    if (soonest == std::numeric_limits<std::int64_t>::max()) {
        return std::nullopt;
    }
    return Date::fromNanosecondsSince1970(soonest);
}

int PassListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid()) {
        return 0;
    }
    if (!applying_) {
        return static_cast<int>(rows_.size());
    }
    return static_cast<int>(done_ + (pending_.size() - pendingAt_));
}

QVariant PassListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const PassRowContent& c = contentAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(c.name);
    case Qt::ToolTipRole:
        return {};
    case SatelliteIdRole:
        return QVariant::fromValue<qint64>(c.satelliteId);
    case RelativeTextRole:
        return QString::fromStdString(PassRow::relativeTimeText(c.minutesToRise));
    case SelectedRole:
        return c.selected;
    case QueuedRole:
        return c.queued;
    case InProgressRole:
        return c.inProgress;
    case NextRole:
        return c.next;
    default:
        return {};
    }
}

Qt::ItemFlags PassListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

} // namespace zelvane
