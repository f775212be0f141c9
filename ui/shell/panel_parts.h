#pragma once

// Building blocks shared by the detail panel's three columns: rows at a
// pitch of the panel's own (the same with any font family, whatever its
// line spacing), captions, step buttons and read-outs of a fixed size.

#include <QColor>
#include <QString>

#include <functional>
#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QToolButton;
class QWidget;

namespace zelvane::shell::panel {

// The panel's height, and the pitches of its rows.
constexpr int kPanelHeight = 240;
// A caption or value row of 14–15 px text: the ink of capitals and
// descenders fits it with any family, whatever its line spacing.
constexpr int kRowPitch = 19;
// A row of step buttons.
constexpr int kStepRowHeight = 22;
// The large RX and TX figures (24 px).
constexpr int kFigureRowHeight = 28;
// The fixed width of the right column, the rig link's.
constexpr int kRigColumnWidth = 320;
// The width of the pass block when the window leaves it the room; in a
// narrow window it gives way to the frequency column.
constexpr int kPassBlockWidth = 400;
// The box of a signed offset read-out, its text at the trailing edge.
constexpr int kOffsetBoxWidth = 100;

// "−", the minus of the step buttons.
QString minus();

// A horizontal row without margins; its widget is `height` high when given.
QWidget* rowWidget(QWidget* parent, int spacing, QHBoxLayout** layoutOut, int height = 0);

// Caption and value texts of the pass block and the rig read-outs, one row
// pitch high.
QLabel* smallLabel(const QString& text, QWidget* parent);
QLabel* smallValue(const QString& text, QWidget* parent);

// Gives a read-out that changes on every tracking tick a fixed size: wide
// enough for the widest of `samples` in its font and `height` high. A new
// text then repaints the read-out alone instead of laying out its row again.
void fixReadout(QLabel* label, std::initializer_list<const char*> samples, int height = kRowPitch);

// A signed offset in hertz ("+1000 Hz") in its colour, right-aligned in a
// box that holds six digits with their sign: a wide transponder's edges or
// a converter well off its nominal frequency are that far out.
QLabel* offsetValue(QWidget* parent, const QString& objectName, const QColor& color);

// A small step button: its label with a little room, at least 28 wide.
QToolButton* stepButton(QWidget* parent, const QString& objectName, const QString& label,
                        std::function<void()> action);

} // namespace zelvane::shell::panel
