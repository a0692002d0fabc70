#include "EngineLoader.h"
#include "EngineListener.h"
#include "EngineMove.h"
#include "IChessEngineEx.h"
#include "IChessEngineListener.h"

#include "ChessTypes.h"

#include <QTemporaryDir>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace
{
class CNullListener : public IChessEngineListener
{
public:
    bool OnEngineMove(int32_t, int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool OnEngineResult(int32_t) override { return true; }
};

// A plug-in tree: subfolders come before a folder's own libraries, and the
// tree holds the same plug-in twice, a library without the export, a text
// file named like a library and a plain text file.
class EngineLoaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Dir.isValid());
        m_Root = m_Dir.path().toStdString();
        fs::create_directories(m_Root / "a_sub" / "deeper");
        fs::create_directories(m_Root / "b_empty");
        fs::copy_file(TEST_PLUGIN_ALPHA, m_Root / "a_sub" / "deeper" / "alpha.so");
        fs::copy_file(TEST_PLUGIN_BETA, m_Root / "a_sub" / "beta.so");
        fs::copy_file(TEST_PLUGIN_ALPHA, m_Root / "alpha-copy.so");
        fs::copy_file(TEST_PLUGIN_NOEXPORT, m_Root / "noexport.so");
        std::ofstream(m_Root / "notes.so") << "not a library\n";
        std::ofstream(m_Root / "readme.txt") << "nothing\n";
    }

    void TearDown() override { m_Loader.DestroyAll(); }

    // The test helper export of the loaded copy at this path.
    template <typename Function> Function Helper(const fs::path& library, const char* name)
    {
        void* handle = dlopen(fs::weakly_canonical(library).c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(handle, nullptr) << library;
        Function function = handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
        if (handle)
            dlclose(handle); // drops only the reference RTLD_NOLOAD took
        return function;
    }

    QTemporaryDir m_Dir;
    fs::path m_Root;
    CNullListener m_Listener;
    CEngineLoader m_Loader;
};
} // namespace

TEST_F(EngineLoaderTest, SearchesDepthFirstAndMakesTwoObjectsPerLibrary)
{
    m_Loader.Load({m_Root}, &m_Listener);
    const auto& white = m_Loader.WhiteList();
    const auto& black = m_Loader.BlackList();
    ASSERT_EQ(white.size(), 3u);
    ASSERT_EQ(black.size(), 3u);
    const char* expected[] = {"Alpha Engine", "Beta Engine", "Alpha Engine"};
    for (size_t i = 0; i < 3; ++i)
    {
        EXPECT_STREQ(white[i]->GetName(), expected[i]);
        EXPECT_STREQ(black[i]->GetName(), expected[i]);
        EXPECT_NE(white[i], black[i]);
    }
    // The two copies of the Alpha plug-in are two libraries, each with its own objects.
    EXPECT_NE(white[0]->GetName(), white[2]->GetName());

    using IsWhiteFunction = bool (*)(IChessEngine*);
    using ListenerFunction = IChessEngineListener* (*)(IChessEngine*);
    const fs::path libraries[] = {m_Root / "a_sub" / "deeper" / "alpha.so", m_Root / "a_sub" / "beta.so",
                                  m_Root / "alpha-copy.so"};
    for (size_t i = 0; i < 3; ++i)
    {
        auto isWhite = Helper<IsWhiteFunction>(libraries[i], "TestEngineIsWhite");
        auto listener = Helper<ListenerFunction>(libraries[i], "TestEngineListener");
        ASSERT_TRUE(isWhite && listener);
        EXPECT_TRUE(isWhite(white[i]));
        EXPECT_FALSE(isWhite(black[i]));
        EXPECT_EQ(listener(white[i]), &m_Listener);
        EXPECT_EQ(listener(black[i]), &m_Listener);
    }
}

TEST_F(EngineLoaderTest, MissingRootsAndRepeatedRootsAddNothing)
{
    m_Loader.Load({m_Root / "nowhere", m_Root / "a_sub", m_Root}, &m_Listener);
    // a_sub's two libraries first, then the root's one library not yet seen.
    ASSERT_EQ(m_Loader.WhiteList().size(), 3u);
    EXPECT_STREQ(m_Loader.WhiteList()[0]->GetName(), "Alpha Engine");
    EXPECT_STREQ(m_Loader.WhiteList()[1]->GetName(), "Beta Engine");

    CEngineLoader empty;
    empty.Load({m_Root / "b_empty"}, &m_Listener);
    EXPECT_TRUE(empty.WhiteList().empty());
    EXPECT_TRUE(empty.BlackList().empty());
    EXPECT_EQ(empty.EngineForPlayerType("Alpha Engine", COLOUR_WHITE), nullptr);
}

