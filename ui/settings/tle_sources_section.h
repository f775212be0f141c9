#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QGroupBox>

#include "elements/user_tle_source.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace zelvane {

class AppState;
class DisclosureGroup;

// The settings sheet's "TLE Sources" section: the age of the loaded element
// sets with "Refresh Now", the built-in categories by section, and the
// user's own sources (stored, toggled, added, removed, or added from a
// preset). Every change here reaches the state at once; "Cancel" undoes
// none of it.
class TleSourcesSection : public QGroupBox {
    Q_OBJECT
public:
    explicit TleSourcesSection(std::shared_ptr<AppState> state, QWidget* parent = nullptr);

    static std::vector<std::string> uniqueSections();
    void removeUserSource(const UserTLESource& source);
    void addNewUserSource();
    void addPreset(const UserTLESource& preset);
    const std::vector<UserTLESource>& userSources() const { return userSources_; }

    // A fresh presentation: the new-source fields and the message emptied,
    // every group collapsed, the stored sources read again.
    void loadSettings();
    // Shows the state's element-set age and subscriptions.
    void refreshFromState();

private:
    DisclosureGroup* categorySectionDisclosure(const std::string& section);
    DisclosureGroup* customURLSection();

    void showSourceMessage(const QString& text);
    // Explains and returns true when the source would share a stored
    // source's key while having another address.
    bool refuseSharedKey(const UserTLESource& source);
    void reloadUserSources();
    void rebuildUserSourceRows();
    // A category or source ticked or unticked: subscribed or not, and the
    // catalogue loaded again.
    void setSubscribed(const std::string& key, bool on);
    void updateAddButton();

    std::shared_ptr<AppState> state_;
    std::vector<UserTLESource> userSources_;

    QLabel* ageLabel_ = nullptr;
    std::vector<DisclosureGroup*> sectionGroups_;
    std::map<std::string, QCheckBox*> categoryToggles_;
    std::map<std::string, QLabel*> sectionCounts_;
    DisclosureGroup* customGroup_ = nullptr;
    QLabel* customCount_ = nullptr;
    QWidget* userRowsBox_ = nullptr;
    QVBoxLayout* userRowsLayout_ = nullptr;
    std::vector<std::pair<std::string, QCheckBox*>> userSourceToggles_; // key, toggle
    QLineEdit* newSourceNameField_ = nullptr;
    QLineEdit* newSourceUrlField_ = nullptr;
    QPushButton* addSourceButton_ = nullptr;
    QLabel* sourceMessage_ = nullptr;
    std::vector<std::pair<UserTLESource, QPushButton*>> presetButtons_;
};

} // namespace zelvane
