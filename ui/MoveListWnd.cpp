#include "MoveListWnd.h"

#include "MoveListOwner.h"
#include "MovesWnd.h"
#include "SkinButton.h"
#include "UiText.h"

CMoveListWnd::CMoveListWnd(IMoveListOwner* owner, QWidget* parent, int id) : QWidget(parent), m_Owner(owner)
{
    setObjectName(QStringLiteral("MoveListWnd"));
    setProperty(kControlIdProperty, id);
    const int captions[4] = {ProgramTexts::IDS_BROWSE_START, ProgramTexts::IDS_BROWSE_BACK,
                             ProgramTexts::IDS_BROWSE_FORWARD, ProgramTexts::IDS_BROWSE_END};
    for (int i = 0; i < 4; ++i)
        m_Buttons[i] = new CSkinButton(captions[i], this, kGoToStartId + i, CSkinButton::Kind::Little);
    connect(m_Buttons[0], &QPushButton::clicked, this, &CMoveListWnd::OnGoToStart);
    connect(m_Buttons[1], &QPushButton::clicked, this, &CMoveListWnd::OnStepBack);
    connect(m_Buttons[2], &QPushButton::clicked, this, &CMoveListWnd::OnStepForward);
    connect(m_Buttons[3], &QPushButton::clicked, this, &CMoveListWnd::OnGoToEnd);
    m_Pane = new CMovesWnd(this, this);
    UpdateBrowseButtons();
}

CSkinButton* CMoveListWnd::BrowseButton(int controlId) const
{
    for (CSkinButton* b : m_Buttons)
        if (b->ControlId() == controlId)
            return b;
    return nullptr;
}

void CMoveListWnd::resizeEvent(QResizeEvent*)
{
    // The buttons side by side in one row, centred; the pane below them over the rest.
    int rowWidth = 0;
    int rowHeight = 0;
    for (CSkinButton* b : m_Buttons)
    {
        rowWidth += b->width();
        rowHeight = std::max(rowHeight, b->height());
    }
    int x = (width() - rowWidth) / 2;
    for (CSkinButton* b : m_Buttons)
    {
        b->move(x, 0);
        x += b->width();
    }
    const int top = rowHeight + 6;
    m_Pane->setGeometry(0, top, width(), std::max(0, height() - top));
}

void CMoveListWnd::SetInformation(const QString& text)
{
    m_Pane->SetInformation(text);
}

void CMoveListWnd::AddMove(const std::string& text)
{
    m_Moves.push_back(text);
    Refresh();
}

void CMoveListWnd::AddMoves(const std::vector<std::string>& texts)
{
    m_Moves.insert(m_Moves.end(), texts.begin(), texts.end());
    Refresh();
}

void CMoveListWnd::Clear()
{
    m_Moves.clear();
    m_Result.clear();
    Refresh();
}

void CMoveListWnd::RemoveLast()
{
    if (m_Owner == nullptr || m_Moves.empty())
        return;
    m_Moves.pop_back();
    m_Result.clear();
    Refresh();
    UpdateBrowseButtons();
}

void CMoveListWnd::SetResult(const std::string& text)
{
    m_Result = text;
    Refresh();
}

void CMoveListWnd::Refresh()
{
    m_Pane->Refresh();
}

void CMoveListWnd::UpdateBrowseButtons()
{
    if (m_Owner == nullptr)
        return;
    const bool back = m_Owner->CanStepBack();
    const bool forward = m_Owner->CanStepForward();
    m_Buttons[0]->setEnabled(back);
    m_Buttons[1]->setEnabled(back);
    m_Buttons[2]->setEnabled(forward);
    m_Buttons[3]->setEnabled(forward);
}

bool CMoveListWnd::HandleWheel(int delta, const QPoint& globalPointer)
{
    const bool over = m_Pane->isVisible() && m_Pane->rect().contains(m_Pane->mapFromGlobal(globalPointer));
    return m_Pane->HandleWheel(delta, over);
}

void CMoveListWnd::OnGoToStart()
{
    if (m_Owner == nullptr)
        return;
    m_Owner->GoToStart();
    m_Moves.clear();
    m_Result.clear();
    Refresh();
    UpdateBrowseButtons();
}

void CMoveListWnd::OnStepBack()
{
    if (m_Owner == nullptr)
        return;
    m_Owner->StepBack();
    if (!m_Moves.empty())
    {
        m_Moves.pop_back();
        m_Result.clear();
        Refresh();
    }
    UpdateBrowseButtons();
}

void CMoveListWnd::OnStepForward()
{
    if (m_Owner == nullptr)
        return;
    const std::string text = m_Owner->StepForward();
    if (!text.empty())
        m_Moves.push_back(text);
    Refresh();
    UpdateBrowseButtons();
}

void CMoveListWnd::OnGoToEnd()
{
    if (m_Owner == nullptr)
        return;
    m_Moves = m_Owner->GoToEnd();
    Refresh();
    UpdateBrowseButtons();
}

void CMoveListWnd::GoToMove(int index)
{
    if (m_Owner == nullptr || index < 0)
        return;
    while (static_cast<int>(m_Moves.size()) > index + 1 && m_Owner->CanStepBack())
        OnStepBack();
    while (static_cast<int>(m_Moves.size()) < index + 1 && m_Owner->CanStepForward())
    {
        const size_t before = m_Moves.size();
        OnStepForward();
        if (m_Moves.size() == before)
            break;
    }
}
