#include "GameMessageCheck.h"
#include "NetMessage.h"
#include "NetProtocol.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace
{
CNetMessage Ints(int id, std::initializer_list<int> values)
{
    CNetMessage message(id);
    for (int value : values)
        message.AddInt(value);
    return message;
}

CNetMessage Strings(int id, std::initializer_list<const char*> texts)
{
    CNetMessage message(id);
    for (const char* text : texts)
        message.AddString(text);
    return message;
}

CNetMessage Seats(int id, std::initializer_list<int> head, int count, std::initializer_list<const char*> names)
{
    CNetMessage message = Ints(id, head);
    message.AddInt(count);
    for (const char* name : names)
        message.AddString(name);
    return message;
}

struct Case
{
    const char* what;
    int mode;
    CNetMessage message;
    bool wellFormed;
};
} // namespace

TEST(GameMessageCheck, KnowsTheIdsOfEachMode)
{
    for (int id : {0, 1, 2, 3, 4, 6, 11, 13, 14, 15, 16, 17, 18})
    {
        EXPECT_TRUE(CGameMessageCheck::IsKnownId(GAME_MODE_SINGLE, id)) << id;
        EXPECT_TRUE(CGameMessageCheck::IsKnownId(GAME_MODE_DOUBLE, id)) << id;
    }
    for (int id : {8, 9})
    {
        EXPECT_TRUE(CGameMessageCheck::IsKnownId(GAME_MODE_SINGLE, id)) << id;
        EXPECT_FALSE(CGameMessageCheck::IsKnownId(GAME_MODE_DOUBLE, id)) << id;
    }
    for (int id : {5, 7, 10})
    {
        EXPECT_FALSE(CGameMessageCheck::IsKnownId(GAME_MODE_SINGLE, id)) << id;
        EXPECT_TRUE(CGameMessageCheck::IsKnownId(GAME_MODE_DOUBLE, id)) << id;
    }
    for (int id : {-6, -1, 12, 19, 499, 500, 505, 777})
    {
        EXPECT_FALSE(CGameMessageCheck::IsKnownId(GAME_MODE_SINGLE, id)) << id;
        EXPECT_FALSE(CGameMessageCheck::IsKnownId(GAME_MODE_DOUBLE, id)) << id;
    }
}

