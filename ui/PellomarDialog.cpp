#include "PellomarDialog.h"
#include "ProgramFont.h"

#include "BitmapCache.h"
#include "ScreenKeeper.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

CPellomarDialog::CPellomarDialog(int templateId, QWidget* parent) : QDialog(parent), m_TemplateId(templateId)
{
    setProperty("templateId", templateId);
    // Plain labels and group boxes draw no background of their own, so the pattern shows through.
    setAttribute(Qt::WA_StyledBackground, false);
    setFont(ProgramFont(QStringLiteral("MS Sans Serif"), 11, false));
    // Make sure the pattern is in the cache before the first paint.
    (void)CBitmapCache::Instance().Get(QStringLiteral("IDB_PATTERN_SMOOTH"));
}

CSkinButton* CPellomarDialog::Button(int controlId) const
{
    for (CSkinButton* button : findChildren<CSkinButton*>())
        if (button->ControlId() == controlId)
            return button;
    return nullptr;
}

QSize CPellomarDialog::DialogUnitsToPixels(int widthDu, int heightDu) const
{
    const QFontMetrics metrics(font());
    const int baseX = std::max(
        1, metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52);
    const int baseY = std::max(1, metrics.height());
    return QSize(widthDu * baseX / 4, heightDu * baseY / 8);
}

void CPellomarDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CBitmapCache::Instance()
        .Get(QStringLiteral("IDB_PATTERN_SMOOTH"), CBitmapCache::RatioOf(painter))
        .Tile(painter, rect());
}

void CPellomarDialog::showEvent(QShowEvent* event)
{
    // Wherever the caller put it, no part of a dialog may open off the screen.
    CScreenKeeper::KeepOnScreenWhenShown(this);
    QDialog::showEvent(event);
}

void CPellomarDialog::mousePressEvent(QMouseEvent* event)
{
    // Only presses on the dialog itself reach here: controls take their own.
    if (m_DragAllowed && event->button() == Qt::LeftButton)
    {
        m_Dragging = true;
        m_DragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CPellomarDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_Dragging)
    {
        move(event->globalPosition().toPoint() - m_DragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CPellomarDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_Dragging && event->button() == Qt::LeftButton)
    {
        m_Dragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}
