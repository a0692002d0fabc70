#include "ChatEdit.h"
#include "GameMessageCheck.h"
#include "ProgramFont.h"

#include <QKeyEvent>

CChatEdit::CChatEdit(QWidget* parent) : QLineEdit(parent)
{
    // No longer than the other players would keep it.
    setMaxLength(CGameMessageCheck::kMaxChatLength);
}

void CChatEdit::Attach(IChatSender* owner)
{
    m_Owner = owner;
    setFont(ProgramFont(QStringLiteral("MS Sans Serif"), 8 * logicalDpiY() / 72, false));
}

void CChatEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key())
    {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->isAutoRepeat())
            return;
        if (!text().isEmpty())
        {
            const QString line = text();
            m_History.prepend(line);
            m_Cursor = 0;
            if (m_Owner != nullptr)
                m_Owner->SendChat(line);
        }
        clear();
        return;
    case Qt::Key_Up:
        if (!m_History.isEmpty())
        {
            setText(m_History[m_Cursor]);
            if (m_Cursor < m_History.size() - 1)
                ++m_Cursor;
        }
        return;
    case Qt::Key_Down:
        if (m_Cursor == 0)
            clear();
        else if (!m_History.isEmpty())
        {
            --m_Cursor;
            setText(m_History[m_Cursor]);
        }
        return;
    default: QLineEdit::keyPressEvent(event);
    }
}
