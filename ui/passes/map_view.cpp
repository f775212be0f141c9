#include "ui/passes/map_view.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "catalog/satellite.h"
#include "platform/settings_store.h"
#include "state/app_state.h"
#include "ui/passes/world_map_data.h"
#include "ui/style/refresh_timer.h"
#include "ui/style/ui_style.h"

namespace zelvane {

namespace {

constexpr const char* kStyleKey = "mapStyle";
constexpr const char* kTrackHoursKey = "mapTrackHours";

struct StyleColors {
    QColor ocean;
    QColor land;
    QColor coast;
    QColor border;  // invalid: no borders
    QColor graticule;
    QColor titleText;
    QColor titleHalo;
};

StyleColors colorsFor(MapStyle style)
{
    switch (style) {
    case MapStyle::standard:
        return {QColor(170, 205, 233), QColor(242, 239, 228), QColor(120, 140, 160),
                QColor(150, 140, 150), QColor(255, 255, 255, 90), QColor(30, 30, 30),
                QColor(255, 255, 255, 220)};
    case MapStyle::imagery:
        return {QColor(12, 30, 58), QColor(58, 84, 52), QColor(90, 110, 80), QColor(),
                QColor(255, 255, 255, 0), QColor(245, 245, 245), QColor(0, 0, 0, 200)};
    case MapStyle::hybrid:
        return {QColor(12, 30, 58), QColor(58, 84, 52), QColor(90, 110, 80),
                QColor(235, 215, 120, 200), QColor(255, 255, 255, 45), QColor(245, 245, 245),
                QColor(0, 0, 0, 200)};
    }
    return colorsFor(MapStyle::imagery);
}

using ui_style::satelliteColor;
using ui_style::withAlpha;

// The shipped outlines as paths in (longitude, −latitude) units, built once.
const QPainterPath& landPath()
{
    static const QPainterPath path = [] {
        QPainterPath p;
        p.setFillRule(Qt::OddEvenFill);
        for (const auto& ring : WorldMapData::shared().land) {
            p.moveTo(ring.front().lon, -ring.front().lat);
            for (std::size_t i = 1; i < ring.size(); ++i) {
                p.lineTo(ring[i].lon, -ring[i].lat);
            }
            p.closeSubpath();
        }
        return p;
    }();
    return path;
}

const QPainterPath& borderPath()
{
    static const QPainterPath path = [] {
        QPainterPath p;
        for (const auto& line : WorldMapData::shared().borders) {
            p.moveTo(line.front().lon, -line.front().lat);
            for (std::size_t i = 1; i < line.size(); ++i) {
                p.lineTo(line[i].lon, -line[i].lat);
            }
        }
        return p;
    }();
    return path;
}

QPainterPath polylines(const std::vector<std::vector<MapPoint>>& runs, std::size_t minPoints)
{
    QPainterPath p;
    for (const auto& run : runs) {
        if (run.size() < minPoints) {
            continue;
        }
        p.moveTo(run.front().lon, -run.front().lat);
        for (std::size_t i = 1; i < run.size(); ++i) {
            p.lineTo(run[i].lon, -run[i].lat);
        }
    }
    return p;
}

QPainterPath polygons(const std::vector<MapRing>& rings)
{
    QPainterPath p;
    p.setFillRule(Qt::WindingFill);
    for (const auto& ring : rings) {
        if (ring.size() < 3) {
            continue;
        }
        p.moveTo(ring.front().lon, -ring.front().lat);
        for (std::size_t i = 1; i < ring.size(); ++i) {
            p.lineTo(ring[i].lon, -ring[i].lat);
        }
        p.closeSubpath();
    }
    return p;
}

QPen cosmeticPen(const QColor& color, double width, Qt::PenCapStyle cap,
                 std::optional<double> dash = std::nullopt)
{
    QPen pen(color, width, Qt::SolidLine, cap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    pen.setCosmetic(true);
    if (dash) {
        // Dash lengths are given in pen widths.
        pen.setDashPattern({*dash / width, *dash / width});
        pen.setDashOffset(0);
    }
    return pen;
}

// Small glyphs standing in for the map's symbol images.
void drawAntennaGlyph(QPainter& p, QPointF c, const QColor& color)
{
    p.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(c + QPointF(0, -1), c + QPointF(0, 5));
    p.drawEllipse(c + QPointF(0, -1.5), 1.2, 1.2);
    for (double r : {3.5, 6.0}) {
        const QRectF box(c.x() - r, c.y() - 1.5 - r, 2 * r, 2 * r);
        p.drawArc(box, 135 * 16, 90 * 16);
        p.drawArc(box, -45 * 16, 90 * 16);
    }
}

void drawPinGlyph(QPainter& p, QPointF c, const QColor& color)
{
    p.setPen(QPen(color, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c + QPointF(0, -2.5), 2.3, 2.3);
    p.drawLine(c + QPointF(0, -0.2), c + QPointF(0, 3.5));
    p.drawEllipse(c + QPointF(0, 3.8), 4.5, 1.4);
}

void drawSatelliteGlyph(QPainter& p, QPointF c)
{
    p.setPen(QPen(Qt::white, 1.0));
    p.setBrush(Qt::white);
    p.save();
    p.translate(c);
    p.rotate(-45);
    p.drawRect(QRectF(-1.5, -1.5, 3, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(-5.5, -1.2, 3, 2.4));
    p.drawRect(QRectF(2.5, -1.2, 3, 2.4));
    p.restore();
}

// Where a label of width `w` under a marker at `x` goes in a view `viewWidth`
// wide: centred under the marker, but moved in to stay whole at an edge; no
// place for a marker that is off the view (its world copy shows elsewhere).
std::optional<double> labelCentre(double x, double w, double viewWidth)
{
    if (x < 0.0 || x > viewWidth) {
        return std::nullopt;
    }
    const double half = w / 2.0 + 2.0;
    return half * 2.0 >= viewWidth ? viewWidth / 2.0 : std::clamp(x, half, viewWidth - half);
}

void drawTitle(QPainter& p, QPointF topCenter, const QString& text, const StyleColors& colors,
               double viewWidth)
{
    if (text.isEmpty()) {
        return;
    }
    QFont font = p.font();
    font.setPixelSize(9);
    font.setWeight(QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const double w = metrics.horizontalAdvance(text);
    const std::optional<double> centre = labelCentre(topCenter.x(), w, viewWidth);
    if (!centre) {
        return;
    }
    topCenter.setX(*centre);
    QPainterPath path;
    path.addText(QPointF(topCenter.x() - w / 2.0, topCenter.y() + metrics.ascent()), font, text);
    p.setPen(QPen(colors.titleHalo, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(colors.titleText);
    p.drawPath(path);
}

double easeInOut(double t)
{
    return QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(t);
}

} // namespace

SatelliteMapView::SatelliteMapView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName("satelliteMapView");
    setMouseTracking(false);
    setCursor(Qt::OpenHandCursor);

    auto& store = platform::SettingsStore::standard();
    styleRaw_ = store.stringValue(kStyleKey).value_or("standard");
    const double hours = store.doubleValue(kTrackHoursKey).value_or(0.0);
    // A hand-edited value outside the slider's range is read as the nearest
    // value the slider can show.
    extendedTrackHours_ = std::isfinite(hours) ? std::clamp(hours, 0.0, 4.0) : 0.0;

    animation_ = new QVariantAnimation(this);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    animation_->setDuration(400);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const double t = easeInOut(value.toDouble());
        MapCamera c;
        c.centerLat = animationFrom_.centerLat + (animationTo_.centerLat - animationFrom_.centerLat) * t;
        // Go the short way round.
        double dLon = std::fmod(animationTo_.centerLon - animationFrom_.centerLon, 360.0);
        if (dLon > 180.0) {
            dLon -= 360.0;
        } else if (dLon < -180.0) {
            dLon += 360.0;
        }
        c.centerLon = animationFrom_.centerLon + dLon * t;
        c.distance = animationFrom_.distance + (animationTo_.distance - animationFrom_.distance) * t;
        camera_ = t >= 1.0 ? animationTo_ : clampCamera(c);
        update();
    });

    buildControls();

    // The live point and footprint move once a second; with no pass shown
    // nothing moves and the timer stays off.
    tick_ = new QTimer(this);
    tick_->setObjectName("mapLiveTick");
    tick_->setInterval(1000);
    connect(tick_, &QTimer::timeout, this, &SatelliteMapView::advanceLive);

    refreshTimer_ = ui_style::makeRefreshTimer(this);
    connect(refreshTimer_, &QTimer::timeout, this, &SatelliteMapView::refresh);
    if (state_) {
        stateConnection_ = ui_style::refreshOnChange(state_->objectWillChange, refreshTimer_);
    }
    seen_ = currentInputs();

    // What appearing does: the style's camera, then the pass's geometry.
    fitCameraToPass(false);
    recomputePassCache();
}

SatelliteMapView::~SatelliteMapView()
{
    if (state_) {
        state_->objectWillChange.disconnect(stateConnection_);
    }
}

void SatelliteMapView::buildControls()
{
    controls_ = new QWidget(this);
    controls_->setObjectName("mapControls");
    auto* row = new QHBoxLayout(controls_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    auto* group = new QFrame(controls_);
    group->setObjectName("mapTrackSpanGroup");
    group->setStyleSheet("QFrame#mapTrackSpanGroup { background: rgba(128, 128, 128, 90); "
                         "border-radius: 4px; }");
    group->setToolTip(QString::fromUtf8(
        "Show satellite ground track from (now\u2212X hours) to (now+X hours)"));
    auto* groupRow = new QHBoxLayout(group);
    groupRow->setContentsMargins(6, 3, 6, 3);
    groupRow->setSpacing(4);

    QFont small = font();
    small.setPixelSize(9);
    auto* icon = new QLabel(QString::fromUtf8("\u2194"), group);
    icon->setFont(small);
    icon->setForegroundRole(QPalette::PlaceholderText);
    groupRow->addWidget(icon);

    spanSlider_ = new QSlider(Qt::Horizontal, group);
    spanSlider_->setObjectName("mapTrackSpanSlider");
    spanSlider_->setRange(0, 8);  // half hours
    spanSlider_->setSingleStep(1);
    spanSlider_->setPageStep(1);
    spanSlider_->setFixedWidth(100);
    groupRow->addWidget(spanSlider_);

    const QFont mono = ui_style::monoFont(9);
    spanText_ = new QLabel(group);
    spanText_->setObjectName("mapTrackSpanText");
    spanText_->setFont(mono);
    spanText_->setForegroundRole(QPalette::PlaceholderText);
    spanText_->setFixedWidth(38);
    spanText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    groupRow->addWidget(spanText_);
    row->addWidget(group);

    auto* picker = new QWidget(controls_);
    picker->setObjectName("mapStylePicker");
    picker->setFixedWidth(200);
    auto* pickerRow = new QHBoxLayout(picker);
    pickerRow->setContentsMargins(0, 0, 0, 0);
    pickerRow->setSpacing(0);
    styleButtons_ = new QButtonGroup(picker);
    // Not exclusive: a stored name that is no style shows no segment chosen.
    styleButtons_->setExclusive(false);
    for (const MapStyle s : kAllMapStyles) {
        auto* button = new QToolButton(picker);
        button->setObjectName(QString("mapStyle_") + mapStyleRaw(s));
        button->setText(mapStyleDisplayName(s));
        button->setCheckable(true);
        button->setAutoRaise(false);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        pickerRow->addWidget(button);
        styleButtons_->addButton(button);
        connect(button, &QToolButton::clicked, this, [this, s] { setStyleRaw(mapStyleRaw(s)); });
    }
    row->addWidget(picker);

    connect(spanSlider_, &QSlider::valueChanged, this,
            [this](int halfHours) { setExtendedTrackHours(halfHours / 2.0); });
    syncControls();
    placeControls();
}

void SatelliteMapView::syncControls()
{
    const int halfHours = static_cast<int>(std::lround(extendedTrackHours_ * 2.0));
    if (spanSlider_->value() != halfHours) {
        const QSignalBlocker block(spanSlider_);
        spanSlider_->setValue(halfHours);
    }
    spanText_->setText(QString::fromStdString(trackSpanText(extendedTrackHours_)));
    for (QAbstractButton* button : styleButtons_->buttons()) {
        button->setChecked(button->objectName()
                           == QString("mapStyle_") + QString::fromStdString(styleRaw_));
    }
}

void SatelliteMapView::placeControls()
{
    if (!controls_) {
        return;
    }
    controls_->adjustSize();
    const QSize hint = controls_->sizeHint();
    controls_->setGeometry(width() - hint.width() - 8, 8, hint.width(), hint.height());
    controls_->raise();
}

void SatelliteMapView::setStyleRaw(const std::string& raw)
{
    const bool changed = raw != styleRaw_;
    styleRaw_ = raw;
    platform::SettingsStore::standard().setString(kStyleKey, raw);
    syncControls();
    if (changed) {
        fitCameraToPass(true);
    }
    update();
}

void SatelliteMapView::setExtendedTrackHours(double hours)
{
    if (!std::isfinite(hours)) {
        return;
    }
    // The slider's own steps: 0 to 4 h by half hours.
    extendedTrackHours_ = std::clamp(std::round(hours * 2.0) / 2.0, 0.0, 4.0);
    platform::SettingsStore::standard().setDouble(kTrackHoursKey, extendedTrackHours_);
    syncControls();
    updateLive();
    update();
}

MapCamera SatelliteMapView::cameraTarget() const
{
    return animation_->state() == QAbstractAnimation::Running ? animationTo_ : camera_;
}

void SatelliteMapView::setCamera(MapCamera camera)
{
    animation_->stop();
    camera_ = clampCamera(camera);
    update();
}

void SatelliteMapView::fitCameraToPass(bool animated)
{
    const double lon = state_ ? state_->obsLongitude() : 0.0;
    const MapCamera target = fittedCamera(style(), std::isfinite(lon) ? lon : 0.0);
    animation_->stop();
    if (!animated) {
        camera_ = target;
        update();
        return;
    }
    animationFrom_ = camera_;
    animationTo_ = target;
    animation_->start();
}

void SatelliteMapView::recomputePassCache()
{
    const std::optional<PassInfo> selected = state_ ? state_->selectedPass() : std::nullopt;
    cache_.recompute(selected);
    shownSatellite_ = selected ? selected->satellite : nullptr;
    rebuildPassPaths();
    updateLive();
    updateTick();
    update();
}

void SatelliteMapView::rebuildPassPaths()
{
    coverageFill_ = polygons(cache_.cachedCoverageFills);
    coverageArcs_ = polylines(cache_.cachedCoverageArcs, 2);
    track_ = cache_.cachedTrack.size() >= 2 ? polylines(passTrackSegments(), 2) : QPainterPath();
    ++passVersion_;
}

void SatelliteMapView::updateLive()
{
    extended_ = QPainterPath();
    footFill_ = QPainterPath();
    footArcs_ = QPainterPath();
    live_.reset();
    ++liveVersion_;
    if (!shownSatellite_) {
        return;
    }
    const Date now = Date::now();
    live_ = shownSatellite_->currentSubPoint(now);
    if (extendedTrackHours_ > 0.0) {
        extended_ = polylines(extendedTrackSegments(*shownSatellite_, now, extendedTrackHours_), 2);
    }
    if (live_) {
        const MapRing ring = footprintPolygon(*live_, 72);
        footFill_ = polygons(footprintFillRings(*live_, 72));
        footArcs_ = polylines(splitPolygonArcsAtAntimeridian(ring), 2);
    }
}

void SatelliteMapView::advanceLive()
{
    updateLive();
    update();
}

void SatelliteMapView::updateTick()
{
    const bool moving = shownSatellite_ && isVisible();
    if (moving && !tick_->isActive()) {
        tick_->start();
    } else if (!moving) {
        tick_->stop();
    }
}

SatelliteMapView::Inputs SatelliteMapView::currentInputs() const
{
    Inputs in;
    if (!state_) {
        return in;
    }
    if (const auto& selected = state_->selectedPass(); selected && selected->satellite) {
        in.pass = std::pair(selected->satellite->id, selected->pass.riseTime);
        in.satelliteObject = selected->satellite.get();
    }
    in.obsLat = state_->obsLatitude();
    in.obsLon = state_->obsLongitude();
    in.obsName = state_->obsName();
    in.obs2Enabled = state_->obs2Enabled();
    if (in.obs2Enabled) {
        in.obs2Lat = state_->obs2Latitude();
        in.obs2Lon = state_->obs2Longitude();
        in.obs2Name = state_->obs2Name();
    }
    return in;
}

MapPoint SatelliteMapView::observerCoordinate() const
{
    if (!state_) {
        return {};
    }
    return {state_->obsLatitude(), state_->obsLongitude()};
}

std::optional<SubSatellitePoint> SatelliteMapView::currentSubSatellitePoint(Date at) const
{
    if (!state_ || !state_->selectedPass() || !state_->selectedPass()->satellite) {
        return std::nullopt;
    }
    return state_->selectedPass()->satellite->currentSubPoint(at);
}

std::vector<std::vector<MapPoint>> SatelliteMapView::extendedTrackSegments(const Satellite& satellite,
                                                                          Date now,
                                                                          double hoursEachSide) const
{
    const double span = hoursEachSide * 3600.0;
    const auto points = groundTrack([&satellite](Date at) { return satellite.currentSubPoint(at); },
                                    now.addingTimeInterval(-span), now.addingTimeInterval(span),
                                    extendedTrackStep(hoursEachSide));
    return splitAtAntimeridian(points);
}

std::vector<std::vector<MapPoint>> SatelliteMapView::passTrackSegments() const
{
    return splitAtAntimeridian(cache_.cachedTrack);
}

void SatelliteMapView::refresh()
{
    Inputs now = currentInputs();
    if (seen_ && now == *seen_) {
        return;
    }
    const bool passChanged =
        !seen_ || now.pass != seen_->pass || now.satelliteObject != seen_->satelliteObject;
    seen_ = std::move(now);
    if (passChanged) {
        recomputePassCache();
    }
    update();
}

void SatelliteMapView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeControls();
}

void SatelliteMapView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // What moved while hidden is brought up to now before the first frame.
    updateLive();
    updateTick();
}

void SatelliteMapView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateTick();
}

SatelliteMapView::LayerKey SatelliteMapView::layerKey(std::uint64_t content) const
{
    return {size(), devicePixelRatioF(), camera_, style(), palette().color(QPalette::Window).rgba(),
            content};
}

// Runs `draw` once per copy of the world in view, in (longitude, −latitude)
// units.
void SatelliteMapView::drawOverCopies(QPainter& p, const std::function<void(QPainter&)>& draw) const
{
    const MapProjection projection(QSizeF(width(), height()), camera_);
    const double ppd = projection.pixelsPerDegree();
    for (const double offset : projection.worldOffsets(kLandEastOverhang)) {
        const QPointF origin = projection.toScreen(0.0, offset);
        p.setTransform(QTransform(ppd, 0, 0, ppd, origin.x(), origin.y()));
        draw(p);
    }
    p.resetTransform();
}

namespace {

// Makes `image` a layer of the view's size filled with `fill`, keeping its
// memory when the size is the same (a new image each second would cost a
// fresh allocation of several megabytes at a large size).
void prepareLayer(QPixmap& image, QSize size, qreal ratio, const QColor& fill)
{
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(size.width() * ratio))),
                       std::max(1, static_cast<int>(std::ceil(size.height() * ratio))));
    if (image.size() != pixels) {
        image = QPixmap(pixels);
    }
    image.setDevicePixelRatio(ratio);
    image.fill(fill);
}

} // namespace

