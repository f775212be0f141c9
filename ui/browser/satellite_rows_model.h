#pragma once

// The catalogue as list rows for the browser's groups, its tracked list and
// the quick list. The rows hold only references to the entries; what a row
// shows is read from its entry when the row is drawn, so only rows in view
// cost anything. A refresh compares what each row shows with what it showed
// and announces only the rows that differ.

#include <QAbstractListModel>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ui/browser/browser_model.h"

namespace zelvane {

class AppState;

namespace browser {

// Brings the given entries to the wanted selection in one step (see
// AppState::setSatellitesSelected): one notice, one save, one pass
// computation, and nothing at all when none differs.
void setSelection(AppState& state, const SatelliteList& sats,
                  const std::function<bool(const Satellite&)>& wanted);

enum class RowKind {
    groupHeader, // a category group of the browser
    browserRow,  // a satellite inside a browser group
    trackedRow,  // a satellite of the browser's tracked list
    quickRow,    // a satellite of the quick list
};

class SatelliteRowsModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        KindRole = Qt::UserRole + 1, // RowKind as int
        SatelliteIdRole,             // catalogue number (rows)
        GroupKeyRole,                // the group's key (headers and browser rows)
        DotColorRole,                // QColor
        NameBoldRole,                // bool: semibold name
        NumberTextRole,              // "25544" / "NORAD 25544"
        AgeTextRole,                 // element-set age, empty without one
        AgeColorRole,                // QColor, invalid without an age
        TxTextRole,                  // "2tx" / "2 TX", empty without transmitters
        PassTextRole,                // "1 passes", empty without passes
        DownlinkTextRole,            // primary downlink, empty without one
        DownlinkColorRole,           // QColor
        MemberCountTextRole,         // headers: "(12)"
        SelectedCountTextRole,       // headers: "· 3 selected", empty at 0
        ExpandedRole,                // headers: bool
        SubscribedRole,              // headers: bool
        HasSwitchRole,               // headers: the subscription switch is shown
        HasClearRole,                // headers: the imported group's "Clear"
    };

    // The kind of satellite row this model lists; a browser-row model also
    // lists group headers.
    explicit SatelliteRowsModel(RowKind rowKind, QObject* parent = nullptr);

    RowKind rowKind() const { return rowKind_; }

    // Groups with their headers, and the rows of the expanded ones.
    void setGroups(std::vector<CategoryGroup> groups, const std::set<std::string>& expanded,
                   const std::set<std::string>& subscribed);
    // One row per entry, in the given order.
    void setSatellites(const SatelliteList& sats);
    // Re-reads selection, transmitters and passes of the listed entries and
    // the groups' selected counts; announces the rows that changed.
    void refreshRows();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    RowKind kindAt(int row) const;
    std::shared_ptr<Satellite> satelliteAt(int row) const;
    // The group members of a header row (empty for other rows).
    SatelliteList groupMembersAt(int row) const;
    std::string groupKeyAt(int row) const;
    // The row of a satellite (inside the given group in the browser), or
    // of a group header; -1 when not listed.
    int rowOfSatellite(std::int64_t id, const std::string& groupKey = {}) const;
    int rowOfGroup(const std::string& key) const;

private:
    struct Group {
        std::string key;
        std::string label;
        SatelliteList sats;
        std::size_t selected = 0;
        bool expanded = false;
        bool subscribed = false;
    };
    // What a row shows, compared by value to announce only rows that changed.
    struct RowStamp {
        std::string label;
        std::size_t members = 0;
        std::size_t selected = 0;
        bool expanded = false;
        bool subscribed = false;
        bool satelliteSelected = false;
        std::vector<Transmitter> transmitters;
        std::size_t passes = 0;
        std::string age; // follows the clock
        bool operator==(const RowStamp&) const = default;
    };
    struct Entry {
        RowKind kind;
        std::shared_ptr<Satellite> sat; // rows
        int group = -1;                 // headers and browser rows
        RowStamp stamp;                 // what the row showed when last announced
    };

    RowStamp stampOf(const Entry& entry) const;
    void applyEntries(std::vector<Entry> entries, std::vector<Group> groups);
    bool sameRow(const Entry& a, const std::vector<Group>& aGroups, const Entry& b,
                 const std::vector<Group>& bGroups) const;
    const Entry* entry(const QModelIndex& index) const;

    RowKind rowKind_;
    std::vector<Group> groups_;
    std::vector<Entry> entries_;
};

} // namespace browser
} // namespace zelvane
