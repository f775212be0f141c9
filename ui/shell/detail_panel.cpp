#include "ui/shell/detail_panel.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "catalog/color_palette.h"
#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "rig/rig_protocol_mode.h"
#include "state/app_state.h"
#include "ui/shell/shell_format.h"
#include "ui/shell/shell_style.h"
#include "ui/shell/shell_widgets.h"
#include "ui/style/elided_label.h"
#include "ui/style/ui_style.h"
#include "ui/shell/state_observer.h"

namespace zelvane {

using namespace shell;

namespace {

constexpr int kPanelHeight = 240;
constexpr int kPassBlockWidth = 400;
constexpr int kRigColumnWidth = 320;
const QString kMinus = QStringLiteral("\u2212");

// A frameless view onto a column, scrolling only along `direction` and only
// when the column does not fit; across it the column follows the view.
QScrollArea* scrollable(QWidget* column, Qt::Orientation direction, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(direction == Qt::Horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(direction == Qt::Vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    area->setBackgroundRole(QPalette::Window);
    area->viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);
    area->setWidget(column);
    area->setMinimumSize(0, 0);
    return area;
}

QHBoxLayout* row(int spacing)
{
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QWidget* rowWidget(QWidget* parent, int spacing, QHBoxLayout** layoutOut)
{
    auto* widget = new QWidget(parent);
    auto* layout = row(spacing);
    widget->setLayout(layout);
    *layoutOut = layout;
    return widget;
}

// Caption with a larger value below it.
QWidget* detailItem(QWidget* parent, const QString& label, QLabel** valueOut, const QString& objectName)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* caption = makeLabel(label, monoFont(12, QFont::Medium), box);
    setTextColor(caption, secondaryColor(box));
    auto* value = makeLabel(QString(), monoFont(16, QFont::DemiBold), box);
    value->setObjectName(objectName);
    layout->addWidget(caption);
    layout->addWidget(value);
    *valueOut = value;
    return box;
}

QLabel* valueBox(QWidget* parent, const QString& objectName, const QColor& color)
{
    auto* label = makeLabel(QString(), monoFont(15), parent);
    label->setObjectName(objectName);
    // 100 wide where there is room; in a narrow window it gives up what a
    // signed figure with its unit ("-12345 Hz") does not need.
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-12345 Hz")));
    label->setMaximumWidth(100);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColor(label, color);
    return label;
}

// One "label value" part of a breakdown line.
QWidget* breakdownPart(QWidget* parent, const QString& label, ui_style::ElidedLabel** valueOut, const QString& objectName)
{
    QHBoxLayout* layout = nullptr;
    QWidget* part = rowWidget(parent, 3, &layout);
    auto* caption = makeLabel(label, monoFont(12), part);
    QColor dim = secondaryColor(part);
    dim.setAlphaF(dim.alphaF() * 0.7f);
    setTextColor(caption, dim);
    auto* value = new ui_style::ElidedLabel(part);
    value->setFont(monoFont(14));
    value->setObjectName(objectName);
    setTextColor(value, secondaryColor(part));
    layout->addWidget(caption, 0, Qt::AlignVCenter);
    layout->addWidget(value, 1, Qt::AlignVCenter);
    *valueOut = value;
    return part;
}

} // namespace

DetailPanel::DetailPanel(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("detailPanel"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* pass = buildPassDetailView();
    pass->setFixedWidth(kPassBlockWidth);
    // The middle and right columns keep their rows whole in a narrow or
    // crowded panel: what does not fit scrolls instead of being squeezed
    // over its neighbours or forcing the window wider.
    QWidget* freq = scrollable(buildFreqControlView(), Qt::Horizontal, this);
    freq->setObjectName(QStringLiteral("freqScroll"));
    freq->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    QWidget* rig = scrollable(buildRigControlView(), Qt::Vertical, this);
    rig->setObjectName(QStringLiteral("rigScroll"));
    rig->setFixedWidth(kRigColumnWidth);
    layout->addWidget(pass);
    layout->addWidget(ui_style::divider(Qt::Vertical, this));
    layout->addWidget(freq, 1);
    layout->addWidget(ui_style::divider(Qt::Vertical, this));
    layout->addWidget(rig);

    setFixedHeight(kPanelHeight);

    observer_ = std::make_unique<StateObserver>(state_, this, [this] { refresh(); });
    refresh();
}

DetailPanel::~DetailPanel() = default;

QLabel* DetailPanel::smallLabel(const QString& text, QWidget* parent)
{
    auto* label = makeLabel(text, monoFont(14, QFont::Medium), parent);
    setTextColor(label, secondaryColor(parent));
    return label;
}

QLabel* DetailPanel::smallValue(const QString& text, QWidget* parent)
{
    return makeLabel(text, monoFont(15), parent);
}

// ---------------------------------------------------------------------------
// Pass block

QWidget* DetailPanel::buildPassDetailView()
{
    passStack_ = new QStackedWidget(this);
    passStack_->setObjectName(QStringLiteral("passBlock"));

    auto* placeholder = makeLabel(QStringLiteral("Click a pass to see details"), systemFont(18), passStack_);
    placeholder->setObjectName(QStringLiteral("passPlaceholder"));
    placeholder->setAlignment(Qt::AlignCenter);
    setTextColor(placeholder, secondaryColor(placeholder));
    passStack_->addWidget(placeholder);

    auto* page = new QWidget(passStack_);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(4);

    QHBoxLayout* headerLayout = nullptr;
    QWidget* header = rowWidget(page, 6, &headerLayout);
    passDot_ = new ColorDot(10, header);
    passName_ = new ui_style::ElidedLabel(header);
    passName_->setFont(monoFont(21, QFont::Bold));
    passName_->setObjectName(QStringLiteral("passName"));
    passNorad_ = makeLabel(QString(), monoFont(15), header);
    passNorad_->setObjectName(QStringLiteral("passNorad"));
    setTextColor(passNorad_, secondaryColor(header));
    headerLayout->addWidget(passDot_, 0, Qt::AlignVCenter);
    headerLayout->addWidget(passName_, 0, Qt::AlignVCenter);
    headerLayout->addWidget(passNorad_, 0, Qt::AlignVCenter);
    headerLayout->addStretch(1);
    column->addWidget(header);

    auto* times = new QWidget(page);
    auto* grid = new QGridLayout(times);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    const struct {
        const char* caption;
        const char* name;
        QLabel** value;
    } timeRows[] = {{"Rise", "passRise", &passRise_}, {"Peak", "passPeak", &passPeak_}, {"Set", "passSet", &passSet_}};
    int r = 0;
    for (const auto& t : timeRows) {
        grid->addWidget(smallLabel(QString::fromUtf8(t.caption), times), r, 0, Qt::AlignLeft);
        *t.value = smallValue(QString(), times);
        (*t.value)->setObjectName(QString::fromUtf8(t.name));
        grid->addWidget(*t.value, r, 1, Qt::AlignLeft);
        ++r;
    }
    grid->setColumnStretch(2, 1);
    column->addWidget(times);

    QHBoxLayout* figuresLayout = nullptr;
    QWidget* figures = rowWidget(page, 12, &figuresLayout);
    figures->setContentsMargins(0, 2, 0, 0);
    figuresLayout->addWidget(detailItem(figures, QStringLiteral("Max"), &passMax_, QStringLiteral("passMax")));
    figuresLayout->addWidget(detailItem(figures, QStringLiteral("Dir"), &passDir_, QStringLiteral("passDir")));
    figuresLayout->addWidget(detailItem(figures, QStringLiteral("Dur"), &passDur_, QStringLiteral("passDur")));
    figuresLayout->addStretch(1);
    column->addWidget(figures);

    QHBoxLayout* txLayout = nullptr;
    txRow_ = rowWidget(page, 4, &txLayout);
    txRow_->setObjectName(QStringLiteral("txRow"));
    txRow_->setContentsMargins(0, 2, 0, 0);
    auto* txLabel = makeLabel(QStringLiteral("TX"), monoFont(15, QFont::Medium), txRow_);
    setTextColor(txLabel, secondaryColor(txRow_));
    picker_ = new ElidingComboBox(txRow_);
    picker_->setObjectName(QStringLiteral("transponderPicker"));
    picker_->setFont(monoFont(15));
    picker_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    picker_->setMinimumContentsLength(12);
    picker_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QObject::connect(picker_, &QComboBox::activated, this, [this](int index) { pickerActivated(index); });
    txLayout->addWidget(txLabel);
    txLayout->addWidget(picker_, 1);
    column->addWidget(txRow_);

    QHBoxLayout* badgeLayout = nullptr;
    invertingBadge_ = rowWidget(page, 4, &badgeLayout);
    invertingBadge_->setObjectName(QStringLiteral("invertingBadge"));
    auto* arrows = makeLabel(QStringLiteral("\u21C5"), systemFont(12), invertingBadge_);
    auto* invText = makeLabel(QStringLiteral("INVERTING transponder"), monoFont(14), invertingBadge_);
    setTextColor(arrows, purpleColor());
    setTextColor(invText, purpleColor());
    badgeLayout->addWidget(arrows);
    badgeLayout->addWidget(invText);
    badgeLayout->addStretch(1);
    column->addWidget(invertingBadge_);
    column->addStretch(1);

    passStack_->addWidget(page);
    return passStack_;
}

std::string DetailPanel::pickerSelectionId(const std::vector<TransmitterSelection>& choices,
                                           const std::optional<Transmitter>& selected)
{
    if (choices.empty()) {
        return {};
    }
    if (selected) {
        const double centre = selected->centerFreqHz();
        for (const auto& choice : choices) {
            const auto down = choice.downlink();
            if (down && down->centerFreqHz() == centre) {
                return choice.id();
            }
        }
    }
    return choices.front().id();
}

void DetailPanel::refreshPassBlock()
{
    const auto& selected = state_->selectedPass();
    if (!selected || !selected->satellite) {
        passStack_->setCurrentIndex(0);
        choices_.clear();
        return;
    }
    passStack_->setCurrentIndex(1);
    const PassInfo& pass = *selected;
    const SRGBColor c = SatelliteColorPalette::color(pass.noradId());
    passDot_->setColor(QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                                        static_cast<float>(c.blue), static_cast<float>(c.alpha)));
    passName_->setText(qs(pass.satName()));
    passNorad_->setText(QStringLiteral("NORAD ") + QString::number(pass.noradId()));
    passRise_->setText(qs(pass.riseTimeUTC()));
    passPeak_->setText(qs(pass.peakTimeUTC()));
    passSet_->setText(qs(pass.setTimeUTC()));
    passMax_->setText(qs(pass.maxElString()));
    passDir_->setText(qs(pass.directionString()));
    passDur_->setText(qs(pass.durationString()));
    refreshTransponderPicker();
}

void DetailPanel::refreshTransponderPicker()
{
    const Satellite& sat = *state_->selectedPass()->satellite;
    choices_ = buildTransmitterSelections(sat);
    if (choices_.empty()) {
        txRow_->setVisible(false);
        invertingBadge_->setVisible(false);
        picker_->clear();
        return;
    }
    txRow_->setVisible(true);

    // Refill only when the entries differ, so an open pop-up is not reset by
    // every tracking tick.
    bool same = picker_->count() == static_cast<int>(choices_.size());
    for (int i = 0; same && i < picker_->count(); ++i) {
        const auto& choice = choices_[static_cast<std::size_t>(i)];
        same = picker_->itemData(i).toString() == qs(choice.id()) && picker_->itemText(i) == qs(choice.label());
    }
    const QSignalBlocker block(picker_);
    if (!same) {
        picker_->clear();
        for (const auto& choice : choices_) {
            picker_->addItem(qs(choice.label()), qs(choice.id()));
        }
    }
    const QString shown = qs(pickerSelectionId(choices_, state_->selectedTransmitter()));
    for (int i = 0; i < picker_->count(); ++i) {
        if (picker_->itemData(i).toString() == shown) {
            picker_->setCurrentIndex(i);
            break;
        }
    }
    const auto& tx = state_->selectedTransmitter();
    invertingBadge_->setVisible(tx.has_value() && tx->inverting);
}

void DetailPanel::pickerActivated(int index)
{
    const auto& selected = state_->selectedPass();
    if (!selected || !selected->satellite || index < 0 || index >= picker_->count()) {
        return;
    }
    const std::string id = picker_->itemData(index).toString().toStdString();
    for (const auto& choice : choices_) {
        if (choice.id() == id) {
            // Keeps the satellite alive across the call, whatever it changes.
            const std::shared_ptr<Satellite> sat = selected->satellite;
            state_->selectTransmitter(choice.downlink(), *sat);
            return;
        }
    }
}

// ---------------------------------------------------------------------------
// Frequency column

QWidget* DetailPanel::bumpButton(QWidget* parent, const QString& objectName, const QString& label,
                                 std::function<void()> action)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(label);
    button->setFont(monoFont(14));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The smallest control size: at least 28 wide, the label with a little
    // room on each side, whatever the style would pad it with.
    button->setFixedWidth(std::max(28, button->fontMetrics().horizontalAdvance(label) + 6));
    QObject::connect(button, &QToolButton::clicked, this, [action = std::move(action)] { action(); });
    return button;
}

QWidget* DetailPanel::buildFreqControlView()
{
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("freqControl"));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    const QColor secondary = secondaryColor(column);

