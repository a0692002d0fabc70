#include "BughouseEngineSeats.h"

#include "BughouseProtocol.h"
#include "BughouseSession.h"
#include "EngineResult.h"
#include "IBughouseEngineFactory.h"
#include "IChessEngine.h"
#include "IChessEngineEx.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "Nickname.h"
#include "ProgramTexts.h"

#include <algorithm>

using namespace ProgramTexts;

namespace
{
// The pieces of the holdings in the order engines write them.
constexpr PieceType kHoldingPieces[] = {PIECE_PAWN, PIECE_KNIGHT, PIECE_BISHOP, PIECE_ROOK, PIECE_QUEEN};
constexpr char kHoldingLetters[] = "PNBRQ";

char HoldingLetter(Colour colour, PieceType type)
{
    for (size_t i = 0; i < std::size(kHoldingPieces); ++i)
    {
        if (kHoldingPieces[i] == type)
            return colour == COLOUR_WHITE ? kHoldingLetters[i] : static_cast<char>(kHoldingLetters[i] - 'A' + 'a');
    }
    return '?';
}

// Holdings letters in the order HoldingsOf writes them.
std::string Canonical(const std::string& letters)
{
    std::string text;
    for (Colour colour : {COLOUR_WHITE, COLOUR_BLACK})
    {
        for (PieceType type : kHoldingPieces)
        {
            const char letter = HoldingLetter(colour, type);
            text.append(static_cast<size_t>(std::count(letters.begin(), letters.end(), letter)), letter);
        }
    }
    return text;
}

int32_t Centiseconds(const CPlayerClock& clock)
{
    return static_cast<int32_t>(std::clamp<int64_t>(clock.GetShownTime().Milliseconds() / 10, 0, INT32_MAX));
}
} // namespace

CBughouseEngineSeats::CBughouseEngineSeats(CBughouseSession& session, IBughouseEngineFactory& factory)
    : m_Session(session), m_Factory(factory)
{
    QObject::connect(
        &m_Listener, &CEngineListener::EngineReady, &m_Listener,
        [this](IChessEngine* source, const QString&, qint32 capabilities) { OnReady(source, capabilities); });
    QObject::connect(&m_Listener, &CEngineListener::EngineFailed, &m_Listener,
                     [this](IChessEngine* source, qint32, const QString& text) { OnFailed(source, text); });
    QObject::connect(&m_Listener, &CEngineListener::EngineMoveFrom, &m_Listener,
                     [this](IChessEngine* source, quint32 word, const QString& text) { OnMove(source, word, text); });
    QObject::connect(&m_Listener, &CEngineListener::EngineDropFrom, &m_Listener,
                     [this](IChessEngine* source, qint32 piece, qint32 file, qint32 rank, const QString& text) {
                         OnDrop(source, piece, file, rank, text);
                     });
    QObject::connect(&m_Listener, &CEngineListener::EngineResultFrom, &m_Listener,
                     [this](IChessEngine* source, qint32 result, const QString&) { OnResult(source, result); });
    QObject::connect(&m_Listener, &CEngineListener::EnginePartnerMessage, &m_Listener,
                     [this](IChessEngine* source, const QString& text) { OnPartnerMessage(source, text); });
}

CBughouseEngineSeats::~CBughouseEngineSeats()
{
    m_Listener.EndGame();
    for (Slot& slot : m_Slots)
        m_Factory.Destroy(slot.object);
    m_Slots.clear();
}

// ---------------------------------------------------------------------------
// Seats

QStringList CBughouseEngineSeats::EngineNames()
{
    QStringList names = m_Factory.EngineNames();
    names.removeIf([this](const QString& name) { return m_NoBughouse.contains(name); });
    return names;
}

QStringList CBughouseEngineSeats::SeatNames() const
{
    QStringList names;
    const CBughouseSeats seats = m_Session.Seats();
    for (const PlayerEntry& entry : seats.Players())
    {
        if (IsEngineSeat(entry.name))
            names << entry.name;
    }
    return names;
}

