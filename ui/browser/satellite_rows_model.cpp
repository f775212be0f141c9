#include "ui/browser/satellite_rows_model.h"

#include <algorithm>
#include <map>
#include <utility>

#include "catalog/satellite.h"
#include "state/app_state.h"
#include "ui/browser/browser_style.h"

namespace zelvane::browser {

void setSelection(AppState& state, const SatelliteList& sats,
                  const std::function<bool(const Satellite&)>& wanted)
{
    std::map<std::int64_t, bool> wishes;
    for (const auto& sat : sats) {
        wishes[sat->id] = wanted(*sat);
    }
    state.setSatellitesSelected(wishes);
}

namespace {

QString countText(std::size_t n) { return qs(idText(static_cast<std::int64_t>(n))); }

bool isSatelliteRow(RowKind kind) { return kind != RowKind::groupHeader; }

} // namespace

SatelliteRowsModel::SatelliteRowsModel(RowKind rowKind, QObject* parent)
    : QAbstractListModel(parent), rowKind_(rowKind)
{
}

void SatelliteRowsModel::setGroups(std::vector<CategoryGroup> groups,
                                   const std::set<std::string>& expanded,
                                   const std::set<std::string>& subscribed)
{
    std::vector<Group> newGroups;
    newGroups.reserve(groups.size());
    std::vector<Entry> entries;
    for (auto& g : groups) {
        Group group;
        group.key = std::move(g.key);
        group.label = std::move(g.label);
        group.sats = std::move(g.sats);
        group.selected = selectedCount(group.sats);
        group.expanded = expanded.contains(group.key);
        group.subscribed = subscribed.contains(group.key);
        const int index = static_cast<int>(newGroups.size());
        entries.push_back(Entry{RowKind::groupHeader, nullptr, index, {}});
        if (group.expanded) {
            for (const auto& sat : group.sats) {
                entries.push_back(Entry{rowKind_, sat, index, {}});
            }
        }
        newGroups.push_back(std::move(group));
    }
    applyEntries(std::move(entries), std::move(newGroups));
}

void SatelliteRowsModel::setSatellites(const SatelliteList& sats)
{
    std::vector<Entry> entries;
    entries.reserve(sats.size());
    for (const auto& sat : sats) {
        entries.push_back(Entry{rowKind_, sat, -1, {}});
    }
    applyEntries(std::move(entries), {});
}

SatelliteRowsModel::RowStamp SatelliteRowsModel::stampOf(const Entry& e) const
{
    RowStamp stamp;
    if (e.kind == RowKind::groupHeader) {
        const Group& g = groups_[static_cast<std::size_t>(e.group)];
        stamp.label = g.label;
        stamp.members = g.sats.size();
        stamp.selected = g.selected;
        stamp.expanded = g.expanded;
        stamp.subscribed = g.subscribed;
        return stamp;
    }
    stamp.satelliteSelected = e.sat->isSelected();
    stamp.transmitters = e.sat->transmitters;
    stamp.passes = e.sat->passes.size();
    if (e.kind == RowKind::browserRow && e.sat->tle) {
        stamp.age = e.sat->tle->ageString();
    }
    return stamp;
}

bool SatelliteRowsModel::sameRow(const Entry& a, const std::vector<Group>& aGroups, const Entry& b,
                                 const std::vector<Group>& bGroups) const
{
    if (a.kind != b.kind || a.sat != b.sat) {
        return false;
    }
    if (a.group < 0 || b.group < 0) {
        return a.group == b.group;
    }
    return aGroups[static_cast<std::size_t>(a.group)].key ==
           bGroups[static_cast<std::size_t>(b.group)].key;
}

void SatelliteRowsModel::applyEntries(std::vector<Entry> entries, std::vector<Group> groups)
{
    // Rows that stay where they were keep their views; only the run that
    // differs in the middle is inserted, removed or, when it was replaced,
    // the whole list is announced anew.
    const std::size_t oldCount = entries_.size();
    const std::size_t newCount = entries.size();
    std::size_t prefix = 0;
    while (prefix < oldCount && prefix < newCount &&
           sameRow(entries_[prefix], groups_, entries[prefix], groups)) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix &&
           sameRow(entries_[oldCount - 1 - suffix], groups_, entries[newCount - 1 - suffix], groups)) {
        ++suffix;
    }
    const std::size_t oldMiddle = oldCount - prefix - suffix;
    const std::size_t newMiddle = newCount - prefix - suffix;

