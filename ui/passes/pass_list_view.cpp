#include "ui/passes/pass_list_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "state/app_state.h"
#include "ui/passes/pass_list_model.h"
#include "ui/passes/pass_row.h"
#include "ui/passes/pass_row_delegate.h"
#include "ui/passes/timeline_selection.h"
#include "ui/passes/timeline_style.h"
#include "ui/passes/timeline_widgets.h"
#include "ui/style/refresh_timer.h"
#include "ui/style/ui_style.h"
#include "ui/style/window_commands.h"

namespace zelvane {

namespace style = timeline_style;

namespace {

std::string wholeDegrees(double value)
{
    const auto whole = truncateToInt64(value);
    return whole ? std::to_string(*whole) : std::string("?");
}

} // namespace

PassListView::PassListView(std::shared_ptr<AppState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("passListView"));
    ui_style::fillBackground(this, style::controlBackground(palette()));

    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);

    auto* header = new QWidget(this);
    header_ = header;
    ui_style::fillBackground(header, style::windowBackground(palette()));
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setSpacing(9);
    headerRow->setContentsMargins(10, 6, 10, 6);
    auto* title = new QLabel(QStringLiteral("PASSES"), header);
    title->setFont(style::monoFont(15, QFont::ExtraBold));
    setTextColor(title, style::secondaryText(palette()));
    headerRow->addWidget(title);
    headerRow->addStretch(1);

    queueBadge_ = new QLabel(header);
    queueBadge_->setObjectName(QStringLiteral("queueBadge"));
    queueBadge_->setFont(style::monoFont(13, QFont::ExtraBold));
    const QColor cyan = style::cyan();
    const QColor ring = style::cyan(0.6);
    queueBadge_->setStyleSheet(QStringLiteral("QLabel { color: rgb(%1,%2,%3); border: 1px solid "
                                              "rgba(%4,%5,%6,%7); border-radius: 3px; padding: 1px 5px; }")
                                   .arg(cyan.red())
                                   .arg(cyan.green())
                                   .arg(cyan.blue())
                                   .arg(ring.red())
                                   .arg(ring.green())
                                   .arg(ring.blue())
                                   .arg(ring.alpha()));
    headerRow->addWidget(queueBadge_);

    clearButton_ = new QPushButton(QStringLiteral("Clear"), header);
    clearButton_->setObjectName(QStringLiteral("clearQueueButton"));
    clearButton_->setFlat(true);
    clearButton_->setFont(style::appFont(12));
    setTextColor(clearButton_, style::red(0.8));
    connect(clearButton_, &QPushButton::clicked, this, [this] { state_->clearPassQueue(); });
    headerRow->addWidget(clearButton_);

    countLabel_ = new QLabel(header);
    countLabel_->setObjectName(QStringLiteral("passCount"));
    countLabel_->setFont(style::monoFont(14));
    setTextColor(countLabel_, style::secondaryText(palette()));
    headerRow->addWidget(countLabel_);
    column->addWidget(header);
    column->addWidget(makeTimelineDivider(this));

    model_ = new PassListModel(this);
    delegate_ = new PassRowDelegate(this);
    list_ = new QListView(this);
    list_->setObjectName(QStringLiteral("passScroll"));
    delegate_->configure(list_);
    QPalette listPalette = palette();
    listPalette.setColor(QPalette::Base, style::controlBackground(palette()));
    list_->setPalette(listPalette);
    list_->setModel(model_);
    connect(delegate_, &PassRowDelegate::rowClicked, this, &PassListView::onRowClicked);
    connect(delegate_, &PassRowDelegate::toggleClicked, this, &PassListView::onToggleClicked);
    // Rows coming into view may hold countdowns the clock timer did not follow.
    connect(list_->verticalScrollBar(), &QScrollBar::valueChanged, this, &PassListView::followClock);
    column->addWidget(list_, 1);

    refreshTimer_ = ui_style::makeRefreshTimer(this);
    connect(refreshTimer_, &QTimer::timeout, this, &PassListView::refresh);
    clockTimer_ = new QTimer(this);
    clockTimer_->setObjectName(QStringLiteral("passClockTimer"));
    clockTimer_->setSingleShot(true);
    clockTimer_->setTimerType(Qt::PreciseTimer);
    connect(clockTimer_, &QTimer::timeout, this, &PassListView::followClock);
    connection_ = ui_style::refreshOnChange(state_->objectWillChange, refreshTimer_);
    refresh();
}

PassListView::~PassListView()
{
    state_->objectWillChange.disconnect(connection_);
    if (alert_) {
        alert_->disconnect(this);
    }
}

int PassListView::rowCount() const
{
    return model_->rowCount();
}

int PassListView::heightForRows(int count) const
{
    // Header, its divider, then each row with the divider below it.
    return header_->sizeHint().height() + 1 + count * PassRow::kPitch;
}

bool PassListView::isClockTimerActive() const
{
    return clockTimer_->isActive();
}

std::string PassListView::conflictMessage(const std::string& incomingName, double incomingMaxEl,
                                          const std::string& existingName, double existingMaxEl)
{
    return incomingName + " (max " + wholeDegrees(incomingMaxEl) +
           "\u00B0) overlaps with already-queued " + existingName + " (max " +
           wholeDegrees(existingMaxEl) +
           "\u00B0). Only one pass can auto-track at a time \u2014 choose which to keep.";
}

