#include "BughouseProtocol.h"

#include "NetMessage.h"
#include "NetProtocol.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
constexpr int64_t kGameMs = 5 * 60 * 1000;

CBughouseSeats FourSeats()
{
    return CBughouseSeats({{"Ann", 0, COLOUR_WHITE, 1},
                           {"Bob", 11, COLOUR_WHITE, 0},
                           {"Cid", 12, COLOUR_WHITE, 0},
                           {"Dee", 13, COLOUR_WHITE, 0}});
}

// Seat 2 (black against seat 0) takes a promoted queen on e1 from e2.
BughouseMove GoodMove()
{
    BughouseMove move;
    move.seat = 2;
    move.orientation = 1;
    move.from = CCoordinate(1, 3);
    move.to = CCoordinate(0, 3);
    move.captured = true;
    move.capturedPiece = PIECE_QUEEN | PROMOTED_FLAG;
    move.capturedColour = COLOUR_WHITE;
    move.remainingMs = 1000;
    return move;
}

// The message with element i replaced by an int (or, for -1, a string).
CNetMessage WithElement(const CNetMessage& original, int index, int32_t value, bool asString = false)
{
    CNetMessage copy(original.GetId());
    for (int i = 0; i < original.GetElementCount(); ++i)
    {
        int32_t v = 0;
        (void)original.GetIntAt(i, v);
        if (i != index)
            copy.AddInt(v);
        else if (asString)
            copy.AddString("7");
        else
            copy.AddInt(value);
    }
    return copy;
}
} // namespace

TEST(BughouseProtocol, AMoveAndADropTravelUnchanged)
{
    const CBughouseSeats seats = FourSeats();
    const auto move = CBughouseProtocol::ReadMove(CBughouseProtocol::MakeMove(GoodMove()), seats, 0, kGameMs);
    ASSERT_TRUE(move.has_value());
    EXPECT_EQ(move->seat, 2);
    EXPECT_EQ(move->from, CCoordinate(1, 3));
    EXPECT_EQ(move->to, CCoordinate(0, 3));
    EXPECT_TRUE(move->captured);
    EXPECT_EQ(move->capturedPiece, 12);
    EXPECT_EQ(move->capturedColour, COLOUR_WHITE);
    EXPECT_EQ(move->remainingMs, 1000);

    BughouseDrop drop;
    drop.seat = 1;
    drop.orientation = 1;
    drop.square = CCoordinate(4, 4);
    drop.piece = PIECE_KNIGHT;
    drop.remainingMs = kGameMs;
    drop.drawOffer = true;
    const auto read = CBughouseProtocol::ReadDrop(CBughouseProtocol::MakeDrop(drop), seats, 0, kGameMs);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->square, CCoordinate(4, 4));
    EXPECT_EQ(read->piece, PIECE_KNIGHT);
    EXPECT_TRUE(read->drawOffer);
}

TEST(BughouseProtocol, AMoveWithAnyFieldOutOfRangeIsRefused)
{
    const CBughouseSeats seats = FourSeats();
    const CNetMessage good = CBughouseProtocol::MakeMove(GoodMove());
    struct Bad
    {
        const char* what;
        int index;
        int32_t value;
        bool asString;
    };
    const Bad bads[] = {
        {"the reader's own seat", 0, 0, false},
        {"a seat nobody holds", 0, 4, false},
        {"a negative seat", 0, -1, false},
        {"an orientation the mover does not play", 1, 0, false},
        {"orientation 2", 1, 2, false},
        {"from-row 8", 2, 8, false},
        {"from-column -1", 3, -1, false},
        {"to-row 9", 4, 9, false},
        {"to-column 8", 5, 8, false},
        {"promotion to a king", 6, PIECE_KING, false},
        {"capture flag 2", 7, 2, false},
        {"a captured king", 8, PIECE_KING, false},
        {"a captured promoted king", 8, 13, false},
        {"a captured colour none", 9, COLOUR_NONE, false},
        {"a captured colour 3", 9, 3, false},
        {"a negative time", 10, -1, false},
        {"more time than the game", 10, static_cast<int32_t>(kGameMs + 1), false},
        {"draw flag 5", 11, 5, false},
        {"a string for the seat", 0, 0, true},
        {"a string for the time", 10, 0, true},
    };
    for (const Bad& bad : bads)
        EXPECT_FALSE(
            CBughouseProtocol::ReadMove(WithElement(good, bad.index, bad.value, bad.asString), seats, 0, kGameMs))
            << bad.what;

    CNetMessage shortMessage(MSG_MOVE);
    for (int i = 0; i < 11; ++i)
        shortMessage.AddInt(0);
    EXPECT_FALSE(CBughouseProtocol::ReadMove(shortMessage, seats, 0, kGameMs));
    CNetMessage longMessage = good;
    longMessage.AddInt(0);
    EXPECT_FALSE(CBughouseProtocol::ReadMove(longMessage, seats, 0, kGameMs));
    EXPECT_FALSE(CBughouseProtocol::ReadMove(WithElement(good, 4, 1), seats, 0, kGameMs)) << "a null move";
    // Without a capture, the capture fields are not looked at.
    EXPECT_TRUE(CBughouseProtocol::ReadMove(WithElement(WithElement(good, 7, 0), 8, 77), seats, 0, kGameMs));
    // Nobody plays against a lone server.
    const CBughouseSeats alone({{"Ann", 0, COLOUR_WHITE, 0}});
    EXPECT_FALSE(CBughouseProtocol::ReadMove(WithElement(good, 0, 0), alone, 1, kGameMs));
}

