#include "NetChessSession.h"

#include "GameSettings.h"
#include "NetChessProtocol.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "Nickname.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"

using namespace ProgramTexts;

namespace
{
using S = CNetChessSession;

bool IdleServer(const S& s)
{
    return s.IsServer() && !s.IsRunning();
}

bool AcceptTakebackShown(const S& s)
{
    return s.IsRunning() && s.IsTakebackRequested();
}

// The sixteen buttons with their rules, in the order of their rows.
const CommandRule<S> kCommands[] = {
    {{S::kStartGameId, IDS_NC_START_GAME, 0},
     CommandOwner::Session,
     [](const S& s) { return !s.IsRunning(); },
     [](const S& s) { return IdleServer(s) && s.Roster().Count() >= 2 && s.Position().IsGameGoingOn(); }},
    {{S::kResignId, IDS_NC_RESIGN, 0}, CommandOwner::Session, [](const S& s) { return s.IsRunning(); }},
    {{S::kTimeCallId, IDS_NC_TIME_CALL, 1},
     CommandOwner::Session,
     nullptr,
     [](const S& s) {
         return !s.Settings().IsWinOnOpponentTimeZero() && s.IsRunning() && s.IsTimeLimited() &&
                s.IsOpponentFlagFallen();
     }},
    {{S::kAbortGameId, IDS_NC_ABORT_GAME, 2},
     CommandOwner::Session,
     nullptr,
     [](const S& s) { return s.IsServer() && s.IsRunning(); }},
    {{S::kOfferDrawId, IDS_NC_OFFER_DRAW, 3},
     CommandOwner::Session,
     [](const S& s) { return (!s.IsDrawPending() && !s.IsDrawOffered()) || !s.IsRunning(); },
     [](const S& s) { return s.IsRunning(); }},
    {{S::kCancelOfferId, IDS_NC_CANCEL_OFFER, 3},
     CommandOwner::Session,
     [](const S& s) { return s.IsRunning() && s.IsDrawPending() && !s.IsDrawOffered(); }},
    {{S::kAcceptDrawId, IDS_NC_ACCEPT_DRAW, 3},
     CommandOwner::Session,
     [](const S& s) { return s.IsRunning() && s.IsDrawOffered(); }},
    {{S::kTakebackId, IDS_NC_TAKEBACK, 4},
     CommandOwner::Session,
     [](const S& s) { return !AcceptTakebackShown(s); },
     [](const S& s) {
         return s.IsRunning() && !AcceptTakebackShown(s) && !s.IsTakebackAsked() && s.Position().CurrentPly() > 0;
     }},
    {{S::kAcceptTakebackId, IDS_NC_ACCEPT_TAKEBACK, 4}, CommandOwner::Session, AcceptTakebackShown},
    {{S::kResetBoardId, IDS_NC_RESET_BOARD, 5}, CommandOwner::Session, nullptr, IdleServer},
    {{S::kSwitchColorId, IDS_NC_SWITCH_COLOR, 6}, CommandOwner::Session, nullptr, IdleServer},
    {{S::kLoadGameId, IDS_NC_LOAD_GAME, 7}, CommandOwner::Window, nullptr, IdleServer},
    {{S::kSaveGameId, IDS_NC_SAVE_GAME, 8}, CommandOwner::Window},
    {{S::kHelpId, IDS_CONN_HELP, 9}, CommandOwner::Window},
    {{S::kSettingsId, IDS_NC_SETTINGS, 10}, CommandOwner::Window},
    {{S::kMenuId, IDS_NC_MENU, 11}, CommandOwner::Window},
};
} // namespace

CNetChessSession::CNetChessSession(GameSettings& settings, PlayerRoster& roster, CNetConnection& link)
    : CNetGameSession(settings, roster, link, 1, 2)
{
    SetPanelPlayer(kBottomPanel, 0);
}

std::vector<CommandButton> CNetChessSession::Commands() const
{
    return ButtonsOf(kCommands);
}

CommandState CNetChessSession::StateOf(int id) const
{
    return StateByRule(kCommands, *this, id);
}

CommandOwner CNetChessSession::OwnerOf(int id) const
{
    const CommandRule<S>* rule = RuleOf(kCommands, id);
    return rule != nullptr ? rule->owner : CommandOwner::Window;
}