void PassListView::refresh()
{
    refreshTimer_->stop();
    QScrollBar* bar = list_->verticalScrollBar();
    const int position = bar->value();
    const int oldCount = model_->rowCount();
    noteRowsInView();
    if (model_->refresh(*state_, Date::now()) && position > 0) {
        // Keep the pass at the top where it was, or the first one after it
        // that is still listed.
        const int top = position / PassRow::kPitch;
        int offset = position % PassRow::kPitch;
        int anchor = -1;
        for (int row = top; row < oldCount && anchor < 0; ++row) {
            anchor = model_->rowAfterLastRefresh(row);
            if (anchor < 0) {
                offset = 0;
            }
        }
        list_->doItemsLayout();
        bar->setValue(anchor < 0 ? bar->maximum() : anchor * PassRow::kPitch + offset);
    }
    updateHeader();
    updateConflictAlert();
    armClockTimer();
}

void PassListView::updateHeader()
{
    const HeaderShown shown{static_cast<std::size_t>(model_->rowCount()), state_->queuedPassIds().size()};
    if (headerShown_ == shown) {
        return;
    }
    headerShown_ = shown;
    countLabel_->setText(QString::number(static_cast<qulonglong>(shown.passes)) + QStringLiteral(" upcoming"));
    const bool hasQueue = shown.queued > 0;
    queueBadge_->setVisible(hasQueue);
    clearButton_->setVisible(hasQueue);
    queueBadge_->setText(QStringLiteral("QUEUED ") + QString::number(static_cast<qulonglong>(shown.queued)));
}

void PassListView::followClock()
{
    noteRowsInView();
    model_->updateClock(Date::now());
    armClockTimer();
}

std::pair<int, int> PassListView::rowsInView() const
{
    const int count = model_->rowCount();
    if (!isVisible() || count == 0) {
        return {0, -1};
    }
    // Every row is kPitch high: the rows in view follow from the scroll
    // position alone, without asking the list (which would lay out all of
    // them first when a layout is pending). One row above too: when it
    // rises, the first row in view becomes the next.
    const int top = list_->verticalScrollBar()->value();
    const int first = std::max(top / PassRow::kPitch - 1, 0);
    const int last = std::min(count - 1, (top + list_->viewport()->height() - 1) / PassRow::kPitch);
    return {first, last};
}

void PassListView::noteRowsInView()
{
    const auto [first, last] = rowsInView();
    model_->setRowsInView(first, last);
}

void PassListView::armClockTimer()
{
    const auto [first, last] = rowsInView();
    if (last < first) {
        clockTimer_->stop();
        return;
    }
    const Date now = Date::now();
    const auto change = model_->nextClockChange(first, last, now);
    if (!change) {
        clockTimer_->stop();
        return;
    }
    const double ms = std::ceil(change->timeIntervalSince(now) * 1000.0) + 1.0;
    clockTimer_->start(static_cast<int>(std::clamp(ms, 1.0, 86400000.0)));
}

void PassListView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Once shown and laid out, so that the rows in view are known.
    QMetaObject::invokeMethod(this, &PassListView::followClock, Qt::QueuedConnection);
}

void PassListView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    clockTimer_->stop();
}

void PassListView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible()) {
        followClock();
    }
}

void PassListView::onRowClicked(const QModelIndex& index)
{
    if (!index.isValid()) {
        return;
    }
    const auto sat = model_->satelliteAt(index.row());
    const PredictedPass* pass = model_->passAt(index.row());
    if (sat && pass) {
        timeline::selectPass(*state_, sat, PredictedPass(*pass));
    }
}

void PassListView::onToggleClicked(const QModelIndex& index)
{
    if (!index.isValid()) {
        return;
    }
    const auto sat = model_->satelliteAt(index.row());
    const PredictedPass* pass = model_->passAt(index.row());
    if (sat && pass) {
        state_->togglePassQueued(*sat, PredictedPass(*pass));
    }
}

void PassListView::updateConflictAlert()
{
    const auto& pending = state_->pendingPassConflict();
    if (!pending) {
        if (alert_) {
            // Cleared elsewhere: close without treating it as the user's answer.
            alert_->disconnect(this);
            alert_->close();
            alert_->deleteLater();
            alert_ = nullptr;
        }
        return;
    }
    if (alert_) {
        return;
    }
    const AppState::PassConflict conflict = *pending;
    auto* box = new QMessageBox(this);
    box->setObjectName(QStringLiteral("passConflictAlert"));
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Pass conflict"));
    box->setText(QStringLiteral("Pass conflict"));
    box->setInformativeText(QString::fromStdString(
        conflictMessage(conflict.incoming.satName, conflict.incoming.maxElevation,
                        conflict.existing.satName, conflict.existing.maxElevation)));
    QPushButton* replace = box->addButton(QStringLiteral("Replace"), QMessageBox::AcceptRole);
    replace->setObjectName(QStringLiteral("replaceButton"));
    QPushButton* keep = box->addButton(QStringLiteral("Keep existing"), QMessageBox::RejectRole);
    keep->setObjectName(QStringLiteral("keepExistingButton"));
    box->setEscapeButton(keep);
    box->setWindowModality(Qt::WindowModal);
    ui_style::addWindowCommands(box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box, replace, conflict](int) {
        if (box->clickedButton() == replace) {
            state_->resolveConflictReplace(conflict);
        }
        // Any dismissal ends the question; keeping the existing pass only
        // clears the pending conflict, so it is safe after a replace too.
        state_->resolveConflictKeepExisting();
        if (alert_ == box) {
            alert_ = nullptr;
        }
    });
    alert_ = box;
    box->open();
}

} // namespace zelvane
