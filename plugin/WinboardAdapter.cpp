#include "WinboardAdapter.h"

#include "EngineList.h"
#include "EngineRegistry.h"
#include "RavelinTexts.h"
#include "ThinkingOrigin.h"
#include "WinboardParser.h"

#include <algorithm>
#include <thread>

namespace
{
// Polyglot's Stockfish now and then never answers a ponder hit when its
// clock is nearly out (tests/plugin/tools/ponder_probe.py): below this many
// centiseconds it is asked not to ponder.
constexpr int32_t kPolyglotPonderFloor = 500;

// The default of the hash size and thread count that an engine declaring
// "memory=1" and "smp=1" offers as options.
constexpr int64_t kDefaultHashMegabytes = 16;
constexpr int64_t kMaxHashMegabytes = 65536;
constexpr int64_t kMaxThreads = 512;

// How long moves wait for the answer to a "ping" at most.
constexpr std::chrono::milliseconds kPongWait{2000};
} // namespace

// The reader's side: the handshake as the reader has seen it, and the fence
// of "ping" that keeps the move and thinking of a stopped search out of the
// game.
class CWinboardAdapter::Channel final : public CEngineChannel
{
public:
    using CEngineChannel::CEngineChannel;

    bool HandleLine(const std::string& line) override;

    // The reader's own: where its thinking lines were searched.
    CThinkingOrigin origin;

    // Guarded by `mutex`.
    bool featureSeen = false;
    bool featureDone = false;
    bool noColours = false;
    bool notWinboard = false;
    bool setboard = false;
    bool usermove = false;
    bool ping = false;
    bool memory = false;
    bool cores = false;
    bool bughouse = false;
    std::string engineName; // its "feature myname"
    std::vector<EngineOption> options;
    // Moves are dropped until "pong" answers this "ping", or for a while.
    int32_t awaitedPong = 0;
    int32_t lastPong = 0;
    CEngineConnection::Clock::time_point pingSent{};
};

bool CWinboardAdapter::Channel::HandleLine(const std::string& line)
{
    const WinboardLine parsed = CWinboardParser::ParseLine(line, EngineColour() == 2);
    switch (parsed.kind)
    {
    case WinboardLine::Kind::Move:
    {
        {
            std::lock_guard lock(mutex);
            // An engine that never answers its "ping" is not kept silent.
            if (lastPong < awaitedPong && CEngineConnection::Clock::now() - pingSent < kPongWait)
                return true;
        }
        return parsed.move.IsDrop() ? ReportDrop(parsed.move, parsed.text) : ReportMove(parsed.move, parsed.text);
    }
    case WinboardLine::Kind::PartnerMessage: return ReportPartnerMessage(parsed.text);
    case WinboardLine::Kind::Result: return ReportResult(parsed.result, parsed.text);
    case WinboardLine::Kind::Thinking:
    {
        {
            // Lines before the answer to "ping" are of a search the engine
            // was taken off, or of the game before.
            std::lock_guard lock(mutex);
            if (lastPong < awaitedPong && CEngineConnection::Clock::now() - pingSent < kPongWait)
                return true;
        }
        ThinkingRecord record;
        record.numbers.depth = parsed.depth;
        record.numbers.scoreKind = parsed.mate ? ENGINE_SCORE_MATE : ENGINE_SCORE_CENTIPAWNS;
        record.numbers.score = parsed.score;
        record.numbers.scoreColour = EngineColour();
        record.numbers.nodes = parsed.nodes;
        record.numbers.nodesPerSecond = parsed.nodesPerSecond;
        record.numbers.milliseconds =
            parsed.centiseconds >= 0
                ? static_cast<int32_t>(std::min<int64_t>(int64_t{parsed.centiseconds} * 10, INT32_MAX))
                : -1;
        std::vector<EngineMove> moves;
        bool standardStart = true;
        bool opponentMovedLast = false;
        {
            std::lock_guard lock(Game()->mutex);
            moves = Game()->moves;
            standardStart = Game()->standardStart;
            opponentMovedLast = Game()->EngineToMoveAfter(moves.size());
        }
        record.numbers.startPly = origin.PlyOf(moves, standardStart, opponentMovedLast, parsed.pv);
        record.pv = parsed.pv;
        return ReportThinking(std::move(record));
    }
    case WinboardLine::Kind::Feature:
    {
        std::lock_guard lock(mutex);
        featureSeen = true;
        featureDone = featureDone || parsed.featureDone;
        noColours = noColours || parsed.featureNoColours;
        setboard = setboard || parsed.featureSetboard;
        usermove = usermove || parsed.featureUsermove;
        ping = ping || parsed.featurePing;
        memory = memory || parsed.featureMemory;
        cores = cores || parsed.featureCores;
        bughouse = bughouse || parsed.featureBughouse;
        if (!parsed.featureName.empty())
            engineName = parsed.featureName;
        for (const EngineOption& option : parsed.featureOptions)
        {
            auto same = [&](const EngineOption& known) { return known.name == option.name; };
            std::erase_if(options, same);
            options.push_back(option);
        }
        changed.notify_all();
        return true;
    }
    case WinboardLine::Kind::NotWinboard:
    {
        std::lock_guard lock(mutex);
        if (!featureSeen)
            notWinboard = true;
        changed.notify_all();
        return true;
    }
    case WinboardLine::Kind::Pong:
    {
        std::lock_guard lock(mutex);
        lastPong = std::max(lastPong, parsed.pong);
        changed.notify_all();
        return true;
    }
    case WinboardLine::Kind::Other: return true;
    }
    return true;
}

