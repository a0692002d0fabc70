#pragma once

#include "SkinScrollBar.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

#include <vector>

// The chat output of the network games: a read-only list of word-wrapped
// lines, each in its own font and colour, scrolled to its end after each line.
class COutputPane : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kScrollBarWidth = 18;

    struct Line
    {
        QString text;
        QFont font;
        QColor colour;
    };

    explicit COutputPane(QWidget* parent = nullptr);

    void AddLine(const QString& text, const QFont& font, const QColor& colour);
    void Clear();
    [[nodiscard]] const std::vector<Line>& Lines() const { return m_Lines; }
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
    [[nodiscard]] QRect TextArea(bool withScrollBar) const;
    [[nodiscard]] int LineHeight(const Line& line, int width) const;
    void UpdateScrollBar();
    void ScrollTo(int position);
    void OnScroll(CSkinScrollBar::Code code, int position);

    std::vector<Line> m_Lines;
    CSkinScrollBar* m_ScrollBar;
    int m_ScrollPos = 0;
};
