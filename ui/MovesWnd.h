#pragma once

#include "DrawnTexts.h"
#include "SkinScrollBar.h"

#include <QFont>
#include <QString>
#include <QWidget>

class CMoveListWnd;

// The list pane of the move list: the moves two to a line with their numbers
// and the result below them, or an information text in their place. A move
// text wider than its column ("cxd8=Q+" in a narrow list) is drawn in a
// smaller size of the font until it fits, and cut short only past that.
class CMovesWnd : public QWidget, public IDrawnTexts
{
    Q_OBJECT

public:
    CMovesWnd(CMoveListWnd* list, QWidget* parent);

    // Shown instead of the moves while not empty.
    void SetInformation(const QString& text);
    [[nodiscard]] const QString& Information() const { return m_Information; }

    // Geometry of the lines
    [[nodiscard]] int LineHeight() const;
    [[nodiscard]] int LinesPerPage() const;
    // Move lines, plus one for a result text.
    [[nodiscard]] int NumberOfLines() const;
    [[nodiscard]] int MoveLines() const;
    // The first line shown (0 while the scroll bar is hidden).
    [[nodiscard]] int FirstShownLine() const;
    [[nodiscard]] const CSkinScrollBar& ScrollBar() const { return *m_ScrollBar; }
    [[nodiscard]] bool IsScrollBarShown() const { return !m_ScrollBar->isHidden(); }

    // After every change of the moves or the result: scroll bar, last line in view, repaint.
    void Refresh();
    // One line per notch; a delta between 1 and 119 (or -1 and -119) counts as one notch.
    // Returns whether the pane took the wheel (the pointer must be over it).
    bool HandleWheel(int delta, bool pointerOverPane);

    // A vertical scroll notification from the bar.
    void OnScroll(CSkinScrollBar::Code code, int position);

    // Where the move with that index (0 for White's first) is drawn; empty when not on the page.
    [[nodiscard]] QRect MoveRect(int index) const;
    // The index of the move drawn under a point, -1 for none.
    [[nodiscard]] int MoveAt(const QPoint& point) const;
    // The move marked as the browse cursor's (the last shown), -1 for none.
    [[nodiscard]] int CursorMove() const;

    // The numbers, moves and result as the next paint draws them (not the information text).
    [[nodiscard]] std::vector<DrawnText> DrawnTexts() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Smallest pixel size a move text is shrunk to before it is cut short.
    static constexpr int kSmallestFontPixels = 9;

    // One text of the move area: what, in which font and colour, and where.
    struct Piece
    {
        QString text;
        QFont font;
        QColor colour;
        QRect rect;
        int baseline = 0;
    };
    [[nodiscard]] std::vector<Piece> Pieces() const;
    // The text in the pane font, or a smaller one, or cut short, to fit the width.
    [[nodiscard]] Piece Fitted(const QString& text, const QColor& colour, int left, int width, int top) const;
    void UpdateScrollBar();
    void ScrollTo(int position);

    CMoveListWnd* m_List;
    QString m_Information;
    CSkinScrollBar* m_ScrollBar;
    QFont m_Font;
};
