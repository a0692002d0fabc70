#include "LocalChessWnd.h"

#include "BoardView.h"
#include "GameSettings.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "PlayerWnd.h"
#include "PromotionDlg.h"
#include "SingleSettingsDlg.h"
#include "ThinkingPane.h"
#include "UiText.h"

#include <QLocale>

using namespace ProgramTexts;
using S = CLocalChessSession;

CLocalChessWnd::CLocalChessWnd(GameSettings& settings, PlayerRoster& roster, CEngineLoader& engines,
                               CEngineListener& listener, CBitmapCache& bitmaps, QWidget* parent)
    : CGameWnd(std::make_unique<S>(settings, roster, engines, listener), Parts{}, settings, bitmaps, parent),
      m_Game(static_cast<S&>(BaseSession())), m_ThinkingPane(new CThinkingPane(this))
{
    setObjectName(QStringLiteral("LocalChessWnd"));
    m_SettingsRunner = [](CSingleSettingsDlg& dialog) { return dialog.exec(); };
    m_ThinkingPane->hide();
    // A fast engine's thinking is drawn at most ten times a second.
    m_ThinkingTimer.setSingleShot(true);
    m_ThinkingTimer.setInterval(kThinkingIntervalMs);
    connect(&m_ThinkingTimer, &QTimer::timeout, this, [this] { RefreshThinking(); });
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    Layout();
}

void CLocalChessWnd::Open()
{
    m_Game.Open();
    RefreshThinking();
}

void CLocalChessWnd::OnThinkingChanged()
{
    if (!m_ThinkingTimer.isActive())
        m_ThinkingTimer.start();
}

void CLocalChessWnd::OnPanelsChanged()
{
    CGameWnd::OnPanelsChanged();
    // The players changed: the pane may come or go, and names its engines anew.
    RefreshThinking();
}

void CLocalChessWnd::RefreshThinking()
{
    const bool shown = m_Game.IsThinkingShown();
    if (shown == m_ThinkingPane->isHidden())
    {
        m_ThinkingPane->setVisible(shown);
        Layout();
    }
    if (!shown)
        return;
    std::vector<CThinkingPane::Entry> entries;
    const QLocale locale = QLocale::c();
    for (Colour colour : {COLOUR_WHITE, COLOUR_BLACK})
    {
        if (!m_Game.IsEngine(colour))
            continue;
        const S::Thinking& thinking = m_Game.ThinkingOf(colour);
        CThinkingPane::Entry entry;
        entry.title = m_Game.Roster().GetEntry(m_Game.PanelOf(colour) == S::kBottomPanel ? 0 : 1).name;
        if (thinking.valid)
        {
            QStringList stats;
            if (thinking.depth >= 0)
                stats << UiText(IDS_THINKING_DEPTH).arg(thinking.depth);
            if (!thinking.score.isEmpty())
                stats << thinking.score;
            if (thinking.speed > 0)
                stats << UiText(IDS_THINKING_SPEED).arg(locale.toString(thinking.speed / 1000));
            else if (thinking.nodes >= 0)
                stats << UiText(IDS_THINKING_NODES).arg(locale.toString(thinking.nodes));
            entry.stats = stats.join(QStringLiteral("  "));
            QStringList pv;
            for (const std::string& move : thinking.pv)
                pv << QString::fromStdString(move);
            entry.pv = pv.join(QLatin1Char(' '));
        }
        entries.push_back(std::move(entry));
    }
    m_ThinkingPane->SetEntries(std::move(entries));
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

std::vector<CGameWnd::BoardMenuEntry> CLocalChessWnd::BoardMenuEntries()
{
    return {CopyFenEntry(), PasteFenEntry(), CopyPgnEntry(), PastePgnEntry(), ExportPgnEntry()};
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
    RefreshThinking();
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
    if (!m_ThinkingPane->isHidden())
    {
        // The pane takes the lower part of the move list's column.
        MoveList()->setGeometry(x0 + 365, y0, 150, 411 - kThinkingHeight - 4);
        m_ThinkingPane->setGeometry(x0 + 365, y0 + 411 - kThinkingHeight, 150, kThinkingHeight);
    }
    else
        MoveList()->setGeometry(x0 + 365, y0, 150, 411);
    PlaceButtons(x0 + 520, y0, button.height() + 1 + (34 - button.height()) * 12 / 11, button);
}
