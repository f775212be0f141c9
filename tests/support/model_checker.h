#pragma once

// Qt's model tester over models for as long as the checker lives. The
// tester checks every index, row count and announcement a model makes
// from the moment it is attached; what it finds is collected here instead
// of stopping the program, so a test can say which rule was broken. The
// tester's messages do not name their model, and the message handler is
// one for the program: models watched together share one checker, and
// only one checker lives at a time.

#include <QAbstractItemModel>
#include <QAbstractItemModelTester>
#include <QString>
#include <QStringList>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

namespace zelvane::test {

class ModelChecker {
public:
    explicit ModelChecker(QAbstractItemModel* model) : ModelChecker({model}) {}
    explicit ModelChecker(std::initializer_list<QAbstractItemModel*> models)
    {
        Q_ASSERT(current_ == nullptr);
        previous_ = qInstallMessageHandler(&ModelChecker::collect);
        current_ = this;
        for (QAbstractItemModel* model : models) {
            testers_.push_back(std::make_unique<QAbstractItemModelTester>(
                model, QAbstractItemModelTester::FailureReportingMode::Warning));
        }
    }
    ~ModelChecker()
    {
        testers_.clear();
        current_ = nullptr;
        qInstallMessageHandler(previous_);
    }
    ModelChecker(const ModelChecker&) = delete;
    ModelChecker& operator=(const ModelChecker&) = delete;

    // What the tester found so far, one line per broken rule.
    const QStringList& findings() const { return findings_; }

private:
    static void collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (current_ != nullptr && context.category != nullptr &&
            std::strcmp(context.category, "qt.modeltest") == 0) {
            current_->findings_ << message;
            return;
        }
        if (current_ != nullptr && current_->previous_ != nullptr) {
            current_->previous_(type, context, message);
        }
    }

    static inline ModelChecker* current_ = nullptr;
    QtMessageHandler previous_ = nullptr;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers_;
    QStringList findings_;
};

} // namespace zelvane::test
