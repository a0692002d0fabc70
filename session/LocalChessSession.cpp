#include "LocalChessSession.h"

#include "EngineListener.h"
#include "EngineLoader.h"
#include "EngineResult.h"
#include "FenText.h"
#include "GameSettings.h"
#include "IChessEngine.h"
#include "IChessEngineEx.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"
#include "ThinkingText.h"

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
     [](const S& s) {
         return s.IsRunning() && s.Position().CanTakeBack() && s.Position().CurrentPly() >= s.TakebackPlies();
     }},
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
    m_Connections.push_back(QObject::connect(&m_Listener, &CEngineListener::EngineMoveFrom, &m_Listener,
                                             [this](IChessEngine* source, quint32 word, const QString& text) {
                                                 OnEngineMove(UnpackEngineMove(word), source, text);
                                             }));
    m_Connections.push_back(QObject::connect(
        &m_Listener, &CEngineListener::EngineResultFrom, &m_Listener,
        [this](IChessEngine* source, qint32 result, const QString& text) { OnEngineResult(result, source, text); }));
    m_Connections.push_back(
        QObject::connect(&m_Listener, &CEngineListener::EngineReady, &m_Listener,
                         [this](IChessEngine* source, const QString& name, qint32) { OnEngineReady(source, name); }));
    m_Connections.push_back(QObject::connect(
        &m_Listener, &CEngineListener::EngineFailed, &m_Listener,
        [this](IChessEngine* source, qint32 reason, const QString& text) { OnEngineFailed(source, reason, text); }));
    m_Connections.push_back(QObject::connect(
        &m_Listener, &CEngineListener::EngineThinkingArrived, &m_Listener,
        [this](IChessEngine* source, const EngineThinkingLine& line) { OnEngineThinking(source, line); }));
}

CLocalChessSession::~CLocalChessSession()
{
    for (const QMetaObject::Connection& connection : m_Connections)
        QObject::disconnect(connection);
    // The engines stay in the main frame's lists; only their games end here.
    m_Listener.EndGame();
    QuitEngines();
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
    m_Thinking = {};
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
    ShowEngineNames();
    ReportTurn(false);
    ReportBoards();
    ReportMoveList();
    ReportPanels();
    ReportButtons();
}

void CLocalChessSession::ChoosePlayers(IChessEngine* white, IChessEngine* black)
{
    // An engine that keeps its side keeps its process; a newly chosen one is started.
    IChessEngine* const oldWhite = m_WhiteEngine;
    IChessEngine* const oldBlack = m_BlackEngine;
    m_WhiteEngine = white;
    m_BlackEngine = black;
    if (white != oldWhite && white != nullptr)
        StartEngine(white);
    if (black != oldBlack && black != nullptr)
        StartEngine(black);
}

IChessEngineEx* CLocalChessSession::Extension(const IChessEngine* engine) const
{
    return engine != nullptr && m_Engines.ExtensionVersion(engine) >= 1 ? m_Engines.Extension(engine) : nullptr;
}

void CLocalChessSession::StartEngine(IChessEngine* engine)
{
    // With the extension the start runs on the engine's thread and its
    // failure comes back as an event; without it the plug-in tells the user.
    if (IChessEngineEx* ex = Extension(engine))
        ex->StartAsync();
    else
        engine->Start();
}

void CLocalChessSession::QuitEngines()
{
    if (m_WhiteEngine != nullptr)
        m_WhiteEngine->Quit();
    if (m_BlackEngine != nullptr && m_BlackEngine != m_WhiteEngine)
        m_BlackEngine->Quit();
}

void CLocalChessSession::PrepareEngine(IChessEngine* engine)
{
    if (IChessEngineEx* ex = Extension(engine))
    {
        ex->SetTimePerMove(m_Settings.GetNbSecondsPerMoveNoLimit());
        ex->SetPondering(m_Settings.IsEnginePondering());
    }
}

