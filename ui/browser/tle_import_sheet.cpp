#include "ui/browser/tle_import_sheet.h"

#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QToolButton>
#include <QVBoxLayout>

#include "elements/custom_tle_store.h"
#include "state/app_state.h"
#include "ui/browser/browser_model.h"
#include "ui/browser/browser_style.h"

namespace zelvane {

using namespace browser;

namespace {

constexpr const char* kExample =
    "ISS (ZARYA)\n"
    "1 25544U 98067A   26095.54791667  .00016717  00000+0  10270-3 0  9994\n"
    "2 25544  51.6412  10.7412 0002819  32.7451  12.4721 15.50073832123456";

} // namespace

TLEImportSheet::TLEImportSheet(std::shared_ptr<AppState> state, QWidget* parent)
    : QDialog(parent), state_(std::move(state))
{
    setObjectName("tleImportSheet");
    setWindowTitle("Import TLE Data");
    setFixedSize(550, 500);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 12, 12, 12);
    header->addWidget(makeLabel("Import TLE Data", monoFont(14, QFont::Bold)));
    header->addStretch(1);
    auto* close = new QPushButton("Close", this);
    close->setObjectName("close");
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject); // Escape does the same
    header->addWidget(close);
    layout->addLayout(header);
    layout->addWidget(ui_style::sunkenDivider(Qt::Horizontal, this));

    auto* instructions = new QVBoxLayout;
    instructions->setContentsMargins(12, 10, 12, 0);
    instructions->setSpacing(4);
    for (QLabel* label :
         {makeLabel("Paste TLE data below, or click 'Load File…' to open a .txt or .json file.",
                    monoFont(11), ui_style::secondaryText(this)),
          makeLabel("Supports three-line TLE, two-line TLE, CelesTrak JSON, and SatNOGS JSON.",
                    monoFont(10), ui_style::secondaryText(palette(), 0.7))}) {
        label->setWordWrap(true);
        instructions->addWidget(label);
    }
    layout->addLayout(instructions);

    editor_ = new QPlainTextEdit(this);
    editor_->setObjectName("pasteText");
    editor_->setFont(monoFont(11));
    editor_->setMinimumHeight(200);
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->setStyleSheet("QPlainTextEdit { border: 0.5px solid rgba(142,142,147,77);"
                           " border-radius: 4px; padding: 6px; }");
    auto* editorBox = new QVBoxLayout;
    editorBox->setContentsMargins(12, 12, 12, 12);
    editorBox->addWidget(editor_);
    layout->addLayout(editorBox, 1);
    connect(editor_, &QPlainTextEdit::textChanged, this, &TLEImportSheet::updateImportEnabled);

    // "Example format", collapsed until asked for.
    auto* exampleBox = new QVBoxLayout;
    exampleBox->setContentsMargins(12, 0, 12, 0);
    auto* disclosure = new QToolButton(this);
    disclosure->setObjectName("exampleToggle");
    disclosure->setText("Example format");
    disclosure->setFont(monoFont(10));
    disclosure->setCheckable(true);
    disclosure->setChecked(false);
    disclosure->setAutoRaise(true);
    disclosure->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    disclosure->setArrowType(Qt::RightArrow);
    auto* example = makeLabel(kExample, monoFont(10), ui_style::secondaryText(this));
    example->setObjectName("exampleText");
    example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    example->setContentsMargins(0, 4, 0, 0);
    example->setVisible(false);
    connect(disclosure, &QToolButton::toggled, this, [disclosure, example](bool open) {
        disclosure->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        example->setVisible(open);
    });
    exampleBox->addWidget(disclosure, 0, Qt::AlignLeft);
    exampleBox->addWidget(example);
    layout->addLayout(exampleBox);

    resultLine_ = new QWidget(this);
    resultLine_->setObjectName("resultLine");
    auto* result = new QHBoxLayout(resultLine_);
    result->setContentsMargins(12, 6, 12, 6);
    resultIcon_ = makeLabel(QString(), ui_style::systemFont(11, QFont::Bold));
    resultText_ = makeLabel(QString(), monoFont(11));
    resultText_->setObjectName("resultMessage");
    resultText_->setWordWrap(true);
    result->addWidget(resultIcon_);
    result->addWidget(resultText_, 1);
    resultLine_->setVisible(false);
    layout->addWidget(resultLine_);

    layout->addStretch(0);
    layout->addWidget(ui_style::sunkenDivider(Qt::Horizontal, this));

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 12, 12, 12);
    auto* load = new QPushButton("Load File…", this);
    load->setObjectName("loadFile");
    load->setAutoDefault(false);
    connect(load, &QPushButton::clicked, this, &TLEImportSheet::openFile);
    buttons->addWidget(load);
    buttons->addStretch(1);
    importButton_ = new QPushButton("Import from Text", this);
    importButton_->setObjectName("importFromText");
    importButton_->setDefault(true);
    connect(importButton_, &QPushButton::clicked, this, &TLEImportSheet::importFromPaste);
    buttons->addWidget(importButton_);
    layout->addLayout(buttons);

    updateImportEnabled();
}

void TLEImportSheet::updateImportEnabled()
{
    importButton_->setEnabled(!editor_->toPlainText().trimmed().isEmpty());
}

void TLEImportSheet::openFile()
{
    const QString path = QFileDialog::getOpenFileName(
        this, "Select TLE file", QString(),
        "TLE text or JSON (*.txt *.tle *.json);;Plain text (*.txt *.tle);;JSON (*.json)");
    if (path.isEmpty()) {
        return; // cancelled: an earlier result stays
    }
    importFile(path);
}

void TLEImportSheet::importFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        resultMessage_ = "Failed to read file: " + file.errorString();
        resultIsError_ = true;
        showResult();
        return;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder.decode(bytes);
    if (decoder.hasError() || file.error() != QFileDevice::NoError) {
        resultMessage_ = "Failed to read file: " +
                         (file.error() != QFileDevice::NoError
                              ? file.errorString()
                              : QStringLiteral("The file is not valid UTF-8 text."));
        resultIsError_ = true;
        showResult();
        return;
    }
    const auto result = CustomTLEStore::importFromText(bytes.toStdString());
    handleResult(result);
}

void TLEImportSheet::importFromPaste()
{
    const auto result = CustomTLEStore::importFromText(editor_->toPlainText().toStdString());
    handleResult(result);
}

void TLEImportSheet::handleResult(const CustomTLEStore::ImportResult& result)
{
    if (result.error) {
        resultMessage_ = "Error: " + qs(*result.error);
        resultIsError_ = true;
        showResult();
        return;
    }
    resultMessage_ = qs(importedMessage(result.count));
    // The sets left out are said too, never dropped without a word.
    if (result.unreadable > 0) {
        resultMessage_ += QStringLiteral("; %1 set%2 could not be read")
                              .arg(result.unreadable)
                              .arg(result.unreadable == 1 ? "" : "s");
    }
    resultIsError_ = false;
    showResult();
    if (state_) {
        state_->loadData();
    }
    editor_->clear();
}

void TLEImportSheet::showResult()
{
    const QColor color = resultIsError_ ? colors::red() : colors::green();
    resultIcon_->setText(resultIsError_ ? QStringLiteral("✖") : QStringLiteral("✔"));
    for (QLabel* label : {resultIcon_, resultText_}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
    resultText_->setText(resultMessage_);
    resultLine_->setVisible(!resultMessage_.isEmpty());
}

} // namespace zelvane