TEST_F(EngineLoaderTest, PlayerTypeNamesAreLookedUpInTheWhiteList)
{
    m_Loader.Load({m_Root}, &m_Listener);
    const auto& white = m_Loader.WhiteList();
    const auto& black = m_Loader.BlackList();
    struct Case
    {
        const char* name;
        int32_t colour;
        IChessEngine* expected;
    };
    const Case cases[] = {
        {"Human", COLOUR_WHITE, nullptr},
        {"Human", COLOUR_BLACK, nullptr},
        {"Beta Engine", COLOUR_WHITE, white[1]},
        {"Beta Engine", COLOUR_BLACK, black[1]},
        {"Alpha Engine", COLOUR_BLACK, black[0]}, // the first of two with that name
        {"alpha engine", COLOUR_WHITE, nullptr},  // case-sensitive
        {"Gamma Engine", COLOUR_BLACK, nullptr},  // no longer installed
        {"", COLOUR_WHITE, nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(m_Loader.EngineForPlayerType(c.name, c.colour), c.expected) << c.name << " " << c.colour;

    EXPECT_EQ(m_Loader.IndexOf(white[2]), 2);
    EXPECT_EQ(m_Loader.IndexOf(black[1]), 1);
    EXPECT_EQ(m_Loader.IndexOf(nullptr), -1);
    EXPECT_EQ(m_Loader.IndexOf(reinterpret_cast<IChessEngine*>(&m_Listener)), -1);
}

TEST_F(EngineLoaderTest, SwitchColourExchangesTheEnginesAndTheirColours)
{
    m_Loader.Load({m_Root}, &m_Listener);
    using IsWhiteFunction = bool (*)(IChessEngine*);
    auto alphaIsWhite = Helper<IsWhiteFunction>(m_Root / "a_sub" / "deeper" / "alpha.so", "TestEngineIsWhite");
    auto betaIsWhite = Helper<IsWhiteFunction>(m_Root / "a_sub" / "beta.so", "TestEngineIsWhite");
    ASSERT_TRUE(alphaIsWhite && betaIsWhite);

    // An engine for White, a human for Black: the same object now plays Black.
    IChessEngine* alphaWhite = m_Loader.WhiteList()[0];
    IChessEngine* alphaBlack = m_Loader.BlackList()[0];
    IChessEngine* whiteEngine = alphaWhite;
    IChessEngine* blackEngine = nullptr;
    m_Loader.SwitchColour(whiteEngine, blackEngine);
    EXPECT_EQ(whiteEngine, nullptr);
    EXPECT_EQ(blackEngine, alphaWhite);
    EXPECT_EQ(m_Loader.BlackList()[0], alphaWhite);
    EXPECT_EQ(m_Loader.WhiteList()[0], alphaBlack);
    EXPECT_FALSE(alphaIsWhite(alphaWhite));
    EXPECT_TRUE(alphaIsWhite(alphaBlack));

    // Both sides the same engine type: one exchange at that index only.
    whiteEngine = m_Loader.WhiteList()[1];
    blackEngine = m_Loader.BlackList()[1];
    IChessEngine* oldWhite = whiteEngine;
    IChessEngine* oldBlack = blackEngine;
    m_Loader.SwitchColour(whiteEngine, blackEngine);
    EXPECT_EQ(whiteEngine, oldBlack);
    EXPECT_EQ(blackEngine, oldWhite);
    EXPECT_EQ(m_Loader.WhiteList()[1], oldBlack);
    EXPECT_TRUE(betaIsWhite(oldBlack));
    EXPECT_FALSE(betaIsWhite(oldWhite));

    // Two different engine types: each index is exchanged.
    whiteEngine = m_Loader.WhiteList()[0];
    blackEngine = m_Loader.BlackList()[2];
    IChessEngine* third = m_Loader.WhiteList()[2];
    m_Loader.SwitchColour(whiteEngine, blackEngine);
    EXPECT_EQ(m_Loader.BlackList()[0], blackEngine);
    EXPECT_EQ(m_Loader.WhiteList()[2], whiteEngine);
    EXPECT_EQ(m_Loader.BlackList()[2], third);
}

TEST_F(EngineLoaderTest, ExchangeOutOfRangeChangesNothing)
{
    m_Loader.Load({m_Root}, &m_Listener);
    const auto white = m_Loader.WhiteList();
    m_Loader.ExchangeColours(-1);
    m_Loader.ExchangeColours(3);
    EXPECT_EQ(m_Loader.WhiteList(), white);
    m_Loader.DestroyAll();
    EXPECT_TRUE(m_Loader.WhiteList().empty());
}

// The extension: found through the second export and used only in the
// versions both sides know; a plug-in without it still loads and plays.
class EngineExtensionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Dir.isValid());
        m_Root = m_Dir.path().toStdString();
        fs::copy_file(TEST_PLUGIN_ALPHA, m_Root / "a_plain.so");
        fs::copy_file(TEST_PLUGIN_EX0, m_Root / "b_ex0.so");
        fs::copy_file(TEST_PLUGIN_EX1, m_Root / "c_ex1.so");
        fs::copy_file(TEST_PLUGIN_EX3, m_Root / "d_ex3.so");
    }

    void TearDown() override { m_Loader.DestroyAll(); }

    template <typename Function> Function Helper(const char* file, const char* name)
    {
        void* handle = dlopen(fs::weakly_canonical(m_Root / file).c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(handle, nullptr) << file;
        Function function = handle ? reinterpret_cast<Function>(dlsym(handle, name)) : nullptr;
        if (handle)
            dlclose(handle);
        return function;
    }

    QTemporaryDir m_Dir;
    fs::path m_Root;
    CEngineListener m_Listener;
    CEngineLoader m_Loader;
};

