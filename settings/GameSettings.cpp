#include "GameSettings.h"

#include "ProgramTexts.h"
#include "RegistryStore.h"

std::unique_ptr<GameSettings> GameSettings::s_instance;

namespace
{
QString Text(int id)
{
    return QString::fromStdString(ProgramTexts::Text(id));
}

// Flags are stored as 0 or 1; any other number read back counts as set.
void ReadFlag(RegistryStore& store, const char* name, bool& flag)
{
    int32_t value = flag ? 1 : 0;
    store.ReadDword(name, value, value);
    flag = value != 0;
}
} // namespace

GameSettings::GameSettings()
    : m_gameTime(ClockTime::FromHms(0, 5, 0)), m_whiteEngine(Text(ProgramTexts::IDS_HUMAN)),
      m_blackEngine(Text(ProgramTexts::IDS_WINBOARD_ENGINE)),
      m_bottomPlayerName(Text(ProgramTexts::IDS_DEFAULT_BOTTOM_PLAYER)),
      m_topPlayerName(Text(ProgramTexts::IDS_DEFAULT_TOP_PLAYER))
{
}

GameSettings::~GameSettings() = default;

GameSettings& GameSettings::Instance()
{
    if (!s_instance)
    {
        auto settings = std::make_unique<GameSettings>();
        settings->Load(RegistryStore::Instance());
        s_instance = std::move(settings);
    }
    return *s_instance;
}

void GameSettings::Release()
{
    if (!s_instance)
        return;
    s_instance->Save(RegistryStore::Instance());
    s_instance.reset();
}

void GameSettings::Load(RegistryStore& store)
{
    // Start from the defaults, whatever this record held before.
    *this = GameSettings();
    RegistryStore::Batch batch(store);
    if (!store.HasRoot())
        store.OpenRoot(Text(ProgramTexts::IDS_PRODUCT_KEY));
    store.OpenSubKey(kSubKey);

    ReadFlag(store, "IsTimeInfinite", m_isTimeInfinite);
    int32_t hours = m_gameTime.Hours();
    int32_t minutes = m_gameTime.Minutes();
    int32_t seconds = m_gameTime.Seconds();
    store.ReadDword("NbHours", hours, hours);
    store.ReadDword("NbMinutes", minutes, minutes);
    store.ReadDword("NbSeconds", seconds, seconds);
    m_gameTime.Set(hours, minutes, seconds);
    store.ReadDword("NbSecondsBonus", m_nbSecondsBonus, m_nbSecondsBonus);
    ReadFlag(store, "IsKingCanBeCaptured", m_isKingCanBeCaptured);
    ReadFlag(store, "IsWinOnOpponentTimeZero", m_isWinOnOpponentTimeZero);
    ReadFlag(store, "IsCurrentMoveHighlighted", m_isCurrentMoveHighlighted);
    ReadFlag(store, "PlaySoundOnOpponentMove", m_playSoundOnOpponentMove);
    store.ReadString("WhiteEngine", m_whiteEngine, m_whiteEngine);
    store.ReadString("BlackEngine", m_blackEngine, m_blackEngine);
    store.ReadString("BottomPlayerName", m_bottomPlayerName, m_bottomPlayerName);
    store.ReadString("TopPlayerName", m_topPlayerName, m_topPlayerName);
    store.ReadDword("NbSecondsPerMoveNoLimit", m_nbSecondsPerMoveNoLimit, m_nbSecondsPerMoveNoLimit);
    // A value the settings could not hold (none, or a negative count) is the default.
    if (m_nbSecondsPerMoveNoLimit < 1)
        m_nbSecondsPerMoveNoLimit = kDefaultSecondsPerMoveNoLimit;
    ReadFlag(store, "IsEnginePondering", m_isEnginePondering);
}

void GameSettings::Save(RegistryStore& store) const
{
    RegistryStore::Batch batch(store);
    if (!store.HasRoot())
        store.OpenRoot(Text(ProgramTexts::IDS_PRODUCT_KEY));
    store.OpenSubKey(kSubKey);

    store.WriteDword("IsTimeInfinite", m_isTimeInfinite ? 1 : 0);
    store.WriteDword("NbHours", m_gameTime.Hours());
    store.WriteDword("NbMinutes", m_gameTime.Minutes());
    store.WriteDword("NbSeconds", m_gameTime.Seconds());
    store.WriteDword("NbSecondsBonus", m_nbSecondsBonus);
    store.WriteDword("IsKingCanBeCaptured", m_isKingCanBeCaptured ? 1 : 0);
    store.WriteDword("IsWinOnOpponentTimeZero", m_isWinOnOpponentTimeZero ? 1 : 0);
    store.WriteDword("IsCurrentMoveHighlighted", m_isCurrentMoveHighlighted ? 1 : 0);
    store.WriteDword("PlaySoundOnOpponentMove", m_playSoundOnOpponentMove ? 1 : 0);
    store.WriteString("WhiteEngine", m_whiteEngine);
    store.WriteString("BlackEngine", m_blackEngine);
    store.WriteString("BottomPlayerName", m_bottomPlayerName);
    store.WriteString("TopPlayerName", m_topPlayerName);
    store.WriteDword("NbSecondsPerMoveNoLimit", m_nbSecondsPerMoveNoLimit);
    store.WriteDword("IsEnginePondering", m_isEnginePondering ? 1 : 0);
}

QString GameSettings::SummaryText() const
{
    QString text = Text(ProgramTexts::IDS_SETTINGS_SUMMARY);
    if (m_isTimeInfinite)
    {
        text += Text(ProgramTexts::IDS_NO_TIME_LIMIT);
    }
    else
    {
        text += m_gameTime.Text();
        if (m_nbSecondsBonus != 0)
            text += Text(ProgramTexts::IDS_SETTINGS_BONUS).replace("%1!d!", QString::number(m_nbSecondsBonus));
    }
    if (m_isKingCanBeCaptured)
        text += Text(ProgramTexts::IDS_SETTINGS_KING_CAPTURE);
    if (!m_isWinOnOpponentTimeZero && !m_isTimeInfinite)
        text += Text(ProgramTexts::IDS_SETTINGS_TIME_CALL);
    return text;
}