bool CBughouseEngineSeats::IsEngineSeat(const QString& nickname) const
{
    return std::any_of(m_Slots.begin(), m_Slots.end(), [&](const Slot& slot) { return slot.nickname == nickname; });
}

bool CBughouseEngineSeats::CanAdd() const
{
    return m_Session.IsServer() && !m_Session.IsRunning() && m_Session.Roster().Count() >= 1 &&
           m_Session.Roster().Count() < CBughouseSeats::kMaxPlayers;
}

bool CBughouseEngineSeats::CanRemove() const
{
    return m_Session.IsServer() && !m_Session.IsRunning() && !SeatNames().isEmpty();
}

QString CBughouseEngineSeats::UniqueNickname(const QString& engineName) const
{
    const CBughouseSeats seats = m_Session.Seats();
    for (int number = 1;; ++number)
    {
        const QString suffix = number == 1 ? QString() : QStringLiteral(" %1").arg(number);
        const QString engine = Nickname::Stored(engineName.trimmed());
        QString name = m_Session.Text(IDS_BUGHOUSE_COMPUTER_NAME).arg(engine) + suffix;
        if (name.size() > NET_MAX_NICKNAME)
        {
            // The engine's name is cut so that the nickname stays one peers take.
            const int room =
                NET_MAX_NICKNAME -
                static_cast<int>((m_Session.Text(IDS_BUGHOUSE_COMPUTER_NAME).arg(QString()) + suffix).size());
            name = m_Session.Text(IDS_BUGHOUSE_COMPUTER_NAME).arg(engine.left(std::max(1, room)).trimmed()) + suffix;
        }
        if (seats.SeatOf(name) < 0 && !IsEngineSeat(name))
            return name;
    }
}

int32_t CBughouseEngineSeats::FreeConnectionId() const
{
    // Engine seats have ids below zero, which no connection has.
    const CBughouseSeats seats = m_Session.Seats();
    int32_t id = -1;
    while (seats.SeatOfConnection(id) >= 0)
        --id;
    return id;
}

QString CBughouseEngineSeats::Add(const QString& engineName)
{
    if (!CanAdd() || engineName.isEmpty())
        return {};
    Slot slot;
    slot.engine = engineName;
    slot.nickname = UniqueNickname(engineName);
    if (!Launch(slot))
        return {};
    CBughouseSeats seats = m_Session.Seats();
    if (!seats.Admit(PlayerEntry{slot.nickname, FreeConnectionId(), COLOUR_WHITE, 0}))
    {
        m_Factory.Destroy(slot.object);
        return {};
    }
    const QString nickname = slot.nickname;
    IChessEngineEx* extension = slot.extension;
    m_Slots.push_back(slot);
    seats.ApplyTo(m_Session.m_Roster);
    m_Session.Notice(m_Session.Text(IDS_NET_JOINS_GAME).arg(Nickname::Shown(nickname)));
    CNetMessage joined(MSG_PLAYER_JOINED);
    joined.AddString(CBughouseProtocol::ToWire(nickname));
    CBughouseProtocol::AddSeats(joined, seats);
    (void)m_Session.Send(joined);
    m_Session.m_RotationStep = 0;
    m_Session.Redraw();
    m_Session.UpdateButtons();
    // Started once seated: an engine found unable to play leaves its seat again.
    extension->StartAsync();
    return nickname;
}

bool CBughouseEngineSeats::Launch(Slot& slot)
{
    slot.object = m_Factory.Create(slot.engine);
    if (slot.object == nullptr)
        return false;
    slot.extension = m_Factory.Extension(slot.object);
    if (slot.extension == nullptr || !slot.extension->SetVariant(kEngineVariantBughouse))
    {
        m_Session.Notice(m_Session.Text(IDS_BUGHOUSE_ENGINE_NO_BUGHOUSE).arg(slot.engine));
        if (!m_NoBughouse.contains(slot.engine))
            m_NoBughouse << slot.engine;
        m_Factory.Destroy(slot.object);
        slot.object = nullptr;
        return false;
    }
    slot.object->SetListener(&m_Listener);
    slot.extension->SetListenerEx(&m_Listener);
    // Bughouse leaves no time to think on the opponent's: four engines may
    // share the machine.
    slot.extension->SetPondering(false);
    return true;
}

