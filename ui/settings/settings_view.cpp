#include "ui/settings/settings_view.h"

#include <algorithm>
#include <cmath>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QTimer>
#include <QValidator>
#include <QVBoxLayout>

#include "orbital/numeric_text.h"
#include "state/app_state.h"
#include "ui/settings/settings_rules.h"
#include "ui/settings/sheet_widgets.h"
#include "ui/settings/tle_sources_section.h"
#include "ui/style/ui_style.h"

namespace zelvane {
namespace {

constexpr int kMinElevationLow = 0;
constexpr int kMinElevationHigh = 30;
constexpr int kHoursLow = 2;
constexpr int kHoursHigh = 48;
constexpr int kPresetRates[] = {1, 5, 10, 20, 50};

using sheet::button;
using sheet::makeSecondary;
using sheet::monoFont;
using sheet::plain;
using sheet::qs;
using sheet::setCheckedQuietly;
using sheet::setTextColor;
using sheet::ss;

const QColor kRed = ui_style::colors::red();

// A field that shows its placeholder while empty, in the 12-point
// monospaced font.
QLineEdit* textField(const QString& objectName, const QString& placeholder, int width)
{
    auto* field = new QLineEdit;
    field->setObjectName(objectName);
    field->setPlaceholderText(placeholder);
    field->setFont(monoFont(12));
    field->setFixedWidth(width);
    return field;
}

// Holds a field to as many characters as the state keeps. A character
// outside the Basic Multilingual Plane is two UTF-16 units, so the field's
// own length limit would both stop short of the state's and cut such a
// character in half.
class CharacterLimit : public QValidator {
public:
    CharacterLimit(std::size_t limit, QObject* parent) : QValidator(parent), limit_(limit) {}

    State validate(QString& text, int& cursor) const override
    {
        qsizetype at = 0;
        for (std::size_t kept = 0; kept < limit_ && at < text.size(); ++kept) {
            const bool pair = text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate();
            at += pair ? 2 : 1;
        }
        if (at < text.size()) {
            text.truncate(at);
            cursor = std::min(cursor, static_cast<int>(at));
        }
        return Acceptable;
    }

private:
    std::size_t limit_;
};

void limitCharacters(QLineEdit* field, std::size_t limit)
{
    // Twice the characters in UTF-16 units: a long paste is cut cheaply
    // before the characters are counted.
    field->setMaxLength(static_cast<int>(2 * limit));
    field->setValidator(new CharacterLimit(limit, field));
}

QLineEdit* coordField(const QString& objectName, const QString& placeholder)
{
    return textField(objectName, placeholder, 140);
}

QWidget* row(QLayout* layout)
{
    auto* w = new QWidget;
    layout->setContentsMargins(0, 0, 0, 0);
    w->setLayout(layout);
    return w;
}

QGroupBox* section(const QString& title, QLayout* content)
{
    auto* box = new QGroupBox(title);
    box->setLayout(content);
    return box;
}

QFormLayout* formLayout()
{
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    return form;
}

struct SliderRow {
    QSlider* slider;
    QLabel* readout;
    QWidget* widget;
};

// A whole-number slider with its value read out beside it; the read-out is
// fixed in width so the slider does not jump as the digits change.
SliderRow sliderRow(const QString& sliderName, const QString& readoutName, int low, int high)
{
    auto* layout = new QHBoxLayout;
    layout->setSpacing(8);
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(sliderName);
    slider->setRange(low, high);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    layout->addWidget(slider, 1);
    auto* readout = new QLabel;
    readout->setObjectName(readoutName);
    readout->setFont(monoFont(11));
    readout->setFixedWidth(30);
    readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(readout);
    return {slider, readout, row(layout)};
}

QString coordinateText(double value)
{
    return qs(formatFixed(value, 6));
}

int sliderPosition(double value, int low, int high)
{
    if (!std::isfinite(value)) {
        return low;
    }
    return static_cast<int>(std::lround(std::clamp(value, double(low), double(high))));
}

void setTextQuietly(QLineEdit* field, const QString& text)
{
    if (field->text() != text) {
        const QSignalBlocker blocker(field);
        field->setText(text);
    }
}

} // namespace

SettingsView::SettingsView(std::shared_ptr<AppState> state, QWidget* parent)
    : QDialog(parent), state_(std::move(state)),
      locationProvider_([] { return platform::LocationService::lastKnownLocation(); })
{
    setObjectName("settingsView");
    setWindowTitle("Settings");
    setWindowModality(Qt::WindowModal);
    fitScreen(screen() != nullptr ? screen()->availableGeometry() : QRect(0, 0, 1920, 1080));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(12, 12, 12, 12);
    auto* title = new QLabel("Settings");
    title->setFont(monoFont(14, QFont::Bold));
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    outer->addLayout(titleRow);

    auto* formBody = new QWidget;
    auto* sections = new QVBoxLayout(formBody);
    sections->setContentsMargins(12, 0, 12, 0);
    sections->addWidget(buildObserverSection());
    sections->addWidget(buildSecondObserverSection());
    sections->addWidget(buildRigSection());
    sections->addWidget(buildSatProtoSection());
    sections->addWidget(buildDopplerSection());
    tleSources_ = new TleSourcesSection(state_);
    sections->addWidget(tleSources_);
    sections->addWidget(buildAutoTrackingSection());
    sections->addWidget(buildDisplaySection());
    sections->addWidget(buildTimelineSection());
    sections->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setObjectName("settingsForm");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(formBody);
    outer->addWidget(scroll, 1);

    messageLabel_ = new QLabel;
    messageLabel_->setObjectName("settingsMessage");
    messageLabel_->setWordWrap(true);
    messageLabel_->setFont(plain(11));
    messageLabel_->setContentsMargins(12, 8, 12, 0);
    setTextColor(messageLabel_, kRed);
    messageLabel_->hide();
    outer->addWidget(messageLabel_);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 12, 12, 12);
    auto* cancel = button("cancelButton", "Cancel");
    auto* apply = new QPushButton("Apply");
    apply->setObjectName("applyButton");
    apply->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    buttons->addWidget(apply);
    outer->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply, &QPushButton::clicked, this, [this] {
        if (applySettings()) {
            accept();
        }
    });

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(0);
    connect(refreshTimer_, &QTimer::timeout, this, &SettingsView::refreshFromState);
    // The notice comes before the value is stored: read the state on the
    // next turn of the event loop.
    observerId_ = state_->objectWillChange.connect([this] { scheduleRefresh(); });
    refreshFromState();
}

