#include "GameSettings.h"

#include "ProgramTexts.h"
#include "RegistryStore.h"
#include "RegistryTree.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>

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

// A number read back is held to the range the Settings dialog allows.
int32_t ReadInRange(RegistryStore& store, const char* name, int32_t def, int32_t low, int32_t high)
{
    int32_t value = def;
    store.ReadDword(name, value, def);
    return std::clamp(value, low, high);
}

void ReadName(RegistryStore& store, const char* name, QString& text)
{
    store.ReadString(name, text, text);
    text.truncate(GameSettings::kMaxPlayerNameLength);
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

void GameSettings::Load(RegistryStore& store)
{
    // Start from the defaults, whatever this record held before, and save
    // nothing of what is read.
    RegistryStore* attached = m_store;
    *this = GameSettings();
    RegistryStore::Batch batch(store);
    if (!store.HasRoot())
        store.OpenRoot(Text(ProgramTexts::IDS_PRODUCT_KEY));
    store.OpenSubKey(kSubKey);

    ReadFlag(store, "IsTimeInfinite", m_isTimeInfinite);
    // A file edited by hand or by another program is no Settings dialog:
    // what it says is held to what the dialog would accept.
    const ClockTime byDefault = m_gameTime;
    const int32_t hours = ReadInRange(store, "NbHours", byDefault.Hours(), 0, kMaxHours);
    const int32_t minutes = ReadInRange(store, "NbMinutes", byDefault.Minutes(), 0, kMaxMinutes);
    const int32_t seconds = ReadInRange(store, "NbSeconds", byDefault.Seconds(), 0, kMaxSeconds);
    if (hours >= 1 || minutes >= 1)
        m_gameTime.Set(hours, minutes, seconds);
    m_nbSecondsBonus = ReadInRange(store, "NbSecondsBonus", m_nbSecondsBonus, 0, kMaxBonusSeconds);
    ReadFlag(store, "IsKingCanBeCaptured", m_isKingCanBeCaptured);
    ReadFlag(store, "IsWinOnOpponentTimeZero", m_isWinOnOpponentTimeZero);
    ReadFlag(store, "IsCurrentMoveHighlighted", m_isCurrentMoveHighlighted);
    ReadFlag(store, "PlaySoundOnOpponentMove", m_playSoundOnOpponentMove);
    store.ReadString("WhiteEngine", m_whiteEngine, m_whiteEngine);
    store.ReadString("BlackEngine", m_blackEngine, m_blackEngine);
    ReadName(store, "BottomPlayerName", m_bottomPlayerName);
    ReadName(store, "TopPlayerName", m_topPlayerName);
    store.ReadDword("NbSecondsPerMoveNoLimit", m_nbSecondsPerMoveNoLimit, m_nbSecondsPerMoveNoLimit);
    // A value the settings could not hold (none, or a negative count) is the default.
    if (m_nbSecondsPerMoveNoLimit < 1)
        m_nbSecondsPerMoveNoLimit = kDefaultSecondsPerMoveNoLimit;
    ReadFlag(store, "IsEnginePondering", m_isEnginePondering);
    ReadFlag(store, "IsThinkingShown", m_isThinkingShown);
    int32_t zoom = m_zoomPercent;
    store.ReadDword("Zoom", zoom, zoom);
    m_zoomPercent = ClampZoom(zoom);
    m_store = attached;
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
    store.WriteDword("IsThinkingShown", m_isThinkingShown ? 1 : 0);
    store.WriteDword("Zoom", m_zoomPercent);
}

// Opens the record's key in a store that other code shares, and gives that
// code back the subkey it had open.
class GameSettings::KeyScope
{
public:
    explicit KeyScope(RegistryStore& store) : m_store(store), m_previous(store.SubKeyName()), m_batch(store)
    {
        if (!m_store.HasRoot())
            m_store.OpenRoot(Text(ProgramTexts::IDS_PRODUCT_KEY));
        if (m_previous != QLatin1String(kSubKey))
            m_store.OpenSubKey(kSubKey);
    }
    ~KeyScope()
    {
        if (m_previous != QLatin1String(kSubKey) && !m_previous.isEmpty())
            m_store.OpenSubKey(m_previous);
    }
    KeyScope(const KeyScope&) = delete;
    KeyScope& operator=(const KeyScope&) = delete;

private:
    RegistryStore& m_store;
    QString m_previous;
    RegistryStore::Batch m_batch; // the values of one change reach the file together
};

void GameSettings::ChangeFlag(bool& field, bool value, const char* name)
{
    if (field == value)
        return;
    field = value;
    if (m_store == nullptr)
        return;
    KeyScope scope(*m_store);
    m_store->WriteDword(name, value ? 1 : 0);
}

void GameSettings::ChangeString(QString& field, const QString& value, const char* name)
{
    if (field == value)
        return;
    field = value;
    if (m_store == nullptr)
        return;
    KeyScope scope(*m_store);
    m_store->WriteString(name, value);
}

void GameSettings::SetGameTime(int64_t hours, int64_t minutes, int64_t seconds)
{
    ClockTime time = m_gameTime;
    time.Set(hours, minutes, seconds);
    SetGameTime(time);
}

void GameSettings::SetGameTime(const ClockTime& time)
{
    if (time.Milliseconds() == m_gameTime.Milliseconds())
        return;
    m_gameTime = time;
    if (m_store == nullptr)
        return;
    // The three views make one value: all of them are written.
    KeyScope scope(*m_store);
    m_store->WriteDword("NbHours", m_gameTime.Hours());
    m_store->WriteDword("NbMinutes", m_gameTime.Minutes());
    m_store->WriteDword("NbSeconds", m_gameTime.Seconds());
}

void GameSettings::SetNbSecondsBonus(int32_t seconds)
{
    if (seconds == m_nbSecondsBonus)
        return;
    m_nbSecondsBonus = seconds;
    if (m_store == nullptr)
        return;
    KeyScope scope(*m_store);
    m_store->WriteDword("NbSecondsBonus", seconds);
}

void GameSettings::SetNbSecondsPerMoveNoLimit(int32_t seconds)
{
    seconds = std::max(seconds, 1);
    if (seconds == m_nbSecondsPerMoveNoLimit)
        return;
    m_nbSecondsPerMoveNoLimit = seconds;
    if (m_store == nullptr)
        return;
    KeyScope scope(*m_store);
    m_store->WriteDword("NbSecondsPerMoveNoLimit", seconds);
}

int32_t GameSettings::ClampZoom(int64_t percent)
{
    int32_t nearest = kZoomSteps[0];
    for (int32_t step : kZoomSteps)
        if (std::llabs(percent - step) < std::llabs(percent - nearest))
            nearest = step;
    return nearest;
}

void GameSettings::SetZoomPercent(int32_t percent)
{
    percent = ClampZoom(percent);
    if (percent == m_zoomPercent)
        return;
    m_zoomPercent = percent;
    if (m_store == nullptr)
        return;
    KeyScope scope(*m_store);
    m_store->WriteDword("Zoom", percent);
}

int32_t GameSettings::ReadZoomPercent(const QString& filePath)
{
    QFile file(filePath);
    if (file.size() > CRegistryTree::kMaxFileBytes || !file.open(QIODevice::ReadOnly))
        return kZoomSteps[0];
    const std::optional<CRegistryTree> tree = CRegistryTree::Parse(file.readAll());
    if (!tree)
        return kZoomSteps[0];
    QStringList path = Text(ProgramTexts::IDS_PRODUCT_KEY).split('\\', Qt::SkipEmptyParts);
    path.append(QString::fromLatin1(kSubKey));
    const CRegistryValue* value = tree->FindValue(path, QStringLiteral("Zoom"));
    if (value == nullptr || value->type != CRegistryValue::Type::Dword)
        return kZoomSteps[0];
    // The stored word is a signed number, as the store reads it back.
    return ClampZoom(static_cast<int32_t>(value->dword));
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