bool CBughouseEngineSeats::Remove(const QString& nickname)
{
    if (m_Session.IsRunning() || !m_Session.IsServer() || !IsEngineSeat(nickname))
        return false;
    const int seat = m_Session.Seats().SeatOf(nickname);
    DestroySlots(nickname);
    if (seat <= 0)
        return true;
    CNetMessage left(MSG_PLAYER_LEFT);
    left.AddString(CBughouseProtocol::ToWire(nickname));
    (void)m_Session.Send(left);
    m_Session.PlayerLeaves(nickname, 0);
    return true;
}

void CBughouseEngineSeats::RemoveAll()
{
    m_Listener.EndGame();
    for (Slot& slot : m_Slots)
        m_Factory.Destroy(slot.object);
    m_Slots.clear();
}

void CBughouseEngineSeats::DestroySlots(const QString& nickname)
{
    for (Slot& slot : m_Slots)
    {
        if (slot.nickname == nickname)
            m_Factory.Destroy(std::exchange(slot.object, nullptr));
    }
    std::erase_if(m_Slots, [](const Slot& slot) { return slot.object == nullptr; });
}

// ---------------------------------------------------------------------------
// Places on the boards

CBughouseEngineSeats::Place CBughouseEngineSeats::PlaceOf(const Slot& slot) const
{
    Place place;
    const CBughouseSeats seats = m_Session.Seats();
    const int local = m_Session.LocalSeat();
    place.seat = seats.SeatOf(slot.nickname);
    if (place.seat < 0 || slot.seatBoard >= seats.BoardCount(place.seat))
        return place;
    place.colour = seats.ColourOf(place.seat, slot.seatBoard);
    place.board = seats.ViewOf(local, place.seat, place.colour);
    if (place.board < 0)
        return place;
    place.panel = 2 * place.board + (seats.BottomSeat(local, place.board) == place.seat ? 0 : 1);
    return place;
}

CBughouseEngineSeats::Slot* CBughouseEngineSeats::SlotOf(const IChessEngine* source)
{
    for (Slot& slot : m_Slots)
    {
        if (source != nullptr && slot.object == source)
            return &slot;
    }
    return nullptr;
}

IChessEngine* CBughouseEngineSeats::EngineOf(const QString& nickname, int seatBoard) const
{
    for (const Slot& slot : m_Slots)
    {
        if (slot.nickname == nickname && slot.seatBoard == seatBoard)
            return slot.object;
    }
    return nullptr;
}

std::string CBughouseEngineSeats::HoldingsOf(int board) const
{
    const CChessPosition& position = m_Session.Position(board);
    std::string text;
    for (Colour colour : {COLOUR_WHITE, COLOUR_BLACK})
    {
        for (size_t i = 0; i < std::size(kHoldingPieces); ++i)
        {
            const char letter =
                colour == COLOUR_WHITE ? kHoldingLetters[i] : static_cast<char>(kHoldingLetters[i] - 'A' + 'a');
            const int32_t count = std::clamp(position.Holdings(colour, kHoldingPieces[i]), 0, 16);
            text.append(static_cast<size_t>(count), letter);
        }
    }
    return text;
}

// ---------------------------------------------------------------------------
// The game

