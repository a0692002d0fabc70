#include "ScreenKeeper.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <algorithm>

CScreenKeeper::CScreenKeeper(QObject* parent) : QObject(parent) {}

QScreen* CScreenKeeper::ScreenOf(const QWidget* window)
{
    if (window == nullptr)
        return QGuiApplication::primaryScreen();
    if (const QWidget* parent = window->parentWidget())
        if (QScreen* screen = parent->window()->screen())
            return screen;
    if (QScreen* screen = QGuiApplication::screenAt(window->geometry().center()))
        return screen;
    return QGuiApplication::primaryScreen();
}

QRect CScreenKeeper::Inside(const QRect& frame, const QRect& area)
{
    if (!area.isValid())
        return frame;
    QRect placed = frame;
    // The right and bottom edges first, so that a frame larger than the area
    // ends with its top-left corner (and its title bar) in it.
    if (placed.right() > area.right())
        placed.moveRight(area.right());
    if (placed.bottom() > area.bottom())
        placed.moveBottom(area.bottom());
    if (placed.left() < area.left())
        placed.moveLeft(area.left());
    if (placed.top() < area.top())
        placed.moveTop(area.top());
    return placed;
}

void CScreenKeeper::KeepOnScreen(QWidget* window)
{
    if (window == nullptr || !window->isWindow())
        return;
    const QScreen* screen = ScreenOf(window);
    if (screen == nullptr)
        return;
    // A top-level window is moved by its frame's top-left corner, which is
    // its pos(). Before the window system has framed a new window the size of
    // its frame is not known yet: a title bar and a border are counted.
    QSize frameSize = window->frameGeometry().size();
    if (frameSize == window->size() && !(window->windowFlags() & Qt::FramelessWindowHint))
    {
        const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        frameSize += QSize(2 * kAssumedBorder, std::max(title, kAssumedBorder) + kAssumedBorder);
    }
    const QRect frame(window->pos(), frameSize);
    const QRect placed = Inside(frame, screen->availableGeometry());
    if (placed != frame)
        window->move(placed.topLeft());
}

void CScreenKeeper::KeepOnScreenWhenShown(QWidget* window)
{
    KeepOnScreen(window);
    // Once framed, the real frame is known: looked at again from the event loop.
    QTimer::singleShot(0, window, [window] {
        if (window->isVisible())
            KeepOnScreen(window);
    });
}

bool CScreenKeeper::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType())
    {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && qobject_cast<QDialog*>(widget) != nullptr)
            KeepOnScreenWhenShown(widget);
    }
    return QObject::eventFilter(watched, event);
}
