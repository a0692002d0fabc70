#include "NetCommandLine.h"

#include <gtest/gtest.h>

using Kind = CNetCommandLine::Kind;

TEST(NetCommandLine, ValidLines)
{
    struct Case
    {
        const char* line;
        Kind kind;
        int mode;
        const char* address;
        int port;
        const char* nickname;
    };
    const Case cases[] = {
        {"SERVER Single 4000 Big Blue", Kind::Server, 1, "", 4000, "Big Blue"},
        {"server,single,4000,Big,Blue", Kind::Server, 1, "", 4000, "Big Blue"},
        {"  server \t double\n5555 ,, Ann  ", Kind::Server, 0, "", 5555, "Ann"},
        {"server single 40x0 Ann", Kind::Server, 1, "", 40, "Ann"},
        {"server single abc Ann", Kind::Server, 1, "", 0, "Ann"},
        {"Client SINGLE 192.168.0.5 4000 Deep Thought", Kind::Client, 1, "192.168.0.5", 4000, "Deep Thought"},
        {"client double localhost 4000 x", Kind::Client, 0, "localhost", 4000, "x"},
        {"client single h 99999999999999999999 x", Kind::Client, 1, "h", 1000000, "x"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        const CNetCommandLine parsed = CNetCommandLine::Parse(QString::fromUtf8(c.line));
        EXPECT_EQ(parsed.kind, c.kind);
        EXPECT_EQ(parsed.mode, c.mode);
        EXPECT_EQ(parsed.address, QString::fromUtf8(c.address));
        EXPECT_EQ(parsed.port, c.port);
        EXPECT_EQ(parsed.nickname, QString::fromUtf8(c.nickname));
    }
}

TEST(NetCommandLine, EmptyAndInvalidLines)
{
    EXPECT_EQ(CNetCommandLine::Parse(QString()).kind, Kind::None);
    EXPECT_EQ(CNetCommandLine::Parse(QStringLiteral(" \t\n ")).kind, Kind::None);
    for (const char* line : {"client double 192.168.0.5 4000", "server single 4000", "server", "server triple 4000 x",
                             "host single 4000 x", ",,,", "client single 4000 x", "serverr single 1 x"})
    {
        SCOPED_TRACE(line);
        EXPECT_EQ(CNetCommandLine::Parse(QString::fromUtf8(line)).kind, Kind::Invalid);
    }
}