SettingsView::~SettingsView()
{
    state_->objectWillChange.disconnect(observerId_);
}

void SettingsView::setLocationProvider(LocationProvider provider)
{
    locationProvider_ = std::move(provider);
}

// --- sections -----------------------------------------------------------------

QWidget* SettingsView::buildObserverSection()
{
    auto* form = formLayout();
    obsNameField_ = textField("obsNameField", "Home", 200);
    limitCharacters(obsNameField_, AppState::kMaxSiteNameLength);
    connect(obsNameField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { state_->setObsName(ss(text)); });
    form->addRow("Name", obsNameField_);

    latField_ = coordField("latitudeField", "33.87");
    form->addRow("Latitude", latField_);
    lonField_ = coordField("longitudeField", "-84.34");
    form->addRow("Longitude", lonField_);

    auto* altRow = new QHBoxLayout;
    altRow->setSpacing(4);
    altField_ = coordField("altitudeField", "300");
    altRow->addWidget(altField_);
    auto* metres = new QLabel("m");
    makeSecondary(metres);
    altRow->addWidget(metres);
    altRow->addStretch(1);
    form->addRow("Altitude", row(altRow));

    auto* gridRow = new QHBoxLayout;
    gridRow->setSpacing(6);
    gridField_ = coordField("gridField", "EM73");
    // What "From Grid" said was about the text it read: another text has
    // not been tried yet.
    connect(gridField_, &QLineEdit::textChanged, this, [this] { setMessage("grid", {}); });
    gridRow->addWidget(gridField_);
    auto* fromGridButton = button("fromGridButton", "From Grid");
    connect(fromGridButton, &QPushButton::clicked, this, &SettingsView::fromGrid);
    gridRow->addWidget(fromGridButton);
    gridRow->addStretch(1);
    form->addRow("Grid", row(gridRow));

    auto* locate = button("useMyLocationButton", "Use My Location");
    connect(locate, &QPushButton::clicked, this, &SettingsView::requestLocation);
    form->addRow("", locate);
    return section("Observer Location", form);
}

