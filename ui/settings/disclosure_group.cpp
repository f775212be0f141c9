#include "ui/settings/disclosure_group.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/style/ui_style.h"

namespace zelvane {

DisclosureGroup::DisclosureGroup(const QString& title, QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(2);

    auto* header = new QHBoxLayout;
    header->setSpacing(4);
    arrow_ = new QToolButton(this);
    arrow_->setObjectName("disclosureButton");
    arrow_->setAutoRaise(true);
    arrow_->setArrowType(Qt::RightArrow);
    arrow_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // "&" would otherwise mark a keyboard mnemonic ("Amateur & Stations").
    arrow_->setText(QString(title).replace("&", "&&"));
    arrow_->setFont(ui_style::monoFont(12, QFont::DemiBold));
    header->addWidget(arrow_);
    header->addStretch(1);
    count_ = new QLabel(this);
    count_->setObjectName("disclosureCount");
    header->addWidget(count_);
    outer->addLayout(header);

    body_ = new QWidget(this);
    bodyLayout_ = new QVBoxLayout(body_);
    bodyLayout_->setContentsMargins(18, 0, 0, 4);
    bodyLayout_->setSpacing(2);
    outer->addWidget(body_);
    body_->setVisible(false);

    // Not a checkable button: a checked one would look pressed in.
    connect(arrow_, &QToolButton::clicked, this, [this] { setExpanded(!expanded_); });
}

bool DisclosureGroup::isExpanded() const
{
    return expanded_;
}

void DisclosureGroup::setExpanded(bool expanded)
{
    expanded_ = expanded;
    arrow_->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    body_->setVisible(expanded);
}

} // namespace zelvane
