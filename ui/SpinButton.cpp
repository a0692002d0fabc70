#include "SpinButton.h"

#include "UiText.h"

#include <QEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

CSpinButton::CSpinButton(QLineEdit* buddy, int controlId, QWidget* parent)
    : QWidget(parent), m_Buddy(buddy), m_Up(new QToolButton(this)), m_Down(new QToolButton(this))
{
    setProperty(kControlIdProperty, controlId);
    m_Up->setArrowType(Qt::UpArrow);
    m_Down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_Up, m_Down})
    {
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_Up);
    layout->addWidget(m_Down);
    connect(m_Up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_Down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CSpinButton::SetRange(int minimum, int maximum)
{
    m_Min = minimum;
    m_Max = maximum;
}

void CSpinButton::Step(int direction)
{
    bool ok = false;
    const int value = m_Buddy->text().trimmed().toInt(&ok);
    const int next = ok ? std::clamp(value + direction, m_Min, m_Max) : m_Min;
    m_Buddy->setText(QString::number(next));
}

void CSpinButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
    {
        m_Up->setEnabled(isEnabled());
        m_Down->setEnabled(isEnabled());
    }
    QWidget::changeEvent(event);
}
