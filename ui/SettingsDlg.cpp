#include "SettingsDlg.h"

#include "GameSettings.h"
#include "MessageDlg.h"
#include "SkinButton.h"
#include "SpinButton.h"
#include "UiText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace ProgramTexts;

namespace
{
template <typename T> T* Tagged(T* widget, int controlId)
{
    widget->setProperty(kControlIdProperty, controlId);
    widget->setObjectName(QStringLiteral("control%1").arg(controlId));
    return widget;
}

QLineEdit* NumberField(int controlId, QWidget* parent)
{
    auto* field = Tagged(new QLineEdit(parent), controlId);
    field->setFixedWidth(34);
    field->setMaxLength(3);
    field->setAlignment(Qt::AlignRight);
    return field;
}
} // namespace

CSettingsDlg::CSettingsDlg(int templateId, Flavour flavour, GameSettings& settings, QSize sizeInDialogUnits,
                           QWidget* parent)
    : CPellomarDialog(templateId, parent), m_Settings(settings), m_Flavour(flavour), m_SizeDu(sizeInDialogUnits)
{
    setWindowTitle(UiText(IDS_SETTINGS));
    setModal(true);
}

QWidget* CSettingsDlg::Control(int controlId) const
{
    for (QWidget* w : findChildren<QWidget*>())
        if (w->property(kControlIdProperty).isValid() && w->property(kControlIdProperty).toInt() == controlId)
            return w;
    return nullptr;
}

QGroupBox* CSettingsDlg::AddGameTimeGroup(QVBoxLayout* layout)
{
    auto* group = new QGroupBox(UiText(IDS_GAME_TIME), this);
    auto* grid = new QGridLayout(group);
    int row = 0;
    if (m_Flavour != Flavour::Bughouse)
    {
        const bool local = m_Flavour == Flavour::Local;
        m_Infinite =
            Tagged(new QRadioButton(UiText(local ? IDS_INFINITE_LOCAL : IDS_INFINITE_NET), group), kInfiniteId);
        m_Custom = Tagged(new QRadioButton(UiText(local ? IDS_CUSTOM_LOCAL : IDS_CUSTOM_NET), group), kCustomId);
        auto* choice = new QButtonGroup(group);
        choice->addButton(m_Infinite);
        choice->addButton(m_Custom);
        connect(m_Infinite, &QRadioButton::clicked, this, [this] { UpdateEnabling(); });
        connect(m_Custom, &QRadioButton::clicked, this, [this] { UpdateEnabling(); });
        grid->addWidget(m_Infinite, row, 0, 1, 3);
        grid->addWidget(m_Custom, row, 3, 1, 3);
        ++row;
    }
    const auto addField = [&](QLineEdit*& field, CSpinButton*& spin, int id, int spinId, int spinMax, int column,
                              int textId, int labelSpan) {
        field = NumberField(id, group);
        spin = new CSpinButton(field, spinId, group);
        spin->SetRange(0, spinMax);
        auto* cell = new QHBoxLayout();
        cell->setSpacing(1);
        cell->addWidget(field);
        cell->addWidget(spin);
        grid->addLayout(cell, row, column);
        grid->addWidget(new QLabel(UiText(textId), group), row, column + 1, 1, labelSpan);
    };
    addField(m_Hours, m_HoursSpin, kHoursId, kHoursSpinId, 99, 0, IDS_HOURS, 1);
    addField(m_Minutes, m_MinutesSpin, kMinutesId, kMinutesSpinId, 59, 2, IDS_MINUTES, 1);
    addField(m_Seconds, m_SecondsSpin, kSecondsId, kSecondsSpinId, 59, 4, IDS_SECONDS, 1);
    ++row;
    auto* fisher = new QLabel(UiText(IDS_FISHER_STYLE), group);
    grid->addWidget(fisher, row, 0, 1, 2, Qt::AlignRight);
    addField(m_Bonus, m_BonusSpin, kBonusId, kBonusSpinId, 59, 2, IDS_SECONDS_IN_BONUS, 3);
    fisher->setBuddy(m_Bonus);
    if (m_Flavour == Flavour::Local)
    {
        // What an engine is given for each move when the game has no time limit.
        ++row;
        addField(m_MoveSeconds, m_MoveSecondsSpin, kMoveSecondsId, kMoveSecondsSpinId, 999, 0, IDS_SECONDS_PER_MOVE, 5);
        m_MoveSecondsSpin->SetRange(1, 999);
    }
    // The labels sit beside their fields; the spare width goes to the end of the rows.
    grid->setColumnStretch(6, 1);
    layout->addWidget(group);
    return group;
}