    // Downlink section.
    auto* downlink = new QWidget(column);
    auto* down = new QVBoxLayout(downlink);
    down->setContentsMargins(0, 0, 0, 0);
    down->setSpacing(2);
    {
        QHBoxLayout* rxLayout = nullptr;
        QWidget* rx = rowWidget(downlink, 6, &rxLayout);
        auto* caption = makeLabel(QStringLiteral("RX"), monoFont(16, QFont::Black), rx);
        setTextColor(caption, secondary);
        rxFigure_ = makeLabel(QString(), monoFont(24, QFont::Bold), rx);
        rxFigure_->setObjectName(QStringLiteral("rxFigure"));
        rxFigure_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        setTextColor(rxFigure_, greenColor());
        rxLayout->addWidget(caption, 0, Qt::AlignBaseline);
        rxLayout->addWidget(rxFigure_, 0, Qt::AlignBaseline);
        rxLayout->addStretch(1);
        down->addWidget(rx);

        QHBoxLayout* partsLayout = nullptr;
        QWidget* parts = rowWidget(downlink, 10, &partsLayout);
        partsLayout->addWidget(breakdownPart(parts, QStringLiteral("@sat"), &rxAtSat_, QStringLiteral("rxAtSat")));
        partsLayout->addWidget(
            breakdownPart(parts, QStringLiteral("doppler"), &rxDoppler_, QStringLiteral("rxDoppler")));
        partsLayout->addWidget(breakdownPart(parts, QStringLiteral("RIT"), &rxRit_, QStringLiteral("rxRit")));
        partsLayout->addStretch(1);
        down->addWidget(parts);

        QHBoxLayout* ritLayout = nullptr;
        QWidget* rit = rowWidget(downlink, 4, &ritLayout);
        auto* ritCaption = makeLabel(QStringLiteral("RIT"), monoFont(14, QFont::Medium), rit);
        setTextColor(ritCaption, secondary);
        ritLayout->addWidget(ritCaption);
        auto bump = [this](double delta) { return [this, delta] { state_->bumpRIT(delta); }; };
        ritLayout->addWidget(bumpButton(rit, QStringLiteral("ritMinus100"), kMinus + "100", bump(-100)));
        ritLayout->addWidget(bumpButton(rit, QStringLiteral("ritMinus10"), kMinus + "10", bump(-10)));
        ritLayout->addWidget(bumpButton(rit, QStringLiteral("ritZero"), QStringLiteral("0"), [this] { state_->clearRIT(); }));
        ritLayout->addWidget(bumpButton(rit, QStringLiteral("ritPlus10"), QStringLiteral("+10"), bump(10)));
        ritLayout->addWidget(bumpButton(rit, QStringLiteral("ritPlus100"), QStringLiteral("+100"), bump(100)));
        ritValue_ = valueBox(rit, QStringLiteral("ritValue"), yellowColor());
        ritLayout->addWidget(ritValue_);
        ritLayout->addStretch(1);
        down->addWidget(rit);
    }
    layout->addWidget(downlink);
    layout->addWidget(ui_style::divider(Qt::Horizontal, column));

