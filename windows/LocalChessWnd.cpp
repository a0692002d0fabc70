#include "LocalChessWnd.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "ChessPosition.h"
#include "EngineListener.h"
#include "EngineLoader.h"
#include "EngineMove.h"
#include "EngineResult.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "IChessEngine.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "PromotionDlg.h"
#include "SingleSettingsDlg.h"
#include "SkinButton.h"
#include "SoundPlayer.h"
#include "UiText.h"

#include <algorithm>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QWheelEvent>

using namespace ProgramTexts;

namespace
{
// The buttons with their captions, in the order of their rows; buttons that
// share a row follow each other with the same row number.
struct ButtonRow
{
    int id;
    int caption;
    int row;
};
constexpr ButtonRow kButtonRows[] = {
    {CLocalChessWnd::ID_NEW_GAME, IDS_NEW_GAME, 0},
    {CLocalChessWnd::ID_START_GAME, IDS_START_GAME, 1},
    {CLocalChessWnd::ID_PAUSE_GAME, IDS_PAUSE_GAME, 2},
    {CLocalChessWnd::ID_CONTINUE_GAME, IDS_CONTINUE_GAME, 2},
    {CLocalChessWnd::ID_ABORT_GAME, IDS_ABORT_GAME, 3},
    {CLocalChessWnd::ID_OFFER_DRAW, IDS_OFFER_DRAW, 4},
    {CLocalChessWnd::ID_CANCEL_OFFER, IDS_CANCEL_OFFER, 4},
    {CLocalChessWnd::ID_ACCEPT_DRAW, IDS_ACCEPT_DRAW, 4},
    {CLocalChessWnd::ID_TAKEBACK_MOVE, IDS_TAKEBACK_MOVE, 5},
    {CLocalChessWnd::ID_SWITCH_COLOR, IDS_SWITCH_COLOR, 6},
    {CLocalChessWnd::ID_LOAD_GAME, IDS_LOAD_GAME, 7},
    {CLocalChessWnd::ID_SAVE_GAME, IDS_SAVE_GAME, 8},
    {CLocalChessWnd::ID_HELP, IDS_HELP_BUTTON, 9},
    {CLocalChessWnd::ID_SETTINGS, IDS_SETTINGS, 10},
    {CLocalChessWnd::ID_MENU, IDS_MENU, 11},
};

QString DefaultFileChooser(QWidget* parent, bool save, const QString& proposedPath)
{
    // "PGN Files (*.pgn)|*.pgn||" in the platform's filter syntax.
    const QString filter = UiText(IDS_PGN_FILTER).section(QLatin1Char('|'), 0, 0);
    QFileDialog dialog(parent, QString(), proposedPath, filter);
    dialog.setDefaultSuffix(UiText(IDS_PGN_EXTENSION));
    if (save)
    {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        dialog.selectFile(QFileInfo(proposedPath).fileName());
    }
    else
    {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace

CLocalChessWnd::CLocalChessWnd(CEngineLoader& engines, CEngineListener& listener, QWidget* parent)
    : QWidget(parent), m_Engines(engines), m_Listener(listener)
{
    setObjectName(QStringLiteral("LocalChessWnd"));
    m_Board = new CBoardView(this);
    m_Board->SetObserver(this);
    m_Board->SetHighlightSetting([] { return GameSettings::Instance().IsCurrentMoveHighlighted(); });
    m_Board->SetPromotionChooser([this](Colour side, const CChessPosition&) { return AskPromotion(side); });
    m_TopPanel = new CPlayerWnd(1, this, this);
    m_BottomPanel = new CPlayerWnd(0, this, this);
    m_TopPanel->resize(360, 19);
    m_BottomPanel->resize(360, 19);
    m_MoveList = new CMoveListWnd(this, this);
    m_MoveList->resize(150, 411);
    // Stable names for the widgets, by which tools and tests find them.
    m_Board->setObjectName(QStringLiteral("board"));
    m_TopPanel->setObjectName(QStringLiteral("topPanel"));
    m_BottomPanel->setObjectName(QStringLiteral("bottomPanel"));
    m_MoveList->setObjectName(QStringLiteral("moveList"));
    for (const ButtonRow& row : kButtonRows)
    {
        auto* button = new CSkinButton(row.caption, this, row.id);
        connect(button, &QPushButton::clicked, this, [this, id = row.id] { OnCommand(id); });
        m_Buttons[row.id] = button;
    }
    connect(&m_Listener, &CEngineListener::EngineMoveArrived, this, &CLocalChessWnd::OnEngineMoveMessage);
    connect(&m_Listener, &CEngineListener::EngineResultArrived, this, &CLocalChessWnd::OnEngineResultMessage);
    m_FileChooser = [this](bool save, const QString& path) { return DefaultFileChooser(this, save, path); };
    m_SettingsRunner = [](CSingleSettingsDlg& dialog) { return dialog.exec(); };
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    Layout();
}

CLocalChessWnd::~CLocalChessWnd()
{
    // The engines stay in the main frame's lists; only their games end here.
    m_Listener.EndGame();
    if (m_WhiteEngine != nullptr)
        m_WhiteEngine->Quit();
    if (m_BlackEngine != nullptr && m_BlackEngine != m_WhiteEngine)
        m_BlackEngine->Quit();
}

// ---------------------------------------------------------------------------
// Open, EndGame, UpdateButtons

void CLocalChessWnd::Open()
{
    m_Listener.EndGame();
    m_DrawPending = m_DrawOffered = false;
    m_Drawn = m_WhiteLost = m_BlackLost = false;
    m_Running = m_Paused = m_DeferredMove = false;
    m_DeferredWord = 0;
    m_MoveList->Clear();
    m_MoveList->SetInformation(UiText(IDS_CLICK_ON_NEW_GAME));
    m_TurnedAround = false;
    m_Board->SetFlipped(false);
    m_Board->NewGame();
    m_Board->DisableInput();

    const GameSettings& settings = GameSettings::Instance();
    m_ClockSwitch.StartGame(m_BottomPanel->Clock(), m_TopPanel->Clock(), settings.GetGameTime(),
                            settings.IsTimeInfinite());

    PlayerRoster& roster = PlayerRoster::Instance();
    PlayerEntry bottom = roster.GetEntry(0);
    bottom.name = settings.GetBottomPlayerName();
    bottom.colour = COLOUR_WHITE;
    roster.SetEntry(0, bottom);
    PlayerEntry top = roster.GetEntry(1);
    top.name = settings.GetTopPlayerName();
    top.colour = COLOUR_BLACK;
    roster.SetEntry(1, top);
    m_BottomPanel->update();
    m_TopPanel->update();

    ChoosePlayers(m_Engines.EngineForPlayerType(settings.GetWhiteEngine().toStdString(), COLOUR_WHITE),
                  m_Engines.EngineForPlayerType(settings.GetBlackEngine().toStdString(), COLOUR_BLACK));
    SetFrameTitle(UiText(IDS_APP_TITLE));
    UpdateButtons();
}

void CLocalChessWnd::ChoosePlayers(IChessEngine* white, IChessEngine* black)
{
    // An engine that keeps its side keeps its process; a newly chosen one is started.
    if (white != m_WhiteEngine && white != nullptr)
        white->Start();
    if (black != m_BlackEngine && black != nullptr)
        black->Start();
    m_WhiteEngine = white;
    m_BlackEngine = black;
    m_WhiteIsEngine = white != nullptr;
    m_BlackIsEngine = black != nullptr;
}

void CLocalChessWnd::EndGame()
{
    SetFrameTitle(UiText(IDS_APP_TITLE));
    m_BottomPanel->Stop();
    m_TopPanel->Stop();
    m_Board->DisableInput();
    if (m_Running)
    {
        if (m_WhiteIsEngine && m_WhiteEngine != nullptr)
            m_WhiteEngine->StopGame();
        if (m_BlackIsEngine && m_BlackEngine != nullptr)
            m_BlackEngine->StopGame();
    }
    m_DrawPending = m_DrawOffered = false;
    m_Running = m_Paused = m_DeferredMove = false;
    // An engine move already on its way belongs to the ended game: the
    // listener drops it instead of handing it to this window.
    m_Listener.EndGame();
    UpdateButtons();
}

void CLocalChessWnd::UpdateButtons()
{
    const GameSettings& settings = GameSettings::Instance();
    const bool persons = !m_WhiteIsEngine && !m_BlackIsEngine;
    auto set = [this](int id, bool shown, bool enabled) {
        CSkinButton* button = m_Buttons.at(id);
        button->setVisible(shown);
        button->setEnabled(enabled);
    };
    set(ID_NEW_GAME, true, true);
    set(ID_LOAD_GAME, true, true);
    set(ID_SAVE_GAME, true, true);
    set(ID_HELP, true, true);
    set(ID_MENU, true, true);
    set(ID_START_GAME, true, !m_Running && m_Board->IsGameGoingOn());
    set(ID_PAUSE_GAME, !m_Paused,
        m_Running && !settings.IsTimeInfinite() && !m_Paused && !m_MoveList->ShownMoves().empty());
    set(ID_CONTINUE_GAME, m_Paused, true);
    set(ID_ABORT_GAME, true, m_Running);
    set(ID_OFFER_DRAW, !(m_Running && (m_DrawPending || m_DrawOffered)), m_Running && persons);
    set(ID_CANCEL_OFFER, m_Running && m_DrawPending && !m_DrawOffered, true);
    set(ID_ACCEPT_DRAW, m_Running && m_DrawOffered, persons);
    set(ID_TAKEBACK_MOVE, true, m_Running && m_Board->CanTakeBack());
    set(ID_SWITCH_COLOR, true, !m_Running);
    set(ID_SETTINGS, true, !m_Running);
    m_MoveList->UpdateBrowseButtons();
    m_BottomPanel->SetComputerMark(IsEngine(ColourOfEntry(0)));
    m_TopPanel->SetComputerMark(IsEngine(ColourOfEntry(1)));
}

// ---------------------------------------------------------------------------
// Commands

void CLocalChessWnd::OnCommand(int controlId)
{
    switch (controlId)
    {
    case ID_NEW_GAME: OnNewGame(); break;
    case ID_START_GAME: OnStartGame(); break;
    case ID_PAUSE_GAME: OnPauseGame(); break;
    case ID_CONTINUE_GAME: OnContinueGame(); break;
    case ID_ABORT_GAME: OnAbortGame(); break;
    case ID_OFFER_DRAW: OnOfferDraw(); break;
    case ID_CANCEL_OFFER: OnCancelOffer(); break;
    case ID_ACCEPT_DRAW: OnAcceptDraw(); break;
    case ID_TAKEBACK_MOVE: OnTakebackMove(); break;
    case ID_SWITCH_COLOR: OnSwitchColor(); break;
    case ID_LOAD_GAME: OnLoadGame(); break;
    case ID_SAVE_GAME: OnSaveGame(); break;
    case ID_HELP: OnHelp(); break;
    case ID_SETTINGS: OnSettings(); break;
    case ID_MENU: OnMenu(); break;
    default: break;
    }
}

void CLocalChessWnd::BeginGame(bool keepRecord)
{
    EndGame();
    m_MoveList->SetInformation(QString());
    if (keepRecord)
        m_MoveList->SetResult(std::string());
    else
    {
        m_MoveList->Clear();
        m_Board->NewGame();
    }
    // Local games always use the ordinary rules.
    m_Board->SetKingCapture(false);
    LockBoardFor(m_Board->SideToMove());
    const GameSettings& settings = GameSettings::Instance();
    m_ClockSwitch.StartGame(m_BottomPanel->Clock(), m_TopPanel->Clock(), settings.GetGameTime(),
                            settings.IsTimeInfinite());
    m_Running = true;
    m_Drawn = m_WhiteLost = m_BlackLost = false;
    m_Listener.BeginGame();
    UpdateButtons();
    RestartEngine(m_WhiteIsEngine ? m_WhiteEngine : nullptr, keepRecord);
    RestartEngine(m_BlackIsEngine ? m_BlackEngine : nullptr, keepRecord);
}

void CLocalChessWnd::OnNewGame()
{
    BeginGame(false);
}

void CLocalChessWnd::OnStartGame()
{
    BeginGame(true);
}

void CLocalChessWnd::RestartEngine(IChessEngine* engine, bool replayRecord)
{
    if (engine == nullptr)
        return;
    engine->ClearMoves();
    if (replayRecord)
    {
        const CChessPosition& position = m_Board->GetPosition();
        const auto& moves = position.RecordedMoves();
        const auto& promotions = position.RecordedPromotions();
        const size_t shown = static_cast<size_t>(std::max(0, position.CurrentPly()));
        for (size_t i = 0; i < shown && i < moves.size(); ++i)
        {
            const int32_t promotion = i < promotions.size() ? promotions[i] : 0;
            engine->AddMove(moves[i].from.Column(), moves[i].from.Row(), moves[i].to.Column(), moves[i].to.Row(),
                            promotion);
        }
    }
    const GameSettings& settings = GameSettings::Instance();
    const auto control =
        CClockSwitch::EngineTimeControlOf(settings.IsTimeInfinite(), settings.GetGameTime(), settings.GetNbSecondsBonus());
    engine->StartGame(control.gameSeconds, control.bonusSeconds);
}

void CLocalChessWnd::OnPauseGame()
{
    if (!m_Running || m_Paused)
        return;
    m_MoveList->SetInformation(UiText(IDS_GAME_PAUSED));
    m_Paused = true;
    PanelOf(m_Board->SideToMove())->Pause();
    m_Board->DisableInput();
    UpdateButtons();
}

void CLocalChessWnd::OnContinueGame()
{
    if (!m_Paused)
        return;
    m_MoveList->SetInformation(QString());
    PanelOf(m_Board->SideToMove())->Resume();
    if (!IsEngine(m_Board->SideToMove()))
        m_Board->EnableInput();
    m_Paused = false;
    if (m_DeferredMove)
    {
        m_DeferredMove = false;
        OnEngineMoveMessage(m_DeferredWord);
    }
    m_DeferredMove = false;
    UpdateButtons();
}

void CLocalChessWnd::OnAbortGame()
{
    if (!m_Running)
        return;
    const Colour side = m_Board->SideToMove();
    EndGame();
    if (side == COLOUR_WHITE)
        m_WhiteLost = true;
    else
        m_BlackLost = true;
}

void CLocalChessWnd::OnOfferDraw()
{
    m_DrawPending = true;
    UpdateButtons();
}

void CLocalChessWnd::OnCancelOffer()
{
    m_DrawPending = false;
    UpdateButtons();
}

void CLocalChessWnd::OnAcceptDraw()
{
    EndGame();
    m_Drawn = true;
    ShowMessage(UiText(IDS_GAME_DRAWN_AGREED));
}

void CLocalChessWnd::OnTakebackMove()
{
    if (!m_Running || !m_Board->CanTakeBack())
        return;
    if (!m_Paused)
        PanelOf(m_Board->SideToMove())->Stop();
    m_MoveList->RemoveLast();
    m_Board->TakeBack();
    // A move held back during the pause answered the position taken back.
    m_DeferredMove = false;
    const Colour side = m_Board->SideToMove();
    if (m_Paused)
        m_Board->DisableInput();
    else
        LockBoardFor(side);
    // Moves still on their way answered the old position: drop them.
    m_Listener.BeginGame();
    RestartEngine(m_WhiteIsEngine ? m_WhiteEngine : nullptr, true);
    RestartEngine(m_BlackIsEngine ? m_BlackEngine : nullptr, true);
    m_ClockSwitch.SetMoveStartTime(PanelOf(side)->GetTime());
    if (!m_Paused)
        PanelOf(side)->Start();
    UpdateButtons();
}

void CLocalChessWnd::OnSwitchColor()
{
    if (m_Running)
        return;
    m_TurnedAround = !m_TurnedAround;
    m_Board->SetFlipped(m_TurnedAround);
    PlayerRoster& roster = PlayerRoster::Instance();
    for (int entry = 0; entry < 2; ++entry)
    {
        PlayerEntry player = roster.GetEntry(entry);
        player.colour = OppositeColour(player.colour);
        roster.SetEntry(entry, player);
    }
    m_Engines.SwitchColour(m_WhiteEngine, m_BlackEngine);
    std::swap(m_WhiteIsEngine, m_BlackIsEngine);
    m_BottomPanel->update();
    m_TopPanel->update();
    UpdateButtons();
}

void CLocalChessWnd::OnLoadGame()
{
    const QString path = m_FileChooser(false, StartFolder(m_LoadFolder));
    if (path.isEmpty())
        return;
    EndGame();
    std::string whiteName;
    std::string blackName;
    std::string result;
    const bool loaded = m_Board->LoadPgn(QFile::encodeName(path).toStdString(), whiteName, blackName, result);
    // The list shows what the record holds, also what a failed load left of it.
    m_MoveList->SetInformation(QString());
    m_MoveList->Clear();
    m_MoveList->AddMoves(m_Board->MoveTexts());
    if (!loaded)
    {
        UpdateButtons();
        ShowMessage(UiText(IDS_PGN_LOAD_ERROR));
        return;
    }
    const int whiteEntry = ColourOfEntry(0) == COLOUR_WHITE ? 0 : 1;
    SetEntryName(whiteEntry, QString::fromStdString(whiteName));
    SetEntryName(1 - whiteEntry, QString::fromStdString(blackName));
    m_MoveList->SetResult(result == "*" ? std::string() : result);
    UpdateButtons();
    m_LoadFolder = FolderOf(path);
}

QString CLocalChessWnd::DefaultSaveName() const
{
    const PlayerRoster& roster = PlayerRoster::Instance();
    const int whiteEntry = ColourOfEntry(0) == COLOUR_WHITE ? 0 : 1;
    const QByteArray white = roster.GetEntry(whiteEntry).name.toUtf8();
    const QByteArray black = roster.GetEntry(1 - whiteEntry).name.toUtf8();
    return QString::asprintf(UiText(IDS_DEFAULT_SAVE_NAME).toUtf8().constData(), white.constData(), black.constData(),
                             m_SaveCounter);
}

void CLocalChessWnd::OnSaveGame()
{
    const QString folder = StartFolder(m_SaveFolder);
    const QString proposed = folder.isEmpty() ? DefaultSaveName() : QDir(folder).filePath(DefaultSaveName());
    QString path = m_FileChooser(true, proposed);
    if (path.isEmpty())
        return;
    ++m_SaveCounter;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + UiText(IDS_PGN_EXTENSION);
    const PlayerRoster& roster = PlayerRoster::Instance();
    const int whiteEntry = ColourOfEntry(0) == COLOUR_WHITE ? 0 : 1;
    const bool saved =
        m_Board->SavePgn(QFile::encodeName(path).toStdString(), roster.GetEntry(whiteEntry).name.toStdString(),
                         roster.GetEntry(1 - whiteEntry).name.toStdString(), m_Drawn, m_WhiteLost, m_BlackLost);
    if (saved)
        m_SaveFolder = FolderOf(path);
    else
        ShowMessage(UiText(IDS_PGN_SAVE_ERROR));
}

void CLocalChessWnd::OnHelp()
{
    if (m_Help == nullptr)
        m_Help = new CHtmlDlg(window());
    m_Help->ShowHelp(IDS_LOCAL_CHESS_HELP_TITLE, IDS_LOCAL_CHESS_HELP_PAGE);
}

void CLocalChessWnd::OnSettings()
{
    if (m_Running)
        return;
    // The dialog lists each player's choices from the list of that player's colour.
    const Colour colours[2] = {ColourOfEntry(1), ColourOfEntry(0)}; // by CSingleSettingsDlg::Player
    QStringList names[2];
    int current[2];
    for (int player = 0; player < 2; ++player)
    {
        const auto& list = colours[player] == COLOUR_WHITE ? m_Engines.WhiteList() : m_Engines.BlackList();
        for (IChessEngine* engine : list)
            names[player] << QString::fromUtf8(engine->GetName());
        current[player] = m_Engines.IndexOf(EngineOf(colours[player]));
    }
    auto configure = [this, colours](CSingleSettingsDlg::Player player, int entry) {
        const auto& list = colours[player] == COLOUR_WHITE ? m_Engines.WhiteList() : m_Engines.BlackList();
        if (entry >= 1 && static_cast<size_t>(entry - 1) < list.size())
            list[static_cast<size_t>(entry - 1)]->Configure();
    };
    GameSettings& settings = GameSettings::Instance();
    CSingleSettingsDlg dialog(settings, names, current, configure, window());
    if (m_SettingsRunner(dialog) != IDOK)
        return;

    if (m_WhiteEngine != nullptr)
        m_WhiteEngine->Quit();
    if (m_BlackEngine != nullptr)
        m_BlackEngine->Quit();
    IChessEngine* chosen[2] = {nullptr, nullptr};
    for (int player = 0; player < 2; ++player)
    {
        const auto& list = colours[player] == COLOUR_WHITE ? m_Engines.WhiteList() : m_Engines.BlackList();
        const int entry = dialog.SelectedEntry(static_cast<CSingleSettingsDlg::Player>(player));
        if (entry >= 1 && static_cast<size_t>(entry - 1) < list.size())
            chosen[player] = list[static_cast<size_t>(entry - 1)];
    }
    IChessEngine* white = colours[0] == COLOUR_WHITE ? chosen[0] : chosen[1];
    IChessEngine* black = colours[0] == COLOUR_WHITE ? chosen[1] : chosen[0];
    // Every chosen engine starts afresh: the old ones were just told to quit.
    m_WhiteEngine = m_BlackEngine = nullptr;
    ChoosePlayers(white, black);
    const QString human = UiText(IDS_HUMAN);
    settings.SetWhiteEngine(white != nullptr ? QString::fromUtf8(white->GetName()) : human);
    settings.SetBlackEngine(black != nullptr ? QString::fromUtf8(black->GetName()) : human);
    SetEntryName(0, settings.GetBottomPlayerName());
    SetEntryName(1, settings.GetTopPlayerName());
    m_Board->update();
    UpdateButtons();
}

void CLocalChessWnd::OnMenu()
{
    EndGame();
    PlayerRoster::Instance().Reset();
    hide();
    emit MenuRequested();
}

// ---------------------------------------------------------------------------
// Moves

void CLocalChessWnd::OnMove(CBoardView*, const CMove& move, int32_t& promotion, Colour sideToMove, bool, int32_t,
                            std::string& sanText)
{
    m_MoveList->AddMove(sanText);
    const GameSettings& settings = GameSettings::Instance();
    m_ClockSwitch.SwitchAfterMove(m_BottomPanel->Clock(), ColourOfEntry(0), m_TopPanel->Clock(), sideToMove,
                                  settings.GetNbSecondsBonus(), !settings.IsTimeInfinite());
    if (IsEngine(sideToMove))
    {
        m_Board->DisableInput();
        TellEngineOpponentMove(EngineOf(sideToMove), move, promotion);
        SetFrameTitle(UiText(IDS_APP_TITLE));
    }
    else
        m_DrawOffered = m_DrawPending;
    m_DrawPending = false;
    UpdateButtons();
}

void CLocalChessWnd::TellEngineOpponentMove(IChessEngine* engine, const CMove& move, int32_t promotion)
{
    if (engine == nullptr)
        return;
    const GameSettings& settings = GameSettings::Instance();
    const bool unlimited = settings.IsTimeInfinite();
    const Colour side = m_Board->SideToMove();
    const int32_t engineClock = CClockSwitch::EngineCentiseconds(PanelOf(side)->GetTime(), unlimited);
    const int32_t opponentClock = CClockSwitch::EngineCentiseconds(PanelOf(OppositeColour(side))->GetTime(), unlimited);
    engine->OpponentMove(move.from.Column(), move.from.Row(), move.to.Column(), move.to.Row(), promotion, engineClock,
                         opponentClock);
}

void CLocalChessWnd::OnEngineMoveMessage(quint32 word)
{
    if (!m_Running)
        return;
    if (m_Paused)
    {
        m_DeferredMove = true;
        m_DeferredWord = word;
        return;
    }
    PlayEngineMove(word);
}

void CLocalChessWnd::PlayEngineMove(quint32 word)
{
    const Colour mover = m_Board->SideToMove();
    // A move for a person's turn, or one the rules refuse, is not the
    // engine's to play: it changes neither the board nor the clocks.
    if (!IsEngine(mover))
        return;
    const EngineMove engineMove = UnpackEngineMove(word);
    const CMove move(CCoordinate(engineMove.fromRank, engineMove.fromFile),
                     CCoordinate(engineMove.toRank, engineMove.toFile));
    CChessPosition trial(m_Board->GetPosition());
    if (!trial.MakeMove(move, false))
        return;

    const GameSettings& settings = GameSettings::Instance();
    m_ClockSwitch.SwitchAfterMove(m_BottomPanel->Clock(), ColourOfEntry(0), m_TopPanel->Clock(), OppositeColour(mover),
                                  settings.GetNbSecondsBonus(), !settings.IsTimeInfinite());
    m_EnginePromotion = IsPromotionChoice(engineMove.promotion) ? engineMove.promotion : PIECE_QUEEN;
    std::string sanText;
    const bool played = m_Board->PlayMove(move, true, sanText);
    m_EnginePromotion = 0;
    if (!played)
        return;
    m_MoveList->AddMove(sanText);
    // The board's judging may have ended the game.
    if (!m_Running)
    {
        UpdateButtons();
        return;
    }
    const Colour next = m_Board->SideToMove();
    if (IsEngine(next))
    {
        m_Board->DisableInput();
        const auto& promotions = m_Board->GetPosition().RecordedPromotions();
        TellEngineOpponentMove(EngineOf(next), move, promotions.empty() ? 0 : promotions.back());
    }
    else
    {
        m_Board->EnableInput();
        SetFrameTitle(QString(UiText(IDS_TITLE_YOUR_TURN)).replace(QStringLiteral("%s"), UiText(IDS_APP_TITLE)));
        if (settings.GetPlaySoundOnOpponentMove())
            CSoundPlayer::Play(QStringLiteral("IDR_PLAY_MOVE"), true);
    }
    UpdateButtons();
}

void CLocalChessWnd::OnEngineResultMessage(qint32 result)
{
    const Colour side = m_Board->SideToMove();
    EndGame();
    if (result != ENGINE_RESULT_RESIGNS)
        return;
    if (side == COLOUR_WHITE)
        m_WhiteLost = true;
    else
        m_BlackLost = true;
    ShowMessage(UiText(IDS_ENGINE_RESIGNED).arg(ColourText(side), ColourText(OppositeColour(side))));
}

int32_t CLocalChessWnd::AskPromotion(Colour side)
{
    if (m_EnginePromotion != 0)
        return m_EnginePromotion;
    if (m_PromotionAsker)
        return m_PromotionAsker(side);
    CPromotionDlg dialog(side, window());
    dialog.move(PromotionDialogPosition(side));
    return CPromotionDlg::PieceOfResult(dialog.exec());
}

QPoint CLocalChessWnd::PromotionDialogPosition(Colour side) const
{
    const QRect area(mapToGlobal(QPoint(0, 0)), size());
    const int x = area.left() + (area.width() - CPromotionDlg::kWidth) / 2;
    // Black moves down the screen on an ordinary board, White on a turned-around one.
    const bool movesDown = (side == COLOUR_BLACK) != m_TurnedAround;
    return QPoint(x, movesDown ? area.bottom() + 1 : area.top() - 40);
}

// ---------------------------------------------------------------------------
// Ends of games

void CLocalChessWnd::OnCheckmate(CBoardView*, Colour sideToMove)
{
    EndGame();
    ShowMessage(UiText(IDS_CHECKMATE).arg(ColourText(sideToMove), ColourText(OppositeColour(sideToMove))));
}

void CLocalChessWnd::OnStalemate(CBoardView*, Colour sideToMove)
{
    EndGame();
    ShowMessage(UiText(IDS_STALEMATE).arg(ColourText(sideToMove)));
}

void CLocalChessWnd::OnThreefoldRepetition(CBoardView*, Colour)
{
    EndGame();
    m_Drawn = true;
    ShowMessage(UiText(180));
}

void CLocalChessWnd::OnFiftyMoveRule(CBoardView*, Colour)
{
    EndGame();
    m_Drawn = true;
    ShowMessage(UiText(178));
}

void CLocalChessWnd::OnInsufficientMaterial(CBoardView*, Colour)
{
    EndGame();
    m_Drawn = true;
    ShowMessage(UiText(179));
}

void CLocalChessWnd::OnTimeExpired(CPlayerClock* clock)
{
    const bool bottom = clock == &m_BottomPanel->Clock();
    const Colour colour = ColourOfEntry(bottom ? 0 : 1);
    EndGame();
    if (colour == COLOUR_WHITE)
    {
        m_WhiteLost = true;
        ShowMessage(UiText(IDS_WHITE_TIME_EXPIRED));
    }
    else
    {
        m_BlackLost = true;
        ShowMessage(UiText(IDS_BLACK_TIME_EXPIRED));
    }
}

// ---------------------------------------------------------------------------
// Browsing the record between games

void CLocalChessWnd::GoToStart()
{
    m_Board->GoToStart();
    UpdateButtons();
}

void CLocalChessWnd::StepBack()
{
    m_Board->StepBack();
    UpdateButtons();
}

std::string CLocalChessWnd::StepForward()
{
    std::string text;
    if (!m_Board->StepForward(text))
        text.clear();
    UpdateButtons();
    return text;
}

std::vector<std::string> CLocalChessWnd::GoToEnd()
{
    m_Board->GoToEnd();
    UpdateButtons();
    return m_Board->MoveTexts();
}

bool CLocalChessWnd::CanStepBack() const
{
    return !m_Running && m_Board->CanStepBack();
}

bool CLocalChessWnd::CanStepForward() const
{
    return !m_Running && m_Board->CanStepForward();
}

// ---------------------------------------------------------------------------
// Helpers

CSkinButton* CLocalChessWnd::Button(int controlId) const
{
    auto it = m_Buttons.find(controlId);
    return it == m_Buttons.end() ? nullptr : it->second;
}

Colour CLocalChessWnd::ColourOfEntry(int entry) const
{
    const Colour colour = PlayerRoster::Instance().GetEntry(entry).colour;
    if (colour == COLOUR_WHITE || colour == COLOUR_BLACK)
        return colour;
    return entry == 0 ? COLOUR_WHITE : COLOUR_BLACK;
}

CPlayerWnd* CLocalChessWnd::PanelOf(Colour colour) const
{
    return ColourOfEntry(0) == colour ? m_BottomPanel : m_TopPanel;
}

IChessEngine* CLocalChessWnd::EngineOf(Colour colour) const
{
    if (colour == COLOUR_WHITE)
        return m_WhiteIsEngine ? m_WhiteEngine : nullptr;
    return m_BlackIsEngine ? m_BlackEngine : nullptr;
}

bool CLocalChessWnd::IsEngine(Colour colour) const
{
    return colour == COLOUR_WHITE ? m_WhiteIsEngine : m_BlackIsEngine;
}

void CLocalChessWnd::SetEntryName(int entry, const QString& name)
{
    PlayerRoster& roster = PlayerRoster::Instance();
    PlayerEntry player = roster.GetEntry(entry);
    player.name = name;
    if (roster.Count() <= entry)
        player.colour = entry == 0 ? COLOUR_WHITE : COLOUR_BLACK;
    roster.SetEntry(entry, player);
    (entry == 0 ? m_BottomPanel : m_TopPanel)->update();
}

void CLocalChessWnd::LockBoardFor(Colour sideToMove)
{
    if (IsEngine(sideToMove))
        m_Board->DisableInput();
    else
        m_Board->EnableInput();
}

void CLocalChessWnd::SetFrameTitle(const QString& title)
{
    QWidget* frame = window();
    if (frame != nullptr && frame != this)
        frame->setWindowTitle(title);
}

void CLocalChessWnd::ShowMessage(const QString& text)
{
    CMessageDlg::ShowInformation(text, window());
}

QString CLocalChessWnd::StartFolder(const QString& remembered) const
{
    return remembered.isEmpty() ? m_GamesFolder : remembered;
}

QString CLocalChessWnd::ColourText(Colour colour)
{
    return UiText(colour == COLOUR_WHITE ? IDS_LOCAL_WHITE : IDS_LOCAL_BLACK);
}

QString CLocalChessWnd::FolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

// ---------------------------------------------------------------------------
// Painting and layout

void CLocalChessWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CBitmapCache::Instance().Get(QStringLiteral("IDB_PATTERN")).Tile(painter, rect());
}

void CLocalChessWnd::resizeEvent(QResizeEvent*)
{
    Layout();
}

void CLocalChessWnd::Layout()
{
    const QSize button = m_Buttons.at(ID_NEW_GAME)->size();
    const int w = button.width();
    const int h = button.height();
    const int x0 = (width() - w - 520) / 2;
    const int y0 = (height() - 408) / 2;
    m_TopPanel->setGeometry(x0, y0, 360, 19);
    m_Board->move(x0, y0 + 25);
    m_BottomPanel->setGeometry(x0, y0 + 392, 360, 19);
    m_MoveList->setGeometry(x0 + 365, y0, 150, 411);
    const int step = h + 1 + (34 - h) * 12 / 11;
    for (const ButtonRow& row : kButtonRows)
        m_Buttons.at(row.id)->move(x0 + 520, y0 + row.row * step);
}

bool CLocalChessWnd::HandleWheel(int delta, const QPoint& globalPointer)
{
    return m_MoveList->HandleWheel(delta, globalPointer);
}

void CLocalChessWnd::wheelEvent(QWheelEvent* event)
{
    if (HandleWheel(event->angleDelta().y(), event->globalPosition().toPoint()))
        event->accept();
    else
        event->ignore();
}
