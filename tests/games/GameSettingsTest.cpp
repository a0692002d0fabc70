#include "GameSettings.h"
#include "RegistryStore.h"

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

    // A second store on the same file (another process, in effect) sees them all.
    RegistryStore other(FilePath());
    other.OpenRoot(QString(kProductKey) + "\\");
    ASSERT_EQ(other.OpenSubKey("Settings"), RegistryStore::RESULT_OK);
    struct DwordCase
    {
        const char* name;
        int32_t value;
    };
    for (const DwordCase& c : {DwordCase{"IsTimeInfinite", 0}, DwordCase{"NbHours", 0}, DwordCase{"NbMinutes", 5},
                               DwordCase{"NbSeconds", 0}, DwordCase{"NbSecondsBonus", 0},
                               DwordCase{"IsKingCanBeCaptured", 0}, DwordCase{"IsWinOnOpponentTimeZero", 0},
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
    for (const StringCase& c : {StringCase{"WhiteEngine", "Human"}, StringCase{"BlackEngine", "Winboard-Compatible Engine"},
                                StringCase{"BottomPlayerName", "Player 1"}, StringCase{"TopPlayerName", "Player 2"}})
    {
        QString value;
        EXPECT_EQ(other.ReadString(c.name, value, "?"), RegistryStore::RESULT_OK) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
}
