#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QDialog>

#include "elements/custom_tle_store.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace zelvane {

class AppState;

// Sheet for adding element sets that no subscribed category delivers:
// pasted text or a text/JSON file goes into the imported store, the
// outcome shows on one result line, and a successful import reloads the
// catalogue. It never closes itself.
class TLEImportSheet : public QDialog {
    Q_OBJECT
public:
    explicit TLEImportSheet(std::shared_ptr<AppState> state, QWidget* parent = nullptr);

    // "Load File…": asks for a file, then imports it.
    void openFile();
    // Imports the file at the path as the file panel's choice would.
    void importFile(const QString& path);
    // "Import from Text".
    void importFromPaste();
    void handleResult(const CustomTLEStore::ImportResult& result);

    QString resultMessage() const { return resultMessage_; }
    bool resultIsError() const { return resultIsError_; }

private:
    void showResult();
    void updateImportEnabled();

    std::shared_ptr<AppState> state_;
    QString resultMessage_;
    bool resultIsError_ = false;

    QPlainTextEdit* editor_ = nullptr;
    QWidget* resultLine_ = nullptr;
    QLabel* resultIcon_ = nullptr;
    QLabel* resultText_ = nullptr;
    QPushButton* importButton_ = nullptr;
};

} // namespace zelvane
