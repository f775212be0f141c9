#include "ui/browser/satellite_detail_view.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "ui/browser/browser_model.h"
#include "ui/browser/browser_style.h"
#include "ui/style/elided_label.h"

namespace zelvane {

using namespace browser;

namespace {

// A titled section: title, then its rows 6 apart.
QWidget* sectionBox(const QString& title, const QString& objectName)
{
    auto* box = new QWidget;
    box->setObjectName(objectName);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* titleLabel = makeLabel(title, monoFont(10, QFont::Black), ui_style::secondaryText());
    titleLabel->setObjectName(objectName + "Title");
    layout->addWidget(titleLabel);
    return box;
}

void addRow(QWidget* box, QWidget* row)
{
    static_cast<QVBoxLayout*>(box->layout())->addWidget(row);
}

// A one-line text that is shortened with "…" when the sheet is too narrow
// for it (names, sources, descriptions from the catalogue can be long).
QLabel* elidedText(const QString& text, const QFont& font, const QColor& color = QColor())
{
    auto* label = new ui_style::ElidedLabel;
    label->setFont(font);
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        palette.setColor(QPalette::Text, color);
        label->setPalette(palette);
    }
    label->setText(text);
    return label;
}

QLabel* emptyText(const QString& text)
{
    return makeLabel(text, monoFont(11), ui_style::secondaryText());
}

QWidget* gridRow(const QString& label, const QString& value)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* labelText = makeLabel(label, monoFont(10), ui_style::secondaryText());
    labelText->setFixedWidth(130);
    labelText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* valueText = makeLabel(value, monoFont(11));
    valueText->setObjectName("value:" + label);
    valueText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(labelText, 0, Qt::AlignTop);
    layout->addWidget(valueText, 0, Qt::AlignTop);
    layout->addStretch(1);
    return row;
}

QWidget* lineBox(const std::string& line, const QString& objectName)
{
    auto* label = makeLabel(qs(line), monoFont(10));
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setStyleSheet(QStringLiteral("QLabel { background: %1; border-radius: 4px; padding: 6px; }")
                             .arg(label->palette().color(QPalette::Base).name()));
    // An element line is read character by character: it is shown whole,
    // never shortened (69 characters fit the sheet in the fixed-pitch font).
    label->setMinimumWidth(label->sizeHint().width());
    label->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    return label;
}

QWidget* transmitterRow(const Transmitter& tx)
{
    auto* row = new QWidget;
    row->setObjectName("transmitter:" + qs(tx.id));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(8);
    const bool up = tx.direction == "up";
    auto* arrow = makeLabel(up ? QStringLiteral("↑") : QStringLiteral("↓"),
                            ui_style::systemFont(10, QFont::Bold), up ? colors::orange() : colors::cyan());
    arrow->setObjectName("arrow");
    arrow->setFixedWidth(14);
    layout->addWidget(arrow, 0, Qt::AlignTop);

    auto* block = new QVBoxLayout;
    block->setSpacing(2);
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    auto* freq = makeLabel(qs(tx.displayFreqMHz()), monoFont(11, QFont::DemiBold));
    freq->setObjectName("frequency");
    line->addWidget(freq);
    auto* mode = makeLabel(qs(tx.mode), monoFont(10), ui_style::secondaryText());
    mode->setObjectName("mode");
    line->addWidget(mode);
    if (tx.inverting) {
        auto* inv = makeLabel("INV", monoFont(9, QFont::Bold), colors::purple());
        inv->setObjectName("inverting");
        line->addWidget(inv);
    }
    if (tx.ctcss) {
        auto* tone = makeLabel(qs(toneText(*tx.ctcss)), monoFont(9), colors::yellow());
        tone->setObjectName("tone");
        line->addWidget(tone);
    }
    line->addStretch(1);
    block->addLayout(line);
    auto* description = elidedText(qs(tx.description), monoFont(10), ui_style::secondaryText());
    description->setObjectName("description");
    block->addWidget(description);
    layout->addLayout(block, 1);
    return row;
}

QWidget* passRow(const PredictedPass& pass)
{
    auto* row = new QWidget;
    row->setObjectName("pass");
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* rise = makeLabel(qs(riseTimeText(pass.riseTime)), monoFont(10));
    rise->setObjectName("rise");
    rise->setFixedWidth(100);
    auto* elevation = makeLabel(qs(maxElevationText(pass.maxElevation)), monoFont(10),
                                pass.maxElevation >= 30.0 ? colors::green() : colors::yellow());
    elevation->setObjectName("maxElevation");
    elevation->setFixedWidth(60);
    auto* duration = makeLabel(qs(passDurationText(pass.duration)), monoFont(10),
                               ui_style::secondaryText());
    duration->setObjectName("duration");
    layout->addWidget(rise);
    layout->addWidget(elevation);
    layout->addWidget(duration);
    layout->addStretch(1);
    return row;
}

} // namespace

