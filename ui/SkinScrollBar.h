#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

class CCachedBitmap;

// A vertical scroll bar drawn from bitmaps. It never moves itself: it tells its
// owner what the user did (Scroll) and the owner sets the new position, as with
// the platform's scroll notifications.
class CSkinScrollBar : public QWidget
{
    Q_OBJECT

public:
    enum class Code
    {
        LineUp,
        LineDown,
        PageUp,
        PageDown,
        ThumbPosition,
        ThumbTrack,
        EndScroll,
    };
    enum class Part
    {
        None,
        UpArrow,
        DownArrow,
        TrackAbove,
        TrackBelow,
        Thumb,
    };

    static constexpr int kFirstRepeatMs = 500;
    static constexpr int kRepeatMs = 50;
    static constexpr int kHoverMs = 50;

    explicit CSkinScrollBar(QWidget* parent = nullptr);

    // The seven bitmaps: up, down, track, up pressed, down pressed, up hot, down hot.
    void SetBitmaps(const QString& up, const QString& down, const QString& track, const QString& upPressed,
                    const QString& downPressed, const QString& upHot, const QString& downHot);
    void SetColours(int width, const QColor& fill, const QColor& topLeft, const QColor& bottomRight);
    // The bitmaps and colours every list of the program uses.
    void UseProgramLook();

    // Range min..max; the page covers `page` units; the position runs min..max - page + 1.
    void SetRange(int minimum, int maximum);
    void SetPage(int page);
    void SetPosition(int position);
    [[nodiscard]] int Minimum() const { return m_Min; }
    [[nodiscard]] int Maximum() const { return m_Max; }
    [[nodiscard]] int Page() const { return m_Page; }
    [[nodiscard]] int Position() const { return m_Pos; }
    [[nodiscard]] int BarWidth() const { return m_Width; }

    // Geometry, in the bar's coordinates.
    [[nodiscard]] QRect UpArrowRect() const;
    [[nodiscard]] QRect DownArrowRect() const;
    [[nodiscard]] QRect TrackRect() const;
    [[nodiscard]] QRect ThumbRect() const;
    [[nodiscard]] Part PartAt(const QPoint& point) const;
    [[nodiscard]] Part PressedPart() const { return m_Pressed; }
    [[nodiscard]] Part HotPart() const { return m_Hot; }
    // The pending auto-repeat interval in ms, 0 when none is armed.
    [[nodiscard]] int RepeatInterval() const { return m_Repeat.isActive() ? m_Repeat.interval() : 0; }

public slots:
    // One beat of the auto-repeat: repeats the pressed part's notification while
    // the pointer stays on that part, and switches to the fast rate.
    void OnRepeatTimer();

signals:
    void Scroll(CSkinScrollBar* bar, CSkinScrollBar::Code code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    [[nodiscard]] int ArrowHeight() const;
    [[nodiscard]] const CCachedBitmap* Bitmap(int index, qreal ratio = 1.0) const;
    void Notify(Part part);
    [[nodiscard]] int PositionForThumbTop(int thumbTop) const;
    void OnHoverTimer();

    QString m_Bitmaps[7];
    int m_Width = 10;
    QColor m_Fill{7, 7, 141};
    QColor m_TopLeft{62, 80, 231};
    QColor m_BottomRight{5, 6, 200};
    int m_Min = 0;
    int m_Max = 0;
    int m_Page = 1;
    int m_Pos = 0;
    Part m_Pressed = Part::None;
    Part m_Hot = Part::None;
    QPoint m_LastPoint;
    int m_DragOffset = 0;
    int m_TrackPos = 0;
    QTimer m_Repeat;
    QTimer m_Hover;
};
