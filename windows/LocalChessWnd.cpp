#include "LocalChessWnd.h"

#include "BoardView.h"
#include "GameSettings.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "PlayerWnd.h"
#include "PromotionDlg.h"
#include "SingleSettingsDlg.h"
#include "UiText.h"

using namespace ProgramTexts;
using S = CLocalChessSession;

CLocalChessWnd::CLocalChessWnd(GameSettings& settings, PlayerRoster& roster, CEngineLoader& engines,
                               CEngineListener& listener, CBitmapCache& bitmaps, QWidget* parent)
    : CGameWnd(std::make_unique<S>(settings, roster, engines, listener), Parts{}, settings, bitmaps, parent),
      m_Game(static_cast<S&>(BaseSession()))
{
    setObjectName(QStringLiteral("LocalChessWnd"));
    m_SettingsRunner = [](CSingleSettingsDlg& dialog) { return dialog.exec(); };
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    Layout();
}

void CLocalChessWnd::RunWindowCommand(int id)
{
    switch (id)
    {
    case S::ID_LOAD_GAME: LoadGame(); break;
    case S::ID_SAVE_GAME: SaveGame(); break;
    case S::ID_HELP: ShowHelp(IDS_LOCAL_CHESS_HELP_TITLE, IDS_LOCAL_CHESS_HELP_PAGE); break;
    case S::ID_SETTINGS: OpenSettings(); break;
    case S::ID_MENU:
        m_Game.Leave();
        ShowMainMenu();
        break;
    default: break;
    }
}

void CLocalChessWnd::OpenSettings()
{
    const S::PlayerChoices choices = m_Game.SettingsChoices();
    const QStringList names[2] = {choices.names[0], choices.names[1]};
    const int current[2] = {choices.current[0], choices.current[1]};
    auto configure = [this](CSingleSettingsDlg::Player player, int entry) { m_Game.ConfigureEngine(player, entry); };
    CSingleSettingsDlg dialog(Settings(), names, current, configure, window());
    if (m_SettingsRunner(dialog) != IDOK)
        return;
    m_Game.ApplySettings(
        {dialog.SelectedEntry(CSingleSettingsDlg::Top), dialog.SelectedEntry(CSingleSettingsDlg::Bottom)});
}

QPoint CLocalChessWnd::PromotionDialogPosition(Colour side) const
{
    const QRect area(mapToGlobal(QPoint(0, 0)), size());
    const int x = area.left() + (area.width() - CPromotionDlg::kWidth) / 2;
    // Black moves down the screen on an ordinary board, White on a turned-around one (or a turned view).
    const bool movesDown = (side == COLOUR_BLACK) != (m_Game.IsTurnedAround() != IsViewTurned());
    return QPoint(x, movesDown ? area.bottom() + 1 : area.top() - 40);
}

void CLocalChessWnd::Layout()
{
    const QSize button = ButtonSize();
    const int x0 = (width() - button.width() - 520) / 2;
    const int y0 = (height() - 408) / 2;
    TopPanel()->setGeometry(x0, y0, 360, 19);
    Board()->move(x0, y0 + 25);
    BottomPanel()->setGeometry(x0, y0 + 392, 360, 19);
    MoveList()->setGeometry(x0 + 365, y0, 150, 411);
    PlaceButtons(x0 + 520, y0, button.height() + 1 + (34 - button.height()) * 12 / 11, button);
}
