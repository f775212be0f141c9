#pragma once

// The pass timeline's layer (time header, grid, threshold, pass outlines,
// fills and names) drawn from a plain picture of what it shows. The picture
// holds copies, never pointers into the state, so the drawing can run on a
// background thread while the state moves on: with tens of thousands of
// passes in the window a drawing takes longer than a frame.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLocale>
#include <QPointF>
#include <QSize>
#include <QString>

#include "orbital/date.h"
#include "orbital/pass_records.h"

namespace zelvane {
class PassInfo;
class Satellite;
}

namespace zelvane::timeline {

// Where a layer stands: its size, and the time window it shows.
struct LayerFrame {
    QSize size;          // logical pixels
    qreal ratio = 1.0;   // device pixels per logical pixel
    Date start;
    double hours = 0.0;
    friend bool operator==(const LayerFrame&, const LayerFrame&) = default;
};

// A point of a pass outline. Single precision is ample for a pixel grid and
// halves what a scene of a million points takes.
struct OutlinePoint {
    float x = 0.0f;
    float y = 0.0f;
};

// A pass in the window, as it is drawn.
struct LayerPass {
    std::int64_t satId = 0;
    std::uint32_t nameIndex = 0;  // into LayerScene::names
    double x1 = 0.0;              // rise
    double x2 = 0.0;              // set
    double peakX = 0.0;
    double maxElevation = 0.0;
    bool selected = false;
    bool hovered = false;
    // Its outline from horizon to horizon, in canvas coordinates, within
    // LayerScene::outlines.
    std::uint32_t firstPoint = 0;
    std::uint32_t pointCount = 0;
};

struct LayerScene {
    LayerFrame frame;
    double minAutoTrackElevation = 0.0;
    QColor background;        // the canvas
    QColor headerBackground;
    QColor headerText;
    QFont headerFont;
    QFont thresholdFont;
    std::array<QFont, 3> nameFonts; // 7, 9 and 10 pixels
    QLocale locale;
    // Pass names stay right of this (the elevation scale is drawn over the
    // canvas's left edge) and inside the right edge.
    double labelsFrom = 0.0;
    std::vector<std::string> names;
    // In favourites then pass order; drawLayer paints them lowest maximum
    // elevation first.
    std::vector<LayerPass> passes;
    std::vector<OutlinePoint> outlines;
};

// Puts in `scene` (whose frame is set) the passes of `sats` it draws: those
// partly inside the window and at least a point wide, each with its
// outline, marked when it is `selected` or the `hovered` one (satellite and
// rise). An outline has a point about every half point, each at a sample
// of the track, and one at the peak. The scene's lists are emptied first
// but keep their room: a scene filled again and again touches no fresh
// memory.
void fillPasses(LayerScene& scene, const std::vector<std::shared_ptr<Satellite>>& sats,
                const PassInfo* selected, std::optional<std::pair<std::int64_t, Date>> hovered);

// Puts the scene's passes in painting order: lowest maximum elevation
// first, ties as they were.
void sortForPainting(LayerScene& scene);

// The widths of the pass names at their three sizes, measured once per
// satellite and name. Used by one drawing at a time.
class NameWidths {
public:
    double width(std::int64_t satId, const std::string& name, std::size_t sizeIndex,
                 const std::array<QFont, 3>& fonts);

private:
    struct Entry {
        std::string name;
        std::array<double, 3> widths{};
        bool measured = false;
    };
    std::unordered_map<std::int64_t, Entry> entries_;
    // The fonts the widths were measured with: other fonts start afresh.
    std::array<QFont, 3> fonts_;
};

// A clock label of the time header: its text, its tick's x and where the
// label stands, in the header's coordinates.
struct HeaderLabel {
    QString text;
    double tickX = 0.0;
    double left = 0.0;
    double width = 0.0;
};

// The clock labels the time header of `scene` draws, left to right.
std::vector<HeaderLabel> timeHeaderLabels(const LayerScene& scene);

struct DrawnLayer {
    QImage image;
    LayerFrame frame;
    std::size_t passes = 0;  // the passes drawn
    std::size_t labels = 0;  // of them, those that got their name
    bool complete = false;   // false when the drawing was given up
};

// Draws the layer of `scene`, putting its passes in painting order first.
// Gives up, returning an incomplete layer, as soon as `cancelled` is set.
DrawnLayer drawLayer(LayerScene& scene, NameWidths& widths, const std::atomic<bool>& cancelled);

} // namespace zelvane::timeline
