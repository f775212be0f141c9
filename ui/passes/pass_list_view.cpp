#include "ui/passes/pass_list_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include "catalog/satellite.h"
#include "orbital/numeric_text.h"
#include "state/app_state.h"
#include "ui/passes/pass_row.h"
#include "ui/passes/timeline_selection.h"
#include "ui/passes/timeline_style.h"
#include "ui/passes/timeline_widgets.h"
#include "ui/style/refresh_timer.h"
#include "ui/style/ui_style.h"

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
    title->setFont(style::mono(15, QFont::ExtraBold));
    setTextColor(title, style::secondary(palette()));
    headerRow->addWidget(title);
    headerRow->addStretch(1);

    queueBadge_ = new QLabel(header);
    queueBadge_->setObjectName(QStringLiteral("queueBadge"));
    queueBadge_->setFont(style::mono(13, QFont::ExtraBold));
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
    clearButton_->setFont(style::font(12));
    setTextColor(clearButton_, style::red(0.8));
    connect(clearButton_, &QPushButton::clicked, this, [this] { state_->clearPassQueue(); });
    headerRow->addWidget(clearButton_);

    countLabel_ = new QLabel(header);
    countLabel_->setObjectName(QStringLiteral("passCount"));
    countLabel_->setFont(style::mono(14));
    setTextColor(countLabel_, style::secondary(palette()));
    headerRow->addWidget(countLabel_);
    column->addWidget(header);
    column->addWidget(makeTimelineDivider(this));

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("passScroll"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll_);
    content->setAutoFillBackground(true);
    content->setPalette(palette());
    rowsLayout_ = new QVBoxLayout(content);
    rowsLayout_->setSpacing(0);
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->addStretch(1);
    scroll_->setWidget(content);
    column->addWidget(scroll_, 1);

    refreshTimer_ = ui_style::makeRefreshTimer(this);
    connect(refreshTimer_, &QTimer::timeout, this, &PassListView::refresh);
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

int PassListView::heightForRows(int count) const
{
    // Header, its divider, then each row with the divider below it.
    return header_->sizeHint().height() + 1 + count * (PassRow::kHeight + 1);
}

std::vector<PassRow*> PassListView::rows() const
{
    std::vector<PassRow*> out;
    out.reserve(rows_.size());
    for (const RowEntry& entry : rows_) {
        out.push_back(entry.row);
    }
    return out;
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
    // The rows also mark the passes in progress and the next one, which move
    // with the clock: count the rises and sets already behind us.
    const Date now = Date::now();
    std::int64_t risen = 0;
    std::int64_t set = 0;
    for (const auto& sat : state_->satellites()) {
        if (!sat->isSelected()) {
            continue;
        }
        for (const PredictedPass& pass : sat->passes) {
            risen += pass.riseTime <= now ? 1 : 0;
            set += pass.setTime < now ? 1 : 0;
        }
    }
    ui_style::Fingerprint shown;
    shown.add(static_cast<std::int64_t>(timeline::passDisplayFingerprint(*state_))).add(risen).add(set);
    if (!shown_.changed(shown.value())) {
        return;
    }
    const bool hasQueue = !state_->queuedPassIds().empty();
    queueBadge_->setVisible(hasQueue);
    clearButton_->setVisible(hasQueue);
    queueBadge_->setText(QStringLiteral("QUEUED ") +
                         QString::number(static_cast<qulonglong>(state_->queuedPassIds().size())));
    rebuildRows();
    updateConflictAlert();
}

void PassListView::rebuildRows()
{
    const std::vector<AppState::PassPair> sorted = state_->allPassesSorted();
    countLabel_->setText(QString::number(static_cast<qulonglong>(sorted.size())) +
                         QStringLiteral(" upcoming"));

    const Date now = Date::now();
    std::optional<std::size_t> nextIndex;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (sorted[i].second.riseTime > now) {
            nextIndex = i;
            break;
        }
    }

    std::vector<RowKey> keys;
    keys.reserve(sorted.size());
    for (const auto& [sat, pass] : sorted) {
        keys.push_back({sat.get(), pass.riseTime.nanosecondsSince1970(),
                        pass.setTime.nanosecondsSince1970(), pass.maxElevation,
                        pass.trackPoints.size()});
    }
    bool same = keys.size() == rows_.size();
    for (std::size_t i = 0; same && i < keys.size(); ++i) {
        same = keys[i] == rows_[i].key;
    }

    if (!same) {
        for (RowEntry& entry : rows_) {
            rowsLayout_->removeWidget(entry.row);
            rowsLayout_->removeWidget(entry.divider);
            entry.row->hide();
            entry.divider->hide();
            entry.row->deleteLater();
            entry.divider->deleteLater();
        }
        rows_.clear();
    }

    QWidget* content = scroll_->widget();
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const auto& [sat, pass] = sorted[i];
        const bool selected = timeline::isSelectedPass(*state_, sat->id, pass);
        const bool inProgress = pass.riseTime <= now && now <= pass.setTime;
        const bool next = !inProgress && nextIndex == i;
        const bool queued = state_->isPassQueued(*sat, pass);
        if (same) {
            rows_[i].row->setFlags(selected, inProgress, next, queued);
            continue;
        }
        std::weak_ptr<AppState> weak = state_;
        std::weak_ptr<Satellite> weakSat = sat;
        auto* row = new PassRow(
            sat, pass, selected, inProgress, next, queued,
            [weak, weakSat, pass = pass] {
                auto state = weak.lock();
                auto s = weakSat.lock();
                if (state && s) {
                    state->togglePassQueued(*s, pass);
                }
            },
            content);
        connect(row, &PassRow::clicked, this, [this, row] {
            timeline::selectPass(*state_, row->sat(), row->pass());
        });
        auto* divider = new QWidget(content);
        auto* dividerLayout = new QHBoxLayout(divider);
        dividerLayout->setContentsMargins(52, 0, 0, 0);
        dividerLayout->addWidget(makeTimelineDivider(divider));
        const int at = rowsLayout_->count() - 1; // before the closing stretch
        rowsLayout_->insertWidget(at, row);
        rowsLayout_->insertWidget(at + 1, divider);
        rows_.push_back({row, divider, keys[i]});
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