QWidget* SettingsView::buildSecondObserverSection()
{
    auto* form = formLayout();
    obs2EnabledToggle_ = new QCheckBox("Show second site on map");
    obs2EnabledToggle_->setObjectName("obs2EnabledToggle");
    connect(obs2EnabledToggle_, &QCheckBox::clicked, this,
            [this](bool on) { state_->setObs2Enabled(on); });
    form->addRow(obs2EnabledToggle_);

    obs2NameField_ = textField("obs2NameField", "Site 2", 200);
    limitCharacters(obs2NameField_, AppState::kMaxSiteNameLength);
    connect(obs2NameField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { state_->setObs2Name(ss(text)); });
    form->addRow("Name", obs2NameField_);

    // These run on every change of the text, the loader's and "From Grid"'s
    // included, so the stored position always matches what is shown.
    obs2LatField_ = coordField("obs2LatitudeField", "0.0");
    connect(obs2LatField_, &QLineEdit::textChanged, this, &SettingsView::secondLatitudeEdited);
    form->addRow("Latitude", obs2LatField_);
    obs2LonField_ = coordField("obs2LongitudeField", "0.0");
    connect(obs2LonField_, &QLineEdit::textChanged, this, &SettingsView::secondLongitudeEdited);
    form->addRow("Longitude", obs2LonField_);

    auto* gridRow = new QHBoxLayout;
    gridRow->setSpacing(6);
    obs2GridField_ = coordField("obs2GridField", "FN31pr");
    connect(obs2GridField_, &QLineEdit::textChanged, this, [this] { setMessage("obs2Grid", {}); });
    gridRow->addWidget(obs2GridField_);
    auto* fromGridButton = button("obs2FromGridButton", "From Grid");
    connect(fromGridButton, &QPushButton::clicked, this, &SettingsView::fromGridSecondSite);
    gridRow->addWidget(fromGridButton);
    gridRow->addStretch(1);
    form->addRow("Grid", row(gridRow));

    auto* caption = new QLabel("Future: covisibility / simultaneous-pass calculations.");
    caption->setFont(plain(11));
    makeSecondary(caption);
    form->addRow(caption);
    return section("Second Observer Location (optional)", form);
}

QWidget* SettingsView::buildRigSection()
{
    auto* form = formLayout();
    hostField_ = textField("hostField", "localhost", 200);
    limitCharacters(hostField_, AppState::kMaxRigHostLength);
    form->addRow("Host", hostField_);
    portField_ = textField("portField", "4532", 200);
    form->addRow("Port", portField_);

    autoConnectToggle_ = new QCheckBox("Auto-connect on launch");
    autoConnectToggle_->setObjectName("autoConnectToggle");
    connect(autoConnectToggle_, &QCheckBox::clicked, this,
            [this](bool on) { state_->setRigAutoConnect(on); });
    form->addRow(autoConnectToggle_);

    forceClassicToggle_ = new QCheckBox("Force Classic rigctld (disable SAT_PROTO)");
    forceClassicToggle_->setObjectName("forceClassicToggle");
    forceClassicToggle_->setToolTip(
        "Auto-detected by default. Toggle on to pin to legacy `set_freq` for debugging.");
    connect(forceClassicToggle_, &QCheckBox::clicked, this,
            [this](bool on) { state_->setForceClassicRigctld(on); });
    form->addRow(forceClassicToggle_);
    return section("Rig Control (rigctld)", form);
}

QWidget* SettingsView::buildSatProtoSection()
{
    auto* form = formLayout();
    auto* choices = new QVBoxLayout;
    choices->setSpacing(2);
    patternA_ = new QRadioButton(QString::fromUtf8("Transponder center \u2014 wideband SDR (A)"));
    patternA_->setObjectName("restPatternA");
    patternB_ = new QRadioButton(
        QString::fromUtf8("Selected RX freq + cal + RIT \u2014 narrow SDR / IC-9700 (B)"));
    patternB_->setObjectName("restPatternB");
    auto* group = new QButtonGroup(this);
    group->addButton(patternA_);
    group->addButton(patternB_);
    choices->addWidget(patternA_);
    choices->addWidget(patternB_);
    connect(patternA_, &QRadioButton::clicked, this,
            [this] { state_->setSatProtoRestPattern(SatProtoRestPattern::transponderCenter); });
    connect(patternB_, &QRadioButton::clicked, this,
            [this] { state_->setSatProtoRestPattern(SatProtoRestPattern::selectedDL); });
    // The choices' texts are long: they stand under their caption, across
    // the whole form, so the sheet keeps its width with any font family.
    form->addRow(new QLabel("rest_hz pattern"));
    form->addRow(row(choices));

    auto* explanation = new QLabel(QString::fromUtf8(
        "Pattern A: receiver parks at the spec-sheet centre; the bird's drift shows as the "
        "beacon's visible offset on the Corvesta waterfall. Cal / RIT / passband offset are "
        "STORED but NOT applied to rest_hz.\n"
        "Pattern B: receiver parks at the operator's chosen DL freq with transponder cal "
        "applied so the actual signal lands at the displayed centre. UL is computed via the "
        "same cal."));
    explanation->setObjectName("restPatternExplanation");
    explanation->setWordWrap(true);
    explanation->setFont(plain(11));
    makeSecondary(explanation);
    form->addRow(explanation);
    return section("SAT_PROTO Output", form);
}

