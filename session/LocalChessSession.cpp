#include "LocalChessSession.h"

#include "EngineListener.h"
#include "EngineLoader.h"
#include "EngineResult.h"
#include "GameSettings.h"
#include "IChessEngine.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"

#include <algorithm>

using namespace ProgramTexts;

namespace
{
using S = CLocalChessSession;

// The fifteen buttons with their rules, in the order of their rows.
const CommandRule<S> kCommands[] = {
    {{S::ID_NEW_GAME, IDS_NEW_GAME, 0}},
    {{S::ID_START_GAME, IDS_START_GAME, 1},
     CommandOwner::Session,
     nullptr,
     [](const S& s) { return !s.IsRunning() && s.Position().IsGameGoingOn(); }},
    {{S::ID_PAUSE_GAME, IDS_PAUSE_GAME, 2},
     CommandOwner::Session,
     [](const S& s) { return !s.IsPaused(); },
     [](const S& s) {
         return s.IsRunning() && !s.Settings().IsTimeInfinite() && !s.IsPaused() && s.Position().CurrentPly() > 0;
     }},
    {{S::ID_CONTINUE_GAME, IDS_CONTINUE_GAME, 2}, CommandOwner::Session, [](const S& s) { return s.IsPaused(); }},
    {{S::ID_ABORT_GAME, IDS_ABORT_GAME, 3}, CommandOwner::Session, nullptr, [](const S& s) { return s.IsRunning(); }},
    {{S::ID_OFFER_DRAW, IDS_OFFER_DRAW, 4},
     CommandOwner::Session,
     [](const S& s) { return !(s.IsRunning() && (s.IsDrawPending() || s.IsDrawOffered())); },
     [](const S& s) { return s.IsRunning() && s.ArePersonsPlaying(); }},
    {{S::ID_CANCEL_OFFER, IDS_CANCEL_OFFER, 4},
     CommandOwner::Session,
     [](const S& s) { return s.IsRunning() && s.IsDrawPending() && !s.IsDrawOffered(); }},
    {{S::ID_ACCEPT_DRAW, IDS_ACCEPT_DRAW, 4},
     CommandOwner::Session,
     [](const S& s) { return s.IsRunning() && s.IsDrawOffered(); },
     [](const S& s) { return s.ArePersonsPlaying(); }},
    {{S::ID_TAKEBACK_MOVE, IDS_TAKEBACK_MOVE, 5},
     CommandOwner::Session,
     nullptr,
     [](const S& s) { return s.IsRunning() && s.Position().CanTakeBack(); }},
    {{S::ID_SWITCH_COLOR, IDS_SWITCH_COLOR, 6},
     CommandOwner::Session,
     nullptr,
     [](const S& s) { return !s.IsRunning(); }},
    {{S::ID_LOAD_GAME, IDS_LOAD_GAME, 7}, CommandOwner::Window},
    {{S::ID_SAVE_GAME, IDS_SAVE_GAME, 8}, CommandOwner::Window},
    {{S::ID_HELP, IDS_HELP_BUTTON, 9}, CommandOwner::Window},
    {{S::ID_SETTINGS, IDS_SETTINGS, 10}, CommandOwner::Window, nullptr, [](const S& s) { return !s.IsRunning(); }},
    {{S::ID_MENU, IDS_MENU, 11}, CommandOwner::Window},
};
} // namespace

CLocalChessSession::CLocalChessSession(GameSettings& settings, PlayerRoster& roster, CEngineLoader& engines,
                                       CEngineListener& listener)
    : CGameSession(settings, roster, 1, 2), m_Engines(engines), m_Listener(listener)
{
    SetPanelPlayer(kBottomPanel, 0);
    SetPanelPlayer(kTopPanel, 1);
    // The listener hands the engines' calls over on the user-interface thread.
    m_MoveConnection = QObject::connect(&m_Listener, &CEngineListener::EngineMoveArrived, &m_Listener,
                                        [this](quint32 word) { OnEngineMove(UnpackEngineMove(word)); });
    m_ResultConnection = QObject::connect(&m_Listener, &CEngineListener::EngineResultArrived, &m_Listener,
                                          [this](qint32 result) { OnEngineResult(result); });
}