void SatelliteMapView::ensureBase()
{
    const LayerKey key = layerKey(passVersion_);
    if (baseKey_ && *baseKey_ == key && !base_.isNull()) {
        return;
    }
    baseKey_ = key;
    prepareLayer(base_, key.size, key.pixelRatio, palette().color(QPalette::Window).darker(115));

    QPainter p(&base_);
    p.setRenderHint(QPainter::Antialiasing);
    const StyleColors colors = colorsFor(key.style);
    const QColor gold = QColor::fromRgbF(1.0f, 0.85f, 0.25f);
    const bool pass = shownSatellite_ != nullptr;
    drawOverCopies(p, [&](QPainter& q) {
        q.setPen(Qt::NoPen);
        q.setBrush(colors.ocean);
        q.drawRect(QRectF(-180.0, -90.0, 360.0, 180.0));
        q.setBrush(colors.land);
        q.setPen(cosmeticPen(colors.coast, 0.6, Qt::RoundCap));
        q.drawPath(landPath());
        if (colors.border.isValid()) {
            q.setPen(cosmeticPen(colors.border, 0.6, Qt::RoundCap));
            q.setBrush(Qt::NoBrush);
            q.drawPath(borderPath());
        }
        if (colors.graticule.alpha() > 0) {
            q.setPen(cosmeticPen(colors.graticule, 0.5, Qt::FlatCap));
            for (int lon = -150; lon <= 150; lon += 30) {
                q.drawLine(QPointF(lon, -90), QPointF(lon, 90));
            }
            for (int lat = -60; lat <= 60; lat += 30) {
                q.drawLine(QPointF(-180, -lat), QPointF(180, -lat));
            }
        }
        if (pass) {
            q.setPen(Qt::NoPen);
            q.setBrush(withAlpha(gold, 0.18));
            q.drawPath(coverageFill_);
            q.setBrush(Qt::NoBrush);
            q.setPen(cosmeticPen(withAlpha(gold, 0.9), 1.5, Qt::RoundCap));
            q.drawPath(coverageArcs_);
        }
    });
    emit baseLayerDrawn();
}

