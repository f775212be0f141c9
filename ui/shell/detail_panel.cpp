#include "ui/shell/detail_panel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QScrollArea>

#include "ui/shell/frequency_column.h"
#include "ui/shell/panel_parts.h"
#include "ui/shell/pass_detail_column.h"
#include "ui/shell/rig_column.h"
#include "ui/shell/state_observer.h"
#include "ui/style/ui_style.h"

namespace zelvane {

using namespace shell;

namespace {

constexpr int kPassBlockWidth = 400;

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
    passColumn_ = new PassDetailColumn(state_, this);
    passColumn_->setFixedWidth(kPassBlockWidth);
    // The middle and right columns keep their rows whole in a narrow or
    // crowded panel: what does not fit scrolls instead of being squeezed
    // over its neighbours or forcing the window wider.
    freqColumn_ = new FrequencyColumn(state_, this);
    QWidget* freq = scrollable(freqColumn_, Qt::Horizontal, this);
    freq->setObjectName(QStringLiteral("freqScroll"));
    freq->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    rigColumn_ = new RigColumn(state_, this);
    QWidget* rig = scrollable(rigColumn_, Qt::Vertical, this);
    rig->setObjectName(QStringLiteral("rigScroll"));
    rig->setFixedWidth(panel::kRigColumnWidth);
    layout->addWidget(passColumn_);
    layout->addWidget(ui_style::divider(Qt::Vertical, this));
    layout->addWidget(freq, 1);
    layout->addWidget(ui_style::divider(Qt::Vertical, this));
    layout->addWidget(rig);

    setFixedHeight(panel::kPanelHeight);

    observer_ = std::make_unique<StateObserver>(state_, this, [this] { refresh(); });
    refresh();
}

DetailPanel::~DetailPanel() = default;

void DetailPanel::refresh()
{
    passColumn_->refresh();
    freqColumn_->refresh();
    rigColumn_->refresh();
}

} // namespace zelvane
