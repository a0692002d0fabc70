#include "UciAdapter.h"

#include "UciMoveText.h"
#include "UciParser.h"
#include "UciRegistry.h"
#include "UciTexts.h"

#include <algorithm>
#include <deque>

// The reader's side: the engine's answers, and the searches sent to it in
// order, each answered by one "bestmove" in the same order.
class CUciAdapter::Channel final : public CEngineChannel
{
public:
    enum class SearchKind
    {
        Real,   // the engine's move in the game
        Ponder, // on the opponent's time, until "ponderhit" makes it real
        Dropped // stopped: its answer is not a move of the game
    };
    struct SearchEntry
    {
        SearchKind kind;
        int32_t startPly;   // the game's plies before the search's position
        std::string prefix; // the reply pondered on, which leads its variation
    };

    using CEngineChannel::CEngineChannel;

    bool HandleLine(const std::string& line) override;

    // Marks every search still running as dropped; true when there was one.
    bool DropSearches(bool ponderOnly);

    // Guarded by `mutex`.
    bool uciOk = false;
    int readyOks = 0;
    std::string name; // its "id name"
    std::vector<EngineOption> options;
    std::deque<SearchEntry> searches;
    bool ponderEnabled = false;

private:
    bool HandleThinking(const UciLine& parsed);
    bool HandleBestMove(const UciLine& parsed);
};

bool CUciAdapter::Channel::DropSearches(bool ponderOnly)
{
    bool any = false;
    for (SearchEntry& entry : searches)
    {
        if (entry.kind == SearchKind::Dropped || (ponderOnly && entry.kind != SearchKind::Ponder))
            continue;
        entry.kind = SearchKind::Dropped;
        any = true;
    }
    return any;
}

bool CUciAdapter::Channel::HandleLine(const std::string& line)
{
    const UciLine parsed = CUciParser::ParseLine(line);
    switch (parsed.kind)
    {
    case UciLine::Kind::Thinking: return HandleThinking(parsed);
    case UciLine::Kind::BestMove: return HandleBestMove(parsed);
    case UciLine::Kind::Other: return true;
    default: break;
    }
    std::lock_guard lock(mutex);
    switch (parsed.kind)
    {
    case UciLine::Kind::UciOk: uciOk = true; break;
    case UciLine::Kind::ReadyOk: ++readyOks; break;
    case UciLine::Kind::IdName:
        if (name.empty())
            name = parsed.name;
        break;
    case UciLine::Kind::Option:
        std::erase_if(options, [&](const EngineOption& known) { return known.name == parsed.option.name; });
        options.push_back(parsed.option);
        break;
    default: break;
    }
    changed.notify_all();
    return true;
}

bool CUciAdapter::Channel::HandleThinking(const UciLine& parsed)
{
    if (!HasListenerEx())
        return true;
    SearchEntry search;
    {
        std::lock_guard lock(mutex);
        // Info lines belong to the oldest search not yet answered.
        if (searches.empty() || searches.front().kind == SearchKind::Dropped)
            return true;
        search = searches.front();
    }
    // UCI scores are from the view of the side to move in the searched
    // position, after the pondered reply when there is one.
    const int32_t plies = search.startPly + (search.prefix.empty() ? 0 : 1);
    bool whiteToMove = true;
    {
        std::lock_guard lock(Game()->mutex);
        whiteToMove = (plies % 2 == 0) == Game()->whiteStarts;
    }
    ThinkingRecord record;
    record.numbers.depth = parsed.depth;
    record.numbers.scoreKind = !parsed.hasScore ? ENGINE_SCORE_NONE
                               : parsed.mate    ? ENGINE_SCORE_MATE
                                                : ENGINE_SCORE_CENTIPAWNS;
    record.numbers.score = parsed.score;
    record.numbers.scoreColour = whiteToMove ? 2 : 1;
    record.numbers.nodes = parsed.nodes;
    record.numbers.nodesPerSecond = parsed.nodesPerSecond;
    record.numbers.milliseconds = parsed.milliseconds;
    record.numbers.startPly = search.startPly;
    record.pv = search.prefix;
    if (!record.pv.empty() && !parsed.pv.empty())
        record.pv += ' ';
    record.pv += parsed.pv;
    return ReportThinking(std::move(record));
}

