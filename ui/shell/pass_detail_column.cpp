#include "ui/shell/pass_detail_column.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "catalog/pass_info.h"
#include "catalog/satellite.h"
#include "state/app_state.h"
#include "ui/shell/detail_panel.h"
#include "ui/shell/panel_parts.h"
#include "ui/shell/shell_style.h"
#include "ui/shell/shell_widgets.h"
#include "ui/style/elided_label.h"

namespace zelvane::shell {

using namespace panel;

namespace {

// Caption with a larger value below it. The value shortens with "…" only
// when the least window leaves the block too little room for a long one
// (the Moon's passes last for hours).
QWidget* detailItem(QWidget* parent, const QString& label, ui_style::ElidedLabel** valueOut,
                    const QString& objectName)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* caption = makeLabel(label, monoFont(12, QFont::Medium), box);
    caption->setFixedHeight(16);
    setTextColor(caption, ui_style::secondaryText(box));
    auto* value = new ui_style::ElidedLabel(box);
    value->setFont(monoFont(16, QFont::DemiBold));
    value->setFixedHeight(20);
    value->setObjectName(objectName);
    layout->addWidget(caption);
    layout->addWidget(value);
    *valueOut = value;
    return box;
}

} // namespace

PassDetailColumn::PassDetailColumn(std::shared_ptr<AppState> state, QWidget* parent)
    : QStackedWidget(parent), state_(std::move(state))
{
    setObjectName(QStringLiteral("passBlock"));

    auto* placeholder = makeLabel(QStringLiteral("Click a pass to see details"), systemFont(18), this);
    placeholder->setObjectName(QStringLiteral("passPlaceholder"));
    placeholder->setAlignment(Qt::AlignCenter);
    setTextColor(placeholder, ui_style::secondaryText(placeholder));
    addWidget(placeholder);

    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(4);

    QHBoxLayout* headerLayout = nullptr;
    QWidget* header = rowWidget(page, 6, &headerLayout, 28);
    passDot_ = new ColorDot(10, header);
    passName_ = new ui_style::ElidedLabel(header);
    passName_->setFont(monoFont(21, QFont::Bold));
    passName_->setObjectName(QStringLiteral("passName"));
    passNorad_ = makeLabel(QString(), monoFont(15), header);
    passNorad_->setObjectName(QStringLiteral("passNorad"));
    setTextColor(passNorad_, ui_style::secondaryText(header));
    headerLayout->addWidget(passDot_, 0, Qt::AlignVCenter);
    headerLayout->addWidget(passName_, 0, Qt::AlignVCenter);
    headerLayout->addWidget(passNorad_, 0, Qt::AlignVCenter);
    headerLayout->addStretch(1);
    column->addWidget(header);

    auto* times = new QWidget(page);
    auto* grid = new QGridLayout(times);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(0);
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
    setTextColor(txLabel, ui_style::secondaryText(txRow_));
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
    invertingBadge_ = rowWidget(page, 4, &badgeLayout, kRowPitch);
    invertingBadge_->setObjectName(QStringLiteral("invertingBadge"));
    auto* arrows = makeLabel(QStringLiteral("\u21C5"), systemFont(12), invertingBadge_);
    auto* invText = makeLabel(QStringLiteral("INVERTING transponder"), monoFont(14), invertingBadge_);
    setTextColor(arrows, ui_style::textColors::purple());
    setTextColor(invText, ui_style::textColors::purple());
    badgeLayout->addWidget(arrows);
    badgeLayout->addWidget(invText);
    badgeLayout->addStretch(1);
    column->addWidget(invertingBadge_);
    column->addStretch(1);

    addWidget(page);
}

QSize PassDetailColumn::sizeHint() const
{
    return {kPassBlockWidth, QStackedWidget::sizeHint().height()};
}

void PassDetailColumn::refresh()
{
    const auto& selected = state_->selectedPass();
    if (!selected || !selected->satellite) {
        setCurrentIndex(0);
        choices_.clear();
        return;
    }
    setCurrentIndex(1);
    const PassInfo& pass = *selected;
    passDot_->setColor(ui_style::satelliteColor(pass.noradId()));
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

void PassDetailColumn::refreshTransponderPicker()
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
    const QString shown = qs(DetailPanel::pickerSelectionId(choices_, state_->selectedTransmitter()));
    for (int i = 0; i < picker_->count(); ++i) {
        if (picker_->itemData(i).toString() == shown) {
            picker_->setCurrentIndex(i);
            break;
        }
    }
    const auto& tx = state_->selectedTransmitter();
    invertingBadge_->setVisible(tx.has_value() && tx->inverting);
}

void PassDetailColumn::pickerActivated(int index)
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

} // namespace zelvane::shell