void SatelliteMapView::ensureLiveLayer()
{
    const LayerKey key = layerKey(liveVersion_ ^ (passVersion_ << 32));
    if (liveKey_ && *liveKey_ == key && !liveLayer_.isNull()) {
        return;
    }
    liveKey_ = key;
    prepareLayer(liveLayer_, key.size, key.pixelRatio, Qt::transparent);
    if (!shownSatellite_) {
        return;
    }
    QPainter p(&liveLayer_);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor satColor = satelliteColor(shownSatellite_->id);
    drawOverCopies(p, [&](QPainter& q) {
        q.setBrush(Qt::NoBrush);
        q.setPen(cosmeticPen(withAlpha(Qt::white, 0.85), 1.5, Qt::RoundCap, 4.0));
        q.drawPath(extended_);
        q.setPen(cosmeticPen(withAlpha(satColor, 0.95), 2.5, Qt::RoundCap));
        q.drawPath(track_);
        q.setPen(Qt::NoPen);
        q.setBrush(withAlpha(satColor, 0.08));
        q.drawPath(footFill_);
        q.setBrush(Qt::NoBrush);
        q.setPen(cosmeticPen(withAlpha(satColor, 0.9), 1.5, Qt::FlatCap, 3.0));
        q.drawPath(footArcs_);
    });
}