TEST(BughouseProtocol, ADropWithAnyFieldOutOfRangeIsRefused)
{
    const CBughouseSeats seats = FourSeats();
    BughouseDrop drop;
    drop.seat = 3;
    drop.orientation = 0;
    drop.square = CCoordinate(3, 3);
    const CNetMessage good = CBughouseProtocol::MakeDrop(drop);
    ASSERT_TRUE(CBughouseProtocol::ReadDrop(good, seats, 0, kGameMs));
    const std::pair<int, int32_t> bads[] = {{0, 0},          {0, 5},  {1, 1},  {2, 8}, {3, -1},
                                            {4, PIECE_KING}, {4, -1}, {5, -5}, {6, 2}};
    for (const auto& [index, value] : bads)
        EXPECT_FALSE(CBughouseProtocol::ReadDrop(WithElement(good, index, value), seats, 0, kGameMs))
            << "element " << index << " = " << value;
    EXPECT_FALSE(CBughouseProtocol::ReadDrop(CBughouseProtocol::MakeMove(GoodMove()), seats, 0, kGameMs));
}

TEST(BughouseProtocol, SeatsTravelAndImpossibleSeatListsAreRefused)
{
    CBughouseSeats sent = FourSeats();
    sent.SwitchColour();
    CNetMessage message = CBughouseProtocol::MakeSeatsChanged(sent);
    const auto seats = CBughouseProtocol::ReadSeats(message, 0);
    ASSERT_TRUE(seats.has_value());
    ASSERT_EQ(seats->Count(), 4);
    EXPECT_EQ(seats->Entry(3).name, QStringLiteral("Dee"));
    EXPECT_EQ(seats->SeatZeroColour(), COLOUR_BLACK);
    EXPECT_TRUE(seats->SeatZeroFlag());
    EXPECT_EQ(seats->Entry(1).colour, COLOUR_WHITE);

    auto build = [](int white, int flag, int count, std::vector<std::string> names) {
        CNetMessage m(MSG_SEATS_CHANGED);
        m.AddInt(white);
        m.AddInt(flag);
        m.AddInt(count);
        for (const std::string& name : names)
            m.AddString(name);
        return m;
    };
    EXPECT_TRUE(CBughouseProtocol::ReadSeats(build(1, 0, 2, {"a", "b"}), 0));
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 0, 3, {"a", "b"}), 0)) << "fewer names than told";
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 0, 1, {"a", "b"}), 0)) << "more names than told";
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 0, 0, {}), 0)) << "nobody";
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 1, 5, {"a", "b", "c", "d", "e"}), 0));
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 0, 4, {"a", "b", "c", "d"}), 0)) << "four without flag";
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(2, 0, 2, {"a", "b"}), 0));
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 0, 2, {"a", "a"}), 0)) << "same name twice";
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 0, 2, {"a", ""}), 0)) << "empty name";
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 0, 2, {"a", std::string(100, 'x')}), 0));
    EXPECT_FALSE(CBughouseProtocol::ReadSeats(build(1, 0, -1, {}), 0));
}

TEST(BughouseProtocol, SettingsTravelAndOutOfRangeValuesAreRefused)
{
    BughouseSettingsValues values;
    values.minutes = 5;
    values.bonusSeconds = 3;
    values.kingCanBeCaptured = true;
    const CNetMessage message = CBughouseProtocol::MakeSettings(values);
    int32_t infinite = -1;
    ASSERT_TRUE(message.GetIntAt(4, infinite));
    EXPECT_EQ(infinite, 0);
    const auto read = CBughouseProtocol::ReadSettings(message, 0);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->GameTimeMs(), 300000);
    EXPECT_EQ(read->bonusSeconds, 3);
    EXPECT_TRUE(read->kingCanBeCaptured);
    EXPECT_FALSE(read->winOnOpponentTimeZero);

    const std::pair<int, int32_t> bads[] = {{0, -1}, {0, 100}, {1, 60}, {2, -3}, {3, -1},
                                            {4, 2},  {5, 9},   {6, -1}, {1, 0}};
    for (const auto& [index, value] : bads)
        EXPECT_FALSE(CBughouseProtocol::ReadSettings(WithElement(message, index, value), 0))
            << "element " << index << " = " << value;
    EXPECT_FALSE(CBughouseProtocol::ReadSettings(CNetMessage(MSG_SETTINGS), 0));
}

TEST(BughouseProtocol, SeatMessagesNameATakenSeatOtherThanTheReaders)
{
    const CBughouseSeats seats = FourSeats();
    EXPECT_EQ(CBughouseProtocol::ReadSeat(CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, 3), seats, 0), 3);
    EXPECT_FALSE(CBughouseProtocol::ReadSeat(CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, 0), seats, 0));
    EXPECT_FALSE(CBughouseProtocol::ReadSeat(CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, 4), seats, 0));
    EXPECT_FALSE(CBughouseProtocol::ReadSeat(CNetMessage(MSG_RESIGN), seats, 0));
}

TEST(BughouseProtocol, ChatCarriesTheSendersNickname)
{
    const auto chat = CBughouseProtocol::ReadChat(CBughouseProtocol::MakeChat("Zoë", "hi"));
    ASSERT_TRUE(chat.has_value());
    EXPECT_EQ(chat->first, QStringLiteral("Zoë"));
    EXPECT_EQ(chat->second, QStringLiteral("hi"));
    CNetMessage onlyText(MSG_CHAT);
    onlyText.AddString("hi");
    EXPECT_FALSE(CBughouseProtocol::ReadChat(onlyText));
}
