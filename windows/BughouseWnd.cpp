#include "BughouseWnd.h"

#include "BoardView.h"
#include "DoubleSettingsDlg.h"
#include "GameSettings.h"
#include "MessageDlg.h"
#include "OutputPane.h"
#include "PlayerWnd.h"
#include "UiText.h"

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
    // Both boards side by side need the whole 800 x 600.
    setMinimumSize(800, 600);
    resize(800, 600);
    m_Game.Open();
}

void CBughouseWnd::RunWindowCommand(int id)
{
    switch (id)
    {
    case S::kSettingsId: OpenSettings(); break;
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

void CBughouseWnd::Layout()
{
    // Boards side by side; under each its two panels (top player left,
    // bottom player right); then the chat; the buttons in the right column.
    const int boardWidth = View(0)->width();
    const int boardHeight = View(0)->height();
    const int panelHeight = 48;
    const int half = boardWidth / 2;
    for (int v = 0; v < 2; ++v)
    {
        View(v)->move(v * boardWidth, 0);
        Panel(2 * v + 1)->setGeometry(v * boardWidth, boardHeight + 2, half - 2, panelHeight);
        Panel(2 * v)->setGeometry(v * boardWidth + half, boardHeight + 2, half - 2, panelHeight);
    }
    const int chatTop = boardHeight + panelHeight + 6;
    const int chatWidth = 2 * boardWidth - 4;
    ChatInput()->setGeometry(2, height() - 26, chatWidth, 24);
    Output()->setGeometry(2, chatTop, chatWidth, std::max(20, height() - 30 - chatTop));
    const int left = 2 * boardWidth + 8;
    PlaceButtons(left, 8, 34, QSize(std::max(60, width() - left - 6), 28));
}