    // Uplink section.
    uplinkSection_ = new QWidget(column);
    uplinkSection_->setObjectName(QStringLiteral("uplinkSection"));
    {
        auto* up = new QVBoxLayout(uplinkSection_);
        up->setContentsMargins(0, 0, 0, 0);
        up->setSpacing(2);
        QHBoxLayout* txLayout = nullptr;
        QWidget* tx = rowWidget(uplinkSection_, 6, &txLayout);
        auto* caption = makeLabel(QStringLiteral("TX"), monoFont(16, QFont::Black), tx);
        setTextColor(caption, secondary);
        txFigure_ = makeLabel(QString(), monoFont(24, QFont::Bold), tx);
        txFigure_->setObjectName(QStringLiteral("txFigure"));
        txFigure_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        setTextColor(txFigure_, orangeColor());
        auto* autoText = makeLabel(QStringLiteral("auto from RX"), monoFont(14), tx);
        setTextColor(autoText, secondary);
        txLayout->addWidget(caption, 0, Qt::AlignBaseline);
        txLayout->addWidget(txFigure_, 0, Qt::AlignBaseline);
        txLayout->addStretch(1);
        txLayout->addWidget(autoText, 0, Qt::AlignBaseline);
        up->addWidget(tx);

        QHBoxLayout* partsLayout = nullptr;
        QWidget* parts = rowWidget(uplinkSection_, 10, &partsLayout);
        partsLayout->addWidget(breakdownPart(parts, QStringLiteral("@sat"), &txAtSat_, QStringLiteral("txAtSat")));
        partsLayout->addWidget(
            breakdownPart(parts, QStringLiteral("doppler"), &txDoppler_, QStringLiteral("txDoppler")));
        partsLayout->addStretch(1);
        up->addWidget(parts);
    }
    layout->addWidget(uplinkSection_);