void CBughouseEngineSeats::OnGameStarted()
{
    if (!m_Session.IsServer())
        return;
    m_Listener.BeginGame();
    // A seat without a partner plays both boards: its second object is made now.
    const CBughouseSeats seats = m_Session.Seats();
    for (const QString& nickname : SeatNames())
    {
        const int seat = seats.SeatOf(nickname);
        if (seats.BoardCount(seat) > 1 && EngineOf(nickname, 1) == nullptr)
        {
            Slot second;
            second.nickname = nickname;
            second.engine = std::find_if(m_Slots.begin(), m_Slots.end(), [&](const Slot& slot) {
                                return slot.nickname == nickname;
                            })->engine;
            second.seatBoard = 1;
            if (Launch(second))
            {
                m_Slots.push_back(second);
                second.extension->StartAsync();
            }
        }
    }
    const int32_t baseSeconds =
        static_cast<int32_t>(std::clamp<int64_t>(m_Session.GameTimeMs() / 1000, 1, CBughouseProtocol::kMaxGameTimeMs));
    for (Slot& slot : m_Slots)
    {
        const Place place = PlaceOf(slot);
        slot.playing = place.board >= 0;
        if (!slot.playing)
            continue;
        slot.object->SetColour(place.colour == COLOUR_WHITE ? 2 : 1);
        slot.object->ClearMoves();
        (void)slot.extension->SetVariant(kEngineVariantBughouse);
        (void)slot.extension->SetStartPosition(nullptr);
        slot.holdings.clear();
        slot.extension->SetHoldings("");
        // Bughouse gives no bonus: the engines are told no increment.
        slot.object->StartGame(baseSeconds, 0);
    }
}

void CBughouseEngineSeats::OnGameStopped()
{
    m_Listener.EndGame();
    for (Slot& slot : m_Slots)
    {
        if (std::exchange(slot.playing, false))
            slot.object->StopGame();
    }
}

void CBughouseEngineSeats::OnPlayed(int board, const EngineMove& move)
{
    if (!m_Session.IsRunning() || !m_Session.IsServer())
        return;
    // Each engine is told its holdings whenever they differ from what it
    // knows, before it is asked to move, but never while it may have a move
    // of its own on its way (it is to move on its board): such a move would
    // apply a second time to absolute holdings sent meanwhile. It then
    // learns them just before it is asked to move again.
    const Colour next = m_Session.Position(board).SideToMove();
    const Colour mover = OppositeColour(next);
    const char dropped = move.IsDrop() ? HoldingLetter(mover, static_cast<PieceType>(move.drop)) : '\0';
    for (Slot& slot : m_Slots)
    {
        const Place place = PlaceOf(slot);
        if (!slot.playing || place.board < 0)
            continue;
        const std::string actual = HoldingsOf(place.board);
        if (place.board != board)
        {
            if (m_Session.Position(place.board).SideToMove() != place.colour && actual != slot.holdings)
            {
                slot.holdings = actual;
                slot.extension->SetHoldings(actual.c_str());
            }
            continue;
        }
        // A drop on its own board the engine applies itself (its own, or the
        // opponent's it is about to be told).
        if (dropped != '\0')
        {
            const size_t at = slot.holdings.find(dropped);
            if (at != std::string::npos)
                slot.holdings.erase(at, 1);
        }
        if (place.colour != next)
        {
            // It has just moved: nothing of its own is on its way.
            if (actual != slot.holdings)
            {
                slot.holdings = actual;
                slot.extension->SetHoldings(actual.c_str());
            }
            continue;
        }
        // It is to move: the holdings as they were before the opponent's
        // drop, then the move or drop, which starts its search.
        const std::string before = dropped != '\0' ? Canonical(actual + dropped) : actual;
        const std::string known = dropped != '\0' ? Canonical(slot.holdings + dropped) : slot.holdings;
        if (before != known)
            slot.extension->SetHoldings(before.c_str());
        slot.holdings = actual;
        const int32_t own = Centiseconds(m_Session.Clock(place.panel));
        const int32_t other = Centiseconds(m_Session.Clock(place.panel ^ 1));
        if (move.IsDrop())
            (void)slot.extension->OpponentDrop(move.drop, move.toFile, move.toRank, own, other);
        else
            (void)slot.object->OpponentMove(move.fromFile, move.fromRank, move.toFile, move.toRank, move.promotion, own,
                                            other);
    }
}