bool CUciAdapter::Channel::HandleBestMove(const UciLine& parsed)
{
    SearchEntry search;
    bool ponder = false;
    {
        std::lock_guard lock(mutex);
        if (searches.empty())
            return true;
        search = searches.front();
        searches.pop_front();
        ponder = ponderEnabled;
        changed.notify_all();
    }
    // "(none)", "0000" or garbage: the engine has no move, and the program's
    // rules judge the position it is left in. A stopped search's answer, or
    // a ponder search's that was never hit, is not a move of the game.
    if (search.kind != SearchKind::Real || !parsed.best || !AcceptMove(*parsed.best))
        return true;
    // Asked for before the move goes out, so that it comes before the
    // opponent's reply on the adapter's thread.
    if (ponder && parsed.ponder && toAdapter)
        toAdapter([best = *parsed.best, reply = *parsed.ponder](CEngineAdapter& adapter) {
            static_cast<CUciAdapter&>(adapter).StartPondering(best, reply);
        });
    return DeliverMove(*parsed.best, parsed.bestText);
}

CUciAdapter::CUciAdapter() : CEngineAdapter(EngineList()) {}

CEngineList& CUciAdapter::EngineList()
{
    return CUciRegistry::Instance();
}

const char* CUciAdapter::GetName()
{
    static const std::string name = UciTexts::Text(UciTexts::IDS_ENGINE_TYPE_NAME);
    return name.c_str();
}

std::string CUciAdapter::FailureText(int32_t reason) const
{
    return UciTexts::Text(reason == ENGINE_FAILURE_DIED ? UciTexts::IDS_ENGINE_DIED : UciTexts::IDS_START_ERROR);
}

std::shared_ptr<CEngineChannel> CUciAdapter::MakeChannel(std::shared_ptr<EngineGame> game,
                                                         std::shared_ptr<CListenerSlot> listeners)
{
    return std::make_shared<Channel>(std::move(game), std::move(listeners), GetTimings().thinkingInterval);
}

CUciAdapter::Channel* CUciAdapter::UciChannel() const
{
    return static_cast<Channel*>(CEngineAdapter::Channel());
}

bool CUciAdapter::Handshake(EngineIdentity& identity)
{
    Channel* channel = UciChannel();
    if (channel == nullptr)
        return false;
    Write("uci\n");
    if (!WaitForChannel([channel] { return channel->uciOk; }, GetTimings().handshakeWait))
        return false;
    std::lock_guard lock(channel->mutex);
    identity.name = channel->name;
    identity.options = channel->options;
    identity.capabilities = ENGINE_CAN_SET_POSITION;
    m_HasPonderOption = false;
    for (const EngineOption& option : channel->options)
    {
        if (option.name == "Ponder" && option.type == EngineOption::Type::Check)
        {
            m_HasPonderOption = true;
            m_PonderOptionOn = option.defaultValue == "true";
            identity.capabilities |= ENGINE_CAN_PONDER;
        }
    }
    m_PonderMove.reset();
    return true;
}

void CUciAdapter::SendOptions(const std::vector<EngineOption>& declared, const EngineOptionValues& values)
{
    for (const EngineOption& option : declared)
    {
        // Pondering follows the program's setting, not a stored value.
        if (option.name == "Ponder")
            continue;
        const auto stored = values.find(option.name);
        if (stored == values.end())
            continue;
        if (const std::optional<std::string> value = option.ValueToSend(stored->second))
            Write(CUciParser::SetOptionText(option, *value));
    }
}

bool CUciAdapter::WaitUntilReady()
{
    Channel* channel = UciChannel();
    if (channel == nullptr)
        return false;
    int expected = 0;
    {
        std::lock_guard lock(channel->mutex);
        expected = channel->readyOks + 1;
    }
    Write("isready\n");
    return WaitForChannel([channel, expected] { return channel->readyOks >= expected; }, GetTimings().handshakeWait);
}

bool CUciAdapter::OpenGame(bool)
{
    if (Channel* channel = UciChannel())
    {
        std::lock_guard lock(channel->mutex);
        channel->ponderEnabled = Setup().ponder && m_HasPonderOption;
    }
    m_PonderMove.reset();
    Write("ucinewgame\n");
    // The UCI rule: an engine ponders only when its "Ponder" option is on.
    if (m_HasPonderOption && m_PonderOptionOn != Setup().ponder)
    {
        m_PonderOptionOn = Setup().ponder;
        Write(std::string("setoption name Ponder value ") + (m_PonderOptionOn ? "true" : "false") + "\n");
    }
    WaitUntilReady();
    return true;
}

std::string CUciAdapter::PositionText(const std::optional<EngineMove>& ponder) const
{
    const std::vector<EngineMove> moves = GameMoves();
    std::string text = Setup().fen.empty() ? "position startpos" : "position fen " + Setup().fen;
    if (!moves.empty() || ponder)
    {
        text += " moves";
        for (const EngineMove& move : moves)
        {
            text += ' ';
            text += UciMoveText::Format(move);
        }
        if (ponder)
        {
            text += ' ';
            text += UciMoveText::Format(*ponder);
        }
    }
    return text + "\n";
}