    // What the kept rows showed, to announce those whose content changed.
    std::vector<RowStamp> oldStamps;
    oldStamps.reserve(prefix + suffix);
    for (std::size_t i = 0; i < prefix; ++i) {
        oldStamps.push_back(entries_[i].stamp);
    }
    for (std::size_t i = oldCount - suffix; i < oldCount; ++i) {
        oldStamps.push_back(entries_[i].stamp);
    }

    const auto install = [&] {
        entries_ = std::move(entries);
        groups_ = std::move(groups);
        for (auto& e : entries_) {
            e.stamp = stampOf(e);
        }
    };
    const int first = static_cast<int>(prefix);
    bool reset = false;
    if (oldMiddle == 0 && newMiddle == 0) {
        install();
    } else if (oldMiddle == 0) {
        beginInsertRows({}, first, first + static_cast<int>(newMiddle) - 1);
        install();
        endInsertRows();
    } else if (newMiddle == 0) {
        beginRemoveRows({}, first, first + static_cast<int>(oldMiddle) - 1);
        install();
        endRemoveRows();
    } else {
        beginResetModel();
        install();
        endResetModel();
        reset = true;
    }
    if (reset) {
        return;
    }

    // Kept rows: announce the runs whose content differs.
    int runStart = -1;
    const auto flush = [&](int endRow) {
        if (runStart >= 0) {
            emit dataChanged(index(runStart), index(endRow));
            runStart = -1;
        }
    };
    std::size_t k = 0;
    for (std::size_t i = 0; i < prefix; ++i, ++k) {
        if (entries_[i].stamp != oldStamps[k]) {
            if (runStart < 0) {
                runStart = static_cast<int>(i);
            }
        } else {
            flush(static_cast<int>(i) - 1);
        }
    }
    flush(static_cast<int>(prefix) - 1);
    for (std::size_t i = newCount - suffix; i < newCount; ++i, ++k) {
        if (entries_[i].stamp != oldStamps[k]) {
            if (runStart < 0) {
                runStart = static_cast<int>(i);
            }
        } else {
            flush(static_cast<int>(i) - 1);
        }
    }
    flush(static_cast<int>(newCount) - 1);
}

void SatelliteRowsModel::refreshRows()
{
    for (auto& group : groups_) {
        group.selected = selectedCount(group.sats);
    }
    int runStart = -1;
    const int count = static_cast<int>(entries_.size());
    for (int i = 0; i < count; ++i) {
        Entry& e = entries_[static_cast<std::size_t>(i)];
        RowStamp stamp = stampOf(e);
        if (stamp != e.stamp) {
            e.stamp = std::move(stamp);
            if (runStart < 0) {
                runStart = i;
            }
        } else if (runStart >= 0) {
            emit dataChanged(index(runStart), index(i - 1));
            runStart = -1;
        }
    }
    if (runStart >= 0) {
        emit dataChanged(index(runStart), index(count - 1));
    }
}

int SatelliteRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

Qt::ItemFlags SatelliteRowsModel::flags(const QModelIndex& index) const
{
    // Rows are not selectable as list rows: only their controls act.
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

const SatelliteRowsModel::Entry* SatelliteRowsModel::entry(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= static_cast<int>(entries_.size())) {
        return nullptr;
    }
    return &entries_[static_cast<std::size_t>(index.row())];
}

