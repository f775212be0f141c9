#include "ui/shell/rig_column.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "catalog/satellite.h"
#include "rig/rig_protocol_mode.h"
#include "state/app_state.h"
#include "ui/shell/panel_parts.h"
#include "ui/shell/shell_format.h"
#include "ui/shell/shell_style.h"
#include "ui/shell/shell_widgets.h"
#include "ui/style/elided_label.h"
#include "ui/style/ui_style.h"

namespace zelvane::shell {

using namespace panel;

namespace {

// The status line under the link's state: two lines of 11 px text at most.
constexpr int kStatusLinePitch = 14;
constexpr int kSideMargin = 10;
// The column's fixed width less its margins, until the label has its own.
constexpr int kStatusLineWidth = kRigColumnWidth - 2 * kSideMargin;
constexpr int kButtonHeight = 28;

} // namespace

RigColumn::RigColumn(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("rigControl"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSideMargin, 8, kSideMargin, 8);
    layout->setSpacing(4);
    const QColor secondary = ui_style::secondaryText(this);

    QHBoxLayout* statusLayout = nullptr;
    QWidget* status = rowWidget(this, 6, &statusLayout, 20);
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

    satProtoStatus_ = makeLabel(QString(), monoFont(11), this);
    satProtoStatus_->setObjectName(QStringLiteral("satProtoStatus"));
    satProtoStatus_->setWordWrap(true);
    satProtoStatus_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Two lines at the column's own pitch, whatever the family's line
    // spacing; a longer status is cut after them.
    satProtoStatus_->setFixedHeight(2 * kStatusLinePitch);
    setTextColor(satProtoStatus_, ui_style::textColors::orange());
    layout->addWidget(satProtoStatus_);

    rigAddress_ = new ui_style::ElidedLabel(this);
    rigAddress_->setFont(monoFont(14));
    rigAddress_->setObjectName(QStringLiteral("rigAddress"));
    rigAddress_->setFixedHeight(kRowPitch);
    setTextColor(rigAddress_, secondary);
    layout->addWidget(rigAddress_);
    layout->addWidget(ui_style::divider(Qt::Horizontal, this));

    QHBoxLayout* buttonsLayout = nullptr;
    QWidget* buttons = rowWidget(this, 8, &buttonsLayout, kButtonHeight);
    trackButton_ = new QPushButton(QStringLiteral("\u25B6 TRACK"), buttons);
    trackButton_->setObjectName(QStringLiteral("trackButton"));
    trackButton_->setFont(monoFont(16, QFont::Bold));
    trackButton_->setFixedHeight(kButtonHeight);
    {
        // Filled green while it can be pressed; a disabled TRACK looks like
        // any other disabled button.
        QPalette palette = trackButton_->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Button, ui_style::textColors::green());
            palette.setColor(group, QPalette::ButtonText, Qt::white);
        }
        trackButton_->setPalette(palette);
        trackButton_->setAutoFillBackground(true);
    }
    stopButton_ = new QPushButton(QStringLiteral("\u25A0 STOP"), buttons);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    stopButton_->setFont(monoFont(16, QFont::Bold));
    stopButton_->setFixedHeight(kButtonHeight);
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

    trackingGroup_ = new QWidget(this);
    trackingGroup_->setObjectName(QStringLiteral("trackingGroup"));
    {
        auto* group = new QVBoxLayout(trackingGroup_);
        group->setContentsMargins(0, 2, 0, 0);
        group->setSpacing(4);
        group->addWidget(ui_style::divider(Qt::Horizontal, trackingGroup_));
        // Two columns of read-outs, so that the group fits the panel's
        // height beside the link's rows. Read down the columns they keep
        // their order: the angles on the left; range, rate and update rate,
        // the widest texts, on the right.
        auto* gridBox = new QWidget(trackingGroup_);
        auto* grid = new QGridLayout(gridBox);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(0);
        // Each value is as wide as the widest text its format gives for the
        // values that occur: angles to 360.0° and -90.0°, ranges to the
        // Moon's (400,000 km), rates of either sign to five digits.
        const struct {
            const char* caption;
            const char* name;
            QLabel** value;
            std::initializer_list<const char*> widest;
            int row;
            int column;
        } rows[] = {{"Az", "readoutAz", &readoutAz_, {"360.0\u00B0"}, 0, 0},
                    {"El", "readoutEl", &readoutEl_, {"-90.0\u00B0"}, 1, 0},
                    {"Range", "readoutRange", &readoutRange_, {"400000 km"}, 0, 3},
                    {"Rate", "readoutRate", &readoutRate_, {"-12345.6 Hz/s", "+12345.6 Hz/s"}, 1, 3},
                    {"Update", "readoutUpdate", &readoutUpdate_, {"50 Hz"}, 2, 3}};
        for (const auto& item : rows) {
            grid->addWidget(smallLabel(QString::fromUtf8(item.caption), gridBox), item.row, item.column,
                            Qt::AlignLeft);
            *item.value = smallValue(QString(), gridBox);
            (*item.value)->setObjectName(QString::fromUtf8(item.name));
            fixReadout(*item.value, item.widest);
            grid->addWidget(*item.value, item.row, item.column + 1, Qt::AlignLeft);
        }
        // The pairs stand apart a little more than caption and value.
        grid->setColumnMinimumWidth(2, 4);
        grid->setColumnStretch(5, 1);
        group->addWidget(gridBox);
        auto* reset = new QPushButton(QStringLiteral("Reset cal"), trackingGroup_);
        reset->setObjectName(QStringLiteral("resetCalButton"));
        reset->setFont(monoFont(14));
        reset->setFlat(true);
        reset->setFixedHeight(kRowPitch);
        // Borderless: the text alone, as high as its line.
        reset->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0px 2px; color: rgba(225, 55, 45, 204); }"));
        setTextColor(reset, ui_style::withAlpha(ui_style::textColors::red(), 0.8));
        reset->setCursor(Qt::PointingHandCursor);
        QObject::connect(reset, &QPushButton::clicked, this, [this] { state_->clearCalibration(); });
        group->addWidget(reset, 0, Qt::AlignLeft);
    }
    layout->addWidget(trackingGroup_);
    layout->addStretch(1);
}

