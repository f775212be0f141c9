#include "ui/shell/frequency_column.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "state/app_state.h"
#include "ui/shell/detail_panel.h"
#include "ui/shell/panel_parts.h"
#include "ui/shell/shell_format.h"
#include "ui/shell/shell_style.h"
#include "ui/shell/shell_widgets.h"
#include "ui/style/elided_label.h"
#include "ui/style/ui_style.h"

namespace zelvane::shell {

using namespace panel;

namespace {

// One "label value" part of a breakdown line; the value keeps the width of
// the widest of `samples`.
QWidget* breakdownPart(QWidget* parent, const QString& label, ui_style::ElidedLabel** valueOut,
                       const QString& objectName, std::initializer_list<const char*> samples)
{
    QHBoxLayout* layout = nullptr;
    QWidget* part = rowWidget(parent, 3, &layout, kRowPitch);
    auto* caption = makeLabel(label, monoFont(12), part);
    setTextColor(caption, ui_style::secondaryText(part->palette(), 0.7));
    auto* value = new ui_style::ElidedLabel(part);
    value->setFont(monoFont(14));
    value->setObjectName(objectName);
    fixReadout(value, samples);
    setTextColor(value, ui_style::secondaryText(part));
    layout->addWidget(caption, 0, Qt::AlignVCenter);
    layout->addWidget(value, 0, Qt::AlignVCenter);
    *valueOut = value;
    return part;
}

// "RX 435.780.000" or "TX …": the caption and the large figure.
QWidget* figureRow(QWidget* parent, const QString& caption, QLabel** figureOut, const QString& objectName,
                   const QColor& color, QHBoxLayout** layoutOut)
{
    QWidget* row = rowWidget(parent, 6, layoutOut, kFigureRowHeight);
    auto* title = makeLabel(caption, monoFont(16, QFont::Black), row);
    setTextColor(title, ui_style::secondaryText(row));
    auto* figure = makeLabel(QString(), monoFont(24, QFont::Bold), row);
    figure->setObjectName(objectName);
    figure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fixReadout(figure, {"10.489.800.000", "\u2014"}, kFigureRowHeight);
    setTextColor(figure, color);
    (*layoutOut)->addWidget(title, 0, Qt::AlignBaseline);
    (*layoutOut)->addWidget(figure, 0, Qt::AlignBaseline);
    (*layoutOut)->addStretch(1);
    *figureOut = figure;
    return row;
}

// The line below the TXP row that holds "(stored only)" in a narrow column.
constexpr int kMarkerLineHeight = 15;

QLabel* stepCaption(const QString& text, QWidget* parent)
{
    auto* caption = makeLabel(text, monoFont(14, QFont::Medium), parent);
    setTextColor(caption, ui_style::secondaryText(parent));
    return caption;
}

} // namespace

FrequencyColumn::FrequencyColumn(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("freqControl"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(5);
    const QColor secondary = ui_style::secondaryText(this);
    const QString minusSign = minus();

    // Downlink section.
    auto* downlink = new QWidget(this);
    auto* down = new QVBoxLayout(downlink);
    down->setContentsMargins(0, 0, 0, 0);
    down->setSpacing(2);
    {
        QHBoxLayout* rxLayout = nullptr;
        down->addWidget(figureRow(downlink, QStringLiteral("RX"), &rxFigure_, QStringLiteral("rxFigure"),
                                  ui_style::textColors::green(), &rxLayout));

        QHBoxLayout* partsLayout = nullptr;
        QWidget* parts = rowWidget(downlink, 10, &partsLayout, kRowPitch);
        partsLayout->addWidget(breakdownPart(parts, QStringLiteral("@sat"), &rxAtSat_, QStringLiteral("rxAtSat"),
                                             {"10489.800000 MHz"}));
        partsLayout->addWidget(breakdownPart(parts, QStringLiteral("doppler"), &rxDoppler_,
                                             QStringLiteral("rxDoppler"), {"-999999 Hz"}));
        partsLayout->addWidget(
            breakdownPart(parts, QStringLiteral("RIT"), &rxRit_, QStringLiteral("rxRit"), {"-999999 Hz"}));
        partsLayout->addStretch(1);
        down->addWidget(parts);

        QHBoxLayout* ritLayout = nullptr;
        QWidget* rit = rowWidget(downlink, 4, &ritLayout, kStepRowHeight);
        ritLayout->addWidget(stepCaption(QStringLiteral("RIT"), rit));
        auto bump = [this](double delta) { return [this, delta] { state_->bumpRIT(delta); }; };
        ritLayout->addWidget(stepButton(rit, QStringLiteral("ritMinus100"), minusSign + "100", bump(-100)));
        ritLayout->addWidget(stepButton(rit, QStringLiteral("ritMinus10"), minusSign + "10", bump(-10)));
        ritLayout->addWidget(stepButton(rit, QStringLiteral("ritZero"), QStringLiteral("0"), [this] { state_->clearRIT(); }));
        ritLayout->addWidget(stepButton(rit, QStringLiteral("ritPlus10"), QStringLiteral("+10"), bump(10)));
        ritLayout->addWidget(stepButton(rit, QStringLiteral("ritPlus100"), QStringLiteral("+100"), bump(100)));
        ritValue_ = offsetValue(rit, QStringLiteral("ritValue"), ui_style::textColors::yellow());
        ritLayout->addWidget(ritValue_);
        ritLayout->addStretch(1);
        down->addWidget(rit);
    }
    layout->addWidget(downlink);
    layout->addWidget(ui_style::divider(Qt::Horizontal, this));

    // Uplink section.
    uplinkSection_ = new QWidget(this);
    uplinkSection_->setObjectName(QStringLiteral("uplinkSection"));
    {
        auto* up = new QVBoxLayout(uplinkSection_);
        up->setContentsMargins(0, 0, 0, 0);
        up->setSpacing(2);
        QHBoxLayout* txLayout = nullptr;
        QWidget* tx = figureRow(uplinkSection_, QStringLiteral("TX"), &txFigure_, QStringLiteral("txFigure"),
                                ui_style::textColors::orange(), &txLayout);
        auto* autoText = makeLabel(QStringLiteral("auto from RX"), monoFont(14), tx);
        setTextColor(autoText, secondary);
        txLayout->addWidget(autoText, 0, Qt::AlignBaseline);
        up->addWidget(tx);

        QHBoxLayout* partsLayout = nullptr;
        QWidget* parts = rowWidget(uplinkSection_, 10, &partsLayout, kRowPitch);
        partsLayout->addWidget(breakdownPart(parts, QStringLiteral("@sat"), &txAtSat_, QStringLiteral("txAtSat"),
                                             {"10489.800000 MHz"}));
        partsLayout->addWidget(breakdownPart(parts, QStringLiteral("doppler"), &txDoppler_,
                                             QStringLiteral("txDoppler"), {"-999999 Hz"}));
        partsLayout->addStretch(1);
        up->addWidget(parts);
    }
    layout->addWidget(uplinkSection_);

    QHBoxLayout* titLayout = nullptr;
    passbandRow_ = rowWidget(this, 4, &titLayout, kStepRowHeight);
    passbandRow_->setObjectName(QStringLiteral("passbandRow"));
    {
        titLayout->addWidget(stepCaption(QStringLiteral("TIT"), passbandRow_));
        senseBadge_ = new OutlineBadge(3, 1, 2.0, 1.0, passbandRow_);
        senseBadge_->setObjectName(QStringLiteral("senseBadge"));
        senseBadge_->setFont(monoFont(12, QFont::Bold));
        titLayout->addWidget(senseBadge_);
        auto bump = [this](double delta) { return [this, delta] { state_->bumpPassbandOffset(delta); }; };
        titLayout->addWidget(stepButton(passbandRow_, QStringLiteral("titMinus1k"), minusSign + "1k", bump(-1000)));
        titLayout->addWidget(stepButton(passbandRow_, QStringLiteral("titMinus100"), minusSign + "100", bump(-100)));
        titLayout->addWidget(stepButton(passbandRow_, QStringLiteral("titZero"), QStringLiteral("0"),
                                        [this] { state_->clearPassbandOffset(); }));
        titLayout->addWidget(stepButton(passbandRow_, QStringLiteral("titPlus100"), QStringLiteral("+100"), bump(100)));
        titLayout->addWidget(stepButton(passbandRow_, QStringLiteral("titPlus1k"), QStringLiteral("+1k"), bump(1000)));
        titValue_ = offsetValue(passbandRow_, QStringLiteral("titValue"), ui_style::textColors::cyan());
        titLayout->addWidget(titValue_);
        titLayout->addStretch(1);
    }
    layout->addWidget(passbandRow_);

    QHBoxLayout* noUpLayout = nullptr;
    noUplinkRow_ = rowWidget(this, 6, &noUpLayout, kFigureRowHeight);
    noUplinkRow_->setObjectName(QStringLiteral("noUplinkRow"));
    {
        auto* caption = makeLabel(QStringLiteral("TX"), monoFont(15, QFont::Medium), noUplinkRow_);
        setTextColor(caption, secondary);
        auto* none = makeLabel(QStringLiteral("\u2014 (no paired uplink)"), monoFont(16), noUplinkRow_);
        setTextColor(none, ui_style::secondaryText(palette(), 0.5));
        noUpLayout->addWidget(caption, 0, Qt::AlignVCenter);
        noUpLayout->addWidget(none, 0, Qt::AlignVCenter);
        noUpLayout->addStretch(1);
    }
    layout->addWidget(noUplinkRow_);
    layout->addWidget(ui_style::divider(Qt::Horizontal, this));

    txpRow_ = rowWidget(this, 4, &txpLayout_, kStepRowHeight);
    txpRow_->setObjectName(QStringLiteral("satCalibrationRow"));
    {
        QWidget* txp = txpRow_;
        QHBoxLayout* txpLayout = txpLayout_;
        auto* caption = stepCaption(QStringLiteral("TXP"), txp);
        caption->setObjectName(QStringLiteral("txpLabel"));
        caption->setToolTip(QStringLiteral("Transponder cal \u2014 per (sat, transponder). Applied in Pattern B "
                                           "(selectedDL); stored only in Pattern A (transponderCenter)."));
        txpLayout->addWidget(caption);
        auto bump = [this](double delta) { return [this, delta] { state_->bumpSatCalibration(delta); }; };
        txpLayout->addWidget(stepButton(txp, QStringLiteral("txpMinus1k"), minusSign + "1k", bump(-1000)));
        txpLayout->addWidget(stepButton(txp, QStringLiteral("txpMinus100"), minusSign + "100", bump(-100)));
        txpLayout->addWidget(stepButton(txp, QStringLiteral("txpMinus10"), minusSign + "10", bump(-10)));
        txpLayout->addWidget(stepButton(txp, QStringLiteral("txpZero"), QStringLiteral("0"),
                                        [this] { state_->clearCalibration(); }));
        txpLayout->addWidget(stepButton(txp, QStringLiteral("txpPlus10"), QStringLiteral("+10"), bump(10)));
        txpLayout->addWidget(stepButton(txp, QStringLiteral("txpPlus100"), QStringLiteral("+100"), bump(100)));
        txpLayout->addWidget(stepButton(txp, QStringLiteral("txpPlus1k"), QStringLiteral("+1k"), bump(1000)));
        auto* save = new QPushButton(QStringLiteral("Save"), txp);
        save->setObjectName(QStringLiteral("txpSave"));
        save->setFont(monoFont(14));
        save->setFixedSize(save->fontMetrics().horizontalAdvance(save->text()) + 20, kStepRowHeight);
        QObject::connect(save, &QPushButton::clicked, this, [this] { state_->saveSatCalibration(); });
        txpLayout->addWidget(save);
        txpValue_ = offsetValue(txp, QStringLiteral("txpValue"), ui_style::textColors::cyan());
        txpLayout->addWidget(txpValue_);
        txpLayout->addStretch(1);
    }
    layout->addWidget(txpRow_);

    // "(stored only)" ends the TXP row when the column is wide enough for
    // it; in a narrower one it stands on a line of its own below, ending
    // where the TXP value ends. It never counts towards the column's least
    // width, so the window can still be made as small as it may be.
    const int rowWithoutMarker = txpRow_->minimumSizeHint().width();
    storedOnly_ = new ui_style::ElidedLabel(QStringLiteral("(stored only)"), this);
    storedOnly_->setFont(monoFont(11));
    storedOnly_->setObjectName(QStringLiteral("storedOnly"));
    setTextColor(storedOnly_, ui_style::textColors::orange());
    const int markerWidth = storedOnly_->fontMetrics().horizontalAdvance(storedOnly_->fullText()) + 2;
    const QMargins margins = layout->contentsMargins();
    widthWithMarkerInRow_ =
        margins.left() + rowWithoutMarker + txpLayout_->spacing() + markerWidth + margins.right();
    storedOnlyLine_ = rowWidget(this, 0, &storedOnlyLineLayout_, kMarkerLineHeight);
    storedOnlyLine_->setObjectName(QStringLiteral("storedOnlyLine"));
    storedOnlyLineLayout_->addSpacing(std::max(0, rowWithoutMarker - markerWidth));
    storedOnlyLineLayout_->addStretch(1);
    layout->addWidget(storedOnlyLine_);
    storedOnlyLine_->hide();
    storedOnly_->hide();
    layout->addStretch(1);
}

void FrequencyColumn::refresh()
{
    const AppState& s = *state_;
    const QString none = QStringLiteral("\u2014");
    // A tick's figures are shown only for the satellite and transmitter it
    // was computed for; anything else has no true Doppler figure yet.
    const bool rxLive = DetailPanel::downlinkReadoutsShown(s);
    // The figures are there to be copied; while a track rewrites them at
    // every tick no selection would outlast the next one, and a selectable
    // label lays its text out as a document at each change.
    const Qt::TextInteractionFlags figures =
        s.isTracking() ? Qt::NoTextInteraction : Qt::TextInteractionFlags(Qt::TextSelectableByMouse);
    for (QLabel* figure : {rxFigure_, txFigure_}) {
        if (figure->textInteractionFlags() != figures) {
            figure->setTextInteractionFlags(figures);
        }
    }
    rxFigure_->setText(rxLive ? qs(formatBigFreq(s.currentCorrectedFreq())) : none);
    rxAtSat_->setText(qs(formatMHz(DetailPanel::rxSatOutputFreq(s))));
    rxDoppler_->setText(rxLive ? qs(formatHzSigned(s.currentDopplerShift())) : none);
    rxRit_->setText(qs(formatHzSigned(s.currentRIT())));
    ritValue_->setText(qs(formatHzSigned(s.currentRIT())));

    const bool uplink = DetailPanel::hasUplink(s);
    uplinkSection_->setVisible(uplink);
    passbandRow_->setVisible(uplink);
    noUplinkRow_->setVisible(!uplink);
    const bool txLive = DetailPanel::uplinkReadoutsShown(s);
    const double txAtSat = DetailPanel::txSatInputFreq(s);
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
                          inverting ? ui_style::textColors::orange() : ui_style::textColors::cyan());
    titValue_->setText(qs(formatHzSigned(s.currentPassbandOffset())));

    txpValue_->setText(qs(formatHzSigned(s.currentSatCalibration())));
    placeStoredOnly();
}

void FrequencyColumn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeStoredOnly();
}

void FrequencyColumn::placeStoredOnly()
{
    const bool marked = DetailPanel::calibrationStoredOnly(*state_);
    const bool inRow = width() >= widthWithMarkerInRow_;
    QWidget* home = inRow ? txpRow_ : storedOnlyLine_;
    if (storedOnly_->parentWidget() != home) {
        if (inRow) {
            storedOnlyLineLayout_->removeWidget(storedOnly_);
            // After the value, before the stretch that closes the row.
            txpLayout_->insertWidget(txpLayout_->count() - 1, storedOnly_);
        } else {
            txpLayout_->removeWidget(storedOnly_);
            storedOnlyLineLayout_->insertWidget(storedOnlyLineLayout_->count() - 1, storedOnly_);
        }
    }
    storedOnly_->setVisible(marked);
    storedOnlyLine_->setVisible(marked && !inRow);
}

} // namespace zelvane::shell