QVariant SatelliteRowsModel::data(const QModelIndex& index, int role) const
{
    const Entry* e = entry(index);
    if (!e) {
        return {};
    }
    if (role == KindRole) {
        return static_cast<int>(e->kind);
    }
    if (e->kind == RowKind::groupHeader) {
        const Group& g = groups_[static_cast<std::size_t>(e->group)];
        switch (role) {
        case Qt::DisplayRole:
            return qs(g.label);
        case GroupKeyRole:
            return qs(g.key);
        case MemberCountTextRole:
            return "(" + countText(g.sats.size()) + ")";
        case SelectedCountTextRole:
            return g.selected > 0 ? QStringLiteral("· ") + countText(g.selected) + " selected"
                                  : QString();
        case ExpandedRole:
            return g.expanded;
        case SubscribedRole:
            return g.subscribed;
        case HasSwitchRole:
            return g.key != "custom" && g.key != "uncategorized" && g.key != "celestial";
        case HasClearRole:
            return g.key == "custom";
        default:
            return {};
        }
    }

    const Satellite& sat = *e->sat;
    const bool selected = sat.isSelected();
    const bool browser = e->kind == RowKind::browserRow;
    const bool quick = e->kind == RowKind::quickRow;
    switch (role) {
    case Qt::DisplayRole:
        return qs(sat.name);
    case Qt::CheckStateRole:
        return selected ? Qt::Checked : Qt::Unchecked;
    case SatelliteIdRole:
        return QVariant::fromValue<qlonglong>(sat.id);
    case GroupKeyRole:
        return e->group >= 0 ? qs(groups_[static_cast<std::size_t>(e->group)].key) : QString();
    case DotColorRole:
        if (e->kind == RowKind::trackedRow || selected) {
            return satelliteColor(sat.id);
        }
        return colors::gray(0.3);
    case NameBoldRole:
        return browser && selected;
    case NumberTextRole:
        return quick ? "NORAD " + qs(idText(sat.id)) : qs(idText(sat.id));
    case AgeTextRole:
    case AgeColorRole: {
        const std::optional<double> age = sat.tle ? sat.tle->ageDays() : std::nullopt;
        if (!browser || !age) {
            return role == AgeTextRole ? QVariant(QString()) : QVariant(QColor());
        }
        return role == AgeTextRole ? QVariant(qs(sat.tle->ageString()))
                                   : QVariant(withAlpha(tintColor(rowAgeTint(*age)), 0.8));
    }
    case TxTextRole:
        if (sat.transmitters.empty()) {
            return QString();
        }
        return countText(sat.transmitters.size()) + (quick ? " TX" : "tx");
    case PassTextRole:
        return quick && !sat.passes.empty() ? countText(sat.passes.size()) + " passes" : QString();
    case DownlinkTextRole: {
        const auto downlink = sat.primaryDownlink();
        return downlink ? qs(downlink->displayFreqMHz()) : QString();
    }
    case DownlinkColorRole:
        return quick ? colors::cyan() : colors::cyan(selected ? 1.0 : 0.5);
    case Qt::BackgroundRole:
        // A faint lift of the selected rows.
        return browser && selected ? QVariant(QColor(255, 255, 255, 10)) : QVariant();
    default:
        return {};
    }
}

RowKind SatelliteRowsModel::kindAt(int row) const
{
    return entries_.at(static_cast<std::size_t>(row)).kind;
}

std::shared_ptr<Satellite> SatelliteRowsModel::satelliteAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(entries_.size())) {
        return nullptr;
    }
    return entries_[static_cast<std::size_t>(row)].sat;
}

SatelliteList SatelliteRowsModel::groupMembersAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(entries_.size())) {
        return {};
    }
    const Entry& e = entries_[static_cast<std::size_t>(row)];
    if (e.kind != RowKind::groupHeader) {
        return {};
    }
    return groups_[static_cast<std::size_t>(e.group)].sats;
}

std::string SatelliteRowsModel::groupKeyAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(entries_.size())) {
        return {};
    }
    const Entry& e = entries_[static_cast<std::size_t>(row)];
    return e.group >= 0 ? groups_[static_cast<std::size_t>(e.group)].key : std::string();
}

int SatelliteRowsModel::rowOfSatellite(std::int64_t id, const std::string& groupKey) const
{
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (!isSatelliteRow(e.kind) || e.sat->id != id) {
            continue;
        }
        if (groupKey.empty() ||
            (e.group >= 0 && groups_[static_cast<std::size_t>(e.group)].key == groupKey)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int SatelliteRowsModel::rowOfGroup(const std::string& key) const
{
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (e.kind == RowKind::groupHeader && groups_[static_cast<std::size_t>(e.group)].key == key) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace zelvane::browser
