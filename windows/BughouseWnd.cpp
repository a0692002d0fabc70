#include "BughouseWnd.h"

#include "BoardView.h"
#include "BughouseEngineSeats.h"
#include "DoubleSettingsDlg.h"
#include "GameSettings.h"
#include "MessageDlg.h"
#include "OutputPane.h"
#include "PlayerWnd.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QInputDialog>
#include <QListView>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

using namespace ProgramTexts;
using S = CBughouseSession;

CBughouseWnd::CBughouseWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, CBitmapCache& bitmaps,
                           QWidget* parent)
    : CGameWnd(std::make_unique<S>(settings, roster, link),
               Parts{.boards = 2,
                     .bughouse = true,
                     .panels = 4,
                     .moveList = false,
                     .chat = true,
                     .patterned = false,
                     .clearAddressOnJoin = true},
               settings, bitmaps, parent),
      m_Game(static_cast<S&>(BaseSession()))
{
    setObjectName(QStringLiteral("BughouseWnd"));
    m_RunSettings = [](CDoubleSettingsDlg& dialog) { return dialog.exec(); };
    m_RunChoice = [this](const QString& title, const QString& label, const QStringList& items) {
        // A list to pick from, its parts named so that the automation
        // channel reaches them as it reaches every other dialog.
        QInputDialog dialog(this);
        dialog.setObjectName(QStringLiteral("ComputerChoiceDlg"));
        dialog.setWindowTitle(title);
        dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
        dialog.setComboBoxEditable(false);
        dialog.setComboBoxItems(items);
        dialog.setLabelText(label);
        if (auto* list = dialog.findChild<QListView*>())
            list->setObjectName(QStringLiteral("choices"));
        if (auto* box = dialog.findChild<QDialogButtonBox*>())
        {
            if (QPushButton* ok = box->button(QDialogButtonBox::Ok))
                ok->setObjectName(QStringLiteral("ok"));
            if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel))
                cancel->setObjectName(QStringLiteral("cancel"));
        }
        return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
    };
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    const int captions[4] = {IDS_BROWSE_START, IDS_BROWSE_BACK, IDS_BROWSE_FORWARD, IDS_BROWSE_END};
    const char* names[4] = {"browseStart", "browseBack", "browseForward", "browseEnd"};
    const int keys[4] = {Qt::Key_Home, Qt::Key_Left, Qt::Key_Right, Qt::Key_End};
    for (int i = 0; i < 4; ++i)
    {
        auto* button = new CSkinButton(captions[i], this, 0, CSkinButton::Kind::Little);
        button->setObjectName(QLatin1String(names[i]));
        connect(button, &QPushButton::clicked, this, [this, i] { Browse(i); });
        m_Browse[static_cast<size_t>(i)] = button;
        // The keys work anywhere in the window but in the chat input, which keeps them for its text.
        auto* shortcut = new QShortcut(QKeySequence(keys[i]), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, i] { Browse(i); });
    }
    resize(800, 600);
    m_Game.Open();
    OnButtonsChanged();
}

QString CBughouseWnd::FileFilter() const
{
    return UiText(IDS_BPGN_FILTER);
}

int CBughouseWnd::FileExtension() const
{
    return IDS_BPGN_EXTENSION;
}

void CBughouseWnd::OnButtonsChanged()
{
    CGameWnd::OnButtonsChanged();
    if (m_Browse[0] == nullptr)
        return;
    const bool back = m_Game.CanBrowseBack();
    const bool forward = m_Game.CanBrowseForward();
    m_Browse[0]->setEnabled(back);
    m_Browse[1]->setEnabled(back);
    m_Browse[2]->setEnabled(forward);
    m_Browse[3]->setEnabled(forward);
}

void CBughouseWnd::Browse(int step)
{
    const CBughouseRecord& record = m_Game.Record();
    switch (step)
    {
    case 0:
        if (m_Game.CanBrowseBack())
            m_Game.BrowseTo(0);
        break;
    case 1:
        if (m_Game.CanBrowseBack())
            m_Game.BrowseTo(record.Ply() - 1);
        break;
    case 2:
        if (m_Game.CanBrowseForward())
            m_Game.BrowseTo(record.Ply() + 1);
        break;
    case 3:
        if (m_Game.CanBrowseForward())
            m_Game.BrowseTo(record.Plies());
        break;
    default: break;
    }
}

void CBughouseWnd::SaveRecord()
{
    QString path = ChooseFile(true, m_Game.SaveStartFolder(), SuggestedSaveName());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + UiText(IDS_BPGN_EXTENSION);
    m_Game.SaveRecord(path);
}

void CBughouseWnd::LoadRecord()
{
    const QString path = ChooseFile(false, m_Game.LoadStartFolder(), QString());
    if (!path.isEmpty())
        m_Game.LoadRecord(path);
}

