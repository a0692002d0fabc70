#include "BughouseSession.h"

#include "BughouseEngineSeats.h"
#include "BughouseProtocol.h"
#include "GameSettings.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "Nickname.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"

#include <algorithm>

using namespace ProgramTexts;

namespace
{
using S = CBughouseSession;

bool IdleServer(const S& s)
{
    return s.IsServer() && !s.IsRunning();
}

bool CancelOfferShown(const S& s)
{
    return s.IsRunning() && s.IsOwnOffer() && !s.IsOfferedToMe();
}

bool AcceptDrawShown(const S& s)
{
    return s.IsRunning() && s.IsOfferedToMe();
}

// The server that seats engines, while no game runs.
bool EngineSeatsShown(const S& s)
{
    return IdleServer(s) && s.EngineSeats() != nullptr;
}

// The buttons with their rules, in the order of their rows.
const CommandRule<S> kCommands[] = {
    {{S::kStartId, IDS_BH_START, 0},
     CommandOwner::Session,
     IdleServer,
     [](const S& s) { return !s.IsRunning() && s.Roster().Count() >= 2; }},
    {{S::kResignId, IDS_BH_RESIGN, 0},
     CommandOwner::Session,
     [](const S& s) { return s.IsRunning() || !s.IsServer(); },
     [](const S& s) { return s.IsRunning(); }},
    {{S::kTimeCallId, IDS_BH_TIME_CALL, 1},
     CommandOwner::Session,
     [](const S& s) { return !EngineSeatsShown(s); },
     [](const S& s) { return s.IsRunning() && !s.Settings().IsWinOnOpponentTimeZero() && s.IsFlagFallen(); }},
    {{S::kAbortGameId, IDS_BH_ABORT_GAME, 2},
     CommandOwner::Session,
     [](const S& s) { return s.IsServer() && !EngineSeatsShown(s); },
     [](const S& s) { return s.IsServer() && s.IsRunning(); }},
    {{S::kOfferDrawId, IDS_BH_OFFER_DRAW, 3},
     CommandOwner::Session,
     [](const S& s) { return !(s.IsOfferedToMe() || s.IsOwnOffer()) || !s.IsRunning(); },
     [](const S& s) { return s.IsRunning(); }},
    {{S::kAcceptDrawId, IDS_BH_ACCEPT_DRAW, 3}, CommandOwner::Session, AcceptDrawShown, AcceptDrawShown},
    {{S::kCancelOfferId, IDS_BH_CANCEL_OFFER, 3}, CommandOwner::Session, CancelOfferShown, CancelOfferShown},
    {{S::kRotatePlayersId, IDS_BH_ROTATE_PLAYERS, 4},
     CommandOwner::Session,
     nullptr,
     [](const S& s) { return IdleServer(s) && s.Roster().Count() >= 3; }},
    {{S::kSwitchPartnerId, IDS_BH_SWITCH_PARTNER, 5},
     CommandOwner::Session,
     nullptr,
     [](const S& s) { return IdleServer(s) && s.Roster().Count() == 4; }},
    {{S::kSwitchColorId, IDS_BH_SWITCH_COLOR, 6},
     CommandOwner::Session,
     nullptr,
     [](const S& s) { return IdleServer(s) && s.Roster().Count() > 2; }},
    // Between games the server's rows of Time Call and Abort Game, which
    // have nothing to do then, hold the engine seats' buttons.
    {{S::kAddComputerId, IDS_BH_ADD_COMPUTER, 1},
     CommandOwner::Window,
     EngineSeatsShown,
     [](const S& s) { return s.CanAddComputer(); }},
    {{S::kRemoveComputerId, IDS_BH_REMOVE_COMPUTER, 2},
     CommandOwner::Window,
     EngineSeatsShown,
     [](const S& s) { return s.CanRemoveComputer(); }},
    {{S::kSettingsId, IDS_BH_SETTINGS, 7}, CommandOwner::Window},
    {{S::kRulesId, IDS_BH_RULES, 8}, CommandOwner::Window},
    {{S::kHelpId, IDS_BH_HELP, 9}, CommandOwner::Window},
    {{S::kMenuId, IDS_BH_MENU, 10}, CommandOwner::Window},
    {{S::kSaveGameId, IDS_BH_SAVE_GAME, 11},
     CommandOwner::Window,
     nullptr,
     [](const S& s) { return !s.Record().IsEmpty(); }},
    {{S::kLoadGameId, IDS_BH_LOAD_GAME, 12}, CommandOwner::Window, nullptr, [](const S& s) { return !s.IsRunning(); }},
};

// The piece a legal move takes, read before it is played: its type with the
// promoted bit, or -1 when it takes nothing. En passant takes a pawn.
int32_t CapturedBy(const CChessPosition& position, const CMove& move, Colour& colour)
{
    const PieceCode target = position.PieceAt(move.to);
    if (target != 0)
    {
        colour = ColourOfCode(target);
        return target & 15;
    }
    if (position.TypeAt(move.from) == PIECE_PAWN && move.from.Column() != move.to.Column())
    {
        colour = OppositeColour(position.ColourAt(move.from));
        return PIECE_PAWN;
    }
    return -1;
}
} // namespace

CBughouseSession::CBughouseSession(GameSettings& settings, PlayerRoster& roster, CNetConnection& link)
    : CNetGameSession(settings, roster, link, 2, 4)
{
    for (int board = 0; board < 2; ++board)
        MutablePosition(board).SetDropsOption(1);
    // The link asks the game in use; another game's session leaves it alone.
    m_Link.SetRelayFilter([this](int userId, const CNetMessage& message) {
        return m_Link.GetGameWindow() != this || AcceptsFromClient(userId, message);
    });
}