    QHBoxLayout* titLayout = nullptr;
    passbandRow_ = rowWidget(column, 4, &titLayout);
    passbandRow_->setObjectName(QStringLiteral("passbandRow"));
    {
        auto* caption = makeLabel(QStringLiteral("TIT"), monoFont(14, QFont::Medium), passbandRow_);
        setTextColor(caption, secondary);
        titLayout->addWidget(caption);
        senseBadge_ = new OutlineBadge(3, 1, 2.0, 1.0, passbandRow_);
        senseBadge_->setObjectName(QStringLiteral("senseBadge"));
        senseBadge_->setFont(monoFont(12, QFont::Bold));
        titLayout->addWidget(senseBadge_);
        auto bump = [this](double delta) { return [this, delta] { state_->bumpPassbandOffset(delta); }; };
        titLayout->addWidget(bumpButton(passbandRow_, QStringLiteral("titMinus1k"), kMinus + "1k", bump(-1000)));
        titLayout->addWidget(bumpButton(passbandRow_, QStringLiteral("titMinus100"), kMinus + "100", bump(-100)));
        titLayout->addWidget(bumpButton(passbandRow_, QStringLiteral("titZero"), QStringLiteral("0"),
                                        [this] { state_->clearPassbandOffset(); }));
        titLayout->addWidget(bumpButton(passbandRow_, QStringLiteral("titPlus100"), QStringLiteral("+100"), bump(100)));
        titLayout->addWidget(bumpButton(passbandRow_, QStringLiteral("titPlus1k"), QStringLiteral("+1k"), bump(1000)));
        titValue_ = valueBox(passbandRow_, QStringLiteral("titValue"), cyanColor());
        titLayout->addWidget(titValue_);
        titLayout->addStretch(1);
    }
    layout->addWidget(passbandRow_);