void RigColumn::refresh()
{
    const AppState& s = *state_;
    // A link that is up to a daemon that answers nothing is no connection
    // to a radio: it is told as the failure it is, across its recycles.
    const bool answers = s.rigAnswers();
    const bool connected = s.rigConnected() && answers;
    statusDot_->setColor(connected ? ui_style::textColors::green() : ui_style::textColors::red());
    connectionText_->setText(connected  ? QStringLiteral("Connected")
                             : answers ? QStringLiteral("Disconnected")
                                       : QStringLiteral("No answer"));
    const RigProtocolMode mode = s.rigProtocolMode();
    const QColor modeColor = mode == RigProtocolMode::satProtoV1 ? ui_style::textColors::cyan()
                             : mode == RigProtocolMode::classic  ? ui_style::textColors::gray()
                                                                 : ui_style::secondaryText(this);
    protocolBadge_->setBadge(qs(rawValue(mode)), modeColor);

    // The address line is the settings' own, shown as soon as they change.
    // The link keeps the address it was opened with until a track finds it
    // down; a daemon that does not answer is named by that address.
    const QString configured = qs(s.rigHost()) + QStringLiteral(":") + QString::number(s.rigPort());
    const auto& link = s.rigLinkAddress();
    const QString inUse = link ? qs(link->first) + QStringLiteral(":") + QString::number(link->second) : configured;
    rigAddress_->setText(configured);

    QString status;
    if (answers) {
        status = qs(s.rigSatProtoStatus());
    } else {
        const int width = satProtoStatus_->contentsRect().width() > 0 ? satProtoStatus_->contentsRect().width()
                                                                        : kStatusLineWidth;
        if (unansweredFrom_.changed({inUse, width, satProtoStatus_->font()})) {
            // Two lines at most, whatever the address: the address is
            // elided within the first line rather than wrapped onto a third.
            unanswered_ = QStringLiteral("The daemon at ") + inUse + QStringLiteral(" does not answer");
            if (satProtoStatus_->fontMetrics().horizontalAdvance(unanswered_) > width) {
                unanswered_ = ui_style::elided(QStringLiteral("The daemon at ") + inUse, satProtoStatus_->font(),
                                               width, Qt::ElideMiddle) +
                              QStringLiteral("\ndoes not answer");
            }
        }
        status = unanswered_;
    }
    satProtoStatus_->setText(status);
    satProtoStatus_->setVisible(!status.isEmpty());

    trackButton_->setEnabled(s.selectedPass().has_value());
    stopButton_->setEnabled(s.isTracking());
    trackingGroup_->setVisible(s.isTracking());
    readoutAz_->setText(qs(formatDegrees(s.currentAzimuth())));
    readoutEl_->setText(qs(formatDegrees(s.currentElevation())));
    readoutRange_->setText(qs(formatRangeKm(s.currentRange())));
    readoutRate_->setText(qs(formatDopplerRate(s.currentDopplerRate())));
    readoutUpdate_->setText(qs(formatUpdateRate(s.dopplerUpdateHz())));
}

} // namespace zelvane::shell