bool CBughouseEngineSeats::OnClockExpired(const CPlayerClock* clock)
{
    for (const Slot& slot : m_Slots)
    {
        const Place place = PlaceOf(slot);
        if (!slot.playing || place.panel < 0 || &m_Session.Clock(place.panel) != clock)
            continue;
        // The server keeps the engine's clock, so it reports the expiry as
        // that seat's own program would.
        const CBughouseSeats seats = m_Session.Seats();
        m_Session.EndMatch(CBughouseJudge(seats, m_Session.LocalSeat()).TimeExpired(place.seat));
        (void)m_Session.Send(CBughouseProtocol::MakeSeatMessage(MSG_TIME_EXPIRED, place.seat));
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Engine events

void CBughouseEngineSeats::OnReady(IChessEngine* source, qint32 capabilities)
{
    Slot* slot = SlotOf(source);
    if (slot == nullptr || (capabilities & ENGINE_CAN_BUGHOUSE) != 0)
        return;
    const QString nickname = slot->nickname;
    if (!m_NoBughouse.contains(slot->engine))
        m_NoBughouse << slot->engine;
    m_Session.Notice(m_Session.Text(IDS_BUGHOUSE_ENGINE_NO_BUGHOUSE).arg(Nickname::Shown(nickname)));
    // During a game its clock decides; between games the seat is freed.
    if (!m_Session.IsRunning())
        (void)Remove(nickname);
}

void CBughouseEngineSeats::OnFailed(IChessEngine* source, const QString& text)
{
    Slot* slot = SlotOf(source);
    if (slot == nullptr)
        return;
    const QString nickname = slot->nickname;
    m_Session.Notice(m_Session.Text(IDS_BUGHOUSE_ENGINE_FAILED).arg(Nickname::Shown(nickname), text));
    if (!m_Session.IsRunning())
        (void)Remove(nickname);
}

void CBughouseEngineSeats::OnMove(IChessEngine* source, quint32 word, const QString& text)
{
    Slot* slot = SlotOf(source);
    if (slot == nullptr || !slot->playing || !m_Session.IsRunning())
        return;
    const Place place = PlaceOf(*slot);
    if (place.board < 0)
        return;
    const CChessPosition& position = m_Session.Position(place.board);
    // A move for a turn that is not the engine's belongs to nobody.
    if (position.SideToMove() != place.colour)
        return;
    const EngineMove played = UnpackEngineMove(word);
    BughouseMove sent;
    sent.seat = place.seat;
    sent.orientation = place.colour == COLOUR_BLACK ? 1 : 0;
    sent.from = CCoordinate(played.fromRank, played.fromFile);
    sent.to = CCoordinate(played.toRank, played.toFile);
    const QString shown = text.isEmpty() ? QString::fromStdString(sent.from.ToText() + sent.to.ToText()) : text;
    const bool promotes = position.TypeAt(sent.from) == PIECE_PAWN && position.ColourAt(sent.from) == place.colour &&
                          sent.to.Row() == (place.colour == COLOUR_WHITE ? 7 : 0);
    sent.promotion = promotes ? (IsPromotionChoice(played.promotion) ? played.promotion : PIECE_QUEEN) : 0;
    const PieceCode target = position.PieceAt(sent.to);
    if (target != 0 && ColourOfCode(target) != place.colour)
    {
        sent.captured = true;
        sent.capturedPiece = target & 15;
    }
    else if (target == 0 && position.TypeAt(sent.from) == PIECE_PAWN && sent.from.Column() != sent.to.Column())
    {
        sent.captured = true;
        sent.capturedPiece = PIECE_PAWN;
    }
    sent.capturedColour = sent.captured ? OppositeColour(place.colour) : COLOUR_NONE;
    CPlayerClock& clock = m_Session.Clock(place.panel);
    clock.Stop();
    sent.remainingMs = static_cast<int32_t>(std::clamp<int64_t>(clock.GetTime().Milliseconds(), 0, INT32_MAX));
    const CNetMessage message = CBughouseProtocol::MakeMove(sent);
    int seat = -1;
    if (m_Session.JudgeArrival(message, seat) != CBughouseSession::Arrival::Playable)
    {
        Illegal(*slot, place.seat, shown);
        return;
    }
    // Sent as the seat's own program sends it, then played here as a
    // client's move is.
    (void)m_Session.Send(message);
    m_Session.ReceiveMove(message);
}

void CBughouseEngineSeats::OnDrop(IChessEngine* source, qint32 piece, qint32 file, qint32 rank, const QString& text)
{
    Slot* slot = SlotOf(source);
    if (slot == nullptr || !slot->playing || !m_Session.IsRunning())
        return;
    const Place place = PlaceOf(*slot);
    if (place.board < 0 || m_Session.Position(place.board).SideToMove() != place.colour)
        return;
    const QString shown = text.isEmpty() ? QStringLiteral("%1@%2")
                                               .arg(QChar(piece >= 0 && piece <= 4 ? "PRNBQ"[piece] : '?'))
                                               .arg(QString::fromStdString(CCoordinate(rank & 7, file & 7).ToText()))
                                         : text;
    if (piece < PIECE_PAWN || piece > PIECE_QUEEN || file < 0 || file > 7 || rank < 0 || rank > 7)
    {
        Illegal(*slot, place.seat, shown);
        return;
    }
    BughouseDrop sent;
    sent.seat = place.seat;
    sent.orientation = place.colour == COLOUR_BLACK ? 1 : 0;
    sent.square = CCoordinate(rank, file);
    sent.piece = static_cast<PieceType>(piece);
    CPlayerClock& clock = m_Session.Clock(place.panel);
    clock.Stop();
    sent.remainingMs = static_cast<int32_t>(std::clamp<int64_t>(clock.GetTime().Milliseconds(), 0, INT32_MAX));
    const CNetMessage message = CBughouseProtocol::MakeDrop(sent);
    int seat = -1;
    if (m_Session.JudgeArrival(message, seat) != CBughouseSession::Arrival::Playable)
    {
        Illegal(*slot, place.seat, shown);
        return;
    }
    (void)m_Session.Send(message);
    m_Session.ReceiveDrop(message);
}

void CBughouseEngineSeats::OnResult(IChessEngine* source, qint32 result)
{
    // A resignation stands; claims are left to the boards, which judge every move.
    Slot* slot = SlotOf(source);
    if (slot == nullptr || !slot->playing || !m_Session.IsRunning() || result != ENGINE_RESULT_RESIGNS)
        return;
    const Place place = PlaceOf(*slot);
    if (place.seat < 0)
        return;
    const CBughouseSeats seats = m_Session.Seats();
    m_Session.EndMatch(CBughouseJudge(seats, m_Session.LocalSeat()).Resigned(place.seat));
    (void)m_Session.Send(CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, place.seat));
}

void CBughouseEngineSeats::OnPartnerMessage(IChessEngine* source, const QString& text)
{
    Slot* slot = SlotOf(source);
    if (slot == nullptr || text.trimmed().isEmpty())
        return;
    const QString line = text.left(512);
    (void)m_Session.Send(CBughouseProtocol::MakeChat(slot->nickname, line));
    m_Session.ChatLine(slot->nickname, line, false);
}

void CBughouseEngineSeats::Illegal(const Slot& slot, int seat, const QString& word)
{
    const CBughouseSeats seats = m_Session.Seats();
    const int local = m_Session.LocalSeat();
    const bool ownTeam = seat == local || seat == seats.PartnerOf(local);
    const QString name = Nickname::Shown(slot.nickname);
    BughouseVerdict verdict;
    verdict.text = m_Session.Text(ownTeam ? IDS_BUGHOUSE_ENGINE_ILLEGAL_LOSE : IDS_BUGHOUSE_ENGINE_ILLEGAL_WIN)
                       .arg(name, word.left(32));
    verdict.counter = ownTeam ? BughouseCounter::Defeat : BughouseCounter::Victory;
    // The others learn it in the seat's words, then as its resignation.
    (void)m_Session.Send(CBughouseProtocol::MakeChat(
        slot.nickname, m_Session.Text(IDS_BUGHOUSE_ENGINE_ILLEGAL_CHAT).arg(word.left(32))));
    m_Session.EndMatch(verdict);
    (void)m_Session.Send(CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, seat));
}
