#pragma once

#include "SkinScrollBar.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <deque>

// The chat output of the network games: a read-only list of word-wrapped
// lines, each in its own font and colour, scrolled to its end after each line.
//
// Adding a line costs the same however many lines there are: each line's
// height is measured once for the width it is wrapped to (again only when
// that width changes), and only the newest kMaxLines lines are kept, each
// cut to kMaxLineLength characters.
class COutputPane : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kScrollBarWidth = 18;
    static constexpr int kMaxLines = 5000;
    static constexpr int kMaxLineLength = 2000;

    struct Line
    {
        QString text;
        QFont font;
        QColor colour;
    };

    explicit COutputPane(QWidget* parent = nullptr);

    // A text longer than kMaxLineLength characters is cut, the last kept
    // character being the mark "…"; the oldest line goes when there are too many.
    void AddLine(const QString& text, const QFont& font, const QColor& colour);
    void Clear();
    [[nodiscard]] const std::deque<Line>& Lines() const { return m_Lines; }
    // Pixels of text above the visible part.
    [[nodiscard]] int ScrollPosition() const { return m_ScrollPos; }
    [[nodiscard]] int TextHeight() const;
    [[nodiscard]] bool IsScrollBarShown() const { return !m_ScrollBar->isHidden(); }
    // The wheel, when the pointer is over the pane; true when taken.
    bool HandleWheel(int delta);

    // The three styles of the network games: notices, own chat, opponent's chat.
    [[nodiscard]] static QFont ChatFont();
    [[nodiscard]] static QColor NoticeColour() { return QColor(7, 7, 141); }
    [[nodiscard]] static QColor OwnChatColour() { return QColor(128, 0, 128); }
    [[nodiscard]] static QColor OpponentChatColour() { return QColor(62, 80, 231); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Where a line lies when wrapped to the layout width: its top, counted
    // from the first line ever added (lines dropped at the front keep the
    // others' tops), and its height.
    struct Place
    {
        std::int64_t top = 0;
        int height = 0;
    };

    [[nodiscard]] QRect TextArea(bool withScrollBar) const;
    [[nodiscard]] static int LineHeight(const Line& line, int width);
    // Measures every line again for the current text area, if its width changed.
    void Relayout();
    void UpdateScrollBar();
    void ScrollTo(int position);
    void OnScroll(CSkinScrollBar::Code code, int position);
    [[nodiscard]] int TotalHeight() const;

    std::deque<Line> m_Lines;
    std::deque<Place> m_Places; // one per line
    int m_LayoutWidth = -1;     // the width the places were measured for
    CSkinScrollBar* m_ScrollBar;
    int m_ScrollPos = 0;
};
