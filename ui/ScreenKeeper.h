#pragma once

#include <QObject>
#include <QRect>

class QScreen;
class QWidget;

// Keeps the program's dialogs and message boxes wholly on the screen that
// holds their window. Every dialog of the program's own kind does it when it
// is shown; installed on the application, the keeper does it for every other
// dialog too (file dialogs, the system message box, the plug-ins' dialogs).
class CScreenKeeper : public QObject
{
    Q_OBJECT

public:
    // The border assumed round a window whose frame is not known yet.
    static constexpr int kAssumedBorder = 4;

    explicit CScreenKeeper(QObject* parent = nullptr);

    // The screen of the window's parent window, else the screen under the
    // window's centre, else the primary screen; null without any screen.
    [[nodiscard]] static QScreen* ScreenOf(const QWidget* window);
    // Moves a top-level window (not resizing it) so that its frame lies inside
    // the available area of its screen; a window larger than the area keeps
    // its top-left corner in it. A child widget is left alone.
    static void KeepOnScreen(QWidget* window);
    // KeepOnScreen now, for a window being shown, and again once the event
    // loop has run, when the window system has framed it.
    static void KeepOnScreenWhenShown(QWidget* window);
    // Where a frame goes so that it lies inside the area, moved as little as possible.
    [[nodiscard]] static QRect Inside(const QRect& frame, const QRect& area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