QWidget* SettingsView::buildDopplerSection()
{
    auto* form = formLayout();
    auto* rateRow = new QHBoxLayout;
    rateRow->setSpacing(4);
    rateField_ = textField("updateRateField", "10", 80);
    rateRow->addWidget(rateField_);
    auto* hz = new QLabel("Hz");
    makeSecondary(hz);
    rateRow->addWidget(hz);
    auto* range = new QLabel(QString::fromUtf8("(1\u201350)"));
    range->setFont(plain(11));
    makeSecondary(range);
    rateRow->addWidget(range);
    rateRow->addStretch(1);
    form->addRow("Update Rate", row(rateRow));

    auto* presets = new QHBoxLayout;
    presets->setSpacing(6);
    for (const int rate : kPresetRates) {
        const QString text = QString::number(rate);
        auto* b = button("dopplerPreset" + text, text);
        b->setFont(monoFont(11));
        b->setFixedWidth(44);
        connect(b, &QPushButton::clicked, this, [this, text] { rateField_->setText(text); });
        presets->addWidget(b);
    }
    presets->addStretch(1);
    form->addRow("Presets", row(presets));
    return section("Doppler Output", form);
}

std::vector<std::string> SettingsView::uniqueSections()
{
    return TleSourcesSection::uniqueSections();
}

const std::vector<UserTLESource>& SettingsView::userSources() const
{
    return tleSources_->userSources();
}

QWidget* SettingsView::buildAutoTrackingSection()
{
    auto* form = formLayout();
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    const SliderRow elevation =
        sliderRow("minElevationSlider", "minElevationReadout", kMinElevationLow, kMinElevationHigh);
    minElevationSlider_ = elevation.slider;
    minElevationReadout_ = elevation.readout;
    connect(minElevationSlider_, &QSlider::valueChanged, this,
            [this](int value) { state_->setMinAutoTrackElevation(value); });
    form->addRow("Min elevation", elevation.widget);

    auto* caption = new QLabel(QString::fromUtf8(
        "Queued passes below this elevation are skipped automatically. 5\u00b0 is a reasonable "
        "default; raise it if your horizon is obstructed."));
    caption->setWordWrap(true);
    caption->setFont(plain(11));
    makeSecondary(caption);
    form->addRow(caption);
    return section("Auto-Tracking", form);
}

QWidget* SettingsView::buildDisplaySection()
{
    auto* form = formLayout();
    bearingLineToggle_ = new QCheckBox("Bearing line on polar plot");
    bearingLineToggle_->setObjectName("bearingLineToggle");
    bearingLineToggle_->setToolTip(
        "Draw a thin radial line from the polar plot's centre to the live satellite position. "
        "Off by default to keep the chart uncluttered.");
    connect(bearingLineToggle_, &QCheckBox::clicked, this,
            [this](bool on) { state_->setPolarBearingLine(on); });
    form->addRow(bearingLineToggle_);
    return section("Display", form);
}

QWidget* SettingsView::buildTimelineSection()
{
    auto* form = formLayout();
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    const SliderRow hours =
        sliderRow("visibleHoursSlider", "visibleHoursReadout", kHoursLow, kHoursHigh);
    hoursSlider_ = hours.slider;
    hoursReadout_ = hours.readout;
    connect(hoursSlider_, &QSlider::valueChanged, this,
            [this](int value) { state_->setTimelineHoursVisible(value); });
    form->addRow("Visible hours", hours.widget);
    return section("Timeline", form);
}

// --- loading and applying ----------------------------------------------------------