void CBughouseWnd::RunWindowCommand(int id)
{
    switch (id)
    {
    case S::kSettingsId: OpenSettings(); break;
    case S::kAddComputerId: AddComputer(); break;
    case S::kRemoveComputerId: RemoveComputer(); break;
    case S::kRulesId: ShowHelp(IDS_BUGHOUSE_RULES_TITLE, IDS_BUGHOUSE_RULES_PAGE); break;
    case S::kHelpId: ShowHelp(IDS_NETWORK_BUGHOUSE_HELP_TITLE, IDS_NETWORK_BUGHOUSE_HELP_PAGE); break;
    case S::kSaveGameId: SaveRecord(); break;
    case S::kLoadGameId: LoadRecord(); break;
    case S::kMenuId:
        m_Game.Leave();
        ShowMainMenu();
        break;
    default: break;
    }
}

void CBughouseWnd::OpenSettings()
{
    CDoubleSettingsDlg dialog(Settings(), m_Game.IsServer(), m_Game.IsRunning(), this);
    if (m_RunSettings && m_RunSettings(dialog) == IDOK)
        m_Game.ApplySettings();
}

void CBughouseWnd::AddComputer()
{
    CBughouseEngineSeats* seats = m_Game.EngineSeats();
    if (seats == nullptr || !seats->CanAdd() || !m_RunChoice)
        return;
    const QStringList names = seats->EngineNames();
    if (names.isEmpty())
        return;
    const QString chosen =
        m_RunChoice(UiText(IDS_BUGHOUSE_ADD_COMPUTER_TITLE), UiText(IDS_BUGHOUSE_ADD_COMPUTER_LABEL), names);
    // The seats may have changed while the dialog was open.
    if (!chosen.isEmpty() && seats->CanAdd())
        (void)seats->Add(chosen);
}

void CBughouseWnd::RemoveComputer()
{
    CBughouseEngineSeats* seats = m_Game.EngineSeats();
    if (seats == nullptr || !seats->CanRemove() || !m_RunChoice)
        return;
    const QString chosen = m_RunChoice(UiText(IDS_BUGHOUSE_REMOVE_COMPUTER_TITLE),
                                       UiText(IDS_BUGHOUSE_REMOVE_COMPUTER_LABEL), seats->SeatNames());
    if (!chosen.isEmpty())
        (void)seats->Remove(chosen);
}

void CBughouseWnd::Layout()
{
    // The content keeps its size and stands centred in a larger window; the
    // chat output takes the height left over.
    const QSize button = ButtonSize();
    const int boardWidth = View(0)->width();
    const int boardHeight = View(0)->height();
    const int contentWidth = 2 * boardWidth + kBoardGap + kButtonGap + button.width();
    const int left = std::max(kMargin, (width() - contentWidth) / 2);
    const int boardTop = kMargin + kPanelHeight + kPanelGap;
    for (int v = 0; v < 2; ++v)
    {
        const int x = left + v * (boardWidth + kBoardGap);
        Panel(2 * v + 1)->setGeometry(x, kMargin, boardWidth, kPanelHeight);
        View(v)->move(x, boardTop);
        Panel(2 * v)->setGeometry(x, boardTop + boardHeight + kPanelGap, boardWidth, kPanelHeight);
    }
    const int chatTop = boardTop + boardHeight + 2 * kPanelGap + kPanelHeight + kChatGap;
    const int inputTop = height() - kMargin - kChatInputHeight;
    ChatInput()->setGeometry(left, inputTop, contentWidth, kChatInputHeight);
    Output()->setGeometry(left, chatTop, contentWidth, std::max(1, inputTop - kPanelGap - chatTop));
    const int buttonsLeft = left + 2 * boardWidth + kBoardGap + kButtonGap;
    PlaceButtons(buttonsLeft, kMargin, button.height() + kButtonRowGap, button);
    // The browse buttons below the lowest command row, two by two: backwards
    // on the left, forwards on the right; a ply at a time above, to the
    // start and the end below.
    if (m_Browse[0] == nullptr)
        return;
    int rows = 0;
    for (const CommandButton& command : m_Game.Commands())
        rows = std::max(rows, command.row + 1);
    const QSize little = m_Browse[0]->size();
    const int x = buttonsLeft + (button.width() - 2 * little.width()) / 2;
    const int y = kMargin + rows * (button.height() + kButtonRowGap) + kButtonRowGap;
    m_Browse[1]->move(x, y);
    m_Browse[2]->move(x + little.width(), y);
    m_Browse[0]->move(x, y + little.height() + kPanelGap);
    m_Browse[3]->move(x + little.width(), y + little.height() + kPanelGap);
}