CLocalChessSession::~CLocalChessSession()
{
    QObject::disconnect(m_MoveConnection);
    QObject::disconnect(m_ResultConnection);
    // The engines stay in the main frame's lists; only their games end here.
    m_Listener.EndGame();
    if (m_WhiteEngine != nullptr)
        m_WhiteEngine->Quit();
    if (m_BlackEngine != nullptr && m_BlackEngine != m_WhiteEngine)
        m_BlackEngine->Quit();
}

std::vector<CommandButton> CLocalChessSession::Commands() const
{
    return ButtonsOf(kCommands);
}

CommandState CLocalChessSession::StateOf(int id) const
{
    return StateByRule(kCommands, *this, id);
}

CommandOwner CLocalChessSession::OwnerOf(int id) const
{
    const CommandRule<S>* rule = RuleOf(kCommands, id);
    return rule != nullptr ? rule->owner : CommandOwner::Window;
}

void CLocalChessSession::RunCommand(int id)
{
    switch (id)
    {
    case ID_NEW_GAME: NewGame(); break;
    case ID_START_GAME: StartGame(); break;
    case ID_PAUSE_GAME: PauseGame(); break;
    case ID_CONTINUE_GAME: ContinueGame(); break;
    case ID_ABORT_GAME: AbortGame(); break;
    case ID_OFFER_DRAW: OfferDraw(); break;
    case ID_CANCEL_OFFER: CancelOffer(); break;
    case ID_ACCEPT_DRAW: AcceptDraw(); break;
    case ID_TAKEBACK_MOVE: TakebackMove(); break;
    case ID_SWITCH_COLOR: SwitchColor(); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Open and the end of a game

void CLocalChessSession::Open()
{
    m_Listener.EndGame();
    m_DrawPending = m_DrawOffered = false;
    m_Result = ResultFlags{};
    m_Running = m_Paused = m_DeferredMove = false;
    SetInformation(Text(IDS_CLICK_ON_NEW_GAME));
    SetResultText(std::string());
    SetFlipped(0, false);
    MutablePosition().Reset();
    SetInput(0, false);

    ClockSwitch().StartGame(Clock(kBottomPanel), Clock(kTopPanel), m_Settings.GetGameTime(),
                            m_Settings.IsTimeInfinite());
    PlayerEntry bottom = m_Roster.GetEntry(0);
    bottom.name = m_Settings.GetBottomPlayerName();
    bottom.colour = COLOUR_WHITE;
    m_Roster.SetEntry(0, bottom);
    PlayerEntry top = m_Roster.GetEntry(1);
    top.name = m_Settings.GetTopPlayerName();
    top.colour = COLOUR_BLACK;
    m_Roster.SetEntry(1, top);
    SetPanelPlayer(kBottomPanel, 0);
    SetPanelPlayer(kTopPanel, 1);

    ChoosePlayers(m_Engines.EngineForPlayerType(m_Settings.GetWhiteEngine().toStdString(), COLOUR_WHITE),
                  m_Engines.EngineForPlayerType(m_Settings.GetBlackEngine().toStdString(), COLOUR_BLACK));
    ReportTurn(false);
    ReportBoards();
    ReportMoveList();
    ReportPanels();
    ReportButtons();
}

void CLocalChessSession::ChoosePlayers(IChessEngine* white, IChessEngine* black)
{
    // An engine that keeps its side keeps its process; a newly chosen one is started.
    if (white != m_WhiteEngine && white != nullptr)
        white->Start();
    if (black != m_BlackEngine && black != nullptr)
        black->Start();
    m_WhiteEngine = white;
    m_BlackEngine = black;
}

void CLocalChessSession::EndGame()
{
    const bool wasRunning = m_Running;
    ReportTurn(false);
    StopClocks();
    SetInput(0, false);
    if (m_Running)
    {
        if (m_WhiteEngine != nullptr)
            m_WhiteEngine->StopGame();
        if (m_BlackEngine != nullptr)
            m_BlackEngine->StopGame();
    }
    m_DrawPending = m_DrawOffered = false;
    m_Running = m_Paused = m_DeferredMove = false;
    // An engine move already on its way belongs to the ended game: the
    // listener drops it instead of handing it on.
    m_Listener.EndGame();
    ReportBoard(0);
    ReportButtons();
    if (wasRunning)
        ReportGameEnded();
}

void CLocalChessSession::MarkLoser(Colour colour)
{
    (colour == COLOUR_WHITE ? m_Result.whiteLost : m_Result.blackLost) = true;
}

// ---------------------------------------------------------------------------
// Commands

void CLocalChessSession::BeginGame(bool keepRecord)
{
    EndGame();
    SetInformation(QString());
    SetResultText(std::string());
    if (!keepRecord)
        MutablePosition().Reset();
    // Local games always use the ordinary rules.
    MutablePosition().SetKingCaptureOption(false);
    LockBoardFor(Position().SideToMove());
    ClockSwitch().StartGame(Clock(kBottomPanel), Clock(kTopPanel), m_Settings.GetGameTime(),
                            m_Settings.IsTimeInfinite());
    m_Running = true;
    m_Result = ResultFlags{};
    m_Listener.BeginGame();
    ReportBoard(0);
    ReportMoveList();
    ReportButtons();
    RestartEngine(m_WhiteEngine, keepRecord);
    RestartEngine(m_BlackEngine, keepRecord);
}

void CLocalChessSession::NewGame()
{
    BeginGame(false);
}

void CLocalChessSession::StartGame()
{
    BeginGame(true);
}

void CLocalChessSession::RestartEngine(IChessEngine* engine, bool replayRecord)
{
    if (engine == nullptr)
        return;
    engine->ClearMoves();
    if (replayRecord)
    {
        const CChessPosition& position = Position();
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
    const auto control = CClockSwitch::EngineTimeControlOf(m_Settings.IsTimeInfinite(), m_Settings.GetGameTime(),
                                                           m_Settings.GetNbSecondsBonus());
    engine->StartGame(control.gameSeconds, control.bonusSeconds);
}

void CLocalChessSession::PauseGame()
{
    if (!m_Running || m_Paused)
        return;
    SetInformation(Text(IDS_GAME_PAUSED));
    m_Paused = true;
    Clock(PanelOf(Position().SideToMove())).Pause();
    SetInput(0, false);
    ReportBoard(0);
    ReportMoveList();
    ReportButtons();
}

void CLocalChessSession::ContinueGame()
{
    if (!m_Paused)
        return;
    SetInformation(QString());
    const Colour side = Position().SideToMove();
    Clock(PanelOf(side)).Resume();
    if (!IsEngine(side))
        SetInput(0, true);
    m_Paused = false;
    ReportBoard(0);
    ReportMoveList();
    if (m_DeferredMove)
    {
        m_DeferredMove = false;
        OnEngineMove(m_Deferred);
    }
    m_DeferredMove = false;
    ReportButtons();
}

void CLocalChessSession::AbortGame()
{
    if (!m_Running)
        return;
    const Colour side = Position().SideToMove();
    EndGame();
    MarkLoser(side);
}

void CLocalChessSession::OfferDraw()
{
    m_DrawPending = true;
    ReportButtons();
}

void CLocalChessSession::CancelOffer()
{
    m_DrawPending = false;
    ReportButtons();
}

void CLocalChessSession::AcceptDraw()
{
    EndGame();
    m_Result.drawn = true;
    Message(Text(IDS_GAME_DRAWN_AGREED));
}

void CLocalChessSession::TakebackMove()
{
    if (!m_Running || !Position().CanTakeBack())
        return;
    if (!m_Paused)
        Clock(PanelOf(Position().SideToMove())).Stop();
    MutablePosition().TakeBack();
    SetResultText(std::string());
    // A move held back during the pause answered the position taken back.
    m_DeferredMove = false;
    const Colour side = Position().SideToMove();
    if (m_Paused)
        SetInput(0, false);
    else
        LockBoardFor(side);
    // Moves still on their way answered the old position: drop them.
    m_Listener.BeginGame();
    RestartEngine(m_WhiteEngine, true);
    RestartEngine(m_BlackEngine, true);
    ClockSwitch().SetMoveStartTime(Clock(PanelOf(side)).GetTime());
    if (!m_Paused)
        Clock(PanelOf(side)).Start();
    ReportBoard(0);
    ReportMoveList();
    ReportButtons();
}

void CLocalChessSession::SwitchColor()
{
    if (m_Running)
        return;
    SetFlipped(0, !IsFlipped(0));
    for (int entry = 0; entry < 2; ++entry)
    {
        PlayerEntry player = m_Roster.GetEntry(entry);
        player.colour = OppositeColour(player.colour);
        m_Roster.SetEntry(entry, player);
    }
    m_Engines.SwitchColour(m_WhiteEngine, m_BlackEngine);
    ReportBoard(0);
    ReportPanels();
    ReportButtons();
}

void CLocalChessSession::Leave()
{
    EndGame();
    m_Roster.Reset();
}

bool CLocalChessSession::LoadGame(const QString& path)
{
    EndGame();
    const Colour whiteEntryColour = ColourOfEntry(0);
    std::string white;
    std::string black;
    if (!LoadRecord(path, white, black))
        return false;
    const int whiteEntry = whiteEntryColour == COLOUR_WHITE ? 0 : 1;
    SetEntryName(whiteEntry, QString::fromStdString(white));
    SetEntryName(1 - whiteEntry, QString::fromStdString(black));
    ReportPanels();
    return true;
}

// ---------------------------------------------------------------------------
// Settings

CLocalChessSession::PlayerChoices CLocalChessSession::SettingsChoices() const
{
    // The dialog lists each player's choices from the list of that player's colour.
    const Colour colours[2] = {ColourOfEntry(1), ColourOfEntry(0)};
    PlayerChoices choices;
    for (size_t player = 0; player < 2; ++player)
    {
        const auto& list = colours[player] == COLOUR_WHITE ? m_Engines.WhiteList() : m_Engines.BlackList();
        for (IChessEngine* engine : list)
            choices.names[player] << QString::fromUtf8(engine->GetName());
        choices.current[player] = m_Engines.IndexOf(EngineOf(colours[player]));
    }
    return choices;
}

void CLocalChessSession::ConfigureEngine(int player, int entry) const
{
    const Colour colour = ColourOfEntry(player == 0 ? 1 : 0);
    const auto& list = colour == COLOUR_WHITE ? m_Engines.WhiteList() : m_Engines.BlackList();
    if (entry >= 1 && static_cast<size_t>(entry - 1) < list.size())
        list[static_cast<size_t>(entry - 1)]->Configure();
}

void CLocalChessSession::ApplySettings(const std::array<int, 2>& selectedEntries)
{
    const Colour colours[2] = {ColourOfEntry(1), ColourOfEntry(0)};
    if (m_WhiteEngine != nullptr)
        m_WhiteEngine->Quit();
    if (m_BlackEngine != nullptr)
        m_BlackEngine->Quit();
    IChessEngine* chosen[2] = {nullptr, nullptr};
    for (size_t player = 0; player < 2; ++player)
    {
        const auto& list = colours[player] == COLOUR_WHITE ? m_Engines.WhiteList() : m_Engines.BlackList();
        const int entry = selectedEntries[player];
        if (entry >= 1 && static_cast<size_t>(entry - 1) < list.size())
            chosen[player] = list[static_cast<size_t>(entry - 1)];
    }
    IChessEngine* white = colours[0] == COLOUR_WHITE ? chosen[0] : chosen[1];
    IChessEngine* black = colours[0] == COLOUR_WHITE ? chosen[1] : chosen[0];
    // Every chosen engine starts afresh: the old ones were just told to quit.
    m_WhiteEngine = m_BlackEngine = nullptr;
    ChoosePlayers(white, black);
    const QString human = Text(IDS_HUMAN);
    m_Settings.SetWhiteEngine(white != nullptr ? QString::fromUtf8(white->GetName()) : human);
    m_Settings.SetBlackEngine(black != nullptr ? QString::fromUtf8(black->GetName()) : human);
    SetEntryName(0, m_Settings.GetBottomPlayerName());
    SetEntryName(1, m_Settings.GetTopPlayerName());
    // The dialog stored the time control: the panels show it at once, not
    // only from the next New Game (Settings is a command of the idle window).
    if (!m_Running)
        ClockSwitch().StartGame(Clock(kBottomPanel), Clock(kTopPanel), m_Settings.GetGameTime(),
                                m_Settings.IsTimeInfinite());
    ReportBoards();
    ReportPanels();
    ReportButtons();
}

// ---------------------------------------------------------------------------
// Moves

void CLocalChessSession::SwitchClocksAfterMove(Colour sideToMove)
{
    ClockSwitch().SwitchAfterMove(Clock(kBottomPanel), ColourOfEntry(0), Clock(kTopPanel), sideToMove,
                                  m_Settings.GetNbSecondsBonus(), !m_Settings.IsTimeInfinite());
}

bool CLocalChessSession::RequestMove(int board, const CMove& move, int32_t promotion)
{
    if (board != 0 || !IsInputEnabled(0))
        return false;
    MoveOutcome played;
    if (!PlayOnBoard(0, move, promotion, played))
        return false;
    const Colour sideToMove = Position().SideToMove();
    SwitchClocksAfterMove(sideToMove);
    if (IsEngine(sideToMove))
    {
        SetInput(0, false);
        TellEngineOpponentMove(EngineOf(sideToMove), move, played.promotion);
        ReportTurn(false);
    }
    else
        m_DrawOffered = m_DrawPending;
    m_DrawPending = false;
    ReportBoard(0);
    ReportMoveList();
    ReportButtons();
    Judge(0);
    return true;
}

void CLocalChessSession::TellEngineOpponentMove(IChessEngine* engine, const CMove& move, int32_t promotion)
{
    if (engine == nullptr)
        return;
    const bool unlimited = m_Settings.IsTimeInfinite();
    const Colour side = Position().SideToMove();
    const int32_t engineClock = CClockSwitch::EngineCentiseconds(Clock(PanelOf(side)).GetTime(), unlimited);
    const int32_t opponentClock =
        CClockSwitch::EngineCentiseconds(Clock(PanelOf(OppositeColour(side))).GetTime(), unlimited);
    engine->OpponentMove(move.from.Column(), move.from.Row(), move.to.Column(), move.to.Row(), promotion, engineClock,
                         opponentClock);
}

void CLocalChessSession::OnEngineMove(const EngineMove& move)
{
    if (!m_Running)
        return;
    if (m_Paused)
    {
        // Applied on Continue Game; a later one replaces it.
        m_DeferredMove = true;
        m_Deferred = move;
        return;
    }
    PlayEngineMove(move);
}

void CLocalChessSession::PlayEngineMove(const EngineMove& engineMove)
{
    const Colour mover = Position().SideToMove();
    // A move for a person's turn, or one the rules refuse, is not the
    // engine's to play: it changes neither the board nor the clocks.
    if (!IsEngine(mover))
        return;
    const CMove move(CCoordinate(engineMove.fromRank, engineMove.fromFile),
                     CCoordinate(engineMove.toRank, engineMove.toFile));
    if (!IsLegal(0, move))
        return;
    SwitchClocksAfterMove(OppositeColour(mover));
    const int32_t promotion = IsPromotionChoice(engineMove.promotion) ? engineMove.promotion : PIECE_QUEEN;
    MoveOutcome played;
    if (!PlayOnBoard(0, move, promotion, played))
        return;
    SetInput(0, false);
    BoardChange change;
    change.animate = true;
    change.move = move;
    ReportBoard(0, change);
    ReportMoveList();
    // The judging may end the game here.
    Judge(0);
    if (!m_Running)
    {
        ReportButtons();
        return;
    }
    const Colour next = Position().SideToMove();
    if (IsEngine(next))
        TellEngineOpponentMove(EngineOf(next), move, played.promotion);
    else
    {
        SetInput(0, true);
        ReportTurn(true);
        MoveSound();
    }
    ReportBoard(0);
    ReportButtons();
}

void CLocalChessSession::OnEngineResult(int32_t result)
{
    const Colour side = Position().SideToMove();
    EndGame();
    if (result != ENGINE_RESULT_RESIGNS)
        return;
    MarkLoser(side);
    Message(Text(IDS_ENGINE_RESIGNED).arg(ColourText(side), ColourText(OppositeColour(side))));
}

// ---------------------------------------------------------------------------
// Ends of games

void CLocalChessSession::OnCheckmate(int, Colour mated)
{
    EndGame();
    Message(Text(IDS_CHECKMATE).arg(ColourText(mated), ColourText(OppositeColour(mated))));
}

void CLocalChessSession::OnStalemate(int, Colour side)
{
    EndGame();
    Message(Text(IDS_STALEMATE).arg(ColourText(side)));
}

void CLocalChessSession::OnDrawByRule(int, int textId)
{
    EndGame();
    m_Result.drawn = true;
    Message(Text(textId));
}

void CLocalChessSession::OnTimeExpired(CPlayerClock* clock)
{
    const Colour colour = ColourOfEntry(clock == &Clock(kBottomPanel) ? 0 : 1);
    EndGame();
    MarkLoser(colour);
    Message(Text(colour == COLOUR_WHITE ? IDS_WHITE_TIME_EXPIRED : IDS_BLACK_TIME_EXPIRED));
}

// ---------------------------------------------------------------------------
// Helpers

Colour CLocalChessSession::ColourOfEntry(int entry) const
{
    const Colour colour = m_Roster.GetEntry(entry).colour;
    if (colour == COLOUR_WHITE || colour == COLOUR_BLACK)
        return colour;
    return entry == 0 ? COLOUR_WHITE : COLOUR_BLACK;
}

int CLocalChessSession::PanelOf(Colour colour) const
{
    return ColourOfEntry(0) == colour ? kBottomPanel : kTopPanel;
}

IChessEngine* CLocalChessSession::EngineOf(Colour colour) const
{
    return colour == COLOUR_WHITE ? m_WhiteEngine : m_BlackEngine;
}

bool CLocalChessSession::PanelComputerMark(int panel) const
{
    return IsEngine(ColourOfEntry(panel == kBottomPanel ? 0 : 1));
}

QString CLocalChessSession::NameOf(Colour colour) const
{
    return m_Roster.GetEntry(ColourOfEntry(0) == colour ? 0 : 1).name;
}

void CLocalChessSession::SetEntryName(int entry, const QString& name)
{
    PlayerEntry player = m_Roster.GetEntry(entry);
    player.name = name;
    if (m_Roster.Count() <= entry)
        player.colour = entry == 0 ? COLOUR_WHITE : COLOUR_BLACK;
    m_Roster.SetEntry(entry, player);
}

void CLocalChessSession::LockBoardFor(Colour sideToMove)
{
    SetInput(0, !IsEngine(sideToMove));
}

QString CLocalChessSession::ColourText(Colour colour)
{
    return Text(colour == COLOUR_WHITE ? IDS_LOCAL_WHITE : IDS_LOCAL_BLACK);
}
