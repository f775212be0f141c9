#include "ui/style/window_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

namespace zelvane::ui_style {

namespace {

QList<QKeySequence> standardKeys(QKeySequence::StandardKey command, const QKeySequence& usual)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(command);
    if (!keys.contains(usual)) {
        keys.append(usual);
    }
    return keys;
}

QAction* windowAction(QWidget* window, const char* name, const QString& text, const QList<QKeySequence>& keys)
{
    auto* action = new QAction(text, window);
    action->setObjectName(QString::fromUtf8(name));
    action->setShortcuts(keys);
    // Only while this window is the active one: the same keys belong to
    // every other window as well, each acting on itself.
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

} // namespace

QList<QKeySequence> closeWindowKeys() { return standardKeys(QKeySequence::Close, QKeySequence(Qt::CTRL | Qt::Key_W)); }

QList<QKeySequence> quitKeys() { return standardKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)); }

WindowCommands addWindowCommands(QWidget* window)
{
    WindowCommands commands;
    commands.closeWindow = windowAction(window, "closeWindowAction", QStringLiteral("Close Window"), closeWindowKeys());
    QObject::connect(commands.closeWindow, &QAction::triggered, window,
                     [target = QPointer<QWidget>(window)] {
                         if (target) {
                             closeWindowOrItsSheet(target);
                         }
                     });
    commands.quit = windowAction(window, "quitAction", QStringLiteral("Quit"), quitKeys());
    commands.quit->setMenuRole(QAction::QuitRole);
    QObject::connect(commands.quit, &QAction::triggered, window, [] { quitProgram(); });
    return commands;
}

QWidget* openSheetOf(QWidget* window)
{
    QWidget* sheet = nullptr;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->isWindow() && child->isVisible() && child->isModal() && child->parentWidget() != nullptr &&
            child->parentWidget()->window() == window) {
            sheet = child;
        }
    }
    if (sheet == nullptr) {
        return nullptr;
    }
    QWidget* over = openSheetOf(sheet);
    return over != nullptr ? over : sheet;
}

void closeWindowOrItsSheet(QWidget* window)
{
    // A window whose sheet is open is blocked by it and is normally not the
    // active one; should its keys still reach it, they mean the sheet.
    QWidget* sheet = openSheetOf(window);
    (sheet != nullptr ? sheet : window)->close();
}

void quitProgram() { QCoreApplication::quit(); }

} // namespace zelvane::ui_style