SatelliteDetailView::SatelliteDetailView(std::shared_ptr<Satellite> satellite, QWidget* parent)
    : QDialog(parent), satellite_(std::move(satellite))
{
    setObjectName("satelliteDetail");
    setWindowTitle(satellite_ ? qs(satellite_->name) : QString());
    setFixedSize(520, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (!satellite_) {
        return;
    }
    layout->addWidget(header());
    layout->addWidget(ui_style::sunkenDivider(Qt::Horizontal, this));

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(14);
    column->addWidget(orbitalElementsSection());
    if (satellite_->tle) {
        column->addWidget(tleSection());
    }
    column->addWidget(transmittersSection());
    column->addWidget(passesSection());
    column->addStretch(1);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);
}

QWidget* SatelliteDetailView::header()
{
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(new ColorDot(satelliteColor(satellite_->id), 14));

    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    auto* name = elidedText(qs(satellite_->name), monoFont(15, QFont::Bold));
    name->setObjectName("name");
    names->addWidget(name);
    auto* second = new QHBoxLayout;
    second->setSpacing(8);
    auto* norad = makeLabel("NORAD " + qs(idText(satellite_->id)), monoFont(10),
                            ui_style::secondaryText());
    norad->setObjectName("norad");
    second->addWidget(norad);
    if (!satellite_->sources.empty()) {
        auto* sources = elidedText(qs(sourcesText(*satellite_)), monoFont(10), ui_style::secondaryText());
        sources->setObjectName("sources");
        // A whole line high with any font family, an underscore below the
        // descent (DejaVu) included.
        sources->setMinimumHeight(sources->fontMetrics().height() + 2);
        second->addWidget(sources, 1);
    } else {
        second->addStretch(1);
    }
    names->addLayout(second);
    layout->addLayout(names, 1);

    auto* close = new QPushButton("Close", box);
    close->setObjectName("close");
    close->setAutoDefault(false);
    // QDialog already closes on Escape through reject().
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(close, 0, Qt::AlignTop);
    return box;
}

QWidget* SatelliteDetailView::orbitalElementsSection()
{
    QWidget* box = sectionBox("ORBITAL ELEMENTS", "orbitalElements");
    if (!satellite_->tle) {
        addRow(box, emptyText("No TLE data available"));
        return box;
    }
    for (const auto& row : orbitalElementRows(*satellite_->tle)) {
        addRow(box, gridRow(qs(row.label), qs(row.value)));
    }
    return box;
}

QWidget* SatelliteDetailView::tleSection()
{
    const TLEData& tle = *satellite_->tle;
    QWidget* box = sectionBox("TLE DATA", "tleData");
    addRow(box, gridRow("Epoch", qs(tleEpochString(tle.epochYear, tle.epochDays, Date::now()))));
    addRow(box, lineBox(tle.line1, "line1"));
    addRow(box, lineBox(tle.line2, "line2"));
    return box;
}

QWidget* SatelliteDetailView::transmittersSection()
{
    const auto& txs = satellite_->transmitters;
    QWidget* box = sectionBox("TRANSMITTERS (" + qs(idText(static_cast<std::int64_t>(txs.size()))) + ")",
                              "transmitters");
    if (txs.empty()) {
        addRow(box, emptyText("No transmitters listed for this satellite"));
        return box;
    }
    for (const auto& tx : txs) {
        addRow(box, transmitterRow(tx));
    }
    return box;
}

QWidget* SatelliteDetailView::passesSection()
{
    const auto& passes = satellite_->passes;
    QWidget* box = sectionBox(
        "UPCOMING PASSES (" + qs(idText(static_cast<std::int64_t>(passes.size()))) + ")", "passes");
    if (passes.empty()) {
        addRow(box, emptyText("No passes predicted in the current window"));
        return box;
    }
    const std::size_t shown = std::min<std::size_t>(passes.size(), 5);
    for (std::size_t i = 0; i < shown; ++i) {
        addRow(box, passRow(passes[i]));
    }
    if (passes.size() > 5) {
        auto* more = makeLabel(
            "+ " + qs(idText(static_cast<std::int64_t>(passes.size() - 5))) + " more",
            monoFont(10), ui_style::secondaryText());
        more->setObjectName("morePasses");
        more->setContentsMargins(0, 2, 0, 0);
        addRow(box, more);
    }
    return box;
}

} // namespace zelvane