    QHBoxLayout* noUpLayout = nullptr;
    noUplinkRow_ = rowWidget(column, 6, &noUpLayout);
    noUplinkRow_->setObjectName(QStringLiteral("noUplinkRow"));
    {
        auto* caption = makeLabel(QStringLiteral("TX"), monoFont(15, QFont::Medium), noUplinkRow_);
        setTextColor(caption, secondary);
        auto* none = makeLabel(QStringLiteral("\u2014 (no paired uplink)"), monoFont(16), noUplinkRow_);
        QColor faint = secondary;
        faint.setAlphaF(faint.alphaF() * 0.5f);
        setTextColor(none, faint);
        noUpLayout->addWidget(caption, 0, Qt::AlignVCenter);
        noUpLayout->addWidget(none, 0, Qt::AlignVCenter);
        noUpLayout->addStretch(1);
    }
    layout->addWidget(noUplinkRow_);
    layout->addWidget(ui_style::divider(Qt::Horizontal, column));

    QHBoxLayout* txpLayout = nullptr;
    QWidget* txp = rowWidget(column, 4, &txpLayout);
    txp->setObjectName(QStringLiteral("satCalibrationRow"));
    {
        auto* caption = makeLabel(QStringLiteral("TXP"), monoFont(14, QFont::Medium), txp);
        caption->setObjectName(QStringLiteral("txpLabel"));
        caption->setToolTip(QStringLiteral("Transponder cal \u2014 per (sat, transponder). Applied in Pattern B "
                                           "(selectedDL); stored only in Pattern A (transponderCenter)."));
        setTextColor(caption, secondary);
        txpLayout->addWidget(caption);
        auto bump = [this](double delta) { return [this, delta] { state_->bumpSatCalibration(delta); }; };
        txpLayout->addWidget(bumpButton(txp, QStringLiteral("txpMinus1k"), kMinus + "1k", bump(-1000)));
        txpLayout->addWidget(bumpButton(txp, QStringLiteral("txpMinus100"), kMinus + "100", bump(-100)));
        txpLayout->addWidget(bumpButton(txp, QStringLiteral("txpMinus10"), kMinus + "10", bump(-10)));
        txpLayout->addWidget(bumpButton(txp, QStringLiteral("txpZero"), QStringLiteral("0"),
                                        [this] { state_->clearCalibration(); }));
        txpLayout->addWidget(bumpButton(txp, QStringLiteral("txpPlus10"), QStringLiteral("+10"), bump(10)));
        txpLayout->addWidget(bumpButton(txp, QStringLiteral("txpPlus100"), QStringLiteral("+100"), bump(100)));
        txpLayout->addWidget(bumpButton(txp, QStringLiteral("txpPlus1k"), QStringLiteral("+1k"), bump(1000)));
        auto* save = new QPushButton(QStringLiteral("Save"), txp);
        save->setObjectName(QStringLiteral("txpSave"));
        save->setFont(monoFont(14));
        save->setFixedWidth(save->fontMetrics().horizontalAdvance(save->text()) + 20);
        QObject::connect(save, &QPushButton::clicked, this, [this] { state_->saveSatCalibration(); });
        txpLayout->addWidget(save);
        txpValue_ = valueBox(txp, QStringLiteral("txpValue"), cyanColor());
        txpLayout->addWidget(txpValue_);
        storedOnly_ = makeLabel(QStringLiteral("(stored only)"), monoFont(11), txp);
        storedOnly_->setObjectName(QStringLiteral("storedOnly"));
        setTextColor(storedOnly_, orangeColor());
        txpLayout->addWidget(storedOnly_);
        txpLayout->addStretch(1);
    }
    layout->addWidget(txp);
    layout->addStretch(1);
    return column;
}