CWinboardAdapter::CWinboardAdapter() : CEngineAdapter(EngineList()) {}

CEngineList& CWinboardAdapter::EngineList()
{
    return CEngineRegistry::Instance();
}

const char* CWinboardAdapter::GetName()
{
    static const std::string name = RavelinTexts::Text(RavelinTexts::IDS_ENGINE_TYPE_NAME);
    return name.c_str();
}

std::string CWinboardAdapter::TextOf(int32_t reason)
{
    using namespace RavelinTexts;
    switch (reason)
    {
    case ENGINE_FAILURE_DIED: return Text(IDS_ENGINE_DIED);
    case ENGINE_FAILURE_POSITION: return Text(IDS_POSITION_REFUSED);
    case ENGINE_FAILURE_VARIANT: return Text(IDS_VARIANT_REFUSED);
    default: return Text(IDS_START_ERROR);
    }
}

std::string CWinboardAdapter::FailureText(int32_t reason) const
{
    return TextOf(reason);
}

std::shared_ptr<CEngineChannel> CWinboardAdapter::MakeChannel(std::shared_ptr<EngineGame> game,
                                                              std::shared_ptr<CListenerSlot> listeners)
{
    return std::make_shared<Channel>(std::move(game), std::move(listeners), GetTimings().thinkingInterval);
}

CWinboardAdapter::Channel* CWinboardAdapter::WinboardChannel() const
{
    return static_cast<Channel*>(CEngineAdapter::Channel());
}