CommandQuestion CNetChessSession::QuestionOf(int id) const
{
    switch (id)
    {
    case kResignId: return {IDS_NC_ASK_RESIGN};
    case kAbortGameId: return {IDS_NC_ASK_ABORT};
    case kMenuId: return HasOpponent() ? CommandQuestion{IDS_NC_ASK_QUIT} : CommandQuestion{};
    default: return {};
    }
}

void CNetChessSession::RunCommand(int id)
{
    switch (id)
    {
    case kStartGameId: StartGame(); break;
    case kResignId: Resign(); break;
    case kTimeCallId: TimeCall(); break;
    case kAbortGameId: AbortGame(); break;
    case kOfferDrawId: OfferDraw(); break;
    case kCancelOfferId:
        m_DrawPending = false;
        UpdateButtons();
        break;
    case kAcceptDrawId: AcceptDraw(); break;
    case kTakebackId: RequestTakeback(); break;
    case kAcceptTakebackId: AcceptTakeback(); break;
    case kResetBoardId: ResetBoard(); break;
    case kSwitchColorId:
        SwitchColours();
        Send(CNetMessage(MSG_SWITCH_COLORS));
        break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Small helpers

Colour CNetChessSession::MyColour() const
{
    return m_Roster.GetEntry(0).colour == COLOUR_BLACK ? COLOUR_BLACK : COLOUR_WHITE;
}

bool CNetChessSession::IsMyTurn() const
{
    return m_Running && Position().SideToMove() == MyColour();
}

bool CNetChessSession::HasOpponent() const
{
    return IsServer() ? m_Roster.Count() >= 2 && !m_Roster.GetEntry(1).name.isEmpty() : m_Link.IsClientConnected();
}

bool CNetChessSession::IsTimeLimited() const
{
    return !m_Settings.IsTimeInfinite();
}

int CNetChessSession::PanelOf(Colour colour) const
{
    return colour == MyColour() ? kBottomPanel : kTopPanel;
}

bool CNetChessSession::Summary()
{
    return PrintSummaryIfNew(m_Settings.SummaryText());
}

void CNetChessSession::TurnNotice()
{
    ReportTurn(true);
    MoveSound();
}

void CNetChessSession::PassTurn(int from, int to)
{
    Clock(from).Stop();
    Clock(to).Start();
}

void CNetChessSession::MarkLoser(Colour colour)
{
    (colour == COLOUR_WHITE ? m_Result.whiteLost : m_Result.blackLost) = true;
}

void CNetChessSession::ClearGameFlags()
{
    m_DrawPending = m_DrawOffered = m_DrawOfferSent = false;
    m_TakebackRequested = m_TakebackAsked = false;
    m_OpponentFlagFell = m_MyFlagFell = false;
}

QString CNetChessSession::NameOf(Colour colour) const
{
    // As people see it, in the proposed file name and in the saved game.
    if (colour == MyColour())
        return Nickname::Shown(m_Roster.GetEntry(0).name);
    return m_Roster.Count() >= 2 ? Nickname::Shown(m_Roster.GetEntry(1).name) : QString();
}

QString CNetChessSession::DefaultSaveName() const
{
    if (!HasOpponent() || m_Roster.Count() < 2)
        return Text(IDS_NC_SAVE_NAME_ALONE).replace(QStringLiteral("%d"), QString::number(m_SaveCounter));
    QString name = Text(IDS_NC_SAVE_NAME);
    name.replace(name.indexOf(QStringLiteral("%s")), 2, NameOf(COLOUR_WHITE));
    name.replace(name.indexOf(QStringLiteral("%s")), 2, NameOf(COLOUR_BLACK));
    name.replace(QStringLiteral("%d"), QString::number(m_SaveCounter));
    return name;
}

// ---------------------------------------------------------------------------
// Open, EndGame, UpdateButtons

void CNetChessSession::Open()
{
    m_Result = ResultFlags{};
    ClearGameFlags();
    m_Running = false;
    ForgetSummary();
    StopClocks();
    SetFlipped(0, false);
    if (m_Roster.Count() > 0)
    {
        PlayerEntry me = m_Roster.GetEntry(0);
        me.colour = COLOUR_WHITE;
        m_Roster.SetEntry(0, me);
    }
    SetResultText(std::string());
    MutablePosition().Reset();
    SetHighlight(0, CCoordinate::None());
    SetInput(0, false);
    Observer().OnChatCleared();
    m_GameNumber = 0;
    for (int panel : {kBottomPanel, kTopPanel})
    {
        Clock(panel).SetUnlimited(m_Settings.IsTimeInfinite());
        Clock(panel).SetTime(m_Settings.GetGameTime());
    }
    SetPanelPlayer(kBottomPanel, 0);
    SetPanelPlayer(kTopPanel, -1);

    if (IsServer())
    {
        AnnounceServer(!m_FromCommandLine);
        if (m_Roster.Count() >= 2 && !m_Roster.GetEntry(1).name.isEmpty())
            SetPanelPlayer(kTopPanel, 1);
        Summary();
        SetInformation(Text(IDS_NC_CLICK_START));
    }
    else
        SetInformation(Text(IDS_NC_ONLY_SERVER));
    ReportBoard(0);
    ReportMoveList();
    ReportPanels();
    UpdateButtons();
}

void CNetChessSession::EndGame()
{
    const bool wasRunning = m_Running;
    ReportTurn(false);
    StopClocks();
    SetInput(0, false);
    ClearGameFlags();
    m_Running = false;
    ReportBoard(0);
    UpdateButtons();
    if (wasRunning)
        ReportGameEnded();
}

void CNetChessSession::UpdateButtons()
{
    for (int panel : {kBottomPanel, kTopPanel})
        Clock(panel).SetUnlimited(m_Settings.IsTimeInfinite());
    ReportButtons();
}

// ---------------------------------------------------------------------------
// Starting a game

void CNetChessSession::StartGame()
{
    SetInformation(QString());
    SetResultText(std::string());
    MutablePosition().SetKingCaptureOption(m_Settings.IsKingCanBeCaptured());
    m_Running = true; // IsMyTurn asks for a running game
    const bool myTurn = IsMyTurn();
    SetInput(0, myTurn);
    for (int panel : {kBottomPanel, kTopPanel})
        Clock(panel).SetUnlimited(m_Settings.IsTimeInfinite());
    if (IsTimeLimited())
    {
        Clock(kBottomPanel).SetTime(m_Settings.GetGameTime());
        Clock(kTopPanel).SetTime(m_Settings.GetGameTime());
        ClockSwitch().SetMoveStartTime(m_Settings.GetGameTime());
    }
    // Without a time limit the clock only shows whose turn it is.
    Clock(myTurn ? kBottomPanel : kTopPanel).Start();
    if (myTurn)
        TurnNotice();
    ClearGameFlags();
    m_Result = ResultFlags{};
    CountGameStarted(IDS_NC_GAME_STARTED);
    Send(CNetChessProtocol::MakeGameStarted(ShownMoves()));
    ReportBoard(0);
    ReportMoveList();
    UpdateButtons();
}

void CNetChessSession::ReceiveGameStarted(const CNetMessage& message)
{
    if (IsServer())
        return;
    const std::optional<std::vector<std::string>> moves = CNetChessProtocol::ReadGameStarted(message);
    if (!moves)
    {
        CommunicationError(true);
        return;
    }
    EndGame();
    CChessPosition& position = MutablePosition();
    position.Reset();
    position.SetKingCaptureOption(m_Settings.IsKingCanBeCaptured());
    position.LoadMoveList(*moves);
    SetHighlight(0, CCoordinate::None());
    SetResultText(std::string());
    ReportBoard(0);
    ReportMoveList();
    // A move list our rules cannot follow would leave the two boards apart.
    if (position.MoveTexts().size() != moves->size())
    {
        CommunicationError(true);
        return;
    }
    SetInformation(QString());
    m_Running = true;
    ClearGameFlags();
    m_Result = ResultFlags{};
    if (IsTimeLimited())
    {
        Clock(kBottomPanel).SetTime(m_Settings.GetGameTime());
        Clock(kTopPanel).SetTime(m_Settings.GetGameTime());
        ClockSwitch().SetMoveStartTime(m_Settings.GetGameTime());
    }
    const bool even = moves->size() % 2 == 0;
    const bool myTurn = (MyColour() == COLOUR_WHITE) == even;
    Clock(myTurn ? kBottomPanel : kTopPanel).Start();
    if (myTurn)
    {
        SetInput(0, true);
        TurnNotice();
    }
    CountGameStarted(IDS_NC_GAME_STARTED);
    ReportBoard(0);
    ReportMoveList();
    UpdateButtons();
}

// ---------------------------------------------------------------------------
// Moves

bool CNetChessSession::RequestMove(int board, const CMove& move, int32_t promotion)
{
    if (board != 0 || !IsInputEnabled(0) || !IsMyTurn())
        return false;
    MoveOutcome played;
    if (!PlayOnBoard(0, move, promotion, played))
        return false;
    if (IsTimeLimited())
        ClockSwitch().SwitchAfterMove(Clock(kBottomPanel), Clock(kTopPanel), m_Settings.GetNbSecondsBonus(),
                                      IsTimeLimited());
    else
        PassTurn(kBottomPanel, kTopPanel);
    ReportTurn(false);
    m_DrawOffered = false;
    m_TakebackRequested = false;
    SetInput(0, false);
    ReportBoard(0);
    ReportMoveList();

    NetChessMove sent;
    sent.move = move;
    sent.promotion = played.promotion;
    sent.remainingMs = static_cast<int32_t>(Clock(kBottomPanel).GetTime().Milliseconds());
    sent.drawOffer = m_DrawPending;
    if (Send(CNetChessProtocol::MakeMove(sent)))
    {
        m_DrawOfferSent = m_DrawPending;
        m_DrawPending = false;
    }
    UpdateButtons();
    Judge(0);
    return true;
}

void CNetChessSession::ReceiveMove(const CNetMessage& message)
{
    // A move is only expected from the opponent, on the opponent's turn.
    if (!m_Running)
        return;
    const std::optional<NetChessMove> received = CNetChessProtocol::ReadMove(message);
    if (!received || IsMyTurn())
    {
        CommunicationError();
        return;
    }
    if (received->drawOffer)
    {
        m_DrawOffered = true;
        Notice(Text(IDS_NC_DRAW_OFFERED));
    }
    // The opponent's move lets my own offer lapse.
    m_DrawOfferSent = false;
    m_TakebackAsked = false;
    if (IsTimeLimited())
    {
        Clock(kTopPanel).Stop();
        Clock(kTopPanel).SetTime(ClockTime(received->remainingMs));
    }
    else
        Clock(kTopPanel).Stop();
    // No piece means a queen.
    const int32_t piece = received->promotion == PIECE_PAWN ? PIECE_QUEEN : received->promotion;
    MoveOutcome played;
    if (!PlayOnBoard(0, received->move, piece, played))
    {
        CommunicationError();
        return;
    }
    BoardChange change;
    change.animate = true;
    change.move = received->move;
    ReportBoard(0, change);
    ReportMoveList();
    Judge(0);
    if (!m_Running)
        return;
    SetInput(0, true);
    if (IsTimeLimited())
        ClockSwitch().SetMoveStartTime(Clock(kBottomPanel).GetTime());
    Clock(kBottomPanel).Start();
    TurnNotice();
    ReportBoard(0);
    UpdateButtons();
}

// ---------------------------------------------------------------------------
// Results

void CNetChessSession::OnCheckmate(int, Colour mated)
{
    EndGame();
    if (mated == MyColour())
        m_Roster.AddDefeat();
    else
        m_Roster.AddVictory();
    ReportStats();
    Message(Text(IDS_NC_CHECKMATE)
                .arg(Text(mated == COLOUR_WHITE ? IDS_NC_WHITE : IDS_NC_BLACK),
                     Text(mated == COLOUR_WHITE ? IDS_NC_BLACK : IDS_NC_WHITE)));
}

void CNetChessSession::OnStalemate(int, Colour side)
{
    DrawResult(Text(IDS_NC_STALEMATE).arg(Text(side == COLOUR_WHITE ? IDS_NC_WHITE : IDS_NC_BLACK)));
}

void CNetChessSession::OnDrawByRule(int, int textId)
{
    DrawResult(Text(textId));
}

void CNetChessSession::DrawResult(const QString& text)
{
    EndGame();
    // Saved as a draw, as the local game saves it.
    m_Result.drawn = true;
    m_Roster.AddDraw();
    ReportStats();
    Message(text);
}

void CNetChessSession::OnCheck(int, Colour side)
{
    if (!m_Settings.IsKingCanBeCaptured() && side == MyColour() && m_Running)
        Notice(Text(IDS_NC_KING_IN_CHECK));
}

void CNetChessSession::OfferDraw()
{
    m_DrawPending = true;
    Notice(Text(IDS_NC_DRAW_WITH_NEXT));
    UpdateButtons();
}

void CNetChessSession::AcceptDraw()
{
    EndGame();
    m_Result.drawn = true;
    if (Send(CNetMessage(MSG_DRAW_ACCEPTED)))
    {
        m_Roster.AddDraw();
        ReportStats();
        Message(Text(IDS_NC_DRAW));
    }
}

void CNetChessSession::Resign()
{
    EndGame();
    MarkLoser(MyColour());
    m_Roster.AddDefeat();
    ReportStats();
    Send(CNetMessage(MSG_RESIGN));
}

void CNetChessSession::AbortGame()
{
    EndGame();
    Send(CNetMessage(MSG_GAME_ABORTED));
}

void CNetChessSession::OnTimeExpired(CPlayerClock* clock)
{
    // Each program judges only its own clock, and only on its own turn.
    if (clock != &Clock(kBottomPanel) || !IsMyTurn() || !IsTimeLimited())
        return;
    if (m_Settings.IsWinOnOpponentTimeZero())
    {
        EndGame();
        MarkLoser(MyColour());
        if (Send(CNetMessage(MSG_TIME_EXPIRED)))
        {
            m_Roster.AddDefeat();
            ReportStats();
        }
        Message(Text(IDS_NC_MY_TIME_EXPIRED));
        return;
    }
    m_MyFlagFell = true;
    Send(CNetMessage(MSG_FLAG_FELL));
}

void CNetChessSession::TimeCall()
{
    Send(CNetMessage(MSG_TIME_CALL));
    UpdateButtons();
}

void CNetChessSession::ReceiveResult(int id)
{
    if (!m_Running)
        return;
    switch (id)
    {
    case MSG_DRAW_ACCEPTED:
        // Only an offer I made and that has not lapsed can be accepted.
        if (!m_DrawOfferSent)
            return;
        EndGame();
        m_Result.drawn = true;
        m_Roster.AddDraw();
        ReportStats();
        Message(Text(IDS_NC_DRAW));
        break;
    case MSG_RESIGN:
        EndGame();
        MarkLoser(OpponentColour());
        m_Roster.AddVictory();
        ReportStats();
        Message(Text(IDS_NC_OPPONENT_RESIGNED));
        break;
    case MSG_GAME_ABORTED:
        EndGame();
        Notice(Text(IDS_NC_ABORTED));
        Message(Text(IDS_NC_ABORTED));
        break;
    case MSG_TIME_EXPIRED:
        EndGame();
        MarkLoser(OpponentColour());
        m_Roster.AddVictory();
        ReportStats();
        Message(Text(IDS_NC_OPPONENT_TIME_EXPIRED));
        break;
    case MSG_TIME_CALL:
        // Only a clock that has really run out can be called.
        if (!IsTimeLimited() || m_Settings.IsWinOnOpponentTimeZero() || !m_MyFlagFell)
            return;
        EndGame();
        MarkLoser(MyColour());
        if (Send(CNetMessage(MSG_TIME_EXPIRED)))
        {
            m_Roster.AddDefeat();
            ReportStats();
            Message(Text(IDS_NC_MY_TIME_EXPIRED));
        }
        break;
    case MSG_FLAG_FELL:
        if (!IsTimeLimited() || m_Settings.IsWinOnOpponentTimeZero())
            return;
        if (!m_OpponentFlagFell)
            Notice(Text(IDS_NC_OPPONENT_FLAG_FELL));
        m_OpponentFlagFell = true;
        UpdateButtons();
        break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Takeback

void CNetChessSession::RequestTakeback()
{
    // The request stays open until the opponent accepts it or moves; the
    // button waits with it.
    if (!Send(CNetMessage(MSG_TAKEBACK_REQUEST)))
        return;
    m_TakebackAsked = true;
    Notice(Text(IDS_NC_TAKEBACK_SENT));
    UpdateButtons();
}

void CNetChessSession::AcceptTakeback()
{
    m_TakebackRequested = false;
    if (Send(CNetMessage(MSG_TAKEBACK_ACCEPTED)))
        UndoLastPly();
    else
        UpdateButtons();
}

void CNetChessSession::UndoLastPly()
{
    if (!Position().CanTakeBack() || Position().CurrentPly() == 0)
    {
        UpdateButtons();
        return;
    }
    const int toMove = PanelOf(Position().SideToMove());
    const int other = toMove == kBottomPanel ? kTopPanel : kBottomPanel;
    Clock(toMove).Stop();
    MutablePosition().TakeBack();
    SetResultText(std::string());
    // An undone move takes its draw offer with it.
    m_DrawOffered = m_DrawOfferSent = false;
    if (IsMyTurn())
    {
        SetInput(0, true);
        TurnNotice();
    }
    else
    {
        SetInput(0, false);
        ReportTurn(false);
    }
    if (IsTimeLimited())
        ClockSwitch().SetMoveStartTime(Clock(other).GetTime());
    Clock(other).Start();
    ReportBoard(0);
    ReportMoveList();
    UpdateButtons();
}

// ---------------------------------------------------------------------------
// Idle commands of the server

void CNetChessSession::ResetBoard()
{
    SetResultText(std::string());
    MutablePosition().Reset();
    SetHighlight(0, CCoordinate::None());
    SetInput(0, false);
    ReportBoard(0);
    ReportMoveList();
    UpdateButtons();
}

void CNetChessSession::SwitchColours()
{
    SetFlipped(0, !IsFlipped(0));
    PlayerEntry me = m_Roster.GetEntry(0);
    me.colour = OpponentColour();
    m_Roster.SetEntry(0, me);
    ReportBoard(0);
    ReportPanels();
    Notice(Text(IDS_NC_COLORS_SWITCHING));
}

void CNetChessSession::BeforeLoad()
{
    EndGame();
}

void CNetChessSession::ApplySettings()
{
    if (!m_Running)
    {
        Clock(kBottomPanel).SetTime(m_Settings.GetGameTime());
        Clock(kTopPanel).SetTime(m_Settings.GetGameTime());
    }
    if (!Summary())
        return;
    UpdateButtons();
    Send(CNetChessProtocol::MakeSettings(NetChessSettings::Of(m_Settings)));
}

void CNetChessSession::Leave()
{
    EndGame();
    // Our own departure may report the connections it closes; nobody is told.
    m_Leaving = true;
    m_Link.Leave(true);
    m_Leaving = false;
    m_Roster.Reset();
}

// ---------------------------------------------------------------------------
// Messages from the peer

void CNetChessSession::HandleGameMessage(const CNetMessage& message)
{
    switch (message.GetId())
    {
    case MSG_JOIN_ACCEPTED: ReceiveJoinAccepted(message); break;
    case MSG_CHAT: ReceiveChat(message); break;
    case MSG_GAME_STARTED: ReceiveGameStarted(message); break;
    case MSG_MOVE: ReceiveMove(message); break;
    case MSG_SETTINGS: ReceiveSettings(message); break;
    case MSG_DRAW_ACCEPTED:
    case MSG_RESIGN:
    case MSG_GAME_ABORTED:
    case MSG_TIME_EXPIRED:
    case MSG_TIME_CALL:
    case MSG_FLAG_FELL: ReceiveResult(message.GetId()); break;
    case MSG_TAKEBACK_REQUEST:
        if (!m_Running || Position().CurrentPly() == 0)
            return;
        m_TakebackRequested = true;
        Notice(Text(IDS_NC_TAKEBACK_ASKED));
        UpdateButtons();
        break;
    case MSG_TAKEBACK_ACCEPTED:
        if (!m_Running || !m_TakebackAsked)
            return;
        m_TakebackAsked = false;
        m_TakebackRequested = false;
        UndoLastPly();
        Notice(Text(IDS_NC_TAKEBACK_ACCEPTED));
        break;
    case MSG_SWITCH_COLORS:
        if (IsServer() || m_Running)
            return;
        SwitchColours();
        break;
    case MSG_PLAYER_LEFT: OpponentLeft(); break;
    default: break;
    }
}

void CNetChessSession::ReceiveJoinAccepted(const CNetMessage& message)
{
    const std::optional<NetChessJoin> join = CNetChessProtocol::ReadJoinAccepted(message);
    if (!join)
    {
        // Nothing can be played with a server that does not say how.
        m_Link.Leave(false);
        Message(Text(IDS_NC_COMM_ERROR));
        return;
    }
    join->settings.ApplyTo(m_Settings);
    m_Roster.SetEntry(1, PlayerEntry{join->serverName, 0, COLOUR_WHITE, 0});
    Observer().OnShowRequested();
    Open();
    if (IsTimeLimited())
    {
        Clock(kBottomPanel).SetTime(m_Settings.GetGameTime());
        Clock(kTopPanel).SetTime(m_Settings.GetGameTime());
    }
    Notice(Text(IDS_NC_CONNECTED_AS).arg(Nickname::Shown(m_Roster.GetNickname())));
    Notice(Text(IDS_NC_IS_IN_GAME).arg(Nickname::Shown(join->serverName)));
    SetPanelPlayer(kTopPanel, 1);
    ReportPanels();
    if (join->serverPlaysWhite)
        SwitchColours();
    Summary();
    EndGame();
}

void CNetChessSession::ReceiveSettings(const CNetMessage& message)
{
    if (IsServer())
        return;
    const std::optional<NetChessSettings> settings = CNetChessProtocol::ReadSettings(message);
    if (!settings)
        return;
    settings->ApplyTo(m_Settings);
    if (!m_Running)
    {
        Clock(kBottomPanel).SetTime(m_Settings.GetGameTime());
        Clock(kTopPanel).SetTime(m_Settings.GetGameTime());
    }
    Summary();
    UpdateButtons();
}

void CNetChessSession::SendChat(const QString& text)
{
    if (text.isEmpty())
        return;
    Send(CNetChessProtocol::MakeChat(text));
    ChatLine(m_Roster.GetNickname(), text, true);
}

void CNetChessSession::ReceiveChat(const CNetMessage& message)
{
    const std::optional<QString> text = CNetChessProtocol::ReadChat(message);
    if (!text)
        return;
    ChatLine(m_Roster.Count() >= 2 ? m_Roster.GetEntry(1).name : QString(), *text, false);
}

// ---------------------------------------------------------------------------
// Connection events

void CNetChessSession::OpponentLeft()
{
    if (m_Roster.Count() < 2 || m_Roster.GetEntry(1).name.isEmpty())
        return;
    const bool wasRunning = m_Running;
    EndGame();
    const PlayerEntry opponent = m_Roster.GetEntry(1);
    if (IsServer())
        m_Link.RemoveSeatedUser(opponent.connectionId);
    const QString text = Text(IDS_NC_LEAVES).arg(Nickname::Shown(opponent.name));
    m_Roster.RemoveByName(opponent.name);
    SetPanelPlayer(kTopPanel, -1);
    ReportPanels();
    UpdateButtons();
    if (wasRunning)
        Message(text);
    else
        Notice(text);
}

void CNetChessSession::OnPlayerAdmitted(int, const QString&)
{
    SetPanelPlayer(kTopPanel, 1);
    ReportPanels();
    Observer().OnPlayerAdmitted();
    UpdateButtons();
}

void CNetChessSession::OnSeatedUserGone(int userId)
{
    if (m_Leaving)
        return;
    if (m_Roster.Count() >= 2 && m_Roster.GetEntry(1).connectionId == userId)
        OpponentLeft();
}

void CNetChessSession::OnConnectionLost(int reason)
{
    if (m_Leaving)
        return;
    if (reason == 2)
    {
        EndGame();
        Message(Text(IDS_NC_SERVER_LEFT));
    }
    else if (reason == 3 || reason == 4)
    {
        EndGame();
        Message(Text(IDS_NC_COMM_ERROR));
    }
}

void CNetChessSession::CommunicationError(bool evenWhenIdle)
{
    if (!m_Running && !evenWhenIdle)
        return;
    EndGame();
    Notice(Text(IDS_NC_COMM_ERROR));
    Message(Text(IDS_NC_COMM_ERROR));
}
