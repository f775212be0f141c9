#pragma once

#include <QWidget>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace zelvane {

// A collapsible group: a header with an arrow, a title and a trailing count,
// and a body shown only while expanded. Starts collapsed.
class DisclosureGroup : public QWidget {
    Q_OBJECT
public:
    explicit DisclosureGroup(const QString& title, QWidget* parent = nullptr);

    bool isExpanded() const;
    void setExpanded(bool expanded);

    QLabel* countLabel() const { return count_; }
    QVBoxLayout* bodyLayout() const { return bodyLayout_; }
    QToolButton* toggleButton() const { return arrow_; }

private:
    QToolButton* arrow_ = nullptr;
    QLabel* count_ = nullptr;
    QWidget* body_ = nullptr;
    QVBoxLayout* bodyLayout_ = nullptr;
    bool expanded_ = false;
};

} // namespace zelvane