QGroupBox* CSettingsDlg::AddGameSettingsGroup(QVBoxLayout* layout)
{
    auto* group = new QGroupBox(UiText(IDS_GAME_SETTINGS), this);
    auto* box = new QVBoxLayout(group);
    const bool bughouse = m_Flavour == Flavour::Bughouse;
    m_KingCapture =
        Tagged(new QCheckBox(UiText(bughouse ? IDS_CAN_CAPTURE_KING_BUGHOUSE : IDS_CAN_CAPTURE_KING_NET), group),
               kKingCaptureId);
    m_TimeCall =
        Tagged(new QCheckBox(UiText(bughouse ? IDS_TIME_CALL_BUGHOUSE : IDS_TIME_CALL_NET), group), kTimeCallId);
    box->addWidget(m_KingCapture);
    box->addWidget(m_TimeCall);
    layout->addWidget(group);
    return group;
}

QGroupBox* CSettingsDlg::AddOptionsGroup(QVBoxLayout* layout)
{
    auto* group = new QGroupBox(UiText(IDS_OPTIONS), this);
    auto* box = new QVBoxLayout(group);
    m_Highlight = Tagged(new QCheckBox(UiText(IDS_HIGHLIGHT_MOVE), group), kHighlightId);
    m_Sound =
        Tagged(new QCheckBox(UiText(m_Flavour == Flavour::Network ? IDS_PLAY_SOUND_NET : IDS_PLAY_SOUND_LOCAL), group),
               kSoundId);
    box->addWidget(m_Highlight);
    box->addWidget(m_Sound);
    if (m_Flavour == Flavour::Local)
    {
        m_ShowThinking = Tagged(new QCheckBox(UiText(IDS_SHOW_THINKING), group), kShowThinkingId);
        box->addWidget(m_ShowThinking);
        // The zoom scales the whole program; Qt takes the scale when the program starts.
        m_Zoom = Tagged(new QComboBox(group), kZoomId);
        for (int32_t percent : GameSettings::kZoomSteps)
            m_Zoom->addItem(QStringLiteral("%1 %").arg(percent), percent);
        auto* label = new QLabel(UiText(IDS_ZOOM), group);
        label->setBuddy(m_Zoom);
        auto* row = new QHBoxLayout();
        row->addWidget(label);
        row->addWidget(m_Zoom);
        row->addWidget(new QLabel(UiText(IDS_ZOOM_NEXT_START), group));
        row->addStretch();
        box->addLayout(row);
    }
    layout->addWidget(group);
    return group;
}

void CSettingsDlg::AddButtons(QVBoxLayout* layout)
{
    auto* row = new QHBoxLayout();
    row->addStretch();
    auto* ok = new CSkinButton(IDS_OK, this, IDOK);
    auto* cancel = new CSkinButton(IDS_CANCEL, this, IDCANCEL);
    ok->setDefault(true);
    row->addWidget(ok);
    row->addSpacing(10);
    row->addWidget(cancel);
    row->addStretch();
    layout->addStretch();
    layout->addLayout(row);
    connect(ok, &QPushButton::clicked, this, &CSettingsDlg::OnOk);
    connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
}