QSize SettingsView::sheetSize(QSize available)
{
    // The window frame's title bar and border, as desktops draw them.
    constexpr int kFrameAllowance = 40;
    return {std::min(kSheetWidth, available.width()),
            std::max(kLeastSheetHeight, std::min(kSheetHeight, available.height() - kFrameAllowance))};
}

void SettingsView::fitScreen(const QRect& available)
{
    setFixedSize(sheetSize(available.size()));
}

void SettingsView::showEvent(QShowEvent* event)
{
    if (QWidget* host = parentWidget(); host != nullptr && host->screen() != nullptr) {
        fitScreen(host->screen()->availableGeometry());
    } else if (screen() != nullptr) {
        fitScreen(screen()->availableGeometry());
    }
    if (!event->spontaneous()) {
        loadSettings();
    }
    QDialog::showEvent(event);
}

void SettingsView::loadSettings()
{
    // A fresh presentation: clear first, so that filling the second site's
    // fields always counts as a change and stores what they show.
    for (QLineEdit* field : {latField_, lonField_, altField_, gridField_, obs2LatField_,
                             obs2LonField_, obs2GridField_, hostField_, portField_, rateField_}) {
        field->clear();
    }

    latField_->setText(coordinateText(state_->obsLatitude()));
    lonField_->setText(coordinateText(state_->obsLongitude()));
    altField_->setText(qs(formatFixed(state_->obsAltitude(), 0)));
    gridField_->setText(qs(state_->gridLocator()));
    obs2LatField_->setText(coordinateText(state_->obs2Latitude()));
    obs2LonField_->setText(coordinateText(state_->obs2Longitude()));
    // Empty for a stored position the locator cannot express.
    obs2GridField_->setText(qs(AppState::toMaidenhead(state_->obs2Latitude(), state_->obs2Longitude())));
    hostField_->setText(qs(state_->rigHost()));
    portField_->setText(QString::number(state_->rigPort()));
    rateField_->setText(qs(formatFixed(state_->dopplerUpdateHz(), 0)));
    tleSources_->loadSettings();
    messages_.clear();
    setMessage({}, {});
    refreshFromState();
}

bool SettingsView::applySettings()
{
    // Every copy is read before anything is written: one that does not
    // read, or names no place on the globe or no port, is named in the
    // message line and nothing at all is stored, so no site the user never
    // typed reaches the passes and "Cancel" still leaves every setting as it
    // was. Coordinates the locator cannot express are refused like
    // unreadable text: they would otherwise drive pass prediction from
    // nowhere, and port 0 names no daemon at all.
    const std::string lat = ss(latField_->text());
    const std::string lon = ss(lonField_->text());
    const std::string alt = ss(altField_->text());
    const std::string port = ss(portField_->text());
    const std::string rate = ss(rateField_->text());
    std::string text;
    for (const auto& problem : {settings::coordinateProblem("Latitude", lat, 90.0),
                                settings::coordinateProblem("Longitude", lon, 180.0),
                                settings::numberProblem("Altitude", alt), settings::portProblem(port),
                                settings::rateProblem("Update Rate", rate)}) {
        if (problem) {
            text += (text.empty() ? "" : "\n") + *problem;
        }
    }
    // The message line then tells what this "Apply" could not take, and
    // nothing said earlier about fields it does not apply.
    messages_.clear();
    setMessage("apply", text);
    if (!text.empty()) {
        return false;
    }

    state_->setObsLatitude(*settings::readDecimal(lat));
    state_->setObsLongitude(*settings::readDecimal(lon));
    state_->setObsAltitude(*settings::readDecimal(alt));
    state_->setGridLocator(AppState::toMaidenhead(state_->obsLatitude(), state_->obsLongitude()));
    state_->setRigHost(ss(hostField_->text()));
    state_->setRigPort(*settings::readInteger(port));
    state_->updateDopplerRate(*settings::readDecimal(rate));
    state_->computeAllPasses();
    return true;
}

QString SettingsView::message() const
{
    return messageLabel_->text();
}

void SettingsView::setMessage(const std::string& key, const std::string& text)
{
    if (!key.empty()) {
        if (text.empty()) {
            messages_.erase(key);
        } else {
            messages_[key] = text;
        }
    }
    QString shown;
    for (const auto& [k, line] : messages_) {
        shown += (shown.isEmpty() ? "" : "\n") + qs(line);
    }
    messageLabel_->setText(shown);
    messageLabel_->setVisible(!shown.isEmpty());
}

