#include "ui/settings/tle_sources_section.h"

#include <algorithm>

#include <QCheckBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "elements/tle_manager.h"
#include "state/app_state.h"
#include "ui/settings/disclosure_group.h"
#include "ui/settings/settings_rules.h"
#include "ui/settings/sheet_widgets.h"
#include "ui/style/ui_style.h"

namespace zelvane {
namespace {

using sheet::button;
using sheet::makeSecondary;
using sheet::monoFont;
using sheet::plain;
using sheet::qs;
using sheet::setCheckedQuietly;
using sheet::setTextColor;
using sheet::ss;

// Button titles from data: "&" would otherwise mark a keyboard mnemonic.
QString mnemonicFree(const std::string& text)
{
    return QString::fromStdString(text).replace("&", "&&");
}

const QColor kGreen = ui_style::colors::green();
const QColor kYellow = ui_style::colors::yellow();
const QColor kRed = ui_style::colors::red();

QColor ageColor(settings::TleAgeLevel level)
{
    switch (level) {
    case settings::TleAgeLevel::fresh:
        return kGreen;
    case settings::TleAgeLevel::aging:
        return kYellow;
    case settings::TleAgeLevel::stale:
        break;
    }
    return kRed;
}

// The icon's shape filled with one colour.
QIcon tinted(const QIcon& icon, QSize size, const QColor& colour)
{
    QPixmap pixmap = icon.pixmap(size);
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), colour);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

TleSourcesSection::TleSourcesSection(std::shared_ptr<AppState> state, QWidget* parent)
    : QGroupBox("TLE Sources", parent), state_(std::move(state))
{
    auto* layout = new QVBoxLayout;
    auto* ageRow = new QHBoxLayout;
    ageLabel_ = new QLabel;
    ageLabel_->setObjectName("tleAgeLabel");
    ageLabel_->setFont(monoFont(11));
    ageRow->addWidget(ageLabel_);
    ageRow->addStretch(1);
    auto* refresh = button("refreshNowButton", "Refresh Now");
    refresh->setFont(plain(11));
    connect(refresh, &QPushButton::clicked, this, [this] { state_->refreshTLEs(); });
    ageRow->addWidget(refresh);
    layout->addLayout(ageRow);

    for (const auto& name : uniqueSections()) {
        auto* group = categorySectionDisclosure(name);
        sectionGroups_.push_back(group);
        layout->addWidget(group);
    }
    customGroup_ = customURLSection();
    layout->addWidget(customGroup_);
    setLayout(layout);
}

std::vector<std::string> TleSourcesSection::uniqueSections()
{
    return settings::uniqueSections(TLEManager::builtinCategories());
}

DisclosureGroup* TleSourcesSection::categorySectionDisclosure(const std::string& sectionName)
{
    auto* group = new DisclosureGroup(qs(sectionName));
    group->setObjectName(qs("sectionGroup:" + sectionName));
    group->countLabel()->setFont(monoFont(10));
    sectionCounts_[sectionName] = group->countLabel();
    for (const auto& category : TLEManager::builtinCategories()) {
        if (category.section != sectionName) {
            continue;
        }
        auto* toggle = new QCheckBox(mnemonicFree(category.description));
        toggle->setObjectName(qs("categoryToggle:" + category.name));
        toggle->setFont(monoFont(11));
        const std::string key = category.name;
        connect(toggle, &QCheckBox::clicked, this, [this, key](bool on) { setSubscribed(key, on); });
        categoryToggles_[key] = toggle;
        group->bodyLayout()->addWidget(toggle);
    }
    return group;
}

DisclosureGroup* TleSourcesSection::customURLSection()
{
    auto* group = new DisclosureGroup("Custom URLs");
    group->setObjectName("customUrlGroup");
    customCount_ = group->countLabel();
    customCount_->setFont(monoFont(10));
    makeSecondary(customCount_);

    userRowsBox_ = new QWidget;
    userRowsLayout_ = new QVBoxLayout(userRowsBox_);
    userRowsLayout_->setContentsMargins(0, 0, 0, 0);
    userRowsLayout_->setSpacing(2);
    group->bodyLayout()->addWidget(userRowsBox_);

    auto* addBlock = new QVBoxLayout;
    addBlock->setSpacing(4);
    addBlock->setContentsMargins(0, 4, 0, 0);
    auto* caption = new QLabel("Add a custom URL source:");
    caption->setFont(monoFont(10));
    makeSecondary(caption);
    addBlock->addWidget(caption);

    auto* addRow = new QHBoxLayout;
    addRow->setSpacing(4);
    newSourceNameField_ = new QLineEdit;
    newSourceNameField_->setObjectName("newSourceNameField");
    newSourceNameField_->setPlaceholderText("Name (e.g. CSN)");
    newSourceNameField_->setFont(monoFont(10));
    newSourceNameField_->setFixedWidth(120);
    addRow->addWidget(newSourceNameField_);
    newSourceUrlField_ = new QLineEdit;
    newSourceUrlField_->setObjectName("newSourceUrlField");
    newSourceUrlField_->setPlaceholderText(QString::fromUtf8("https://\u2026"));
    newSourceUrlField_->setFont(monoFont(10));
    addRow->addWidget(newSourceUrlField_, 1);
    addSourceButton_ = button("addSourceButton", "Add");
    addSourceButton_->setFont(plain(10));
    connect(addSourceButton_, &QPushButton::clicked, this, &TleSourcesSection::addNewUserSource);
    addRow->addWidget(addSourceButton_);
    connect(newSourceNameField_, &QLineEdit::textChanged, this, &TleSourcesSection::updateAddButton);
    connect(newSourceUrlField_, &QLineEdit::textChanged, this, &TleSourcesSection::updateAddButton);
    addBlock->addLayout(addRow);
    sourceMessage_ = new QLabel;
    sourceMessage_->setObjectName("sourceMessage");
    sourceMessage_->setWordWrap(true);
    sourceMessage_->setFont(monoFont(10));
    setTextColor(sourceMessage_, kRed);
    sourceMessage_->hide();
    connect(newSourceNameField_, &QLineEdit::textEdited, this, [this] { showSourceMessage({}); });
    addBlock->addWidget(sourceMessage_);

    auto* presetRow = new QHBoxLayout;
    presetRow->setSpacing(4);
    auto* presetsCaption = new QLabel("Presets:");
    presetsCaption->setFont(monoFont(9));
    makeSecondary(presetsCaption);
    presetRow->addWidget(presetsCaption);
    for (const auto& preset : UserTLESourceStore::presets()) {
        auto* b = button(qs("presetButton:" + preset.name), mnemonicFree(preset.name));
        b->setFont(monoFont(9));
        connect(b, &QPushButton::clicked, this, [this, preset] { addPreset(preset); });
        presetButtons_.emplace_back(preset, b);
        presetRow->addWidget(b);
    }
    presetRow->addStretch(1);
    addBlock->addLayout(presetRow);
    group->bodyLayout()->addLayout(addBlock);

    updateAddButton();
    return group;
}

void TleSourcesSection::loadSettings()
{
    newSourceNameField_->clear();
    newSourceUrlField_->clear();
    for (auto* group : sectionGroups_) {
        group->setExpanded(false);
    }
    customGroup_->setExpanded(false);
    reloadUserSources();
    showSourceMessage({});
}

void TleSourcesSection::showSourceMessage(const QString& text)
{
    sourceMessage_->setText(text);
    sourceMessage_->setVisible(!text.isEmpty());
}

bool TleSourcesSection::refuseSharedKey(const UserTLESource& source)
{
    const auto same = UserTLESourceStore::sourceWithSameKey(source);
    if (!same || same->url == source.url) {
        return false;
    }
    showSourceMessage(QString::fromUtf8("Not added: \u201C%1\u201D would be one source with the stored "
                                        "\u201C%2\u201D (a space or \u201C/\u201D in a name counts as "
                                        "\u201C_\u201D, a \u201C:\u201D as \u201C-\u201D). Choose "
                                        "another name.")
                          .arg(qs(source.name), qs(same->name)));
    return true;
}

void TleSourcesSection::removeUserSource(const UserTLESource& source)
{
    UserTLESourceStore::remove(source.id);
    state_->removeSubscribedCategory(source.categoryKey());
    reloadUserSources();
    state_->loadData();
}

void TleSourcesSection::addNewUserSource()
{
    const UserTLESource source(ss(newSourceNameField_->text()), ss(newSourceUrlField_->text()));
    if (refuseSharedKey(source)) {
        return; // the typed fields stay, ready for another name
    }
    showSourceMessage({});
    const bool kept = UserTLESourceStore::add(source);
    reloadUserSources();
    if (kept) {
        state_->insertSubscribedCategory(source.categoryKey());
    }
    newSourceNameField_->clear();
    newSourceUrlField_->clear();
    state_->loadData();
}

void TleSourcesSection::addPreset(const UserTLESource& preset)
{
    if (refuseSharedKey(preset)) {
        return;
    }
    showSourceMessage({});
    UserTLESourceStore::add(preset);
    reloadUserSources();
    state_->insertSubscribedCategory(preset.categoryKey());
    state_->loadData();
}

void TleSourcesSection::reloadUserSources()
{
    userSources_ = UserTLESourceStore::load();
    rebuildUserSourceRows();
    for (auto& [preset, b] : presetButtons_) {
        const bool stored = std::any_of(userSources_.begin(), userSources_.end(),
                                        [&](const UserTLESource& s) { return s.url == preset.url; });
        b->setEnabled(!stored);
    }
    customCount_->setText(userSources_.empty() ? QString() : QString::number(userSources_.size()));
}

void TleSourcesSection::setSubscribed(const std::string& key, bool on)
{
    if (on) {
        state_->insertSubscribedCategory(key);
    } else {
        state_->removeSubscribedCategory(key);
    }
    state_->loadData();
}

void TleSourcesSection::rebuildUserSourceRows()
{
    // The remove button that started this may be among the rows: let Qt
    // delete them once its click has finished.
    while (QLayoutItem* item = userRowsLayout_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    userSourceToggles_.clear();

    for (const auto& source : userSources_) {
        auto* rowWidget = new QWidget;
        rowWidget->setObjectName(qs("userSourceRow:" + source.id));
        auto* rowLayout = new QHBoxLayout(rowWidget);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(6);

        auto* toggle = new QCheckBox;
        toggle->setObjectName(qs("userSourceToggle:" + source.id));
        const std::string key = source.categoryKey();
        connect(toggle, &QCheckBox::clicked, this, [this, key](bool on) { setSubscribed(key, on); });
        rowLayout->addWidget(toggle, 0, Qt::AlignTop);

        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        auto* name = new QLabel(qs(source.name));
        name->setObjectName("userSourceName");
        name->setFont(monoFont(11, QFont::DemiBold));
        name->setWordWrap(true);
        texts->addWidget(name);
        auto* url = new QLabel;
        url->setObjectName("userSourceUrl");
        url->setFont(monoFont(9));
        makeSecondary(url);
        url->setText(QFontMetrics(url->font()).elidedText(qs(source.url), Qt::ElideMiddle, 330));
        url->setToolTip(qs(source.url));
        texts->addWidget(url);
        rowLayout->addLayout(texts, 1);

        auto* remove = new QToolButton;
        remove->setObjectName(qs("removeUserSource:" + source.id));
        remove->setAutoRaise(true);
        remove->setIcon(tinted(style()->standardIcon(QStyle::SP_TrashIcon), QSize(13, 13), kRed));
        remove->setIconSize(QSize(13, 13));
        remove->setToolTip("Remove this custom URL source");
        setTextColor(remove, kRed);
        connect(remove, &QToolButton::clicked, this, [this, source] { removeUserSource(source); });
        rowLayout->addWidget(remove, 0, Qt::AlignTop);

        userSourceToggles_.emplace_back(key, toggle);
        userRowsLayout_->addWidget(rowWidget);
    }
    refreshFromState();
}

void TleSourcesSection::updateAddButton()
{
    addSourceButton_->setEnabled(!newSourceNameField_->text().isEmpty()
                                 && !newSourceUrlField_->text().isEmpty());
}

void TleSourcesSection::refreshFromState()
{
    ageLabel_->setText(qs("TLE age: " + state_->tleAgeString()));
    setTextColor(ageLabel_, ageColor(settings::tleAgeLevel(state_->tleAge())));

    const auto& subscribed = state_->subscribedCategories();
    std::map<std::string, std::pair<int, int>> counts; // section -> subscribed, total
    for (const auto& category : TLEManager::builtinCategories()) {
        auto& count = counts[category.section];
        ++count.second;
        const bool on = subscribed.count(category.name) > 0;
        if (on) {
            ++count.first;
        }
        if (auto it = categoryToggles_.find(category.name); it != categoryToggles_.end()) {
            setCheckedQuietly(it->second, on);
        }
    }
    for (auto& [sectionName, label] : sectionCounts_) {
        const auto [on, total] = counts[sectionName];
        if (on > 0) {
            label->setText(QString::number(on) + "/" + QString::number(total));
            setTextColor(label, kGreen);
        } else {
            label->setText(QString::number(total));
            makeSecondary(label);
        }
    }
    for (auto& [key, toggle] : userSourceToggles_) {
        setCheckedQuietly(toggle, subscribed.count(key) > 0);
    }
}

} // namespace zelvane
