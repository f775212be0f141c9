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

// A frameless view onto a column that scrolls up and down only, and only
// when the column is taller than the panel; across, the column follows the
// view.
QScrollArea* scrollable(QWidget* column, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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
    // The frequency column always has the room its rows need, so a step
    // button or an offset is never hidden behind a scroll bar; in a narrow
    // window the pass block gives way to it, eliding its longer texts.
    passColumn_ = new PassDetailColumn(state_, this);
    passColumn_->setMaximumWidth(panel::kPassBlockWidth);
    passColumn_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    freqColumn_ = new FrequencyColumn(state_, this);
    freqColumn_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // The rig column keeps its width; what does not fit in its height
    // scrolls rather than pushing the panel taller.
    rigColumn_ = new RigColumn(state_, this);
    QWidget* rig = scrollable(rigColumn_, this);
    rig->setObjectName(QStringLiteral("rigScroll"));
    rig->setFixedWidth(panel::kRigColumnWidth);
    layout->addWidget(passColumn_);
    layout->addWidget(ui_style::divider(Qt::Vertical, this));
    layout->addWidget(freqColumn_, 1);
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