std::optional<std::int64_t> DetailPanel::shownSatelliteId(const AppState& state)
{
    if (const auto& pass = state.selectedPass()) {
        return pass->noradId();
    }
    if (const auto& tracked = state.trackingSatellite()) {
        return tracked->id;
    }
    return std::nullopt;
}

bool DetailPanel::offsetsApplyToShown(const AppState& state)
{
    // The offsets belong to the running track; on another satellite's pass
    // they would move frequencies nobody is tuned to.
    if (!state.isTracking() || !state.trackingSatellite()) {
        return true;
    }
    return shownSatelliteId(state) == state.trackingSatellite()->id;
}

bool DetailPanel::downlinkReadoutsShown(const AppState& state)
{
    const auto& tick = state.lastTick();
    const auto& tx = state.selectedTransmitter();
    return tick && tx && tick->downlinkCenterHz && shownSatelliteId(state) == tick->satelliteId &&
           *tick->downlinkCenterHz == tx->centerFreqHz();
}

bool DetailPanel::uplinkReadoutsShown(const AppState& state)
{
    if (!downlinkReadoutsShown(state) || !state.lastTick()->uplinkCenterHz) {
        return false;
    }
    const auto& up = state.selectedUplinkTransmitter();
    return !up || up->centerFreqHz() == *state.lastTick()->uplinkCenterHz;
}

double DetailPanel::rxSatOutputFreq(const AppState& state)
{
    const auto& tx = state.selectedTransmitter();
    if (!tx) {
        return 0.0;
    }
    if (!offsetsApplyToShown(state)) {
        return tx->centerFreqHz();
    }
    return (tx->centerFreqHz() + state.currentPassbandOffset()) + state.currentSatCalibration();
}

double DetailPanel::txSatInputFreq(const AppState& state)
{
    const auto& up = state.selectedUplinkTransmitter();
    if (!up) {
        return 0.0;
    }
    if (!offsetsApplyToShown(state)) {
        return up->centerFreqHz();
    }
    const auto& down = state.selectedTransmitter();
    const bool inverting = down.has_value() && down->inverting;
    const double offset = inverting ? -state.currentPassbandOffset() : state.currentPassbandOffset();
    return up->centerFreqHz() + offset;
}

bool DetailPanel::hasUplink(const AppState& state)
{
    return state.selectedUplinkTransmitter().has_value() ||
           (uplinkReadoutsShown(state) && state.currentUplinkFreq() > 0.0);
}

bool DetailPanel::calibrationStoredOnly(const AppState& state)
{
    return state.rigProtocolMode() == RigProtocolMode::satProtoV1 &&
           state.satProtoRestPattern() == SatProtoRestPattern::transponderCenter;
}

void DetailPanel::refreshFrequencies()
{
    const AppState& s = *state_;
    const QString none = QStringLiteral("\u2014");
    // A tick's figures are shown only for the satellite and transmitter it
    // was computed for; anything else has no true Doppler figure yet.
    const bool rxLive = downlinkReadoutsShown(s);
    rxFigure_->setText(rxLive ? qs(formatBigFreq(s.currentCorrectedFreq())) : none);
    rxAtSat_->setText(qs(formatMHz(rxSatOutputFreq(s))));
    rxDoppler_->setText(rxLive ? qs(formatHzSigned(s.currentDopplerShift())) : none);
    rxRit_->setText(qs(formatHzSigned(s.currentRIT())));
    ritValue_->setText(qs(formatHzSigned(s.currentRIT())));

    const bool uplink = hasUplink(s);
    uplinkSection_->setVisible(uplink);
    passbandRow_->setVisible(uplink);
    noUplinkRow_->setVisible(!uplink);
    const bool txLive = uplinkReadoutsShown(s);
    const double txAtSat = txSatInputFreq(s);
    txFigure_->setText(txLive ? qs(formatBigFreq(s.currentUplinkFreq())) : none);
    if (!txLive) {
        txAtSat_->setText(qs(formatMHz(txAtSat)));
        txDoppler_->setText(none);
    } else if (s.selectedUplinkTransmitter()) {
        txAtSat_->setText(qs(formatMHz(txAtSat)));
        // The uplink has no shift of its own: what the radio sends less
        // what the satellite should hear.
        txDoppler_->setText(qs(formatHzSigned(s.currentUplinkFreq() - txAtSat)));
    } else {
        // A stopped track: its last uplink, as its last tick made it.
        txAtSat_->setText(qs(formatMHz(s.lastTick()->uplinkRestHz)));
        txDoppler_->setText(qs(formatHzSigned(s.lastTick()->uplinkShiftHz)));
    }
    const bool inverting = s.selectedTransmitter().has_value() && s.selectedTransmitter()->inverting;
    senseBadge_->setBadge(inverting ? QStringLiteral("INV") : QStringLiteral("STR"),
                          inverting ? orangeColor() : cyanColor());
    titValue_->setText(qs(formatHzSigned(s.currentPassbandOffset())));

    txpValue_->setText(qs(formatHzSigned(s.currentSatCalibration())));
    storedOnly_->setVisible(calibrationStoredOnly(s));
}