void SettingsView::done(int result)
{
    QDialog::done(result);
    flagSeenWhileShown_ = false;
    if (state_->showSettings()) {
        state_->setShowSettings(false);
    }
}

// --- observer sites --------------------------------------------------------------------


void SettingsView::fromGrid()
{
    const std::string text = ss(gridField_->text());
    setMessage("grid", settings::locatorProblem("Grid", text).value_or(""));
    const auto position = settings::isValidLocator(text) ? AppState::fromMaidenhead(text) : std::nullopt;
    if (!position) {
        return;
    }
    latField_->setText(coordinateText(position->first));
    lonField_->setText(coordinateText(position->second));
}

void SettingsView::fromGridSecondSite()
{
    const std::string text = ss(obs2GridField_->text());
    setMessage("obs2Grid", settings::locatorProblem("Second site grid", text).value_or(""));
    const auto position = settings::isValidLocator(text) ? AppState::fromMaidenhead(text) : std::nullopt;
    if (!position) {
        return;
    }
    obs2LatField_->setText(coordinateText(position->first));
    obs2LonField_->setText(coordinateText(position->second));
    // Letters past the locator alphabet give positions off the globe; the
    // second site never stores one, so its locator can always be shown.
    if (settings::isUsableLatitude(position->first)) {
        state_->setObs2Latitude(position->first);
    }
    if (settings::isUsableLongitude(position->second)) {
        state_->setObs2Longitude(position->second);
    }
}

void SettingsView::secondLatitudeEdited(const QString& text)
{
    const auto problem = settings::coordinateProblem("Second site latitude", ss(text), 90.0);
    setMessage("obs2Lat", problem.value_or(""));
    if (!problem) {
        state_->setObs2Latitude(*settings::readDecimal(ss(text)));
    }
}

void SettingsView::secondLongitudeEdited(const QString& text)
{
    const auto problem = settings::coordinateProblem("Second site longitude", ss(text), 180.0);
    setMessage("obs2Lon", problem.value_or(""));
    if (!problem) {
        state_->setObs2Longitude(*settings::readDecimal(ss(text)));
    }
}

void SettingsView::requestLocation()
{
    const auto fix = locationProvider_ ? locationProvider_() : std::nullopt;
    if (!fix) {
        return;
    }
    latField_->setText(coordinateText(fix->latitude));
    lonField_->setText(coordinateText(fix->longitude));
    // A horizontal-only fix leaves the typed altitude alone rather than
    // writing "nan" into it.
    if (fix->altitudeMeters) {
        altField_->setText(qs(formatFixed(*fix->altitudeMeters, 0)));
    }
}

// --- following the state --------------------------------------------------------------

void SettingsView::scheduleRefresh()
{
    refreshTimer_->start();
}

void SettingsView::refreshFromState()
{
    if (isVisible()) {
        if (state_->showSettings()) {
            flagSeenWhileShown_ = true;
        } else if (flagSeenWhileShown_) {
            // Closed from elsewhere (the menu command toggles the flag).
            reject();
            return;
        }
    }

    if (obsNameField_->text() != qs(state_->obsName())) {
        setTextQuietly(obsNameField_, qs(state_->obsName()));
    }
    setTextQuietly(obs2NameField_, qs(state_->obs2Name()));
    setCheckedQuietly(obs2EnabledToggle_, state_->obs2Enabled());
    setCheckedQuietly(autoConnectToggle_, state_->rigAutoConnect());
    setCheckedQuietly(forceClassicToggle_, state_->forceClassicRigctld());
    const bool centre = state_->satProtoRestPattern() == SatProtoRestPattern::transponderCenter;
    setCheckedQuietly(centre ? patternA_ : patternB_, true);

    tleSources_->refreshFromState();

    {
        const QSignalBlocker blocker(minElevationSlider_);
        minElevationSlider_->setValue(
            sliderPosition(state_->minAutoTrackElevation(), kMinElevationLow, kMinElevationHigh));
    }
    minElevationReadout_->setText(qs(formatFixed(state_->minAutoTrackElevation(), 0)) + QChar(0x00B0));
    setCheckedQuietly(bearingLineToggle_, state_->polarBearingLine());
    {
        const QSignalBlocker blocker(hoursSlider_);
        hoursSlider_->setValue(sliderPosition(state_->timelineHoursVisible(), kHoursLow, kHoursHigh));
    }
    hoursReadout_->setText(qs(formatFixed(state_->timelineHoursVisible(), 0)) + "h");
}

} // namespace zelvane