CBughouseSession::~CBughouseSession()
{
    m_Link.SetRelayFilter({});
}

void CBughouseSession::EnableEngineSeats(IBughouseEngineFactory& factory)
{
    m_EngineSeats = std::make_unique<CBughouseEngineSeats>(*this, factory);
    UpdateButtons();
}

bool CBughouseSession::CanAddComputer() const
{
    return m_EngineSeats != nullptr && m_EngineSeats->CanAdd();
}

bool CBughouseSession::CanRemoveComputer() const
{
    return m_EngineSeats != nullptr && m_EngineSeats->CanRemove();
}

std::vector<CommandButton> CBughouseSession::Commands() const
{
    return ButtonsOf(kCommands);
}

CommandState CBughouseSession::StateOf(int id) const
{
    return StateByRule(kCommands, *this, id);
}

CommandOwner CBughouseSession::OwnerOf(int id) const
{
    const CommandRule<S>* rule = RuleOf(kCommands, id);
    return rule != nullptr ? rule->owner : CommandOwner::Window;
}

CommandQuestion CBughouseSession::QuestionOf(int id) const
{
    switch (id)
    {
    case kResignId: return {IDS_BUGHOUSE_CONFIRM_RESIGN};
    case kAbortGameId: return {IDS_BUGHOUSE_CONFIRM_ABORT, true};
    case kMenuId: return IsConnected() ? CommandQuestion{IDS_BUGHOUSE_CONFIRM_QUIT, true} : CommandQuestion{};
    default: return {};
    }
}