// ---------------------------------------------------------------------------
// Rig column

QWidget* DetailPanel::buildRigControlView()
{
    auto* column = new QWidget(this);
    column->setObjectName(QStringLiteral("rigControl"));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    const QColor secondary = secondaryColor(column);

    QHBoxLayout* statusLayout = nullptr;
    QWidget* status = rowWidget(column, 6, &statusLayout);
    statusDot_ = new ColorDot(8, status);
    statusDot_->setObjectName(QStringLiteral("statusDot"));
    connectionText_ = makeLabel(QString(), monoFont(15), status);
    connectionText_->setObjectName(QStringLiteral("connectionText"));
    protocolBadge_ = new OutlineBadge(4, 1, 3.0, 0.6, status);
    protocolBadge_->setObjectName(QStringLiteral("protocolBadge"));
    protocolBadge_->setFont(monoFont(11, QFont::Bold));
    protocolBadge_->setToolTip(QStringLiteral(
        "Protocol auto-detected from rigctld; SAT_PROTO sends rest_hz and Doppler as separate fields."));
    statusLayout->addWidget(statusDot_, 0, Qt::AlignVCenter);
    statusLayout->addWidget(connectionText_, 0, Qt::AlignVCenter);
    statusLayout->addStretch(1);
    statusLayout->addWidget(protocolBadge_, 0, Qt::AlignVCenter);
    layout->addWidget(status);

    satProtoStatus_ = makeLabel(QString(), monoFont(11), column);
    satProtoStatus_->setObjectName(QStringLiteral("satProtoStatus"));
    satProtoStatus_->setWordWrap(true);
    satProtoStatus_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Two lines at most; the rest is cut off.
    satProtoStatus_->setMaximumHeight(satProtoStatus_->fontMetrics().lineSpacing() * 2);
    setTextColor(satProtoStatus_, orangeColor());
    layout->addWidget(satProtoStatus_);

    rigAddress_ = new ui_style::ElidedLabel(column);
    rigAddress_->setFont(monoFont(14));
    rigAddress_->setObjectName(QStringLiteral("rigAddress"));
    setTextColor(rigAddress_, secondary);
    layout->addWidget(rigAddress_);
    layout->addWidget(ui_style::divider(Qt::Horizontal, column));

    QHBoxLayout* buttonsLayout = nullptr;
    QWidget* buttons = rowWidget(column, 8, &buttonsLayout);
    trackButton_ = new QPushButton(QStringLiteral("\u25B6 TRACK"), buttons);
    trackButton_->setObjectName(QStringLiteral("trackButton"));
    trackButton_->setFont(monoFont(16, QFont::Bold));
    {
        // Filled green while it can be pressed; a disabled TRACK looks like
        // any other disabled button.
        QPalette palette = trackButton_->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Button, greenColor());
            palette.setColor(group, QPalette::ButtonText, Qt::white);
        }
        trackButton_->setPalette(palette);
        trackButton_->setAutoFillBackground(true);
    }
    stopButton_ = new QPushButton(QStringLiteral("\u25A0 STOP"), buttons);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    stopButton_->setFont(monoFont(16, QFont::Bold));
    QObject::connect(trackButton_, &QPushButton::clicked, this, [this] {
        const auto& selected = state_->selectedPass();
        if (!selected) {
            return;
        }
        // Copies: startTracking rewrites the selection it is handed.
        std::shared_ptr<Satellite> sat = selected->satellite;
        std::optional<Transmitter> tx = state_->selectedTransmitter();
        state_->startTracking(std::move(sat), std::move(tx));
    });
    QObject::connect(stopButton_, &QPushButton::clicked, this, [this] { state_->stopTracking(); });
    buttonsLayout->addWidget(trackButton_, 0, Qt::AlignVCenter);
    buttonsLayout->addWidget(stopButton_, 0, Qt::AlignVCenter);
    buttonsLayout->addStretch(1);
    layout->addWidget(buttons);

    trackingGroup_ = new QWidget(column);
    trackingGroup_->setObjectName(QStringLiteral("trackingGroup"));
    {
        auto* group = new QVBoxLayout(trackingGroup_);
        group->setContentsMargins(0, 4, 0, 0);
        group->setSpacing(6);
        group->addWidget(ui_style::divider(Qt::Horizontal, trackingGroup_));
        auto* gridBox = new QWidget(trackingGroup_);
        auto* grid = new QGridLayout(gridBox);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(1);
        const struct {
            const char* caption;
            const char* name;
            QLabel** value;
        } rows[] = {{"Az", "readoutAz", &readoutAz_},
                    {"El", "readoutEl", &readoutEl_},
                    {"Range", "readoutRange", &readoutRange_},
                    {"Rate", "readoutRate", &readoutRate_},
                    {"Update", "readoutUpdate", &readoutUpdate_}};
        int r = 0;
        for (const auto& item : rows) {
            grid->addWidget(smallLabel(QString::fromUtf8(item.caption), gridBox), r, 0, Qt::AlignLeft);
            *item.value = smallValue(QString(), gridBox);
            (*item.value)->setObjectName(QString::fromUtf8(item.name));
            grid->addWidget(*item.value, r, 1, Qt::AlignLeft);
            ++r;
        }
        grid->setColumnStretch(2, 1);
        group->addWidget(gridBox);
        auto* reset = new QPushButton(QStringLiteral("Reset cal"), trackingGroup_);
        reset->setObjectName(QStringLiteral("resetCalButton"));
        reset->setFont(monoFont(14));
        reset->setFlat(true);
        // Borderless: the text alone, as high as its line.
        reset->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0px 2px; color: rgba(225, 55, 45, 204); }"));
        QColor red = redColor();
        red.setAlphaF(0.8f);
        setTextColor(reset, red);
        reset->setCursor(Qt::PointingHandCursor);
        QObject::connect(reset, &QPushButton::clicked, this, [this] { state_->clearCalibration(); });
        group->addSpacing(4);
        group->addWidget(reset, 0, Qt::AlignLeft);
    }
    layout->addWidget(trackingGroup_);
    layout->addStretch(1);
    return column;
}