bool CWinboardAdapter::Handshake(EngineIdentity& identity)
{
    Channel* channel = WinboardChannel();
    if (channel == nullptr)
        return false;
    Write("xboard\n");
    WritePaced("protover 2\n");
    // A program that answers with features is given time to finish them
    // ("done=1"); one that says nothing is taken for a protocol 1 engine.
    const auto start = std::chrono::steady_clock::now();
    WaitForChannel([channel] { return channel->featureSeen || channel->notWinboard; }, GetTimings().firstAnswerWait);
    bool seen = false;
    {
        std::lock_guard lock(channel->mutex);
        seen = channel->featureSeen;
    }
    if (seen)
    {
        const auto spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        WaitForChannel([channel] { return channel->featureDone || channel->notWinboard; },
                       std::max(GetTimings().handshakeWait - spent, std::chrono::milliseconds(0)));
    }
    std::lock_guard lock(channel->mutex);
    // It ended at once, is not a WinBoard engine, or the start was called off.
    if (channel->notWinboard || channel->finished || channel->dead || CalledOff())
        return false;
    TakeFeatures(*channel);
    m_InForce = true;
    m_Pondering = true;
    identity.name = channel->engineName;
    identity.capabilities =
        ENGINE_CAN_PONDER | (m_Setboard ? ENGINE_CAN_SET_POSITION : 0) | (m_Bughouse ? ENGINE_CAN_BUGHOUSE : 0);
    identity.options = channel->options;
    // The hash size and the number of threads have commands of their own.
    auto commandOption = [&](const char* name, const char* command, int64_t initial, int64_t max) {
        std::erase_if(identity.options, [name](const EngineOption& option) { return option.name == name; });
        EngineOption option;
        option.name = name;
        option.type = EngineOption::Type::Spin;
        option.defaultValue = std::to_string(initial);
        option.min = 1;
        option.max = max;
        option.command = command;
        identity.options.push_back(option);
    };
    if (channel->memory)
        commandOption("Hash", "memory", kDefaultHashMegabytes, kMaxHashMegabytes);
    if (channel->cores)
        commandOption("Threads", "cores", 1, kMaxThreads);
    return true;
}

void CWinboardAdapter::TakeFeatures(const Channel& channel)
{
    // "white" and "black" are protocol 1 commands. A program that speaks
    // protocol 2 has "go" for the same purpose, and some do not bear them:
    // hoichess leaves on "black" and fairymax, after its error on
    // "computer", may crash on "black". Only a program that declared no
    // features at all gets them.
    m_NoColours = channel.noColours || channel.featureSeen;
    // Fairy-Max does not know "computer" and takes it for a move; in a game
    // with no moves yet that corrupts its state, and it crashes or hangs at
    // the next "go". It makes no use of the command, so it is not sent.
    m_NoComputer = channel.engineName.rfind("Fairy-Max", 0) == 0;
    m_Polyglot = channel.engineName.rfind("PolyGlot", 0) == 0;
    m_Setboard = channel.setboard;
    m_Usermove = channel.usermove;
    m_Ping = channel.ping;
    m_Bughouse = channel.bughouse;
}

void CWinboardAdapter::SendOptions(const std::vector<EngineOption>& declared, const EngineOptionValues& values)
{
    for (const EngineOption& option : declared)
    {
        const auto stored = values.find(option.name);
        if (stored == values.end())
            continue;
        if (const std::optional<std::string> value = option.ValueToSend(stored->second))
            WritePaced(CWinboardParser::OptionText(option, *value));
    }
}

std::string CWinboardAdapter::MoveLine(const EngineMove& move) const
{
    const std::string text = CWinboardParser::MoveText(move);
    return m_Usermove ? "usermove " + text : text;
}

bool CWinboardAdapter::PonderNow(int32_t engineClock) const
{
    return Setup().ponder && !(m_Polyglot && Setup().moveSeconds == 0 && engineClock < kPolyglotPonderFloor);
}

bool CWinboardAdapter::OpenGame(bool firstGame)
{
    // Features that came after the handshake's wait count from now on.
    if (Channel* channel = WinboardChannel())
    {
        std::lock_guard lock(channel->mutex);
        TakeFeatures(*channel);
    }
    const GameSetup& setup = Setup();
    if (!setup.fen.empty() && !m_Setboard)
        return false;
    const int32_t fence = ArmFence();
    WritePaced("new\n");
    // Only an engine that declared the variant gets here with a bughouse game.
    if (setup.bughouse)
        WritePaced("variant bughouse\n");
    // Some engines toggle their randomness with each "random": once a start.
    if (firstGame)
        WritePaced("random\n");
    if (setup.moveSeconds > 0)
        WritePaced("st " + std::to_string(setup.moveSeconds) + "\n");
    else
        WritePaced("level 0 " + CWinboardParser::LevelTimeText(setup.baseSeconds) + " " +
                   std::to_string(setup.incrementSeconds) + "\n");
    WritePaced("post\n");
    m_Pondering = setup.ponder;
    WritePaced(m_Pondering ? "hard\n" : "easy\n");
    WritePaced("force\n");
    m_InForce = true;
    if (!setup.fen.empty())
        WritePaced("setboard " + setup.fen + "\n");
    for (const EngineMove& move : GameMoves())
        WritePaced(MoveLine(move));
    if (setup.bughouse && !setup.holdings.empty())
        WritePaced(CWinboardParser::HoldingText(setup.holdings));
    if (!m_NoComputer)
        WritePaced("computer\n");
    SendFence(fence);
    return true;
}