void SatelliteMapView::paintEvent(QPaintEvent*)
{
    // Only drawing here: the layers come from their images, made again when
    // what they show changed, and the markers are drawn above them.
    ensureBase();
    ensureLiveLayer();
    QPainter p(this);
    p.drawPixmap(0, 0, base_);
    if (shownSatellite_) {
        p.drawPixmap(0, 0, liveLayer_);
    }
    p.setRenderHint(QPainter::Antialiasing);
    const StyleColors colors = colorsFor(style());
    const MapProjection projection(QSizeF(width(), height()), camera_);
    const std::shared_ptr<Satellite>& satellite = shownSatellite_;
    const std::optional<SubSatellitePoint>& live = live_;
    const QColor satColor = satellite ? satelliteColor(satellite->id) : QColor();
    const auto offsets = projection.worldOffsets(kLandEastOverhang);

    // Markers stand above every line and area, in screen units.
    for (const double offset : offsets) {
        if (state_) {
            const QPointF home = projection.toScreen(state_->obsLatitude(), state_->obsLongitude() + offset);
            p.setPen(Qt::NoPen);
            p.setBrush(withAlpha(QColor(Qt::cyan), 0.3));
            p.drawEllipse(home, 10, 10);
            drawAntennaGlyph(p, home, QColor(Qt::cyan));
            const QString title = QString::fromStdString(observerMarkerTitle(state_->obsName()));
            drawTitle(p, home + QPointF(0, 12), title, colors, width());
            if (state_->obs2Enabled()) {
                const QColor orange = ui_style::colors::orange();
                const QPointF site =
                    projection.toScreen(state_->obs2Latitude(), state_->obs2Longitude() + offset);
                p.setPen(Qt::NoPen);
                p.setBrush(withAlpha(orange, 0.3));
                p.drawEllipse(site, 10, 10);
                drawPinGlyph(p, site, orange);
                drawTitle(p, site + QPointF(0, 12), QString::fromStdString(state_->obs2Name()), colors,
                          width());
            }
        }
        if (satellite && live) {
            const QPointF at = projection.toScreen(live->latitudeDeg, live->longitudeDeg + offset);
            p.setPen(Qt::NoPen);
            p.setBrush(satColor);
            p.drawEllipse(at, 8, 8);
            drawSatelliteGlyph(p, at);
            const QFont mono = ui_style::monoFont(9, QFont::DemiBold);
            const QFontMetricsF metrics(mono);
            const QString name = QString::fromStdString(satellite->name);
            const double boxWidth = metrics.horizontalAdvance(name) + 8;
            const std::optional<double> centre = labelCentre(at.x(), boxWidth, width());
            if (!centre) {
                continue;
            }
            const QRectF box(*centre - boxWidth / 2.0, at.y() + 10, boxWidth, metrics.height() + 2);
            p.setBrush(withAlpha(palette().color(QPalette::Window), 0.75));
            p.drawRoundedRect(box, 3, 3);
            p.setFont(mono);
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(box, Qt::AlignCenter, name);
        }
    }
}

