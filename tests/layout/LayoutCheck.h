#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class QWidget;

// Looks at a shown window or dialog the way a reader of the screen does and
// lists what cannot be read: a visible child that leaves its parent or lies
// on a visible sibling, a caption or label that does not fit its control at
// its font, a chat pane too low for a few lines, two boards without a gap, a text a widget paints that runs out of the widget or over
// another of its texts, a skinned button stretched past its bitmap, and a
// dialog that is not wholly on its screen.
class CLayoutCheck
{
public:
    // The fewest lines of chat a chat pane must show.
    static constexpr int kLeastChatLines = 4;
    // The least gap between two boards of one window.
    static constexpr int kLeastBoardGap = 8;

    // Tells two siblings that are meant to lie on each other.
    using OverlayRule = std::function<bool(const QWidget* first, const QWidget* second)>;

    // Siblings for which the rule answers true may overlap.
    void AllowOverlay(QString why, OverlayRule rule);

    // Every fault found under the window (and in its own placement), one line
    // each, naming the widgets by their path of object names and classes.
    [[nodiscard]] QStringList Check(const QWidget* window);
    // How many widgets the checks so far have looked at.
    [[nodiscard]] int CheckedWidgets() const { return m_Checked; }

    // The widget's path for messages: "CLocalChessWnd/button1012:CSkinButton".
    [[nodiscard]] static QString PathOf(const QWidget* widget);

private:
    void CheckWidget(const QWidget* widget, QStringList& faults);
    void CheckChildren(const QWidget* parent, QStringList& faults);
    void CheckTexts(const QWidget* widget, QStringList& faults) const;
    [[nodiscard]] bool IsAllowedOverlay(const QWidget* first, const QWidget* second) const;

    std::vector<std::pair<QString, OverlayRule>> m_Overlays;
    int m_Checked = 0;
};