void CLocalChessSession::EndGame(int32_t result, const char* reason)
{
    const bool wasRunning = m_Running;
    ReportTurn(false);
    StopClocks();
    SetInput(0, false);
    if (m_Running)
    {
        for (IChessEngine* engine : {m_WhiteEngine, m_BlackEngine})
        {
            if (engine == nullptr)
                continue;
            // Engines that can hear it are told the real result.
            if (IChessEngineEx* ex = Extension(engine))
                ex->GameOver(result, reason);
            else
                engine->StopGame();
        }
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

bool CLocalChessSession::EnginesTakeStartPosition()
{
    if (CFenText::StartFen(Position()) == CFenText::kInitialPosition)
        return true;
    for (IChessEngine* engine : {m_WhiteEngine, m_BlackEngine})
    {
        if (engine != nullptr && Extension(engine) == nullptr)
        {
            RefuseSetUpPosition(engine);
            return false;
        }
    }
    return true;
}

void CLocalChessSession::RefuseSetUpPosition(IChessEngine* engine)
{
    QString text = Text(IDS_ENGINE_SETUP_REFUSED);
    text.replace(QStringLiteral("%s"), QString::fromUtf8(engine->GetName()));
    Message(text);
}

void CLocalChessSession::BeginGame(bool keepRecord)
{
    // A game set up from a position is played only by engines that take one.
    if (keepRecord && !EnginesTakeStartPosition())
        return;
    EndGame();
    NoteGameStart(keepRecord);
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
    m_Thinking = {};
    m_Listener.BeginGame();
    ReportBoard(0);
    ReportMoveList();
    ReportButtons();
    if (!RestartEngine(m_WhiteEngine, keepRecord) || !RestartEngine(m_BlackEngine, keepRecord))
        EndGame();
}

void CLocalChessSession::NewGame()
{
    BeginGame(false);
}

void CLocalChessSession::StartGame()
{
    BeginGame(true);
}

bool CLocalChessSession::RestartEngine(IChessEngine* engine, bool replayRecord)
{
    if (engine == nullptr)
        return true;
    PrepareEngine(engine);
    // Engines with the extension are told the start position of every game,
    // the standard one included, since they keep the last one they were given.
    if (IChessEngineEx* extension = Extension(engine))
    {
        const std::string start = replayRecord ? CFenText::StartFen(Position()) : std::string();
        const bool setUp = start != CFenText::kInitialPosition && !start.empty();
        if (!extension->SetStartPosition(setUp ? start.c_str() : nullptr))
        {
            RefuseSetUpPosition(engine);
            return false;
        }
    }
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
    return true;
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
        OnEngineMove(m_Deferred, m_DeferredSource, m_DeferredText);
    }
    m_DeferredMove = false;
    ReportButtons();
}

void CLocalChessSession::AbortGame()
{
    if (!m_Running)
        return;
    const Colour side = Position().SideToMove();
    EndGame(side == COLOUR_WHITE ? ENGINE_RESULT_BLACK_WINS : ENGINE_RESULT_WHITE_WINS, "Game aborted");
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
    EndGame(ENGINE_RESULT_DRAW, "Draw agreed");
    m_Result.drawn = true;
    Message(Text(IDS_GAME_DRAWN_AGREED));
}

int CLocalChessSession::TakebackPlies() const
{
    if (IsEngine(COLOUR_WHITE) == IsEngine(COLOUR_BLACK))
        return 1;
    // A person against an engine: while the engine thinks only the person's
    // move goes, else the engine's reply goes with it.
    return IsEngine(Position().SideToMove()) ? 1 : 2;
}

void CLocalChessSession::TakebackMove()
{
    const int plies = TakebackPlies();
    if (!m_Running || !Position().CanTakeBack() || Position().CurrentPly() < plies)
        return;
    if (!m_Paused)
        Clock(PanelOf(Position().SideToMove())).Stop();
    for (int i = 0; i < plies && Position().CanTakeBack(); ++i)
        MutablePosition().TakeBack();
    SetResultText(std::string());
    m_Thinking = {};
    // A move held back during the pause answered the position taken back.
    m_DeferredMove = false;
    const Colour side = Position().SideToMove();
    if (m_Paused)
        SetInput(0, false);
    else
        LockBoardFor(side);
    // Moves still on their way answered the old position: drop them.
    m_Listener.BeginGame();
    ClockSwitch().SetMoveStartTime(Clock(PanelOf(side)).GetTime());
    if (!m_Paused)
        Clock(PanelOf(side)).Start();
    // An engine that can keep its game is cut back to the shortened one (a
    // search running is stopped) and searches anew when it is to move; any
    // other is given the game again.
    for (IChessEngine* engine : {m_WhiteEngine, m_BlackEngine})
    {
        if (engine == nullptr)
            continue;
        if (IChessEngineEx* ex = Extension(engine))
        {
            ex->TakeBackTo(Position().CurrentPly());
            GoIfToMove(engine);
        }
        else
            RestartEngine(engine, true);
    }
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
    // Each engine keeps running the program it runs, now for its new colour,
    // so the engine named on a panel is the one that plays that colour.
    for (IChessEngine* engine : {m_WhiteEngine, m_BlackEngine})
        if (IChessEngineEx* ex = Extension(engine))
            ex->KeepEngineForColour();
    std::swap(m_Thinking[0], m_Thinking[1]);
    ReportBoard(0);
    ReportPanels();
    ReportButtons();
}

void CLocalChessSession::Leave()
{
    EndGame();
    // An engine does not idle while the main menu shows; Open starts it again.
    QuitEngines();
    m_WhiteEngine = m_BlackEngine = nullptr;
    m_Roster.Reset();
}

void CLocalChessSession::BeforeLoad()
{
    EndGame();
}

void CLocalChessSession::OnGameLoaded(const QString& white, const QString& black)
{
    const int whiteEntry = ColourOfEntry(0) == COLOUR_WHITE ? 0 : 1;
    SetEntryName(whiteEntry, white);
    SetEntryName(1 - whiteEntry, black);
    ReportPanels();
}

QString CLocalChessSession::ExportNameOf(Colour colour) const
{
    if (IChessEngine* engine = EngineOf(colour))
        return QString::fromUtf8(engine->GetName());
    return NameOf(colour);
}

void CLocalChessSession::NoteMoverClock(Colour mover)
{
    if (m_Settings.IsTimeInfinite())
        NoteMoveClock(std::nullopt);
    else
        NoteMoveClock(Clock(PanelOf(mover)).GetTime().Milliseconds());
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
    // An engine no longer chosen is quit. One chosen again keeps its process
    // unless its configuration changed; it is asked to start all the same,
    // which finds it running (and says so) or starts the new configuration.
    for (IChessEngine* old : {m_WhiteEngine, m_BlackEngine})
        if (old != nullptr && old != white && old != black)
            old->Quit();
    m_WhiteEngine = m_BlackEngine = nullptr;
    ChoosePlayers(white, black);
    const QString human = Text(IDS_HUMAN);
    m_Settings.SetWhiteEngine(white != nullptr ? QString::fromUtf8(white->GetName()) : human);
    m_Settings.SetBlackEngine(black != nullptr ? QString::fromUtf8(black->GetName()) : human);
    SetEntryName(0, m_Settings.GetBottomPlayerName());
    SetEntryName(1, m_Settings.GetTopPlayerName());
    m_Thinking = {};
    ShowEngineNames();
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
    NoteMoverClock(OppositeColour(sideToMove));
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

void CLocalChessSession::OnEngineMove(const EngineMove& move, IChessEngine* source, const QString& text)
{
    if (!m_Running)
        return;
    if (m_Paused)
    {
        // Applied on Continue Game; a later one replaces it.
        m_DeferredMove = true;
        m_Deferred = move;
        m_DeferredSource = source;
        m_DeferredText = text;
        return;
    }
    PlayEngineMove(move, source, text);
}

void CLocalChessSession::PlayEngineMove(const EngineMove& engineMove, IChessEngine* source, const QString& text)
{
    const Colour mover = Position().SideToMove();
    // A move for a person's turn, or from an engine whose turn it is not,
    // is nobody's to play: it changes neither the board nor the clocks.
    if (!IsEngine(mover) || (source != nullptr && source != EngineOf(mover)))
        return;
    const CMove move(CCoordinate(engineMove.fromRank, engineMove.fromFile),
                     CCoordinate(engineMove.toRank, engineMove.toFile));
    const int32_t promotion = IsPromotionChoice(engineMove.promotion) ? engineMove.promotion : PIECE_QUEEN;
    MoveOutcome played;
    if (!IsLegal(0, move) || !PlayOnBoard(0, move, promotion, played))
    {
        // The engine loses the game it cannot play on in.
        const QString word = text.isEmpty() ? QString::fromStdString(move.from.ToText() + move.to.ToText()) : text;
        EngineLoses(mover,
                    Text(IDS_ENGINE_ILLEGAL_MOVE)
                        .arg(ColourText(mover), PlayerText(mover), word, ColourText(OppositeColour(mover))),
                    mover == COLOUR_WHITE ? "White makes an illegal move" : "Black makes an illegal move");
        return;
    }
    // The clocks switch once the move stands.
    SwitchClocksAfterMove(OppositeColour(mover));
    NoteMoverClock(mover);
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

void CLocalChessSession::OnEngineResult(int32_t result, IChessEngine* source, const QString& text)
{
    if (!m_Running)
        return;
    // The engine that sent it; without a source, the only engine player,
    // else the side to move.
    Colour colour = ColourOfEngine(source);
    if (colour == COLOUR_NONE)
    {
        if (source != nullptr)
            return; // an engine that plays in no game now
        if (IsEngine(COLOUR_WHITE) != IsEngine(COLOUR_BLACK))
            colour = IsEngine(COLOUR_WHITE) ? COLOUR_WHITE : COLOUR_BLACK;
        else
            colour = Position().SideToMove();
    }
    const int32_t ownLoss = colour == COLOUR_WHITE ? ENGINE_RESULT_BLACK_WINS : ENGINE_RESULT_WHITE_WINS;
    if (result == ENGINE_RESULT_RESIGNS || result == ownLoss)
    {
        // A resignation, or a claim of its own loss, is that engine's loss.
        EngineLoses(colour, Text(IDS_ENGINE_RESIGNED).arg(ColourText(colour), ColourText(OppositeColour(colour))),
                    colour == COLOUR_WHITE ? "White resigns" : "Black resigns");
        return;
    }
    // A win or a draw the board confirms has already ended the game there
    // (the judging after each move); one that arrives while the game runs is
    // a claim the board does not show, and the claimant loses.
    QString claim = text.trimmed();
    if (claim.isEmpty())
        claim = QString::fromLatin1(result == ENGINE_RESULT_WHITE_WINS   ? "1-0"
                                    : result == ENGINE_RESULT_BLACK_WINS ? "0-1"
                                                                         : "1/2-1/2");
    EngineLoses(colour,
                Text(IDS_ENGINE_FALSE_CLAIM)
                    .arg(ColourText(colour), PlayerText(colour), claim, ColourText(OppositeColour(colour))),
                colour == COLOUR_WHITE ? "False claim by White" : "False claim by Black");
}

void CLocalChessSession::EngineLoses(Colour colour, const QString& message, const char* reason)
{
    EndGame(colour == COLOUR_WHITE ? ENGINE_RESULT_BLACK_WINS : ENGINE_RESULT_WHITE_WINS, reason);
    MarkLoser(colour);
    Message(message);
}

void CLocalChessSession::OnEngineReady(IChessEngine* source, const QString& name)
{
    if (source == nullptr)
        return;
    m_EngineNames[source] = name;
    if (ColourOfEngine(source) == COLOUR_NONE)
        return;
    ShowEngineNames();
    ReportPanels();
}

void CLocalChessSession::OnEngineFailed(IChessEngine* source, int32_t reason, const QString& text)
{
    const Colour colour = ColourOfEngine(source);
    if (colour == COLOUR_NONE)
        return;
    if (m_Running && reason == ENGINE_FAILURE_DIED)
    {
        // An engine that cannot play on counts as resigning.
        EngineLoses(colour, Text(IDS_ENGINE_RESIGNED).arg(ColourText(colour), ColourText(OppositeColour(colour))),
                    colour == COLOUR_WHITE ? "White resigns" : "Black resigns");
        return;
    }
    // An engine that cannot start plays no game: a running one ends unfinished.
    if (m_Running)
        EndGame();
    Message(text);
}

void CLocalChessSession::OnEngineThinking(IChessEngine* source, const EngineThinkingLine& line)
{
    const Colour colour = ColourOfEngine(source);
    if (colour == COLOUR_NONE || !m_Running)
        return;
    // The variation is read from the position it was searched in; a line of
    // another position (one taken back or moved on from since) is old news.
    if (line.startPly != Position().CurrentPly())
        return;
    const CChessPosition start(Position());
    Thinking& shown = m_Thinking[colour == COLOUR_WHITE ? 0 : 1];
    shown.valid = true;
    shown.engine = PlayerText(colour);
    shown.depth = line.depth;
    shown.score = QString::fromStdString(CThinkingText::ScoreText(line.scoreKind, line.score, line.scoreColour));
    shown.nodes = line.nodes;
    shown.speed = line.nodesPerSecond;
    shown.pv = CThinkingText::PvToSan(start, line.pv);
    Observer().OnThinkingChanged();
}

const CLocalChessSession::Thinking& CLocalChessSession::ThinkingOf(Colour colour) const
{
    return m_Thinking[colour == COLOUR_WHITE ? 0 : 1];
}

bool CLocalChessSession::IsThinkingShown() const
{
    return m_Settings.IsThinkingShown() && !ArePersonsPlaying();
}

void CLocalChessSession::GoIfToMove(IChessEngine* engine)
{
    const Colour side = Position().SideToMove();
    if (engine == nullptr || EngineOf(side) != engine || m_Paused)
        return;
    IChessEngineEx* ex = Extension(engine);
    if (ex == nullptr)
        return;
    const bool unlimited = m_Settings.IsTimeInfinite();
    ex->Go(CClockSwitch::EngineCentiseconds(Clock(PanelOf(side)).GetTime(), unlimited),
           CClockSwitch::EngineCentiseconds(Clock(PanelOf(OppositeColour(side))).GetTime(), unlimited));
}

// ---------------------------------------------------------------------------
// Ends of games

void CLocalChessSession::OnCheckmate(int, Colour mated)
{
    EndGame(mated == COLOUR_WHITE ? ENGINE_RESULT_BLACK_WINS : ENGINE_RESULT_WHITE_WINS,
            mated == COLOUR_WHITE ? "Black mates" : "White mates");
    Message(Text(IDS_CHECKMATE).arg(ColourText(mated), ColourText(OppositeColour(mated))));
}

void CLocalChessSession::OnStalemate(int, Colour side)
{
    EndGame(ENGINE_RESULT_DRAW, "Stalemate");
    Message(Text(IDS_STALEMATE).arg(ColourText(side)));
}

void CLocalChessSession::OnDrawByRule(int, int textId)
{
    EndGame(ENGINE_RESULT_DRAW, textId == IDS_THREEFOLD_REPETITION    ? "Draw by repetition"
                                : textId == IDS_FIFTY_MOVE_RULE       ? "Draw by fifty move rule"
                                : textId == IDS_INSUFFICIENT_MATERIAL ? "Insufficient material"
                                                                      : "Draw");
    m_Result.drawn = true;
    Message(Text(textId));
}

void CLocalChessSession::OnTimeExpired(CPlayerClock* clock)
{
    const Colour colour = ColourOfEntry(clock == &Clock(kBottomPanel) ? 0 : 1);
    EndGame(colour == COLOUR_WHITE ? ENGINE_RESULT_BLACK_WINS : ENGINE_RESULT_WHITE_WINS,
            colour == COLOUR_WHITE ? "White forfeits on time" : "Black forfeits on time");
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
    return colour == COLOUR_WHITE ? m_WhiteEngine : colour == COLOUR_BLACK ? m_BlackEngine : nullptr;
}

Colour CLocalChessSession::ColourOfEngine(const IChessEngine* engine) const
{
    if (engine == nullptr)
        return COLOUR_NONE;
    return engine == m_WhiteEngine ? COLOUR_WHITE : engine == m_BlackEngine ? COLOUR_BLACK : COLOUR_NONE;
}

QString CLocalChessSession::EngineName(const IChessEngine* engine) const
{
    const auto it = m_EngineNames.find(engine);
    return it != m_EngineNames.end() ? it->second : QString();
}

QString CLocalChessSession::PlayerText(Colour colour) const
{
    const QString name = EngineName(EngineOf(colour));
    return name.isEmpty() ? NameOf(colour) : name;
}

void CLocalChessSession::ShowEngineNames()
{
    for (int entry = 0; entry < 2; ++entry)
    {
        const QString name = EngineName(EngineOf(ColourOfEntry(entry)));
        if (!name.isEmpty())
            SetEntryName(entry, name);
    }
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