void CBughouseSession::RunCommand(int id)
{
    switch (id)
    {
    case kStartId:
        if (Send(CNetMessage(MSG_GAME_STARTED)))
            StartGame();
        break;
    case kResignId: Resign(); break;
    case kTimeCallId: (void)Send(CBughouseProtocol::MakeSeatMessage(MSG_TIME_CALL, LocalSeat())); break;
    case kAbortGameId: AbortGame(); break;
    case kOfferDrawId: OfferDraw(); break;
    case kAcceptDrawId: AcceptDraw(); break;
    case kCancelOfferId:
        m_DrawPending = false;
        UpdateButtons();
        break;
    case kRotatePlayersId:
    case kSwitchPartnerId: ChangeSeats(id); break;
    case kSwitchColorId: SwitchColours(true); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Helpers

int CBughouseSession::LocalSeat() const
{
    return m_Roster.IndexOfNickname();
}

CBughouseSeats CBughouseSession::Seats() const
{
    return CBughouseSeats::FromRoster(m_Roster);
}

bool CBughouseSession::IsConnected() const
{
    return IsServer() ? m_Roster.Count() > 1 : m_Link.IsClientConnected();
}

int64_t CBughouseSession::GameTimeMs() const
{
    return m_Settings.GetGameTime().Milliseconds();
}

QString CBughouseSession::NameOf(Colour colour) const
{
    // The players of the local player's own board.
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const bool atBottom = seats.BottomColour(local, 0) == colour;
    return seats.Entry(atBottom ? seats.BottomSeat(local, 0) : seats.TopSeat(local, 0)).name;
}

QString CBughouseSession::SummaryText() const
{
    GameSettings limited(m_Settings);
    limited.SetIsTimeInfinite(false);
    return limited.SummaryText();
}

// ---------------------------------------------------------------------------
// State

void CBughouseSession::Open()
{
    StopGame();
    m_Record.Clear();
    m_EndClocksKept = false;
    m_RotationStep = 0;
    m_GameNumber = 0;
    ForgetSummary();
    Observer().OnChatCleared();
    for (int board = 0; board < 2; ++board)
    {
        MutablePosition(board).Reset();
        SetHighlight(board, CCoordinate::None());
    }
    ApplySettingsToClocks();
    Redraw();
    if (IsServer())
    {
        AnnounceServer(true);
        PrintSummary();
    }
    UpdateButtons();
}

void CBughouseSession::Redraw()
{
    EndRecordView();
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    for (int board = 0; board < 2; ++board)
    {
        SetPanelPlayer(2 * board, seats.BottomSeat(local, board));
        SetPanelPlayer(2 * board + 1, seats.TopSeat(local, board));
        SetFlipped(board, seats.Orientation(local, board) == 1);
    }
    ReportPanels();
    UpdateInput();
}

void CBughouseSession::UpdateInput()
{
    // A board takes the local player's moves only while it is its turn there.
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    for (int board = 0; board < 2; ++board)
    {
        const CChessPosition& position = Position(board);
        SetInput(board, m_Running && seats.BottomSeat(local, board) == local &&
                            position.SideToMove() == seats.BottomColour(local, board) && position.IsGameGoingOn());
    }
    ReportBoards();
}

void CBughouseSession::ApplySettingsToClocks()
{
    for (int panel = 0; panel < PanelCount(); ++panel)
    {
        Clock(panel).SetUnlimited(false);
        Clock(panel).SetTime(m_Settings.GetGameTime());
    }
}

void CBughouseSession::PrintSummary()
{
    PrintSummaryIfNew(SummaryText());
}

void CBughouseSession::StartGame()
{
    if (m_Record.IsLoaded())
        Redraw();
    for (int board = 0; board < 2; ++board)
    {
        CChessPosition& position = MutablePosition(board);
        position.Reset();
        position.SetKingCaptureOption(m_Settings.IsKingCanBeCaptured());
        SetHighlight(board, CCoordinate::None());
    }
    ApplySettingsToClocks();
    // On each board the white side's clock starts.
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    for (int board = 0; board < 2; ++board)
    {
        const bool whiteAtBottom = seats.BottomColour(local, board) == COLOUR_WHITE;
        Clock(2 * board + (whiteAtBottom ? 0 : 1)).Start();
    }
    m_Running = true;
    m_DrawOffered = m_DrawPending = m_FlagFell = m_FlagReported = false;
    ForgetOffers();
    BeginRecord();
    CountGameStarted(IDS_BUGHOUSE_GAME_STARTED);
    UpdateInput();
    UpdateButtons();
    if (m_EngineSeats)
        m_EngineSeats->OnGameStarted();
}

void CBughouseSession::StopGame()
{
    const bool wasRunning = m_Running;
    StopClocks();
    for (int board = 0; board < 2; ++board)
        SetInput(board, false);
    m_Running = false;
    m_DrawOffered = m_DrawPending = m_FlagFell = m_FlagReported = false;
    ForgetOffers();
    ReportBoards();
    UpdateButtons();
    if (m_EngineSeats)
        m_EngineSeats->OnGameStopped();
    if (wasRunning)
        ReportGameEnded();
}

void CBughouseSession::EndMatch(const BughouseVerdict& verdict)
{
    StopGame();
    switch (verdict.counter)
    {
    case BughouseCounter::Victory: m_Roster.AddVictory(); break;
    case BughouseCounter::Defeat: m_Roster.AddDefeat(); break;
    case BughouseCounter::Draw: m_Roster.AddDraw(); break;
    case BughouseCounter::None: break;
    }
    RecordResult(verdict.counter);
    if (verdict.counter != BughouseCounter::None)
        ReportStats();
    if (!verdict.text.isEmpty())
        Message(verdict.text);
}

// ---------------------------------------------------------------------------
// Commands

void CBughouseSession::Resign()
{
    // The defeat counts before the message goes out.
    EndMatch(CBughouseJudge::OwnResignation());
    (void)Send(CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, LocalSeat()));
}

void CBughouseSession::AbortGame()
{
    StopGame();
    (void)Send(CNetMessage(MSG_GAME_ABORTED));
}

void CBughouseSession::AcceptDraw()
{
    StopGame();
    if (Send(CNetMessage(MSG_DRAW_ACCEPTED)))
        EndMatch(CBughouseJudge::DrawAgreed());
}

void CBughouseSession::OfferDraw()
{
    m_DrawPending = true;
    Notice(Text(IDS_BUGHOUSE_DRAW_NEXT_MOVE));
    UpdateButtons();
}

void CBughouseSession::ChangeSeats(int command)
{
    CBughouseSeats seats = Seats();
    const bool changed = command == kRotatePlayersId ? seats.Rotate(m_RotationStep) : seats.SwitchPartner();
    if (!changed)
        return;
    seats.ApplyTo(m_Roster);
    Redraw();
    Notice(Text(IDS_BUGHOUSE_POSITION_CHANGED));
    (void)Send(CBughouseProtocol::MakeSeatsChanged(seats));
    UpdateButtons();
}

void CBughouseSession::SwitchColours(bool send)
{
    if (m_Roster.Count() == 0)
        return;
    PlayerEntry first = m_Roster.GetEntry(0);
    first.colour = OppositeColour(first.colour == COLOUR_BLACK ? COLOUR_BLACK : COLOUR_WHITE);
    m_Roster.SetEntry(0, first);
    Redraw();
    Notice(Text(IDS_BUGHOUSE_COLORS_SWITCHING));
    if (send)
        (void)Send(CNetMessage(MSG_SWITCH_COLORS));
}

void CBughouseSession::ApplySettings()
{
    // During a game the dialog changes only the display options: the clocks
    // keep running as they are, and the clients keep the same settings.
    if (!IsServer() || m_Running)
        return;
    ApplySettingsToClocks();
    PrintSummary();
    BughouseSettingsValues values;
    const int64_t seconds = m_Settings.GetGameTime().Milliseconds() / 1000;
    values.hours = static_cast<int32_t>(std::min<int64_t>(99, seconds / 3600));
    values.minutes = static_cast<int32_t>(seconds / 60 % 60);
    values.seconds = static_cast<int32_t>(seconds % 60);
    values.bonusSeconds = m_Settings.GetNbSecondsBonus();
    values.winOnOpponentTimeZero = m_Settings.IsWinOnOpponentTimeZero();
    values.kingCanBeCaptured = m_Settings.IsKingCanBeCaptured();
    (void)Send(CBughouseProtocol::MakeSettings(values));
    UpdateButtons();
}

void CBughouseSession::Leave()
{
    m_Link.Leave(true);
    StopGame();
    if (m_EngineSeats)
        m_EngineSeats->RemoveAll();
    m_Roster.Reset();
}

void CBughouseSession::SendChat(const QString& text)
{
    // Sent before it is drawn: the others do not wait for this program's pane.
    const QString nickname = m_Roster.GetNickname();
    (void)Send(CBughouseProtocol::MakeChat(nickname, text));
    ChatLine(nickname, text, true);
}

// ---------------------------------------------------------------------------
// The local player's moves and clocks

bool CBughouseSession::RequestMove(int board, const CMove& move, int32_t promotion)
{
    if (board < 0 || board > 1 || !m_Running || !IsInputEnabled(board))
        return false;
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const Colour mover = seats.BottomColour(local, board);
    MoveOutcome played;
    if (!PlayOnBoard(board, move, promotion, played))
        return false;
    ReportBoard(board);
    Clock(2 * board).Stop();
    if (played.captured)
    {
        MutablePosition(1 - board).ReceivePiece(played.capturedPiece, OppositeColour(mover));
        ReportBoard(1 - board);
    }
    BughouseMove sent;
    sent.seat = local;
    sent.orientation = seats.Orientation(local, board);
    sent.from = move.from;
    sent.to = move.to;
    sent.promotion = played.promotion;
    sent.captured = played.captured;
    sent.capturedPiece = played.captured ? played.capturedPiece : 0;
    sent.capturedColour = played.captured ? OppositeColour(mover) : COLOUR_NONE;
    sent.remainingMs = static_cast<int32_t>(std::max<int64_t>(0, Clock(2 * board).GetTime().Milliseconds()));
    sent.drawOffer = m_DrawPending;
    RecordMove(board, move, played.promotion, sent.remainingMs);
    AfterOwnMove(board, Send(CBughouseProtocol::MakeMove(sent)), sent.drawOffer);
    Judge(board);
    if (m_EngineSeats)
        m_EngineSeats->OnPlayed(
            board, EngineMove{move.from.Column(), move.from.Row(), move.to.Column(), move.to.Row(), played.promotion});
    return true;
}

bool CBughouseSession::RequestDrop(int board, const CCoordinate& square, PieceType type)
{
    if (board < 0 || board > 1 || !m_Running || !IsInputEnabled(board))
        return false;
    CChessPosition& position = MutablePosition(board);
    if (!position.DropPiece(position.SideToMove(), type, square))
        return false;
    SetHighlight(board, square);
    ReportBoard(board);
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    Clock(2 * board).Stop();
    BughouseDrop sent;
    sent.seat = local;
    sent.orientation = seats.Orientation(local, board);
    sent.square = square;
    sent.piece = type;
    sent.remainingMs = static_cast<int32_t>(std::max<int64_t>(0, Clock(2 * board).GetTime().Milliseconds()));
    sent.drawOffer = m_DrawPending;
    RecordDrop(board, type, square, sent.remainingMs);
    AfterOwnMove(board, Send(CBughouseProtocol::MakeDrop(sent)), sent.drawOffer);
    Judge(board);
    if (m_EngineSeats)
        m_EngineSeats->OnPlayed(board,
                                EngineMove{square.Column(), square.Row(), square.Column(), square.Row(), 0, type});
    return true;
}

void CBughouseSession::AfterOwnMove(int board, bool sent, bool drawOffer)
{
    if (sent && m_Running)
    {
        NoteMove(LocalSeat(), board, drawOffer);
        Clock(2 * board + 1).Start();
        m_DrawPending = m_DrawOffered = false;
    }
    UpdateInput();
    UpdateButtons();
}

void CBughouseSession::OnCheckmate(int board, Colour mated)
{
    if (!m_Running)
        return;
    const CBughouseSeats seats = Seats();
    EndMatch(CBughouseJudge(seats, LocalSeat()).Checkmate(board, mated));
}

void CBughouseSession::OnStalemate(int, Colour)
{
    if (!m_Running)
        return;
    EndMatch(CBughouseJudge::Stalemate());
}

void CBughouseSession::OnTimeExpired(CPlayerClock* clock)
{
    if (!m_Running)
        return;
    // The server keeps the clocks of its engine seats.
    if (m_EngineSeats && m_EngineSeats->OnClockExpired(clock))
        return;
    // Only the local player's own clocks are judged here.
    const CBughouseSeats seats = Seats();
    bool own = false;
    for (int board : seats.OwnViews(LocalSeat()))
        own = own || &Clock(2 * board) == clock;
    if (!own)
        return;
    if (m_Settings.IsWinOnOpponentTimeZero())
    {
        EndMatch({});
        RecordResult(BughouseCounter::Defeat);
        m_Roster.AddDefeat();
        ReportStats();
        if (Send(CBughouseProtocol::MakeSeatMessage(MSG_TIME_EXPIRED, LocalSeat())))
            Message(CBughouseJudge::OwnTimeLoss().text);
        return;
    }
    if (!m_FlagReported)
    {
        m_FlagReported = true;
        (void)Send(CNetMessage(MSG_FLAG_FELL));
    }
}

// ---------------------------------------------------------------------------
// Messages from the network

void CBughouseSession::HandleGameMessage(const CNetMessage& message)
{
    switch (message.GetId())
    {
    case MSG_JOIN_ACCEPTED:
    case MSG_PLAYER_JOINED:
    case MSG_SEATS_CHANGED: ReceiveSeats(message); break;
    case MSG_GAME_STARTED:
        if (!IsServer())
            StartGame();
        break;
    case MSG_MOVE: ReceiveMove(message); break;
    case MSG_DROP: ReceiveDrop(message); break;
    case MSG_RESIGN:
    case MSG_TIME_EXPIRED: ReceiveSeatMessage(message); break;
    case MSG_TIME_CALL: ReceiveTimeCall(message); break;
    case MSG_FLAG_FELL:
        if (m_Running)
        {
            m_FlagFell = true;
            UpdateButtons();
        }
        break;
    case MSG_DRAW_ACCEPTED:
        // The acceptance is another player's (nobody gets its own message back).
        if (m_Running && IsOfferOpenToAnotherPlayer())
            EndMatch(CBughouseJudge::DrawAgreed());
        break;
    case MSG_GAME_ABORTED:
        if (m_Running)
        {
            Notice(CBughouseJudge::Aborted().text);
            EndMatch(CBughouseJudge::Aborted());
        }
        break;
    case MSG_SWITCH_COLORS:
        if (!IsServer() && !m_Running)
            SwitchColours(false);
        break;
    case MSG_SETTINGS:
        if (!IsServer())
            ReceiveSettings(message, 0);
        break;
    case MSG_CHAT: ReceiveChat(message); break;
    case MSG_PLAYER_LEFT:
    {
        std::string name;
        (void)message.GetStringAt(0, name);
        const QString nickname = CBughouseProtocol::FromWire(name);
        const int seat = Seats().SeatOf(nickname);
        PlayerLeaves(nickname, seat >= 0 ? m_Roster.GetEntry(seat).connectionId : 0);
        break;
    }
    default: break;
    }
}

void CBughouseSession::ReceiveSeats(const CNetMessage& message)
{
    const int id = message.GetId();
    if (IsServer() || m_Running)
        return; // the server seats the players itself; seats never change mid-game
    const int first = id == MSG_JOIN_ACCEPTED ? 7 : id == MSG_PLAYER_JOINED ? 1 : 0;
    std::optional<CBughouseSeats> seats = CBughouseProtocol::ReadSeats(message, first);
    if (!seats || seats->SeatOf(m_Roster.GetNickname()) < 0)
        return;
    if (id == MSG_JOIN_ACCEPTED)
        ReceiveSettings(message, 0);
    if (id == MSG_SEATS_CHANGED)
        m_Roster.Reset();
    seats->ApplyTo(m_Roster);
    Redraw();
    if (id == MSG_JOIN_ACCEPTED)
    {
        Observer().OnShowRequested();
        Notice(Text(IDS_BUGHOUSE_CONNECTED_AS).arg(Nickname::Shown(m_Roster.GetNickname())));
        for (const PlayerEntry& entry : seats->Players())
        {
            if (entry.name != m_Roster.GetNickname())
                Notice(Text(IDS_BUGHOUSE_IS_IN_GAME).arg(Nickname::Shown(entry.name)));
        }
    }
    else if (id == MSG_PLAYER_JOINED)
    {
        std::string name;
        (void)message.GetStringAt(0, name);
        if (CBughouseProtocol::FromWire(name) != m_Roster.GetNickname())
            Notice(Text(IDS_NET_JOINS_GAME).arg(Nickname::Shown(CBughouseProtocol::FromWire(name))));
    }
    else
        Notice(Text(IDS_BUGHOUSE_POSITION_CHANGED));
    UpdateButtons();
}

void CBughouseSession::ReceiveSettings(const CNetMessage& message, int first)
{
    const std::optional<BughouseSettingsValues> values = CBughouseProtocol::ReadSettings(message, first);
    if (!values || m_Running)
        return;
    m_Settings.SetGameTime(values->hours, values->minutes, values->seconds);
    m_Settings.SetNbSecondsBonus(values->bonusSeconds);
    m_Settings.SetIsWinOnOpponentTimeZero(values->winOnOpponentTimeZero);
    m_Settings.SetIsKingCanBeCaptured(values->kingCanBeCaptured);
    ApplySettingsToClocks();
    PrintSummary();
}

void CBughouseSession::AfterReceived(int board, int seat, int32_t remainingMs, bool drawOffer)
{
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const bool atBottom = seats.BottomSeat(local, board) == seat;
    CPlayerClock& mover = Clock(2 * board + (atBottom ? 0 : 1));
    CPlayerClock& next = Clock(2 * board + (atBottom ? 1 : 0));
    mover.Stop();
    mover.SetTime(ClockTime(remainingMs));
    if (m_Running)
    {
        next.Start();
        NoteMove(seat, board, drawOffer);
    }
    if (drawOffer && m_Running)
    {
        if (seat == seats.PartnerOf(local))
            Notice(Text(IDS_BUGHOUSE_PARTNER_OFFERS_DRAW));
        else
        {
            m_DrawOffered = true;
            Notice(Text(IDS_BUGHOUSE_OPPONENT_OFFERS_DRAW));
        }
    }
    UpdateInput();
    UpdateButtons();
}

void CBughouseSession::ReceiveMove(const CNetMessage& message)
{
    if (!m_Running)
        return;
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const std::optional<BughouseMove> move = CBughouseProtocol::ReadMove(message, seats, local, GameTimeMs());
    if (!move)
        return;
    const int board = seats.ViewOfMove(local, move->seat, move->orientation);
    const CChessPosition& position = Position(board);
    const CMove played(move->from, move->to);
    const Colour moverColour = move->orientation == 1 ? COLOUR_BLACK : COLOUR_WHITE;
    Colour capturedColour = COLOUR_NONE;
    // The capture is read from this program's own board, not from the message.
    const int32_t capturedPiece = CapturedBy(position, played, capturedColour);
    if (position.SideToMove() != moverColour || position.ColourAt(move->from) != moverColour)
    {
        BoardsDiffer(move->seat);
        return;
    }
    const int32_t promotion = IsPromotionChoice(move->promotion) ? move->promotion : PIECE_QUEEN;
    MoveOutcome outcome;
    SetInput(board, false);
    if (!PlayOnBoard(board, played, promotion, outcome))
    {
        BoardsDiffer(move->seat);
        return;
    }
    RecordMove(board, played, outcome.promotion, move->remainingMs);
    ReportBoard(board);
    Judge(board);
    if (capturedPiece >= 0 && TypeOfCode(static_cast<PieceCode>(capturedPiece)) != PIECE_KING)
    {
        MutablePosition(1 - board).ReceivePiece(capturedPiece, capturedColour);
        ReportBoard(1 - board);
    }
    // Also after a move that ended the match: the mover's clock shows the
    // time the mover's program had, as it does everywhere else.
    AfterReceived(board, move->seat, move->remainingMs, move->drawOffer);
    if (m_EngineSeats)
        m_EngineSeats->OnPlayed(board, EngineMove{played.from.Column(), played.from.Row(), played.to.Column(),
                                                  played.to.Row(), outcome.promotion});
}

void CBughouseSession::ReceiveDrop(const CNetMessage& message)
{
    if (!m_Running)
        return;
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const std::optional<BughouseDrop> drop = CBughouseProtocol::ReadDrop(message, seats, local, GameTimeMs());
    if (!drop)
        return;
    const int board = seats.ViewOfMove(local, drop->seat, drop->orientation);
    CChessPosition& position = MutablePosition(board);
    const Colour moverColour = drop->orientation == 1 ? COLOUR_BLACK : COLOUR_WHITE;
    SetInput(board, false);
    if (position.SideToMove() != moverColour || !position.DropPiece(moverColour, drop->piece, drop->square))
    {
        BoardsDiffer(drop->seat);
        return;
    }
    RecordDrop(board, drop->piece, drop->square, drop->remainingMs);
    SetHighlight(board, drop->square);
    ReportBoard(board);
    Judge(board);
    // Also after a drop that ended the match: the mover's clock shows the
    // time the mover's program had, as it does everywhere else.
    AfterReceived(board, drop->seat, drop->remainingMs, drop->drawOffer);
    if (m_EngineSeats)
        m_EngineSeats->OnPlayed(board, EngineMove{drop->square.Column(), drop->square.Row(), drop->square.Column(),
                                                  drop->square.Row(), 0, drop->piece});
}

CBughouseSession::Arrival CBughouseSession::JudgeArrival(const CNetMessage& message, int& seat) const
{
    if (!m_Running)
        return Arrival::Ignored;
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    if (message.GetId() == MSG_MOVE)
    {
        const std::optional<BughouseMove> move = CBughouseProtocol::ReadMove(message, seats, local, GameTimeMs());
        if (!move)
            return Arrival::Ignored;
        seat = move->seat;
        const int board = seats.ViewOfMove(local, move->seat, move->orientation);
        const CChessPosition& position = Position(board);
        const Colour moverColour = move->orientation == 1 ? COLOUR_BLACK : COLOUR_WHITE;
        const bool playable = position.SideToMove() == moverColour && position.ColourAt(move->from) == moverColour &&
                              IsLegal(board, CMove(move->from, move->to));
        return playable ? Arrival::Playable : Arrival::Refused;
    }
    if (message.GetId() == MSG_DROP)
    {
        const std::optional<BughouseDrop> drop = CBughouseProtocol::ReadDrop(message, seats, local, GameTimeMs());
        if (!drop)
            return Arrival::Ignored;
        seat = drop->seat;
        const int board = seats.ViewOfMove(local, drop->seat, drop->orientation);
        const Colour moverColour = drop->orientation == 1 ? COLOUR_BLACK : COLOUR_WHITE;
        CChessPosition trial(Position(board));
        trial.SetKingCaptureOption(Position(board).KingCaptureOption());
        trial.SetDropsOption(1);
        const bool playable =
            trial.SideToMove() == moverColour && trial.DropPiece(moverColour, drop->piece, drop->square);
        return playable ? Arrival::Playable : Arrival::Refused;
    }
    return Arrival::Ignored;
}

bool CBughouseSession::AcceptsFromClient(int userId, const CNetMessage& message)
{
    switch (message.GetId())
    {
    case MSG_MOVE:
    case MSG_DROP:
    {
        int seat = -1;
        switch (JudgeArrival(message, seat))
        {
        case Arrival::Playable: return true;
        case Arrival::Refused: BoardsDiffer(seat); return false;
        case Arrival::Ignored: return false;
        }
        return false;
    }
    case MSG_DRAW_ACCEPTED: return m_Running && IsOfferOpenTo(Seats().SeatOfConnection(userId));
    default: return true;
    }
}

void CBughouseSession::NoteMove(int seat, int board, bool drawOffer)
{
    if (seat < 0 || seat >= 4 || board < 0 || board > 1)
        return;
    for (auto& fromMaker : m_Offers)
    {
        OpenOffer& offer = fromMaker[static_cast<std::size_t>(seat)];
        if (!offer.open)
            continue;
        if (offer.movedOn[static_cast<std::size_t>(board)])
            offer = {};
        else
            offer.movedOn[static_cast<std::size_t>(board)] = true;
    }
    if (!drawOffer)
        return;
    const CBughouseSeats seats = Seats();
    for (int other = 0; other < std::min(seats.Count(), 4); ++other)
    {
        if (other != seat && other != seats.PartnerOf(seat))
            m_Offers[static_cast<std::size_t>(seat)][static_cast<std::size_t>(other)] = OpenOffer{true, {}};
    }
}

bool CBughouseSession::IsOfferOpenTo(int seat) const
{
    if (seat < 0 || seat >= 4)
        return false;
    return std::any_of(m_Offers.begin(), m_Offers.end(),
                       [seat](const auto& fromMaker) { return fromMaker[static_cast<std::size_t>(seat)].open; });
}

bool CBughouseSession::IsOfferOpenToAnotherPlayer() const
{
    const int local = LocalSeat();
    for (int seat = 0; seat < 4; ++seat)
    {
        if (seat != local && IsOfferOpenTo(seat))
            return true;
    }
    return false;
}

void CBughouseSession::BoardsDiffer(int seat)
{
    Notice(Text(IDS_BUGHOUSE_REFUSED_MOVE).arg(Nickname::Shown(m_Roster.GetEntry(seat).name)));
    StopGame();
    if (IsServer())
        (void)Send(CNetMessage(MSG_GAME_ABORTED));
}

void CBughouseSession::ReceiveSeatMessage(const CNetMessage& message)
{
    if (!m_Running)
        return;
    const CBughouseSeats seats = Seats();
    const std::optional<int> seat = CBughouseProtocol::ReadSeat(message, seats, LocalSeat());
    if (!seat)
        return;
    const CBughouseJudge judge(seats, LocalSeat());
    EndMatch(message.GetId() == MSG_RESIGN ? judge.Resigned(*seat) : judge.TimeExpired(*seat));
}

void CBughouseSession::ReceiveTimeCall(const CNetMessage& message)
{
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const std::optional<int> caller = CBughouseProtocol::ReadSeat(message, seats, local);
    if (!caller || !CBughouseJudge(seats, local).AcceptsTimeCall(*caller, m_Running))
        return;
    StopClocks();
    bool expired = false;
    for (int board : seats.OwnViews(local))
        expired = expired || Clock(2 * board).GetTime().Milliseconds() <= 0;
    if (!expired)
    {
        // Not out of time: play goes on with the clock of each side to move.
        for (int board = 0; board < 2; ++board)
        {
            const bool bottomToMove = Position(board).SideToMove() == seats.BottomColour(local, board);
            Clock(2 * board + (bottomToMove ? 0 : 1)).Start();
        }
        return;
    }
    StopGame();
    if (Send(CBughouseProtocol::MakeSeatMessage(MSG_TIME_EXPIRED, local)))
        EndMatch(CBughouseJudge::OwnTimeLoss());
}

void CBughouseSession::ReceiveChat(const CNetMessage& message)
{
    const auto chat = CBughouseProtocol::ReadChat(message);
    if (chat)
        ChatLine(chat->first, chat->second, false);
}

// ---------------------------------------------------------------------------
// Players coming and going

void CBughouseSession::OnPlayerAdmitted(int /*userId*/, const QString& /*nickname*/)
{
    Observer().OnPlayerAdmitted();
    Redraw();
    UpdateButtons();
}

void CBughouseSession::OnSeatedUserGone(int userId)
{
    const int seat = Seats().SeatOfConnection(userId);
    if (seat <= 0)
        return;
    const QString name = m_Roster.GetEntry(seat).name;
    CNetMessage left(MSG_PLAYER_LEFT);
    left.AddString(CBughouseProtocol::ToWire(name));
    (void)Send(left);
    PlayerLeaves(name, userId);
}

void CBughouseSession::PlayerLeaves(const QString& name, int32_t userId)
{
    const bool wasRunning = m_Running;
    StopGame();
    const QString text = Text(IDS_BUGHOUSE_LEAVES).arg(Nickname::Shown(name));
    if (wasRunning)
        Message(text);
    else
        Notice(text);
    if (!IsServer())
        return; // the seats follow from the MSG_SEATS_CHANGED that comes next
    CBughouseSeats seats = Seats();
    const int seat = seats.SeatOf(name);
    if (seat <= 0)
        return;
    m_RotationStep = 0;
    if (userId != 0)
    {
        m_Link.RemoveSeatedUser(userId);
        (void)m_Link.DisconnectUser(userId);
    }
    seats.Remove(seat);
    seats.ApplyTo(m_Roster);
    Redraw();
    UpdateButtons();
    (void)Send(CBughouseProtocol::MakeSeatsChanged(seats));
}

void CBughouseSession::OnConnectionLost(int reason)
{
    if (reason == 2)
    {
        StopGame();
        Message(Text(IDS_BUGHOUSE_SERVER_LEFT));
    }
    else if (reason == 3 || reason == 4)
    {
        StopGame();
        Message(Text(IDS_BUGHOUSE_COMM_ERROR));
    }
}

// ---------------------------------------------------------------------------
// The record of the game: saving, loading and browsing

void CBughouseSession::BeginRecord()
{
    // Board A is the one on which seat 0 plays its first colour; its white
    // player's partner is black on board B.
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const int viewOfA = seats.ViewOf(local, 0, seats.ColourOf(0, 0));
    m_ViewOfA = viewOfA < 0 ? 0 : viewOfA;
    std::array<QString, 4> players;
    for (int view = 0; view < 2; ++view)
    {
        const Colour bottom = seats.BottomColour(local, view);
        const int board = RecordBoard(view);
        const int white = bottom == COLOUR_BLACK ? seats.TopSeat(local, view) : seats.BottomSeat(local, view);
        const int black = bottom == COLOUR_BLACK ? seats.BottomSeat(local, view) : seats.TopSeat(local, view);
        players[static_cast<size_t>(2 * board)] = seats.Entry(white).name;
        players[static_cast<size_t>(2 * board + 1)] = seats.Entry(black).name;
    }
    m_Record.Begin(players, GameTimeMs(), m_Settings.IsKingCanBeCaptured(), QDate::currentDate());
    m_EndClocksKept = false;
    ReportPanels();
}

void CBughouseSession::RecordMove(int view, const CMove& move, int32_t promotion, int32_t clockMs)
{
    (void)m_Record.AddMove(RecordBoard(view), move, promotion, clockMs);
}

void CBughouseSession::RecordDrop(int view, PieceType type, const CCoordinate& square, int32_t clockMs)
{
    (void)m_Record.AddDrop(RecordBoard(view), type, square, clockMs);
}

void CBughouseSession::RecordResult(BughouseCounter counter)
{
    if (counter == BughouseCounter::None)
    {
        m_Record.SetResult("*");
        return;
    }
    if (counter == BughouseCounter::Draw)
    {
        m_Record.SetResult("1/2-1/2");
        return;
    }
    // The result is that of WhiteA's team: the local player's when it plays
    // white on board A (or black on board B).
    const bool localWhiteOnFirst = Seats().BottomColour(LocalSeat(), 0) != COLOUR_BLACK;
    const bool localIsWhiteATeam = (m_ViewOfA == 0) == localWhiteOnFirst;
    const bool whiteATeamWon = (counter == BughouseCounter::Victory) == localIsWhiteATeam;
    m_Record.SetResult(whiteATeamWon ? "1-0" : "0-1");
}

QString CBughouseSession::DefaultSaveName() const
{
    // "Ann & Bob - Carl & Dora Game 3": each team's players, the WhiteA team first.
    auto team = [this](int which) {
        const QString first = m_Record.Player(0, which == 0 ? COLOUR_WHITE : COLOUR_BLACK);
        const QString second = m_Record.Player(1, which == 0 ? COLOUR_BLACK : COLOUR_WHITE);
        return first == second ? first : first + QStringLiteral(" & ") + second;
    };
    QString name = Text(IDS_BPGN_SAVE_NAME);
    name.replace(name.indexOf(QStringLiteral("%s")), 2, team(0));
    name.replace(name.indexOf(QStringLiteral("%s")), 2, team(1));
    name.replace(QStringLiteral("%d"), QString::number(m_SaveCounter));
    return name;
}

bool CBughouseSession::SaveRecord(const QString& path)
{
    if (m_Record.IsEmpty())
        return false;
    ++m_SaveCounter;
    if (!m_Record.Save(path))
    {
        Message(Text(IDS_BPGN_SAVE_ERROR));
        return false;
    }
    m_SaveFolder = FolderOf(path);
    return true;
}

bool CBughouseSession::LoadRecord(const QString& path)
{
    if (m_Running)
        return false;
    const CBughouseRecord::LoadResult result = m_Record.Load(
        path, [this](const std::vector<CPgnIndexEntry>& games) { return Observer().OnChooseGame(games); });
    if (result == CBughouseRecord::LoadResult::Unreadable)
        Message(Text(IDS_BPGN_LOAD_ERROR));
    if (result != CBughouseRecord::LoadResult::Loaded)
        return false;
    m_LoadFolder = FolderOf(path);
    // Only this program's view changes: board A first, white at the bottom,
    // board B turned so that each team sits at the bottom of one board.
    m_ViewOfA = 0;
    m_EndClocksKept = false;
    SetFlipped(0, false);
    SetFlipped(1, true);
    ShowRecordPly();
    ReportPanels();
    UpdateButtons();
    return true;
}

void CBughouseSession::BrowseTo(size_t ply)
{
    if (m_Running || m_Record.IsEmpty())
        return;
    if (!m_Record.IsLoaded() && !m_EndClocksKept)
    {
        // The clocks as the game left them come back at its last ply.
        for (int panel = 0; panel < 4; ++panel)
            m_EndClocks[static_cast<size_t>(panel)] = Clock(panel).GetTime();
        m_EndClocksKept = true;
    }
    m_Record.GoTo(ply);
    ShowRecordPly();
    ReportPanels();
    UpdateButtons();
}

void CBughouseSession::ShowRecordPly()
{
    const CBughouseBoards& shown = m_Record.Shown();
    const bool atEnd = m_Record.Ply() == m_Record.Plies();
    const int32_t gameTime = m_Record.GameTime().value_or(static_cast<int32_t>(GameTimeMs()));
    for (int view = 0; view < 2; ++view)
    {
        const int board = RecordBoard(view);
        CChessPosition& position = MutablePosition(view);
        position = shown.Board(board);
        position.SetDropsOption(1);
        position.SetKingCaptureOption(shown.KingCapture());
        SetHighlight(view, CCoordinate::None());
        for (int top = 0; top < 2; ++top)
        {
            const int panel = 2 * view + top;
            const Colour bottom = IsFlipped(view) ? COLOUR_BLACK : COLOUR_WHITE;
            const Colour side = top == 0 ? bottom : OppositeColour(bottom);
            CPlayerClock& clock = Clock(panel);
            clock.Stop();
            if (atEnd && m_EndClocksKept)
                clock.SetTime(m_EndClocks[static_cast<size_t>(panel)]);
            else
                clock.SetTime(ClockTime(m_Record.ClockAt(board, side).value_or(gameTime)));
        }
    }
    ReportBoards();
}

void CBughouseSession::EndRecordView()
{
    if (!m_Record.IsLoaded())
    {
        // The game just played goes back to its end, as the table changes.
        if (m_EndClocksKept && !m_Running)
        {
            m_Record.GoTo(m_Record.Plies());
            ShowRecordPly();
            m_EndClocksKept = false;
            ReportPanels();
            UpdateButtons();
        }
        return;
    }
    m_Record.Clear();
    for (int board = 0; board < 2; ++board)
    {
        MutablePosition(board).Reset();
        MutablePosition(board).SetDropsOption(1);
        SetHighlight(board, CCoordinate::None());
    }
    ApplySettingsToClocks();
    ReportBoards();
    UpdateButtons();
}

QString CBughouseSession::PanelName(int panel) const
{
    // A loaded game, or the game just played while it is browsed: the
    // record's players, whatever the seats have become since.
    const bool browsed = m_Record.IsLoaded() || (m_EndClocksKept && !m_Running);
    if (!browsed || panel < 0 || panel > 3)
        return {};
    const int view = panel / 2;
    const Colour bottom = IsFlipped(view) ? COLOUR_BLACK : COLOUR_WHITE;
    return m_Record.Player(RecordBoard(view), panel % 2 == 0 ? bottom : OppositeColour(bottom));
}
