#include "NetMessage.h"
#include "NetMessageReader.h"
#include "NetTestSupport.h"

#include <gtest/gtest.h>

using NetTest::Bytes;

namespace
{
const std::string kHeaderOneElement = Bytes({0x01, 0, 0, 0, 0x01, 0, 0, 0});

CNetMessage ParseWhole(const std::string& bytes)
{
    CNetMessage message;
    std::size_t used = 0;
    std::size_t needed = 0;
    EXPECT_EQ(message.Read(bytes.data(), bytes.size(), used, needed), CNetMessage::ParseStatus::Complete);
    EXPECT_EQ(used, bytes.size());
    return message;
}

CNetMessage::ParseStatus Status(const std::string& bytes, std::size_t* neededOut = nullptr)
{
    CNetMessage message;
    std::size_t used = 0;
    std::size_t needed = 0;
    const auto status = message.Read(bytes.data(), bytes.size(), used, needed);
    if (neededOut)
        *neededOut = needed;
    return status;
}
} // namespace

TEST(NetMessageWire, ExamplesAreByteExact)
{
    EXPECT_EQ(CNetMessage(14).ToBytes(), Bytes({0x0E, 0, 0, 0, 0, 0, 0, 0}));

    CNetMessage text(1);
    text.AddString("abc");
    EXPECT_EQ(text.ToBytes(), kHeaderOneElement + Bytes({0x0A, 0x03, 'a', 'b', 'c'}));

    CNetMessage version(1);
    version.AddLong(2);
    EXPECT_EQ(version.ToBytes(), kHeaderOneElement + Bytes({0x07, 0x02, 0, 0, 0, 0, 0, 0, 0}));

    CNetMessage number(1);
    number.AddInt(-2);
    EXPECT_EQ(number.ToBytes(), kHeaderOneElement + Bytes({0x05, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));

    CNetMessage block(1);
    block.AddBytes(CNetByteBlock("\x01\x02\x03", 3));
    EXPECT_EQ(block.ToBytes(), kHeaderOneElement + Bytes({0x0B, 0x03, 0, 0, 0, 1, 2, 3}));
    EXPECT_EQ(ParseWhole(block.ToBytes()), block);

    CNetMessage negative(-7);
    EXPECT_EQ(negative.ToBytes(), Bytes({0xF9, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
}

TEST(NetMessageWire, StringLengthPrefixes)
{
    struct Case
    {
        std::size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        {0, Bytes({0x00})},
        {254, Bytes({0xFE})},
        {255, Bytes({0xFF, 0xFF, 0x00})},
        {65533, Bytes({0xFF, 0xFD, 0xFF})},
        {65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
        {70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})},
    };
    for (const Case& c : cases)
    {
        CNetMessage message(1);
        const std::string text(c.length, 'x');
        message.AddString(text);
        const std::string bytes = message.ToBytes();
        EXPECT_EQ(bytes, kHeaderOneElement + Bytes({0x0A}) + c.prefix + text) << c.length;
        std::string back;
        EXPECT_TRUE(ParseWhole(bytes).GetStringAt(0, back));
        EXPECT_EQ(back, text);
    }
}

TEST(NetMessageWire, ReaderAcceptsLongerAndWideForms)
{
    struct Case
    {
        const char* name;
        std::string element;
        std::string text;
    };
    const Case cases[] = {
        {"three-byte form of a short length", Bytes({0x0A, 0xFF, 0x03, 0x00, 'a', 'b', 'c'}), "abc"},
        {"64-bit form", Bytes({0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c'}),
         "abc"},
        {"wide, one-byte length", Bytes({0x0A, 0xFF, 0xFE, 0xFF, 0x02, 'h', 0x00, 0xE9, 0x00}), "h\xC3\xA9"},
        {"wide, three-byte length", Bytes({0x0A, 0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00, 0xAC, 0x20}), "\xE2\x82\xAC"},
        {"wide surrogate pair", Bytes({0x0A, 0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80"},
        {"wide lone surrogate", Bytes({0x0A, 0xFF, 0xFE, 0xFF, 0x01, 0x00, 0xD8}), "\xEF\xBF\xBD"},
    };
    for (const Case& c : cases)
    {
        std::string text;
        EXPECT_TRUE(ParseWhole(kHeaderOneElement + c.element).GetStringAt(0, text)) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
}

TEST(NetMessageWire, OtherTagsAreOpaqueNumbers)
{
    const CNetMessage message = ParseWhole(kHeaderOneElement + Bytes({42, 5, 0, 0, 0, 0xAA, 0xBB, 0xCC, 0xDD}));
    EXPECT_EQ(message.GetTypeAt(0), 42);
    std::int32_t value = 0;
    EXPECT_FALSE(message.GetIntAt(0, value));
    EXPECT_EQ(value, 5);
    // The ignored half is written back as zero.
    EXPECT_EQ(message.ToBytes(), kHeaderOneElement + Bytes({42, 5, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(NetMessageWire, MalformedInputIsRefusedBeforeItArrives)
{
    const std::string bigString = Bytes({0x0A, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x20, 0x00}); // 2 MiB claimed
    const struct
    {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"negative count", Bytes({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"too many elements", Bytes({1, 0, 0, 0, 0x01, 0x10, 0, 0})},
        {"string over the size bound", kHeaderOneElement + bigString},
        {"byte block over the size bound", kHeaderOneElement + Bytes({0x0B, 0xFF, 0xFF, 0xFF, 0xFF})},
        {"64-bit length above 2^31",
         kHeaderOneElement + Bytes({0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0, 0, 0, 0})},
        {"wide marker twice", kHeaderOneElement + Bytes({0x0A, 0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Status(c.bytes), CNetMessage::ParseStatus::Malformed) << c.name;
}

TEST(NetMessageWire, TruncatedInputAsksForTheMissingBytes)
{
    CNetMessage full(3);
    full.AddInt(1);
    full.AddString("hello");
    const std::string bytes = full.ToBytes(); // 8 + 9 + 7 bytes
    const struct
    {
        std::size_t have;
        std::size_t needed;
    } cases[] = {{0, 4}, {5, 8}, {8, 9}, {12, 17}, {17, 18}, {18, 19}, {19, 24}, {23, 24}};
    for (const auto& c : cases)
    {
        std::size_t needed = 0;
        EXPECT_EQ(Status(bytes.substr(0, c.have), &needed), CNetMessage::ParseStatus::Incomplete) << c.have;
        EXPECT_EQ(needed, c.needed) << c.have;
    }
}

TEST(NetMessage, SetAtIndexGrowsWithEmptyStrings)
{
    CNetMessage message;
    message.SetIntAt(3, 9);
    ASSERT_EQ(message.GetElementCount(), 4);
    for (int i = 0; i < 3; ++i)
    {
        std::string text = "unchanged";
        EXPECT_TRUE(message.GetStringAt(i, text));
        EXPECT_EQ(text, "");
    }
    std::int32_t value = 0;
    EXPECT_TRUE(message.GetIntAt(3, value));
    EXPECT_EQ(value, 9);

    message.SetStringAt(3, "x");
    message.SetStringAt(-1, "ignored");
    message.SetIntAt(-5, 1);
    EXPECT_EQ(message.GetElementCount(), 4);
    EXPECT_EQ(message.GetTypeAt(3), ELEM_STRING);
}

TEST(NetMessage, GettersKeepKindsApartAndBounds)
{
    CNetMessage message(6);
    message.AddInt(11);
    message.AddLong(22);
    message.AddString("s");

    std::int32_t value = -1;
    EXPECT_FALSE(message.GetIntAt(-1, value));
    EXPECT_FALSE(message.GetIntAt(3, value));
    EXPECT_EQ(value, -1);
    EXPECT_FALSE(message.GetLongAt(0, value)); // an int is not a long, but the value is copied
    EXPECT_EQ(value, 11);
    EXPECT_FALSE(message.GetIntAt(1, value));
    EXPECT_EQ(value, 22);
    EXPECT_FALSE(message.GetIntAt(2, value));
    EXPECT_EQ(message.GetTypeAt(-1), ELEM_STRING);
    EXPECT_EQ(message.GetTypeAt(3), ELEM_STRING);
    EXPECT_EQ(message.GetTypeAt(1), ELEM_LONG);

    std::string text;
    EXPECT_TRUE(message.GetNextInt(value));
    EXPECT_FALSE(message.GetNextInt(value)); // a long: fails, still advances
    EXPECT_TRUE(message.GetNextString(text));
    EXPECT_FALSE(message.GetNextString(text));
    EXPECT_EQ(message.GetCursor(), 4);
    EXPECT_EQ(text, "s");

    CNetMessage copy;
    copy = message;
    EXPECT_EQ(copy, message);
    EXPECT_EQ(copy.GetCursor(), 4);

    // Reading a message replaces everything and rewinds the cursor.
    ASSERT_EQ(copy.ToBytes(), message.ToBytes());
    std::size_t used = 0;
    std::size_t needed = 0;
    const std::string bytes = CNetMessage(14).ToBytes();
    EXPECT_EQ(copy.Read(bytes.data(), bytes.size(), used, needed), CNetMessage::ParseStatus::Complete);
    EXPECT_EQ(copy.GetId(), 14);
    EXPECT_EQ(copy.GetElementCount(), 0);
    EXPECT_EQ(copy.GetCursor(), 0);
}

TEST(NetMessageReader, CutsTheStreamIntoMessages)
{
    CNetMessage first(6);
    first.AddInt(1);
    first.AddString(std::string(300, 'm'));
    CNetMessage second(1);
    second.AddString("chat");
    const std::string stream = first.ToBytes() + second.ToBytes();

    // Both at once: both come out, in order, and nothing more.
    CNetMessageReader together;
    together.Append(stream.data(), stream.size());
    CNetMessage out;
    ASSERT_EQ(together.Next(out), CNetMessageReader::Result::Message);
    EXPECT_EQ(out, first);
    ASSERT_EQ(together.Next(out), CNetMessageReader::Result::Message);
    EXPECT_EQ(out, second);
    EXPECT_EQ(together.Next(out), CNetMessageReader::Result::NeedMore);
    EXPECT_FALSE(together.HasUnread());

    // One byte at a time: each message comes out once, when its last byte is in.
    CNetMessageReader trickle;
    std::vector<std::size_t> completedAt;
    for (std::size_t i = 0; i < stream.size(); ++i)
    {
        trickle.Append(&stream[i], 1);
        while (trickle.Next(out) == CNetMessageReader::Result::Message)
            completedAt.push_back(i + 1);
    }
    EXPECT_EQ(completedAt, (std::vector<std::size_t>{first.ToBytes().size(), stream.size()}));
}

TEST(NetMessageReader, ResumesWhereItStoppedWhateverThePieces)
{
    // Every kind of element, the long and wide string forms included.
    CNetMessage first(6);
    first.AddInt(-7);
    first.AddLong(2);
    first.AddString(std::string(300, 'm'));
    first.AddString(std::string(70000, 'n'));
    first.AddBytes(CNetByteBlock(reinterpret_cast<const std::uint8_t*>("\x01\x02\x03"), 3));
    const std::string wide = Bytes(
        {0x02, 0, 0, 0, 0x02, 0, 0, 0, 0x0A, 0xFF, 0xFE, 0xFF, 0x02, 'h', 0, 'i', 0, 0x09, 0x2A, 0, 0, 0, 0, 0, 0, 0});
    CNetMessage empty(14);
    const std::string stream = first.ToBytes() + wide + empty.ToBytes();

    std::vector<CNetMessage> whole;
    {
        CNetMessageReader reader;
        reader.Append(stream.data(), stream.size());
        CNetMessage out;
        while (reader.Next(out) == CNetMessageReader::Result::Message)
            whole.push_back(out);
    }
    ASSERT_EQ(whole.size(), 3u);
    EXPECT_EQ(whole[0], first);
    EXPECT_EQ(whole[2], empty);
    std::string hi;
    EXPECT_TRUE(whole[1].GetStringAt(0, hi));
    EXPECT_EQ(hi, "hi");

    for (std::size_t piece : {1u, 2u, 3u, 7u, 9u, 100u, 4096u})
    {
        CNetMessageReader reader;
        std::vector<CNetMessage> got;
        CNetMessage out;
        for (std::size_t at = 0; at < stream.size(); at += piece)
        {
            reader.Append(stream.data() + at, std::min(piece, stream.size() - at));
            while (reader.Next(out) == CNetMessageReader::Result::Message)
                got.push_back(out);
        }
        EXPECT_EQ(got, whole) << "pieces of " << piece;
        EXPECT_FALSE(reader.HasUnread());
    }
}

TEST(NetMessageReader, StaysBrokenAfterGarbage)
{
    CNetMessageReader reader;
    const std::string garbage = Bytes({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    reader.Append(garbage.data(), garbage.size());
    CNetMessage out;
    EXPECT_EQ(reader.Next(out), CNetMessageReader::Result::Malformed);
    const std::string good = CNetMessage(2).ToBytes();
    reader.Append(good.data(), good.size());
    EXPECT_EQ(reader.Next(out), CNetMessageReader::Result::Malformed);
    EXPECT_TRUE(reader.IsBroken());
}
