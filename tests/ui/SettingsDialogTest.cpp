#include "DoubleSettingsDlg.h"
#include "GameSettings.h"
#include "MessageDlg.h"
#include "SingleNetSettingsDlg.h"
#include "SingleSettingsDlg.h"
#include "SkinButton.h"
#include "SpinButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace
{
QLineEdit* Field(const CSettingsDlg& dialog, int id)
{
    return qobject_cast<QLineEdit*>(dialog.Control(id));
}

const QStringList kEngines[2] = {QStringList{"Fairy-Max", "GNU Chess"}, QStringList{"Fairy-Max"}};
const int kHumans[2] = {-1, -1};
} // namespace

TEST(SettingsDialogs, GameTimeUnderAMinuteIsRefusedWhateverInfiniteSays)
{
    GameSettings settings;
    settings.SetIsTimeInfinite(true);
    settings.SetGameTime(0, 0, 30);
    CSingleSettingsDlg dialog(settings, kEngines, kHumans, nullptr);
    EXPECT_FALSE(Field(dialog, CSettingsDlg::kHoursId)->isEnabled()); // Infinite: time fields disabled
    CMessageService::ClearHistory();
    dialog.OnOk();
    ASSERT_EQ(CMessageService::History().size(), 1u);
    EXPECT_EQ(CMessageService::History()[0].text, QStringLiteral("The game time must be at least 1 minute."));
    EXPECT_EQ(CMessageService::History()[0].style, CMessageService::Style::SystemInformation);
    EXPECT_NE(dialog.result(), IDOK);
    EXPECT_EQ(settings.GetGameTime().Milliseconds(), 30000); // nothing written

    // The bughouse dialog says it in the program's own message dialog.
    CDoubleSettingsDlg bughouse(settings, true, false);
    CMessageService::ClearHistory();
    bughouse.OnOk();
    ASSERT_EQ(CMessageService::History().size(), 1u);
    EXPECT_EQ(CMessageService::History()[0].style, CMessageService::Style::Information);
}

TEST(SettingsDialogs, TypedRangesAreWiderThanTheSpinRanges)
{
    GameSettings settings;
    settings.SetGameTime(0, 5, 0);
    CSingleNetSettingsDlg dialog(settings, true, false);
    auto* spin = qobject_cast<CSpinButton*>(dialog.Control(CSettingsDlg::kBonusSpinId));
    ASSERT_NE(spin, nullptr);
    Field(dialog, CSettingsDlg::kBonusId)->setText("59");
    spin->Step(1);
    EXPECT_EQ(Field(dialog, CSettingsDlg::kBonusId)->text(), QStringLiteral("59"));

    // A bonus of 75 can be typed; 60 minutes cannot.
    Field(dialog, CSettingsDlg::kBonusId)->setText("75");
    Field(dialog, CSettingsDlg::kMinutesId)->setText("60");
    CMessageService::ClearHistory();
    dialog.OnOk();
    ASSERT_EQ(CMessageService::History().size(), 1u);
    EXPECT_EQ(CMessageService::History()[0].text, QStringLiteral("Please enter an integer between 0 and 59."));
    Field(dialog, CSettingsDlg::kMinutesId)->setText("7");
    qobject_cast<QCheckBox*>(dialog.Control(CSettingsDlg::kTimeCallId))->setChecked(true);
    dialog.OnOk();
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(settings.GetNbSecondsBonus(), 75);
    EXPECT_EQ(settings.GetNbMinutes(), 7);
    EXPECT_FALSE(settings.IsWinOnOpponentTimeZero()); // the Time Call box shows the opposite
}

