#pragma once

// What the user sees of a window's parts, measured on the laid-out widgets:
// the font families a test lays them out with, and every place where a part
// stands outside the parent that shows it, or a text is taller than its box.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStringList>
#include <QWidget>

#include <string>
#include <vector>

namespace zelvane::test {

// A desktop's pair of font families: its proportional and its fixed-pitch
// one, as fontconfig would hand them out as "Sans Serif" and "monospace".
struct FontFamilies {
    const char* name;
    const char* general;
    const char* fixed;
};

inline const FontFamilies kDejaVu{"DejaVu", "DejaVu Sans", "DejaVu Sans Mono"};
inline const FontFamilies kNoto{"Noto", "Noto Sans", "Noto Sans Mono"};

// While it lives, the system's generic families resolve to the given ones,
// whatever the machine's own choice is. Widgets made afterwards use them.
class UseFontFamilies {
public:
    explicit UseFontFamilies(const FontFamilies& families)
        : general_(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()),
          fixed_(QFontDatabase::systemFont(QFontDatabase::FixedFont).family()),
          oldGeneral_(QFont::substitutes(general_)),
          oldFixed_(QFont::substitutes(fixed_))
    {
        const QStringList installed = QFontDatabase::families();
        available_ = installed.contains(QString::fromUtf8(families.general)) &&
                     installed.contains(QString::fromUtf8(families.fixed));
        set(general_, {QString::fromUtf8(families.general)});
        set(fixed_, {QString::fromUtf8(families.fixed)});
        QApplication::setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    }
    ~UseFontFamilies()
    {
        set(general_, oldGeneral_);
        set(fixed_, oldFixed_);
        QApplication::setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    }
    UseFontFamilies(const UseFontFamilies&) = delete;
    UseFontFamilies& operator=(const UseFontFamilies&) = delete;

    bool available() const { return available_; }

private:
    static void set(const QString& family, const QStringList& substitutes)
    {
        QFont::removeSubstitutions(family);
        if (!substitutes.isEmpty()) {
            QFont::insertSubstitutions(family, substitutes);
        }
    }

    QString general_;
    QString fixed_;
    QStringList oldGeneral_;
    QStringList oldFixed_;
    bool available_ = false;
};

// The family a font really draws with.
inline std::string drawnFamily(const QFont& font) { return QFontInfo(font).family().toStdString(); }

inline std::string nameOf(const QWidget& widget)
{
    std::string name = widget.metaObject()->className();
    if (!widget.objectName().isEmpty()) {
        name += " " + widget.objectName().toStdString();
    }
    return name;
}

inline std::string rectText(const QRect& r)
{
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
           std::to_string(r.height());
}

// The scroll area whose viewport `widget` is, if any.
inline const QAbstractScrollArea* scrollAreaOf(const QWidget* viewport)
{
    if (viewport == nullptr) {
        return nullptr;
    }
    auto* area = qobject_cast<const QAbstractScrollArea*>(viewport->parentWidget());
    return area != nullptr && area->viewport() == viewport ? area : nullptr;
}

// The text a widget shows on one line, for its height check.
inline QString shownText(const QWidget& widget)
{
    if (auto* label = qobject_cast<const QLabel*>(&widget)) {
        if (label->wordWrap() || !label->pixmap().isNull() || label->textFormat() == Qt::RichText) {
            return {};
        }
        return label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        return text;
    }
    if (auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        return combo->currentText();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
        return edit->text().isEmpty() ? edit->placeholderText() : edit->text();
    }
    return {};
}

// Every visible part of `root` that stands outside its parent's rectangle
// (cut off by it), or whose one-line text is taller than the part. Content
// of a scroll area may exceed the view only where a scroll bar reaches it.
inline void walkGeometry(const QWidget& root, const std::string& where, std::vector<std::string>& cuts)
{
    const QList<QWidget*> all = root.findChildren<QWidget*>();
    for (const QWidget* widget : all) {
        if (widget->isWindow() || !widget->isVisibleTo(&root)) {
            continue;
        }
        const QWidget* parent = widget->parentWidget();
        const QRect box = widget->geometry();
        if (const QAbstractScrollArea* area = scrollAreaOf(parent)) {
            const bool wider = box.width() > parent->width() || box.left() < 0;
            const bool taller = box.height() > parent->height() || box.top() < 0;
            if ((wider && !area->horizontalScrollBar()->isVisibleTo(&root)) ||
                (taller && !area->verticalScrollBar()->isVisibleTo(&root))) {
                cuts.push_back(where + ": " + nameOf(*widget) + " " + rectText(box) +
                               " cannot be scrolled to in " + nameOf(*area) + " " +
                               rectText(parent->rect()));
            }
        } else if (!parent->rect().contains(box)) {
            cuts.push_back(where + ": " + nameOf(*widget) + " " + rectText(box) + " outside " +
                           nameOf(*parent) + " " + rectText(parent->rect()));
            continue;
        }
        if (box.isEmpty() && !widget->minimumSizeHint().isEmpty() && !qobject_cast<const QScrollBar*>(widget)) {
            cuts.push_back(where + ": " + nameOf(*widget) + " squeezed to " + rectText(box));
            continue;
        }
        // Where a one-line label draws its text: the font's line box placed
        // by the label's alignment; the ink of the text must stay within
        // the label, or the row cuts its top or its descenders.
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (label != nullptr && !shownText(*label).trimmed().isEmpty() && label->pixmap().isNull()) {
            const QFontMetricsF metrics(label->font());
            const QRect room = label->contentsRect();
            double baseline = room.top() + (room.height() - metrics.height()) / 2.0 + metrics.ascent();
            if (label->alignment() & Qt::AlignTop) {
                baseline = room.top() + metrics.ascent();
            } else if (label->alignment() & Qt::AlignBottom) {
                baseline = room.top() + room.height() - metrics.descent();
            }
            const QRectF ink = metrics.tightBoundingRect(shownText(*label));
            if (baseline + ink.top() < -0.25 || baseline + ink.bottom() > label->height() + 0.25) {
                cuts.push_back(where + ": " + nameOf(*widget) + " \"" + shownText(*label).toStdString() +
                               "\" ink " + std::to_string(baseline + ink.top()) + ".." +
                               std::to_string(baseline + ink.bottom()) + " in a label " +
                               std::to_string(label->height()) + " high");
            }
        }
        const QString text = shownText(*widget);
        if (!text.trimmed().isEmpty()) {
            // The ink of the text, not the font's line spacing: a row at a
            // pitch of its own may be lower than that and still show all.
            const int ink = widget->fontMetrics().tightBoundingRect(text).height();
            if (ink > widget->contentsRect().height()) {
                cuts.push_back(where + ": " + nameOf(*widget) + " \"" + text.toStdString() + "\" is " +
                               std::to_string(ink) + " high in " +
                               std::to_string(widget->contentsRect().height()));
            }
        }
    }
}

// Saves a render for a person to look at into the folder named by
// ZELVANE_RENDER_DIR, a folder that outlives the test; nowhere without one.
inline void saveRender(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("ZELVANE_RENDER_DIR");
    if (!folder.isEmpty()) {
        widget.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
}

inline std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& line : lines) {
        out += line + "\n";
    }
    return out;
}

} // namespace zelvane::test