void CSettingsDlg::LoadCommonFields()
{
    if (m_Infinite != nullptr)
    {
        m_Infinite->setChecked(m_Settings.IsTimeInfinite());
        m_Custom->setChecked(!m_Settings.IsTimeInfinite());
    }
    m_Hours->setText(QString::number(m_Settings.GetNbHours()));
    m_Minutes->setText(QString::number(m_Settings.GetNbMinutes()));
    m_Seconds->setText(QString::number(m_Settings.GetNbSeconds()));
    m_Bonus->setText(QString::number(m_Settings.GetNbSecondsBonus()));
    if (m_KingCapture != nullptr)
    {
        m_KingCapture->setChecked(m_Settings.IsKingCanBeCaptured());
        // The box asks for the Time Call rule, the record holds its opposite.
        m_TimeCall->setChecked(!m_Settings.IsWinOnOpponentTimeZero());
    }
    m_Highlight->setChecked(m_Settings.IsCurrentMoveHighlighted());
    m_Sound->setChecked(m_Settings.GetPlaySoundOnOpponentMove());
    if (m_MoveSeconds != nullptr)
        m_MoveSeconds->setText(QString::number(m_Settings.GetNbSecondsPerMoveNoLimit()));
    if (m_ShowThinking != nullptr)
        m_ShowThinking->setChecked(m_Settings.IsThinkingShown());
    if (m_Zoom != nullptr)
        m_Zoom->setCurrentIndex(std::max(0, m_Zoom->findData(m_Settings.GetZoomPercent())));

    adjustSize();
    const QSize templateSize = DialogUnitsToPixels(m_SizeDu.width(), m_SizeDu.height());
    setFixedSize(templateSize.expandedTo(sizeHint()));
}

void CSettingsDlg::SetTimeFieldsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_Hours, m_Minutes, m_Seconds, m_Bonus, m_HoursSpin,
                                                      m_MinutesSpin, m_SecondsSpin, m_BonusSpin})
        w->setEnabled(enabled);
    // The time a move counts where the game has no time limit.
    if (m_MoveSeconds != nullptr)
    {
        m_MoveSeconds->setEnabled(!enabled);
        m_MoveSecondsSpin->setEnabled(!enabled);
    }
}

bool CSettingsDlg::IsCustomSelected() const
{
    return m_Custom == nullptr || m_Custom->isChecked();
}

bool CSettingsDlg::TakeField(QLineEdit* field, int minimum, int maximum, int& value)
{
    bool ok = false;
    value = field->text().trimmed().toInt(&ok);
    if (ok && value >= minimum && value <= maximum)
        return true;
    CMessageDlg::ShowSystemInformation(UiText(IDS_INTEGER_RANGE).arg(minimum).arg(maximum), this);
    field->setFocus();
    field->selectAll();
    return false;
}

void CSettingsDlg::OnOk()
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int bonus = 0;
    int moveSeconds = 0;
    if (!TakeField(m_Hours, 0, 99, hours) || !TakeField(m_Minutes, 0, 59, minutes) ||
        !TakeField(m_Seconds, 0, 59, seconds) || !TakeField(m_Bonus, 0, 99, bonus) ||
        (m_MoveSeconds != nullptr && !TakeField(m_MoveSeconds, 1, 999, moveSeconds)))
        return;
    // Whatever Infinite or Custom says, the time below must be a minute at least.
    if (hours < 1 && minutes < 1)
    {
        if (m_Flavour == Flavour::Bughouse)
            CMessageDlg::ShowInformation(IDS_GAME_TIME_TOO_SHORT, this);
        else
            CMessageDlg::ShowSystemInformation(UiText(IDS_GAME_TIME_TOO_SHORT), this);
        return;
    }
    if (m_Infinite != nullptr)
        m_Settings.SetIsTimeInfinite(m_Infinite->isChecked());
    m_Settings.SetGameTime(hours, minutes, seconds);
    m_Settings.SetNbSecondsBonus(bonus);
    if (m_KingCapture != nullptr)
    {
        m_Settings.SetIsKingCanBeCaptured(m_KingCapture->isChecked());
        m_Settings.SetIsWinOnOpponentTimeZero(!m_TimeCall->isChecked());
    }
    m_Settings.SetIsCurrentMoveHighlighted(m_Highlight->isChecked());
    m_Settings.SetPlaySoundOnOpponentMove(m_Sound->isChecked());
    if (m_MoveSeconds != nullptr)
        m_Settings.SetNbSecondsPerMoveNoLimit(moveSeconds);
    if (m_ShowThinking != nullptr)
        m_Settings.SetIsThinkingShown(m_ShowThinking->isChecked());
    if (m_Zoom != nullptr)
        m_Settings.SetZoomPercent(m_Zoom->currentData().toInt());
    StoreOwnFields();
    done(IDOK);
}