TEST(GameMessageCheck, RefusesMissingMistypedAndOutOfRangeFields)
{
    CNetMessage started(MSG_GAME_STARTED);
    started.AddLong(2);
    started.AddString("e4");
    started.AddString("e5");
    CNetMessage startedShort(MSG_GAME_STARTED);
    startedShort.AddLong(2);
    startedShort.AddString("e4");
    CNetMessage startedAsInt = Ints(MSG_GAME_STARTED, {0});
    CNetMessage leftWithInt = Ints(MSG_PLAYER_LEFT, {1});
    CNetMessage drawWithPayload = Strings(MSG_DRAW_ACCEPTED, {"x"});
    const int S = GAME_MODE_SINGLE;
    const int D = GAME_MODE_DOUBLE;
    const Case cases[] = {
        // Network chess
        {"chess move", S, Ints(MSG_MOVE, {1, 4, 3, 4, 0, 299000, 0}), true},
        {"chess move, extra ignored", S, Ints(MSG_MOVE, {1, 4, 3, 4, 0, 299000, 0, 5}), true},
        {"chess move, row 8", S, Ints(MSG_MOVE, {8, 4, 3, 4, 0, 299000, 0}), false},
        {"chess move, promotion king", S, Ints(MSG_MOVE, {6, 4, 7, 4, 5, 299000, 0}), false},
        {"chess move, negative time", S, Ints(MSG_MOVE, {1, 4, 3, 4, 0, -1, 0}), false},
        {"chess move, offer 2", S, Ints(MSG_MOVE, {1, 4, 3, 4, 0, 1, 2}), false},
        {"chess move, six fields", S, Ints(MSG_MOVE, {1, 4, 3, 4, 0, 1}), false},
        {"chess chat", S, Strings(MSG_CHAT, {"hello"}), true},
        {"chess chat, number", S, Ints(MSG_CHAT, {1}), false},
        {"chess settings", S, Ints(MSG_SETTINGS, {1, 30, 0, 10, 0, 1, 0}), true},
        {"chess settings, 60 minutes", S, Ints(MSG_SETTINGS, {1, 60, 0, 10, 0, 1, 0}), false},
        {"chess settings, flag 3", S, Ints(MSG_SETTINGS, {1, 30, 0, 10, 3, 1, 0}), false},
        {"chess start", S, started, true},
        {"chess start, a move missing", S, startedShort, false},
        {"chess start, count as int", S, startedAsInt, false},
        {"chess resign", S, CNetMessage(MSG_RESIGN), true},
        {"chess draw with payload", S, drawWithPayload, false},
        {"chess takeback", S, CNetMessage(MSG_TAKEBACK_REQUEST), true},
        {"chess left", S, Strings(MSG_PLAYER_LEFT, {"Bob"}), true},
        {"chess left, no name", S, CNetMessage(MSG_PLAYER_LEFT), true},
        {"chess left, number", S, leftWithInt, false},
        {"chess drop", S, Ints(MSG_DROP, {1, 0, 3, 3, 1, 299000, 0}), false},
        {"chess unknown", S, CNetMessage(19), false},
        // Network bughouse
        {"bughouse move", D, Ints(MSG_MOVE, {2, 0, 1, 3, 3, 3, 0, 0, 0, 0, 299000, 0}), true},
        {"bughouse capture", D, Ints(MSG_MOVE, {2, 0, 1, 3, 6, 4, 0, 1, 2, 1, 299000, 0}), true},
        {"bughouse capture, promoted", D, Ints(MSG_MOVE, {2, 0, 1, 3, 6, 4, 0, 1, 12, 2, 299000, 0}), true},
        {"bughouse capture of a king", D, Ints(MSG_MOVE, {2, 0, 1, 3, 6, 4, 0, 1, 5, 1, 299000, 0}), false},
        {"bughouse capture, colour 0", D, Ints(MSG_MOVE, {2, 0, 1, 3, 6, 4, 0, 1, 2, 0, 299000, 0}), false},
        {"bughouse move, seat 4", D, Ints(MSG_MOVE, {4, 0, 1, 3, 3, 3, 0, 0, 0, 0, 299000, 0}), false},
        {"bughouse move, to itself", D, Ints(MSG_MOVE, {2, 0, 1, 3, 1, 3, 0, 0, 0, 0, 299000, 0}), false},
        {"bughouse move, extra field", D, Ints(MSG_MOVE, {2, 0, 1, 3, 3, 3, 0, 0, 0, 0, 299000, 0, 0}), false},
        {"bughouse move, chess form", D, Ints(MSG_MOVE, {1, 4, 3, 4, 0, 299000, 0}), false},
        {"bughouse drop", D, Ints(MSG_DROP, {1, 1, 3, 3, 1, 299000, 1}), true},
        {"bughouse drop, king", D, Ints(MSG_DROP, {1, 1, 3, 3, 5, 299000, 1}), false},
        {"bughouse drop, column 8", D, Ints(MSG_DROP, {1, 1, 3, 8, 1, 299000, 1}), false},
        {"bughouse resign", D, Ints(MSG_RESIGN, {3}), true},
        {"bughouse resign, no seat", D, CNetMessage(MSG_RESIGN), false},
        {"bughouse time call, two seats", D, Ints(MSG_TIME_CALL, {1, 2}), false},
        {"bughouse chat", D, Strings(MSG_CHAT, {"Ann", "hi"}), true},
        {"bughouse chat, no name", D, Strings(MSG_CHAT, {"hi"}), false},
        {"bughouse seats", D, Seats(MSG_SEATS_CHANGED, {1, 0}, 3, {"Host", "Ann", "Ben"}), true},
        {"bughouse seats, count 5", D, Seats(MSG_SEATS_CHANGED, {1, 0}, 5, {"a", "b", "c", "d", "e"}), false},
        {"bughouse seats, a name short", D, Seats(MSG_SEATS_CHANGED, {1, 0}, 3, {"Host", "Ann"}), false},
        {"bughouse joined", D, [] {
             CNetMessage m = Strings(MSG_PLAYER_JOINED, {"Ann"});
             for (int v : {1, 0, 2})
                 m.AddInt(v);
             m.AddString("Host");
             m.AddString("Ann");
             return m;
         }(),
         true},
        {"bughouse settings", D, Ints(MSG_SETTINGS, {0, 5, 0, 0, 0, 0, 0}), true},
        {"bughouse settings, extra", D, Ints(MSG_SETTINGS, {0, 5, 0, 0, 0, 0, 0, 0}), false},
        {"bughouse accepted", D, Seats(MSG_JOIN_ACCEPTED, {0, 5, 0, 0, 0, 0, 0, 1, 0}, 2, {"Host", "Ann"}), true},
        {"bughouse takeback", D, CNetMessage(MSG_TAKEBACK_REQUEST), false},
        {"bughouse flag fell", D, CNetMessage(MSG_FLAG_FELL), true},
        {"bughouse left", D, Strings(MSG_PLAYER_LEFT, {"Ann"}), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CGameMessageCheck::IsWellFormed(c.mode, c.message), c.wellFormed) << c.what;
}

TEST(GameMessageCheck, CutsLongChatAtACharacterBoundaryWithAMark)
{
    // Three bytes a character: cut by characters, never inside one.
    std::string euros;
    for (int i = 0; i < 2500; ++i)
        euros += "\u20ac";
    const std::string cut = CGameMessageCheck::CutText(euros, 2000);
    EXPECT_EQ(cut.size(), 3u * 2000);
    EXPECT_EQ(cut.substr(cut.size() - 3), "\u2026");
    EXPECT_EQ(cut.substr(0, 3 * 1999), euros.substr(0, 3 * 1999));
    EXPECT_EQ(CGameMessageCheck::CutText(euros.substr(0, 3 * 2000), 2000), euros.substr(0, 3 * 2000));
    EXPECT_EQ(CGameMessageCheck::CutText("short", 2000), "short");

    CNetMessage chess = Strings(MSG_CHAT, {""});
    chess.SetStringAt(0, std::string(2001, 'a'));
    EXPECT_TRUE(CGameMessageCheck::CutChat(GAME_MODE_SINGLE, chess));
    std::string text;
    ASSERT_TRUE(chess.GetStringAt(0, text));
    EXPECT_EQ(text, std::string(1999, 'a') + "\u2026");
    EXPECT_FALSE(CGameMessageCheck::CutChat(GAME_MODE_SINGLE, chess));

    CNetMessage bughouse = Strings(MSG_CHAT, {"Ann", ""});
    bughouse.SetStringAt(1, std::string(2000, 'b'));
    EXPECT_FALSE(CGameMessageCheck::CutChat(GAME_MODE_DOUBLE, bughouse)); // exactly the limit stays
    bughouse.SetStringAt(1, std::string(5000, 'b'));
    EXPECT_TRUE(CGameMessageCheck::CutChat(GAME_MODE_DOUBLE, bughouse));
    ASSERT_TRUE(bughouse.GetStringAt(0, text));
    EXPECT_EQ(text, "Ann");
}