void SatelliteMapView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        animation_->stop();
        dragFrom_ = event->position();
        dragCamera_ = camera_;
        setCursor(Qt::ClosedHandCursor);
    }
}

void SatelliteMapView::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragFrom_) {
        return;
    }
    const double ppd = MapProjection(QSizeF(width(), height()), dragCamera_).pixelsPerDegree();
    const QPointF d = event->position() - *dragFrom_;
    MapCamera c = dragCamera_;
    c.centerLon -= d.x() / ppd;
    c.centerLat += d.y() / ppd;
    camera_ = clampCamera(c);
    update();
}

void SatelliteMapView::mouseReleaseEvent(QMouseEvent*)
{
    dragFrom_.reset();
    setCursor(Qt::OpenHandCursor);
}

void SatelliteMapView::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0.0) {
        return;
    }
    animation_->stop();
    // Zoom about the pointer: the place under it stays under it.
    const QSizeF size(width(), height());
    const MapPoint before = MapProjection(size, camera_).toGeo(event->position());
    MapCamera c = camera_;
    c.distance = std::clamp(c.distance * std::pow(0.8, steps), kMinCameraDistance, kMaxCameraDistance);
    const double ppd = MapProjection(size, c).pixelsPerDegree();
    c.centerLat = before.lat + (event->position().y() - size.height() / 2.0) / ppd;
    double lonUnder = before.lon;
    // Keep the longitude on the same copy of the world as the pointer.
    const double shown = camera_.centerLon
        + (event->position().x() - size.width() / 2.0) / MapProjection(size, camera_).pixelsPerDegree();
    lonUnder += std::round((shown - lonUnder) / 360.0) * 360.0;
    c.centerLon = lonUnder - (event->position().x() - size.width() / 2.0) / ppd;
    camera_ = clampCamera(c);
    update();
    event->accept();
}

} // namespace zelvane