TEST_F(EngineExtensionTest, TheLoaderKeepsEachExtensionInTheVersionBothSidesKnow)
{
    m_Loader.Load({m_Root}, &m_Listener, &m_Listener);
    ASSERT_EQ(m_Loader.WhiteList().size(), 4u);
    const auto& white = m_Loader.WhiteList();
    const auto& black = m_Loader.BlackList();
    // Without the export, and with a version below 1: none.
    EXPECT_EQ(m_Loader.Extension(white[0]), nullptr);
    EXPECT_EQ(m_Loader.ExtensionVersion(white[0]), 0);
    EXPECT_EQ(m_Loader.Extension(white[1]), nullptr);
    // Version 1 as version 1 (an older plug-in: the program calls none of
    // the later slots), and version 3 used as the program's own version.
    for (size_t i : {2u, 3u})
    {
        for (IChessEngine* engine : {white[i], black[i]})
        {
            ASSERT_NE(m_Loader.Extension(engine), nullptr);
            EXPECT_EQ(m_Loader.ExtensionVersion(engine), i == 2 ? 1 : kChessEngineExVersion);
            EXPECT_EQ(m_Loader.Extension(engine)->GetVersion(), i == 2 ? 1 : 3);
        }
    }
    EXPECT_EQ(m_Loader.Extension(nullptr), nullptr);

    // Each usable extension was given the program's listener; the object
    // with version 0 was not.
    using ListenerExFunction = IChessEngineListenerEx* (*)(IChessEngine*);
    EXPECT_EQ(Helper<ListenerExFunction>("b_ex0.so", "TestEngineListenerEx")(white[1]), nullptr);
    EXPECT_EQ(Helper<ListenerExFunction>("c_ex1.so", "TestEngineListenerEx")(black[2]), &m_Listener);
    EXPECT_EQ(Helper<ListenerExFunction>("d_ex3.so", "TestEngineListenerEx")(white[3]), &m_Listener);

    // The extension is the same object: its calls reach it, and its events
    // name it as their source.
    m_Loader.Extension(white[2])->SetTimePerMove(7);
    using SecondsFunction = int32_t (*)(IChessEngine*);
    EXPECT_EQ(Helper<SecondsFunction>("c_ex1.so", "TestEngineSecondsPerMove")(white[2]), 7);
    std::vector<std::pair<IChessEngine*, QString>> ready;
    QObject::connect(&m_Listener, &CEngineListener::EngineReady,
                     [&](IChessEngine* source, const QString& name, qint32) { ready.emplace_back(source, name); });
    m_Loader.Extension(black[3])->StartAsync();
    ASSERT_EQ(ready.size(), 1u);
    EXPECT_EQ(ready[0].first, black[3]);
    EXPECT_EQ(ready[0].second, "Extended 3 Engine 1.0");

    // Without an extended listener the extensions are kept, but not told.
    CEngineLoader plain;
    plain.Load({m_Root}, &m_Listener);
    EXPECT_NE(plain.Extension(plain.WhiteList()[2]), nullptr);
    EXPECT_EQ(Helper<ListenerExFunction>("c_ex1.so", "TestEngineListenerEx")(plain.WhiteList()[2]), nullptr);
    plain.DestroyAll();
}

TEST_F(EngineExtensionTest, APlugInWithoutTheExtensionStillPlays)
{
    m_Loader.Load({m_Root}, &m_Listener, &m_Listener);
    IChessEngine* black = m_Loader.EngineForPlayerType("Alpha Engine", COLOUR_BLACK);
    ASSERT_NE(black, nullptr);
    EXPECT_EQ(m_Loader.Extension(black), nullptr);
    std::vector<quint32> words;
    std::vector<IChessEngine*> sources;
    QObject::connect(&m_Listener, &CEngineListener::EngineMoveArrived, [&](quint32 word) { words.push_back(word); });
    QObject::connect(&m_Listener, &CEngineListener::EngineMoveFrom,
                     [&](IChessEngine* source, quint32, const QString&) { sources.push_back(source); });
    m_Listener.BeginGame();
    EXPECT_TRUE(black->Start());
    black->ClearMoves();
    EXPECT_TRUE(black->StartGame(300, 0));
    EXPECT_TRUE(black->OpponentMove(3, 1, 3, 3, 0, 30000, 30000));
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(UnpackEngineMove(words[0]), (EngineMove{3, 6, 3, 4, 0}));
    // Through the plain interface a move has no source.
    EXPECT_EQ(sources, std::vector<IChessEngine*>{nullptr});
    EXPECT_TRUE(black->StopGame());
    m_Listener.EndGame();
}