std::string CUciAdapter::GoText(bool ponder, int32_t engineClock, int32_t opponentClock) const
{
    const std::string go = ponder ? "go ponder " : "go ";
    if (Setup().moveSeconds > 0)
        return go + "movetime " + std::to_string(int64_t{Setup().moveSeconds} * 1000) + "\n";
    // Centiseconds to milliseconds; a clock at zero still lets the engine
    // answer at once rather than read "0" as "no time given".
    const int64_t mine = std::max<int64_t>(int64_t{engineClock} * 10, 1);
    const int64_t theirs = std::max<int64_t>(int64_t{opponentClock} * 10, 1);
    const int64_t increment = int64_t{Setup().incrementSeconds} * 1000;
    const bool white = EnginePlaysWhite();
    return go + "wtime " + std::to_string(white ? mine : theirs) + " btime " + std::to_string(white ? theirs : mine) +
           " winc " + std::to_string(increment) + " binc " + std::to_string(increment) + "\n";
}

void CUciAdapter::Search(int32_t engineClock, int32_t opponentClock)
{
    Channel* channel = UciChannel();
    if (channel == nullptr)
        return;
    const auto plies = static_cast<int32_t>(GameMoves().size());
    bool stop = false;
    {
        std::lock_guard lock(channel->mutex);
        // Only the answer to the latest search counts.
        stop = channel->DropSearches(false);
        channel->searches.push_back(Channel::SearchEntry{Channel::SearchKind::Real, plies, std::string()});
    }
    m_PonderMove.reset();
    {
        std::lock_guard lock(Game()->mutex);
        Game()->expectingMove = true;
    }
    Write((stop ? "stop\n" : "") + PositionText(std::nullopt) + GoText(false, engineClock, opponentClock));
}

void CUciAdapter::PassOpponentMove(const EngineMove& move, int32_t engineClock, int32_t opponentClock)
{
    Channel* channel = UciChannel();
    if (channel != nullptr && m_PonderMove && *m_PonderMove == move)
    {
        // The engine pondered on this very reply: its search goes on as the
        // real one.
        m_PonderMove.reset();
        bool hit = false;
        {
            std::lock_guard lock(channel->mutex);
            for (Channel::SearchEntry& entry : channel->searches)
                if (entry.kind == Channel::SearchKind::Ponder)
                {
                    entry.kind = Channel::SearchKind::Real;
                    hit = true;
                }
        }
        if (hit)
        {
            {
                std::lock_guard lock(Game()->mutex);
                Game()->expectingMove = true;
            }
            Write("ponderhit\n");
            return;
        }
    }
    Search(engineClock, opponentClock);
}

void CUciAdapter::StartPondering(const EngineMove& engineMove, const EngineMove& reply)
{
    Channel* channel = UciChannel();
    if (channel == nullptr || !Setup().ponder)
        return;
    int32_t plies = 0;
    {
        std::lock_guard lock(Game()->mutex);
        const std::vector<EngineMove>& moves = Game()->moves;
        // Only right after that move of the engine, while the opponent is to move.
        if (!Game()->running || moves.empty() || !(moves.back() == engineMove) ||
            Game()->EngineToMoveAfter(moves.size()))
            return;
        plies = static_cast<int32_t>(moves.size());
    }
    {
        std::lock_guard lock(channel->mutex);
        channel->searches.push_back(
            Channel::SearchEntry{Channel::SearchKind::Ponder, plies, UciMoveText::Format(reply)});
    }
    m_PonderMove = reply;
    Write(PositionText(reply) + GoText(true, LastEngineClock(), LastOpponentClock()));
}

void CUciAdapter::StopSearch()
{
    Channel* channel = UciChannel();
    if (channel == nullptr)
        return;
    bool stop = false;
    {
        std::lock_guard lock(channel->mutex);
        stop = channel->DropSearches(false);
    }
    m_PonderMove.reset();
    // The "bestmove" that answers "stop" is not reported.
    if (stop)
        Write("stop\n");
}

void CUciAdapter::GameCutBack()
{
    // Nothing to tell: every search sends the whole game.
}

void CUciAdapter::GameEnded(int32_t, const std::string&)
{
    StopSearch();
}

void CUciAdapter::PonderingChanged()
{
    Channel* channel = UciChannel();
    if (channel == nullptr)
        return;
    bool stop = false;
    {
        std::lock_guard lock(channel->mutex);
        channel->ponderEnabled = Setup().ponder && m_HasPonderOption;
        if (!Setup().ponder)
            stop = channel->DropSearches(true);
    }
    if (stop)
    {
        m_PonderMove.reset();
        Write("stop\n");
    }
}
