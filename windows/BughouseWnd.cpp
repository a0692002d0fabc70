#include "BughouseWnd.h"

#include "BoardView.h"
#include "BughouseEngineSeats.h"
#include "DoubleSettingsDlg.h"
#include "GameSettings.h"
#include "MessageDlg.h"
#include "OutputPane.h"
#include "PlayerWnd.h"
#include "UiText.h"

#include <QInputDialog>

#include <algorithm>

using namespace ProgramTexts;
using S = CBughouseSession;

CBughouseWnd::CBughouseWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, CBitmapCache& bitmaps,
                           QWidget* parent)
    : CGameWnd(std::make_unique<S>(settings, roster, link),
               Parts{.boards = 2,
                     .bughouse = true,
                     .panels = 4,
                     .moveList = false,
                     .chat = true,
                     .patterned = false,
                     .clearAddressOnJoin = true},
               settings, bitmaps, parent),
      m_Game(static_cast<S&>(BaseSession()))
{
    setObjectName(QStringLiteral("BughouseWnd"));
    m_RunSettings = [](CDoubleSettingsDlg& dialog) { return dialog.exec(); };
    m_RunChoice = [this](const QString& title, const QString& label, const QStringList& items) {
        bool ok = false;
        const QString item = QInputDialog::getItem(this, title, label, items, 0, false, &ok);
        return ok ? item : QString();
    };
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(800, 600);
    m_Game.Open();
}

void CBughouseWnd::RunWindowCommand(int id)
{
    switch (id)
    {
    case S::kSettingsId: OpenSettings(); break;
    case S::kAddComputerId: AddComputer(); break;
    case S::kRemoveComputerId: RemoveComputer(); break;
    case S::kRulesId: ShowHelp(IDS_BUGHOUSE_RULES_TITLE, IDS_BUGHOUSE_RULES_PAGE); break;
    case S::kHelpId: ShowHelp(IDS_NETWORK_BUGHOUSE_HELP_TITLE, IDS_NETWORK_BUGHOUSE_HELP_PAGE); break;
    case S::kMenuId:
        m_Game.Leave();
        ShowMainMenu();
        break;
    default: break;
    }
}

void CBughouseWnd::OpenSettings()
{
    CDoubleSettingsDlg dialog(Settings(), m_Game.IsServer(), m_Game.IsRunning(), this);
    if (m_RunSettings && m_RunSettings(dialog) == IDOK)
        m_Game.ApplySettings();
}

void CBughouseWnd::AddComputer()
{
    CBughouseEngineSeats* seats = m_Game.EngineSeats();
    if (seats == nullptr || !seats->CanAdd() || !m_RunChoice)
        return;
    const QStringList names = seats->EngineNames();
    if (names.isEmpty())
        return;
    const QString chosen =
        m_RunChoice(UiText(IDS_BUGHOUSE_ADD_COMPUTER_TITLE), UiText(IDS_BUGHOUSE_ADD_COMPUTER_LABEL), names);
    // The seats may have changed while the dialog was open.
    if (!chosen.isEmpty() && seats->CanAdd())
        (void)seats->Add(chosen);
}

void CBughouseWnd::RemoveComputer()
{
    CBughouseEngineSeats* seats = m_Game.EngineSeats();
    if (seats == nullptr || !seats->CanRemove() || !m_RunChoice)
        return;
    const QString chosen = m_RunChoice(UiText(IDS_BUGHOUSE_REMOVE_COMPUTER_TITLE),
                                       UiText(IDS_BUGHOUSE_REMOVE_COMPUTER_LABEL), seats->SeatNames());
    if (!chosen.isEmpty())
        (void)seats->Remove(chosen);
}

void CBughouseWnd::Layout()
{
    // The content keeps its size and stands centred in a larger window; the
    // chat output takes the height left over.
    const QSize button = ButtonSize();
    const int boardWidth = View(0)->width();
    const int boardHeight = View(0)->height();
    const int contentWidth = 2 * boardWidth + kBoardGap + kButtonGap + button.width();
    const int left = std::max(kMargin, (width() - contentWidth) / 2);
    const int boardTop = kMargin + kPanelHeight + kPanelGap;
    for (int v = 0; v < 2; ++v)
    {
        const int x = left + v * (boardWidth + kBoardGap);
        Panel(2 * v + 1)->setGeometry(x, kMargin, boardWidth, kPanelHeight);
        View(v)->move(x, boardTop);
        Panel(2 * v)->setGeometry(x, boardTop + boardHeight + kPanelGap, boardWidth, kPanelHeight);
    }
    const int chatTop = boardTop + boardHeight + 2 * kPanelGap + kPanelHeight + kChatGap;
    const int inputTop = height() - kMargin - kChatInputHeight;
    ChatInput()->setGeometry(left, inputTop, contentWidth, kChatInputHeight);
    Output()->setGeometry(left, chatTop, contentWidth, std::max(1, inputTop - kPanelGap - chatTop));
    PlaceButtons(left + 2 * boardWidth + kBoardGap + kButtonGap, kMargin, button.height() + kButtonRowGap, button);
}