std::string CWinboardAdapter::ClockLines(int32_t engineClock, int32_t opponentClock) const
{
    // With "st" the engine keeps to its time per move.
    if (Setup().moveSeconds > 0)
        return std::string();
    return "time " + std::to_string(engineClock) + "\notim " + std::to_string(opponentClock) + "\n";
}

void CWinboardAdapter::ExpectMove()
{
    std::lock_guard lock(Game()->mutex);
    Game()->expectingMove = true;
}

void CWinboardAdapter::Search(int32_t engineClock, int32_t opponentClock)
{
    ExpectMove();
    m_InForce = false;
    const std::string clocks = ClockLines(engineClock, opponentClock);
    if (m_NoColours)
        WritePaced(clocks + "go\n");
    else if (EnginePlaysWhite())
        WritePaced("black\n" + clocks + "white\ngo\n");
    else
        WritePaced(clocks + "black\ngo\n");
}

void CWinboardAdapter::PassOpponentMove(const EngineMove& move, int32_t engineClock, int32_t opponentClock)
{
    const bool ponder = PonderNow(engineClock);
    if (ponder != m_Pondering)
    {
        m_Pondering = ponder;
        Write(ponder ? "hard\n" : "easy\n");
    }
    const bool toMove = EngineToMove();
    if (toMove)
        ExpectMove();
    Write(ClockLines(engineClock, opponentClock) + MoveLine(move));
    // After the opening of a game, a stop or a takeback the engine waits in
    // force mode: it takes the move and is then asked to go.
    if (m_InForce && toMove)
    {
        m_InForce = false;
        if (m_NoColours)
            Write("go\n");
        else
            Write(EnginePlaysWhite() ? "white\ngo\n" : "black\ngo\n");
    }
}

void CWinboardAdapter::StopSearch()
{
    if (m_InForce)
        return;
    const int32_t fence = ArmFence();
    Write("force\n");
    m_InForce = true;
    SendFence(fence);
}

int32_t CWinboardAdapter::ArmFence()
{
    // A move or thinking line the engine still writes for a search it was
    // taken off, or for an earlier game, comes before its answer to "ping".
    // The fence stands before the first command it guards is written: the
    // engine may answer that command before the "ping" follows.
    if (!m_Ping)
        return 0;
    const int32_t number = ++m_NextPing;
    if (Channel* channel = WinboardChannel())
    {
        std::lock_guard lock(channel->mutex);
        channel->awaitedPong = number;
        channel->pingSent = CEngineConnection::Clock::now();
    }
    return number;
}

void CWinboardAdapter::SendFence(int32_t number)
{
    if (number == 0)
        return;
    if (Channel* channel = WinboardChannel())
    {
        // The wait for the answer counts from the "ping".
        std::lock_guard lock(channel->mutex);
        channel->pingSent = CEngineConnection::Clock::now();
    }
    WritePaced("ping " + std::to_string(number) + "\n");
}

void CWinboardAdapter::GameCutBack()
{
    // The engine plays the shortened game from its start, in force mode.
    OpenGame(false);
}

void CWinboardAdapter::GameEnded(int32_t result, const std::string& reason)
{
    Write("result " + CWinboardParser::ResultText(result) + " {" + reason + "}\nforce\n");
    m_InForce = true;
}

void CWinboardAdapter::HoldingsChanged()
{
    Write(CWinboardParser::HoldingText(Setup().holdings));
}

void CWinboardAdapter::PonderingChanged()
{
    m_Pondering = Setup().ponder;
    Write(m_Pondering ? "hard\n" : "easy\n");
}