void DetailPanel::refreshRig()
{
    const AppState& s = *state_;
    const bool connected = s.rigConnected();
    statusDot_->setColor(connected ? greenColor() : redColor());
    connectionText_->setText(connected ? QStringLiteral("Connected") : QStringLiteral("Disconnected"));
    const RigProtocolMode mode = s.rigProtocolMode();
    const QColor modeColor = mode == RigProtocolMode::satProtoV1 ? cyanColor()
                             : mode == RigProtocolMode::classic  ? grayColor()
                                                                 : secondaryColor(this);
    protocolBadge_->setBadge(qs(rawValue(mode)), modeColor);

    satProtoStatus_->setText(qs(s.rigSatProtoStatus()));
    satProtoStatus_->setVisible(!s.rigSatProtoStatus().empty());
    // The address of the link in use; the settings' address reaches the
    // link only when a track finds it down, so until then it is not shown
    // as if it were the link's.
    const QString configured = qs(s.rigHost()) + QStringLiteral(":") + QString::number(s.rigPort());
    const auto& link = s.rigLinkAddress();
    const QString inUse = link ? qs(link->first) + QStringLiteral(":") + QString::number(link->second) : configured;
    rigAddress_->setText(inUse);

    trackButton_->setEnabled(s.selectedPass().has_value());
    stopButton_->setEnabled(s.isTracking());
    trackingGroup_->setVisible(s.isTracking());
    readoutAz_->setText(qs(formatDegrees(s.currentAzimuth())));
    readoutEl_->setText(qs(formatDegrees(s.currentElevation())));
    readoutRange_->setText(qs(formatRangeKm(s.currentRange())));
    readoutRate_->setText(qs(formatDopplerRate(s.currentDopplerRate())));
    readoutUpdate_->setText(qs(formatUpdateRate(s.dopplerUpdateHz())));
}

void DetailPanel::refresh()
{
    refreshPassBlock();
    refreshFrequencies();
    refreshRig();
}

} // namespace zelvane
