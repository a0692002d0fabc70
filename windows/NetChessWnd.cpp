#include "NetChessWnd.h"

#include "BoardView.h"
#include "GameSettings.h"
#include "MoveListWnd.h"
#include "OutputPane.h"
#include "PlayerWnd.h"
#include "PromotionDlg.h"
#include "SingleNetSettingsDlg.h"
#include "UiText.h"

#include <algorithm>

using namespace ProgramTexts;
using S = CNetChessSession;

CNetChessWnd::CNetChessWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, CBitmapCache& bitmaps,
                           QWidget* parent)
    : CGameWnd(std::make_unique<S>(settings, roster, link), Parts{.chat = true}, settings, bitmaps, parent),
      m_Game(static_cast<S&>(BaseSession()))
{
    setObjectName(QStringLiteral("NetChessWnd"));
    m_RunSettings = [this](bool isServer, bool running) {
        CSingleNetSettingsDlg dialog(Settings(), isServer, running, this);
        return dialog.exec() == QDialog::Accepted;
    };
    // The board column, the move list and the buttons over a chat of a few lines.
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(800, 600);
    m_Game.Open();
}

void CNetChessWnd::RunWindowCommand(int id)
{
    switch (id)
    {
    case S::kLoadGameId: LoadGame(); break;
    case S::kSaveGameId: SaveGame(); break;
    case S::kHelpId: ShowHelp(IDS_NETWORK_CHESS_HELP_TITLE, IDS_NETWORK_CHESS_HELP_PAGE); break;
    case S::kSettingsId:
        if (m_RunSettings && m_RunSettings(m_Game.IsServer(), m_Game.IsRunning()) && m_Game.IsServer())
            m_Game.ApplySettings();
        break;
    case S::kMenuId:
        m_Game.Leave();
        ShowMainMenu();
        break;
    default: break;
    }
}

QString CNetChessWnd::SuggestedSaveName() const
{
    return m_Game.DefaultSaveName() + QStringLiteral(".pgn");
}

QPoint CNetChessWnd::PromotionDialogPosition(Colour) const
{
    // Over the board's middle, where the pawn is.
    const QRect area(Board()->mapToGlobal(QPoint(0, 0)), Board()->size());
    return area.center() - QPoint(CPromotionDlg::kWidth / 2, CPromotionDlg::kHeight / 2);
}

void CNetChessWnd::Layout()
{
    const QSize button = ButtonSize();
    const int x0 = (width() - button.width() - 520) / 2;
    TopPanel()->setGeometry(x0 + 1, 5, 360, 19);
    Board()->setGeometry(x0 + 1, 30, 360, 360);
    BottomPanel()->setGeometry(x0 + 1, 397, 360, 19);
    MoveList()->setGeometry(x0 + 366, 5, 150, 411);
    Output()->setGeometry(x0 + 1, 423, button.width() + 520, std::max(0, height() - 451));
    // The chat input ends 5 pixels above the bottom; 18 high unless its font
    // needs more to show its letters whole.
    const int inputHeight = std::max(18, ChatInput()->minimumSizeHint().height());
    ChatInput()->setGeometry(x0 + 1, height() - 5 - inputHeight, button.width() + 520, inputHeight);
    PlaceButtons(x0 + 521, 5, button.height() + 1 + (34 - button.height()) * 12 / 11, button);
}