TEST(SettingsDialogs, EnablingFollowsServerReadOnlyAndTimeChoice)
{
    GameSettings settings;
    settings.SetGameTime(0, 5, 0);
    const int timeAndRules[] = {CSettingsDlg::kInfiniteId,  CSettingsDlg::kCustomId,      CSettingsDlg::kHoursId,
                                CSettingsDlg::kBonusSpinId, CSettingsDlg::kKingCaptureId, CSettingsDlg::kTimeCallId};
    const struct
    {
        bool server;
        bool readOnly;
        bool editable;
    } cases[] = {{false, false, false}, {true, true, false}, {true, false, true}};
    for (const auto& c : cases)
    {
        CSingleNetSettingsDlg dialog(settings, c.server, c.readOnly);
        for (int id : timeAndRules)
            EXPECT_EQ(dialog.Control(id)->isEnabled(), c.editable) << id << " server " << c.server;
        EXPECT_TRUE(dialog.Control(CSettingsDlg::kHighlightId)->isEnabled());
        EXPECT_TRUE(dialog.Control(CSettingsDlg::kSoundId)->isEnabled());
    }
    CSingleNetSettingsDlg server(settings, true, false);
    qobject_cast<QRadioButton*>(server.Control(CSettingsDlg::kInfiniteId))->click();
    EXPECT_FALSE(server.Control(CSettingsDlg::kMinutesId)->isEnabled());
    EXPECT_TRUE(server.Control(CSettingsDlg::kKingCaptureId)->isEnabled());

    CDoubleSettingsDlg client(settings, false, false);
    EXPECT_EQ(client.Control(CSettingsDlg::kInfiniteId), nullptr);
    EXPECT_FALSE(client.Control(CSettingsDlg::kSecondsId)->isEnabled());
    EXPECT_TRUE(client.Control(CSettingsDlg::kSoundId)->isEnabled());
}

TEST(SettingsDialogs, LocalDialogPlayersAndConfigureButtons)
{
    GameSettings settings;
    settings.SetGameTime(0, 10, 0);
    settings.SetTopPlayerName("Deep Thought");
    settings.SetBottomPlayerName("Arthur");
    const int current[2] = {1, -1}; // top plays engine 1, bottom is a person
    std::vector<std::pair<int, int>> configured;
    CSingleSettingsDlg dialog(settings, kEngines, current,
                              [&](CSingleSettingsDlg::Player p, int entry) { configured.emplace_back(p, entry); });
    auto* topType = qobject_cast<QComboBox*>(dialog.Control(CSingleSettingsDlg::kTopTypeId));
    auto* bottomType = qobject_cast<QComboBox*>(dialog.Control(CSingleSettingsDlg::kBottomTypeId));
    EXPECT_EQ(topType->currentIndex(), 2);
    EXPECT_EQ(topType->itemText(0), QStringLiteral("Human"));
    EXPECT_TRUE(dialog.Button(CSingleSettingsDlg::kTopConfigureId)->isEnabled());
    EXPECT_FALSE(dialog.Button(CSingleSettingsDlg::kBottomConfigureId)->isEnabled());
    bottomType->setCurrentIndex(1);
    EXPECT_TRUE(dialog.Button(CSingleSettingsDlg::kBottomConfigureId)->isEnabled());
    dialog.Button(CSingleSettingsDlg::kBottomConfigureId)->click();
    ASSERT_EQ(configured.size(), 1u);
    EXPECT_EQ(configured[0], std::make_pair(static_cast<int>(CSingleSettingsDlg::Bottom), 1));

    Field(dialog, CSingleSettingsDlg::kBottomNameId)->setText("Ford");
    dialog.OnOk();
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(settings.GetBottomPlayerName(), QStringLiteral("Ford"));
    EXPECT_EQ(dialog.SelectedEntry(CSingleSettingsDlg::Top), 2);
    EXPECT_EQ(dialog.SelectedEntry(CSingleSettingsDlg::Bottom), 1);
}

// The zoom: only the local dialog has it, it shows the stored step with the
// note that it applies at the next start, and OK stores the chosen step.
TEST(SettingsDialogs, LocalDialogChoosesTheZoomForTheNextStart)
{
    GameSettings settings;
    settings.SetZoomPercent(150);
    CSingleSettingsDlg dialog(settings, kEngines, kHumans, nullptr);
    auto* zoom = qobject_cast<QComboBox*>(dialog.Control(CSettingsDlg::kZoomId));
    ASSERT_NE(zoom, nullptr);
    ASSERT_EQ(zoom->count(), 7);
    EXPECT_EQ(zoom->itemText(0), QStringLiteral("100 %"));
    EXPECT_EQ(zoom->itemText(6), QStringLiteral("300 %"));
    EXPECT_EQ(zoom->currentData().toInt(), 150);
    bool noted = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        noted = noted || label->text() == QStringLiteral("(from the next start)");
    EXPECT_TRUE(noted);

    zoom->setCurrentIndex(zoom->findData(250));
    dialog.OnOk();
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(settings.GetZoomPercent(), 250);

    GameSettings other;
    CSingleNetSettingsDlg net(other, true, false);
    EXPECT_EQ(net.Control(CSettingsDlg::kZoomId), nullptr);
}
