#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "elements/user_tle_source.h"
#include "platform/location_service.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QTimer;

namespace zelvane {

class AppState;
class TleSourcesSection;

// The settings sheet: observer sites, rig link, SAT_PROTO and Doppler
// output, element-set sources, auto-tracking and display.
//
// The first site's latitude, longitude and altitude, the rig host and port
// and the Doppler rate are text copies that reach the state only through
// applySettings() ("Apply"); every other control changes the state at once,
// and "Cancel" undoes none of that. The copies are filled from the state
// each time the sheet is shown (or by loadSettings()).
class SettingsView : public QDialog {
    Q_OBJECT
public:
    using LocationProvider = std::function<std::optional<platform::LocationFix>()>;

    explicit SettingsView(std::shared_ptr<AppState> state, QWidget* parent = nullptr);
    ~SettingsView() override;

    // Writes the text copies (site, host, port, rate) to the state,
    // recomputes the locator and the passes. When any copy does not read,
    // or names no place on the globe or no port, nothing is written: each
    // such copy, and nothing else, is named in the sheet's message line,
    // false is returned and "Apply" keeps the sheet open.
    bool applySettings();

    // What the sheet's message line says (empty when nothing is wrong).
    QString message() const;

    // Starts a fresh presentation: every field filled from the state, the
    // new-source fields emptied, every group collapsed.
    void loadSettings();

    // Fills latitude, longitude and altitude from the location service's
    // last known position, when there is one.
    void requestLocation();

    // Element-set sources: the built-in sections, and the user's sources
    // as stored when last read.
    static std::vector<std::string> uniqueSections();
    const std::vector<UserTLESource>& userSources() const;

    // The sheet is 520 by 760 where the screen has room for it; on a lower
    // screen it is as tall as the screen allows (its form scrolls, its
    // button row stays in view), never lower than 320.
    static constexpr int kSheetWidth = 520;
    static constexpr int kSheetHeight = 760;
    static constexpr int kLeastSheetHeight = 320;
    static QSize sheetSize(QSize available);
    // Sizes the sheet for a screen's available area.
    void fitScreen(const QRect& available);

    // Where "Use My Location" asks; the platform's location service unless
    // replaced.
    void setLocationProvider(LocationProvider provider);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    QWidget* buildObserverSection();
    QWidget* buildSecondObserverSection();
    QWidget* buildRigSection();
    QWidget* buildSatProtoSection();
    QWidget* buildDopplerSection();
    QWidget* buildAutoTrackingSection();
    QWidget* buildDisplaySection();
    QWidget* buildTimelineSection();

    void setMessage(const std::string& key, const std::string& text);
    void fromGrid();
    void fromGridSecondSite();
    void secondLatitudeEdited(const QString& text);
    void secondLongitudeEdited(const QString& text);
    void scheduleRefresh();
    void refreshFromState();

    std::shared_ptr<AppState> state_;
    std::uint64_t observerId_ = 0;
    QTimer* refreshTimer_ = nullptr;
    LocationProvider locationProvider_;
    bool flagSeenWhileShown_ = false;

    // The message line under the form: what "Apply", "From Grid" or a
    // second-site field could not take, by the key of what said it.
    QLabel* messageLabel_ = nullptr;
    std::map<std::string, std::string> messages_;

    // Observer sites.
    QLineEdit* obsNameField_ = nullptr;
    QLineEdit* latField_ = nullptr;
    QLineEdit* lonField_ = nullptr;
    QLineEdit* altField_ = nullptr;
    QLineEdit* gridField_ = nullptr;
    QCheckBox* obs2EnabledToggle_ = nullptr;
    QLineEdit* obs2NameField_ = nullptr;
    QLineEdit* obs2LatField_ = nullptr;
    QLineEdit* obs2LonField_ = nullptr;
    QLineEdit* obs2GridField_ = nullptr;

    // Rig link and Doppler.
    QLineEdit* hostField_ = nullptr;
    QLineEdit* portField_ = nullptr;
    QCheckBox* autoConnectToggle_ = nullptr;
    QCheckBox* forceClassicToggle_ = nullptr;
    QRadioButton* patternA_ = nullptr;
    QRadioButton* patternB_ = nullptr;
    QLineEdit* rateField_ = nullptr;

    TleSourcesSection* tleSources_ = nullptr;

    // Auto-tracking, display, timeline.
    QSlider* minElevationSlider_ = nullptr;
    QLabel* minElevationReadout_ = nullptr;
    QCheckBox* bearingLineToggle_ = nullptr;
    QSlider* hoursSlider_ = nullptr;
    QLabel* hoursReadout_ = nullptr;
};

} // namespace zelvane
