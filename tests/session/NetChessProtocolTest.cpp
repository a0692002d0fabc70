// The network chess messages: what goes out reads back the same, and what a
// peer may send wrongly is refused.
#include "NetChessProtocol.h"
#include "ChessTypes.h"
#include "GameSettings.h"
#include "NetMessage.h"
#include "NetProtocol.h"

#include <gtest/gtest.h>

namespace
{
CNetMessage Ints(int id, std::initializer_list<int32_t> values)
{
    CNetMessage message(id);
    for (int32_t value : values)
        message.AddInt(value);
    return message;
}
} // namespace

TEST(NetChessProtocol, MovesReadBackAndBadOnesAreRefused)
{
    const NetChessMove move{CMove(CCoordinate(6, 4), CCoordinate(7, 4)), PIECE_KNIGHT, 123456, true};
    EXPECT_EQ(CNetChessProtocol::ReadMove(CNetChessProtocol::MakeMove(move)), move);
    struct Case
    {
        const char* what;
        CNetMessage message;
    };
    const Case refused[] = {
        {"a field missing", Ints(MSG_MOVE, {1, 4, 3, 4, 0, 1000})},
        {"a square off the board", Ints(MSG_MOVE, {1, 8, 3, 4, 0, 1000, 0})},
        {"a negative square", Ints(MSG_MOVE, {-1, 4, 3, 4, 0, 1000, 0})},
        {"a king as promotion", Ints(MSG_MOVE, {6, 4, 7, 4, PIECE_KING, 1000, 0})},
        {"a negative time", Ints(MSG_MOVE, {1, 4, 3, 4, 0, -5, 0})},
        {"a draw flag of 2", Ints(MSG_MOVE, {1, 4, 3, 4, 0, 1000, 2})},
    };
    for (const Case& c : refused)
        EXPECT_FALSE(CNetChessProtocol::ReadMove(c.message)) << c.what;
}

TEST(NetChessProtocol, GameStartedCarriesTheMovesWithinItsLimit)
{
    const std::vector<std::string> moves = {"e4", "e5", "Nf3"};
    EXPECT_EQ(CNetChessProtocol::ReadGameStarted(CNetChessProtocol::MakeGameStarted(moves)), moves);
    CNetMessage tooLong(MSG_GAME_STARTED);
    tooLong.AddLong(CNetChessProtocol::kMaxReceivedMoves + 1);
    EXPECT_FALSE(CNetChessProtocol::ReadGameStarted(tooLong));
    CNetMessage missing(MSG_GAME_STARTED);
    missing.AddLong(2);
    missing.AddString("e4");
    EXPECT_FALSE(CNetChessProtocol::ReadGameStarted(missing)) << "fewer texts than counted";
    CNetMessage mistyped(MSG_GAME_STARTED);
    mistyped.AddLong(1);
    mistyped.AddInt(4);
    EXPECT_FALSE(CNetChessProtocol::ReadGameStarted(mistyped));
}

TEST(NetChessProtocol, SettingsAndTheJoinAnswerReadBackAndStayInRange)
{
    GameSettings settings;
    settings.SetGameTime(1, 2, 3);
    settings.SetNbSecondsBonus(10);
    settings.SetIsKingCanBeCaptured(true);
    const NetChessSettings values = NetChessSettings::Of(settings);
    EXPECT_EQ(CNetChessProtocol::ReadSettings(CNetChessProtocol::MakeSettings(values)), values);
    GameSettings applied;
    values.ApplyTo(applied);
    EXPECT_EQ(NetChessSettings::Of(applied), values);

    const int32_t good[] = {1, 2, 3, 10, 0, 1, 0};
    for (int i = 0; i < 7; ++i)
    {
        CNetMessage message(MSG_SETTINGS);
        for (int j = 0; j < 7; ++j)
            message.AddInt(j == i ? (i < 4 ? 100000 : 2) : good[j]);
        EXPECT_FALSE(CNetChessProtocol::ReadSettings(message)) << "value " << i << " out of range";
    }

    CNetMessage join(MSG_JOIN_ACCEPTED);
    join.AddString("Host");
    join.AddInt(1);
    for (int32_t value : good)
        join.AddInt(value);
    const auto read = CNetChessProtocol::ReadJoinAccepted(join);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->serverName, QStringLiteral("Host"));
    EXPECT_TRUE(read->serverPlaysWhite);
    EXPECT_EQ(read->settings.hours, 1);
    CNetMessage nameless(MSG_JOIN_ACCEPTED);
    nameless.AddString("");
    nameless.AddInt(0);
    for (int32_t value : good)
        nameless.AddInt(value);
    EXPECT_FALSE(CNetChessProtocol::ReadJoinAccepted(nameless));
}

TEST(NetChessProtocol, ChatTextsKeepTheirCharacters)
{
    const QString text = QStringLiteral("Grüße, Zug!");
    EXPECT_EQ(CNetChessProtocol::ReadChat(CNetChessProtocol::MakeChat(text)), text);
    EXPECT_FALSE(CNetChessProtocol::ReadChat(CNetMessage(MSG_CHAT)));
}
