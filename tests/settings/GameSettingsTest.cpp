#include "GameSettings.h"
#include "RegistryStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
const char* const kProductKey = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II";

class GameSettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;
    QString FilePath() const { return m_dir.filePath("Pellomar II.conf"); }
};
} // namespace

TEST_F(GameSettingsTest, FirstLoadFromAnEmptyStoreYieldsTheDefaultsAndWritesAllThirteenValues)
{
    RegistryStore store(FilePath());
    store.OpenRoot(kProductKey);
    GameSettings settings;
    settings.Load(store);

    EXPECT_FALSE(settings.IsTimeInfinite());
    EXPECT_EQ(settings.GetGameTime().Text(), "5 min 0 sec");
    EXPECT_EQ(settings.GetNbSecondsBonus(), 0);
    EXPECT_FALSE(settings.IsKingCanBeCaptured());
    EXPECT_FALSE(settings.IsWinOnOpponentTimeZero());
    EXPECT_TRUE(settings.IsCurrentMoveHighlighted());
    EXPECT_TRUE(settings.GetPlaySoundOnOpponentMove());
    EXPECT_EQ(settings.GetWhiteEngine(), "Human");
    EXPECT_EQ(settings.GetBlackEngine(), "Winboard-Compatible Engine");
    EXPECT_EQ(settings.GetBottomPlayerName(), "Player 1");
    EXPECT_EQ(settings.GetTopPlayerName(), "Player 2");

    // A second store on the same file (another process, in effect) sees them
    // all once they are saved.
    ASSERT_EQ(store.Flush(), RegistryStore::RESULT_OK);
    RegistryStore other(FilePath());
    other.OpenRoot(QString(kProductKey) + "\\");
    ASSERT_EQ(other.OpenSubKey("Settings"), RegistryStore::RESULT_OK);
    struct DwordCase
    {
        const char* name;
        int32_t value;
    };
    for (const DwordCase& c :
         {DwordCase{"IsTimeInfinite", 0}, DwordCase{"NbHours", 0}, DwordCase{"NbMinutes", 5}, DwordCase{"NbSeconds", 0},
          DwordCase{"NbSecondsBonus", 0}, DwordCase{"IsKingCanBeCaptured", 0}, DwordCase{"IsWinOnOpponentTimeZero", 0},
          DwordCase{"IsCurrentMoveHighlighted", 1}, DwordCase{"PlaySoundOnOpponentMove", 1}})
    {
        int32_t value = -7;
        EXPECT_EQ(other.ReadDword(c.name, value, -7), RegistryStore::RESULT_READ) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
    struct StringCase
    {
        const char* name;
        const char* value;
    };
    for (const StringCase& c :
         {StringCase{"WhiteEngine", "Human"}, StringCase{"BlackEngine", "Winboard-Compatible Engine"},
          StringCase{"BottomPlayerName", "Player 1"}, StringCase{"TopPlayerName", "Player 2"}})
    {
        QString value;
        EXPECT_EQ(other.ReadString(c.name, value, "?"), RegistryStore::RESULT_OK) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
}

TEST_F(GameSettingsTest, AValueStoredWithTheWrongTypeYieldsItsDefaultAndStaysInTheStore)
{
    {
        RegistryStore store(FilePath());
        store.OpenRoot(kProductKey);
        store.OpenSubKey("Settings");
        store.WriteString("NbMinutes", "7");
        store.WriteDword("TopPlayerName", 12);
    }
    RegistryStore store(FilePath());
    GameSettings settings;
    settings.Load(store);
    EXPECT_EQ(settings.GetGameTime().Text(), "5 min 0 sec");
    EXPECT_EQ(settings.GetTopPlayerName(), "Player 2");

    QString text;
    int32_t dword = 0;
    store.OpenSubKey("Settings");
    EXPECT_EQ(store.ReadString("NbMinutes", text, ""), RegistryStore::RESULT_OK);
    EXPECT_EQ(text, "7");
    EXPECT_EQ(store.ReadDword("TopPlayerName", dword, 0), RegistryStore::RESULT_READ);
    EXPECT_EQ(dword, 12);
}

TEST_F(GameSettingsTest, SavedValuesComeBackOnTheNextLoad)
{
    GameSettings saved;
    saved.SetIsTimeInfinite(true);
    saved.SetGameTime(1, 2, 3);
    saved.SetNbSecondsBonus(15);
    saved.SetIsKingCanBeCaptured(true);
    saved.SetIsWinOnOpponentTimeZero(true);
    saved.SetIsCurrentMoveHighlighted(false);
    saved.SetPlaySoundOnOpponentMove(false);
    saved.SetWhiteEngine("Winboard-Compatible Engine");
    saved.SetBlackEngine("Human");
    saved.SetBottomPlayerName("Ann \"the rook\"");
    saved.SetTopPlayerName(QString::fromUtf8("Bjørn"));
    {
        RegistryStore store(FilePath());
        saved.Save(store);
    }

    RegistryStore store(FilePath());
    GameSettings loaded;
    loaded.Load(store);
    EXPECT_TRUE(loaded.IsTimeInfinite());
    EXPECT_EQ(loaded.GetGameTime().Milliseconds(), 3723000);
    EXPECT_EQ(loaded.GetNbSecondsBonus(), 15);
    EXPECT_TRUE(loaded.IsKingCanBeCaptured());
    EXPECT_TRUE(loaded.IsWinOnOpponentTimeZero());
    EXPECT_FALSE(loaded.IsCurrentMoveHighlighted());
    EXPECT_FALSE(loaded.GetPlaySoundOnOpponentMove());
    EXPECT_EQ(loaded.GetWhiteEngine(), "Winboard-Compatible Engine");
    EXPECT_EQ(loaded.GetBlackEngine(), "Human");
    EXPECT_EQ(loaded.GetBottomPlayerName(), "Ann \"the rook\"");
    EXPECT_EQ(loaded.GetTopPlayerName(), QString::fromUtf8("Bjørn"));

    // The game time is kept as its hours, minutes and seconds.
    int32_t value = 0;
    store.OpenSubKey("Settings");
    for (auto [name, expected] : {std::pair{"NbHours", 1}, std::pair{"NbMinutes", 2}, std::pair{"NbSeconds", 3}})
    {
        EXPECT_EQ(store.ReadDword(name, value, -1), RegistryStore::RESULT_READ);
        EXPECT_EQ(value, expected) << name;
    }
}

TEST_F(GameSettingsTest, StoredValuesAreHeldToTheRangesOfTheSettingsDialog)
{
    struct Case
    {
        int32_t hours;
        int32_t minutes;
        int32_t seconds;
        int32_t bonus;
        const char* time; // as loaded
        int32_t loadedBonus;
    };
    const Case cases[] = {
        {0, 0, 0, 0, "5 min 0 sec", 0},            // no game at all: the default time
        {0, 0, 59, 0, "5 min 0 sec", 0},           // under a minute
        {2147483647, 0, 0, 0, "99:00:00", 0},      // hours beyond the dialog's
        {-1, 2147483647, 0, 0, "59 min 0 sec", 0}, // negative hours, minutes beyond
        {1, 75, -3, 1000, "01:59:00", 99},         // minutes and bonus beyond, seconds below
        {0, 7, 30, -5, "7 min 30 sec", 0},         // a negative bonus
        {99, 59, 59, 99, "99:59:59", 99},          // the largest the dialog takes
        {0, 1, 0, 0, "1 min 0 sec", 0},            // the smallest
    };
    for (const Case& c : cases)
    {
        {
            RegistryStore store(FilePath());
            store.OpenRoot(kProductKey);
            store.OpenSubKey("Settings");
            store.WriteDword("NbHours", c.hours);
            store.WriteDword("NbMinutes", c.minutes);
            store.WriteDword("NbSeconds", c.seconds);
            store.WriteDword("NbSecondsBonus", c.bonus);
            store.WriteString("TopPlayerName", QString(256, 'n'));
            store.WriteDword("IsKingCanBeCaptured", 7);
        }
        RegistryStore store(FilePath());
        GameSettings settings;
        settings.Load(store);
        EXPECT_EQ(settings.GetGameTime().Text().toStdString(), c.time) << c.hours << " " << c.minutes;
        EXPECT_EQ(settings.GetNbSecondsBonus(), c.loadedBonus) << c.bonus;
        EXPECT_EQ(settings.GetTopPlayerName().size(), 255);
        EXPECT_TRUE(settings.IsKingCanBeCaptured());
    }
}

TEST_F(GameSettingsTest, EachChangeIsSavedWhenMadeAndOnlyTheValuesChanged)
{
    RegistryStore store(FilePath());
    store.OpenRoot(kProductKey);
    GameSettings settings;
    settings.Load(store);
    settings.SaveChangesTo(&store);
    ASSERT_EQ(store.Flush(), RegistryStore::RESULT_OK);

    // Another copy of the program changes the minutes meanwhile.
    {
        RegistryStore other(FilePath());
        other.OpenRoot(kProductKey);
        other.OpenSubKey("Settings");
        other.WriteDword("NbMinutes", 9);
        other.WriteString("TopPlayerName", "Zoe");
    }
    // Code that shares the store keeps the subkey it had open.
    store.OpenSubKey("Connection");
    settings.SetNbSecondsBonus(3);
    settings.SetTopPlayerName("Player 2"); // unchanged: not written
    settings.SetIsKingCanBeCaptured(true);
    EXPECT_EQ(store.SubKeyName(), "Connection");
    ASSERT_EQ(store.Flush(), RegistryStore::RESULT_OK);

    RegistryStore reader(FilePath());
    reader.OpenRoot(kProductKey);
    reader.OpenSubKey("Settings");
    int32_t value = 0;
    QString text;
    EXPECT_EQ(reader.ReadDword("NbSecondsBonus", value, -1), RegistryStore::RESULT_READ);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(reader.ReadDword("IsKingCanBeCaptured", value, -1), RegistryStore::RESULT_READ);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(reader.ReadDword("NbMinutes", value, -1), RegistryStore::RESULT_READ);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(reader.ReadString("TopPlayerName", text, ""), RegistryStore::RESULT_OK);
    EXPECT_EQ(text, "Zoe");

    // The game time is one value: its three parts are written together.
    settings.SetGameTime(1, 2, 3);
    ASSERT_EQ(store.Flush(), RegistryStore::RESULT_OK);
    for (auto [name, expected] : {std::pair{"NbHours", 1}, std::pair{"NbMinutes", 2}, std::pair{"NbSeconds", 3}})
    {
        EXPECT_EQ(reader.ReadDword(name, value, -1), RegistryStore::RESULT_READ);
        EXPECT_EQ(value, expected) << name;
    }
    settings.SaveChangesTo(nullptr);
}

TEST(GameSettingsSummary, ReadsAsTheNetworkGamesPrintIt)
{
    struct Case
    {
        bool infinite;
        int hours;
        int minutes;
        int bonus;
        bool kingCapture;
        bool winOnTimeZero;
        const char* text;
    };
    const Case cases[] = {
        {false, 0, 5, 0, false, false,
         "Game settings: 5 min 0 sec, you must press button Time Call when opponent's time runs out"},
        {true, 0, 5, 0, true, false, "Game settings: No time limit, king can be captured"},
        {false, 1, 0, 10, false, true, "Game settings: 01:00:00 with 10 sec for increment"},
        {true, 0, 5, 10, false, true, "Game settings: No time limit"},
        {false, 0, 3, 2, true, false,
         "Game settings: 3 min 0 sec with 2 sec for increment, king can be captured, you must press button Time "
         "Call when opponent's time runs out"},
    };
    for (const Case& c : cases)
    {
        GameSettings settings;
        settings.SetIsTimeInfinite(c.infinite);
        settings.SetGameTime(c.hours, c.minutes, 0);
        settings.SetNbSecondsBonus(c.bonus);
        settings.SetIsKingCanBeCaptured(c.kingCapture);
        settings.SetIsWinOnOpponentTimeZero(c.winOnTimeZero);
        EXPECT_EQ(settings.SummaryText().toStdString(), c.text);
    }
}

// The zoom: a stored value between the steps becomes the nearest step, one
// outside them the end step; a change is saved; and the value can be read
// from the file alone before the program's objects exist.
TEST_F(GameSettingsTest, ZoomIsHeldToItsStepsAndReadableBeforeStart)
{
    struct Case
    {
        int32_t stored;
        int32_t loaded;
    };
    for (const Case& c : {Case{100, 100}, Case{175, 175}, Case{300, 300}, Case{137, 125}, Case{138, 150}, Case{0, 100},
                          Case{-200, 100}, Case{99999, 300}, Case{260, 250}})
    {
        {
            RegistryStore store(FilePath());
            store.OpenRoot(kProductKey);
            store.OpenSubKey("Settings");
            store.WriteDword("Zoom", c.stored);
            ASSERT_EQ(store.Flush(), RegistryStore::RESULT_OK);
        }
        RegistryStore store(FilePath());
        GameSettings settings;
        settings.Load(store);
        EXPECT_EQ(settings.GetZoomPercent(), c.loaded) << c.stored;
        EXPECT_EQ(GameSettings::ReadZoomPercent(FilePath()), c.loaded) << c.stored;
    }

    RegistryStore store(FilePath());
    GameSettings settings;
    settings.Load(store);
    settings.SaveChangesTo(&store);
    settings.SetZoomPercent(200);
    settings.SetZoomPercent(212); // between the steps: 200 again
    EXPECT_EQ(settings.GetZoomPercent(), 200);
    ASSERT_EQ(store.Flush(), RegistryStore::RESULT_OK);
    EXPECT_EQ(GameSettings::ReadZoomPercent(FilePath()), 200);
    settings.SaveChangesTo(nullptr);

    // No file, a file that does not parse, a value of the other type: 100 %.
    EXPECT_EQ(GameSettings::ReadZoomPercent(m_dir.filePath("missing.conf")), 100);
    QFile broken(m_dir.filePath("broken.conf"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("[HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II\\Settings]\n\"Zoom\"=dword:zz\n");
    broken.close();
    EXPECT_EQ(GameSettings::ReadZoomPercent(broken.fileName()), 100);
    {
        RegistryStore typed(m_dir.filePath("typed.conf"));
        typed.OpenRoot(kProductKey);
        typed.OpenSubKey("Settings");
        typed.WriteString("Zoom", "200");
        ASSERT_EQ(typed.Flush(), RegistryStore::RESULT_OK);
    }
    EXPECT_EQ(GameSettings::ReadZoomPercent(m_dir.filePath("typed.conf")), 100);
    EXPECT_EQ(GameSettings::ReadZoomPercent(m_dir.path()), 100); // a folder in the file's place
}
