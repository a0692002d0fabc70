#include "GameWnd.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "GameListDlg.h"
#include "GameSession.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "MovesWnd.h"
#include "OutputPane.h"
#include "PgnReader.h"
#include "PlayerWnd.h"
#include "PromotionDlg.h"
#include "SkinButton.h"
#include "SoundPlayer.h"
#include "UiText.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QWheelEvent>

#include <algorithm>

using namespace ProgramTexts;

namespace
{
// "PGN Files (*.pgn)|*.pgn||" in the platform's filter syntax: the names of
// the filters, each with its patterns, one to a line.
QString PlatformFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList names;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    {
        if (!parts[i].isEmpty())
            names << parts[i];
    }
    return names.join(QStringLiteral(";;"));
}

QString DefaultFileChooser(QWidget* parent, bool save, const QString& folder, const QString& suggested,
                           const QString& filter, const QString& suffix)
{
    const QString proposed = suggested.isEmpty() ? folder : QDir(folder).filePath(suggested);
    QFileDialog dialog(parent, QString(), proposed, PlatformFilter(filter));
    dialog.setDefaultSuffix(suffix);
    if (save)
    {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        dialog.selectFile(suggested);
    }
    else
    {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace

CGameWnd::CGameWnd(std::unique_ptr<CGameSession> session, const Parts& parts, GameSettings& settings,
                   CBitmapCache& bitmaps, QWidget* parent)
    : QWidget(parent), m_Session(std::move(session)), m_Parts(parts), m_Settings(settings), m_Bitmaps(bitmaps)
{
    for (int b = 0; b < parts.boards; ++b)
    {
        auto* view = new CBoardView(bitmaps, this);
        view->SetBughouseMode(parts.bughouse);
        view->SetObserver(this);
        view->SetHighlightSetting([this] { return m_Settings.IsCurrentMoveHighlighted(); });
        m_Boards.push_back(view);
    }
    for (int p = 0; p < parts.panels; ++p)
    {
        auto* panel = new CPlayerWnd(m_Session->Roster(), m_Session->PanelPlayer(p), this);
        panel->ShowClock(&m_Session->Clock(p));
        m_Panels.push_back(panel);
    }
    if (parts.moveList)
        m_MoveList = new CMoveListWnd(this, this);
    if (parts.chat)
    {
        m_Output = new COutputPane(this);
        m_Chat = new CChatEdit(this);
        m_Chat->Attach(this);
    }
    for (const CommandButton& command : m_Session->Commands())
    {
        auto* button = new CSkinButton(command.label, this, command.id);
        connect(button, &QPushButton::clicked, this, [this, id = command.id] { OnCommand(id); });
        m_Buttons[command.id] = button;
    }
    m_FileChooser = [this](bool save, const QString& folder, const QString& suggested) {
        return DefaultFileChooser(this, save, folder, suggested, FileFilter(), UiText(FileExtension()));
    };
    m_BoardMenu = new QMenu(this);
    m_BoardMenu->setObjectName(QStringLiteral("boardMenu"));
    NameParts();
    CreateKeys();
    SetTabOrder();
    m_Session->SetObserver(this);
    RedrawAll();
}

QKeySequence CGameWnd::KeyOf(int id)
{
    // The same control ids in every kind of game window.
    switch (id)
    {
    case 1012: return QKeySequence(Qt::CTRL | Qt::Key_N); // New Game
    case 1010: return QKeySequence(Qt::CTRL | Qt::Key_O); // Load Game
    case 1023: return QKeySequence(Qt::CTRL | Qt::Key_S); // Save Game
    case 1031: return QKeySequence(Qt::CTRL | Qt::Key_Z); // Takeback Move
    case 1009: return QKeySequence(Qt::Key_F1);           // Help
    default: return QKeySequence();
    }
}

void CGameWnd::CreateKeys()
{
    // A command's key does what a click on its button does, and only while the button is there to click.
    for (const auto& [id, button] : m_Buttons)
    {
        const QKeySequence key = KeyOf(id);
        if (key.isEmpty())
            continue;
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] { OnCommand(id); });
        button->setToolTip(button->text().remove(QLatin1Char('&')) + QStringLiteral(" (") +
                           key.toString(QKeySequence::NativeText) + QLatin1Char(')'));
    }
    // F turns the boards; a text field that has the focus takes the letter as text instead.
    auto* flip = new QShortcut(QKeySequence(Qt::Key_F), this);
    connect(flip, &QShortcut::activated, this, &CGameWnd::FlipBoards);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        for (CBoardView* view : m_Boards)
            view->CancelGesture();
    });
    // Browsing keys while the move list or a board has the focus.
    if (m_MoveList == nullptr)
        return;
    for (const int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End})
    {
        std::vector<std::pair<QWidget*, Qt::ShortcutContext>> owners{{m_MoveList, Qt::WidgetWithChildrenShortcut}};
        for (CBoardView* view : m_Boards)
            owners.emplace_back(view, Qt::WidgetShortcut);
        for (const auto& [owner, context] : owners)
        {
            auto* shortcut = new QShortcut(QKeySequence(key), owner);
            shortcut->setContext(context);
            connect(shortcut, &QShortcut::activated, this, [this, key] { BrowseByKey(key); });
        }
    }
}

void CGameWnd::SetTabOrder()
{
    // Boards, the move list, the buttons down their column, then the chat.
    std::vector<QWidget*> chain(m_Boards.begin(), m_Boards.end());
    if (m_MoveList != nullptr)
    {
        chain.push_back(m_MoveList->Pane());
        for (int id = CMoveListWnd::kGoToStartId; id <= CMoveListWnd::kGoToEndId; ++id)
            chain.push_back(m_MoveList->BrowseButton(id));
    }
    std::vector<CommandButton> commands = m_Session->Commands();
    std::stable_sort(commands.begin(), commands.end(),
                     [](const CommandButton& a, const CommandButton& b) { return a.row < b.row; });
    for (const CommandButton& command : commands)
        chain.push_back(m_Buttons.at(command.id));
    if (m_Chat != nullptr)
        chain.push_back(m_Chat);
    for (size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void CGameWnd::BrowseByKey(int key)
{
    if (m_MoveList == nullptr)
        return;
    switch (key)
    {
    case Qt::Key_Left:
        if (CanStepBack())
            m_MoveList->OnStepBack();
        break;
    case Qt::Key_Right:
        if (CanStepForward())
            m_MoveList->OnStepForward();
        break;
    case Qt::Key_Home:
        if (CanStepBack())
            m_MoveList->OnGoToStart();
        break;
    case Qt::Key_End:
        if (CanStepForward())
            m_MoveList->OnGoToEnd();
        break;
    default: break;
    }
}

void CGameWnd::FlipBoards()
{
    m_ViewTurned = !m_ViewTurned;
    for (int board = 0; board < static_cast<int>(m_Boards.size()); ++board)
        m_Boards[static_cast<size_t>(board)]->SetFlipped(m_Session->IsFlipped(board) != m_ViewTurned);
    Relayout();
}

void CGameWnd::Relayout()
{
    Layout();
    FollowTurn();
}

void CGameWnd::FollowTurn()
{
    // The panels follow the turned view: each board's pair trades places.
    if (!m_ViewTurned)
        return;
    for (size_t first = 0; first + 1 < m_Panels.size(); first += 2)
    {
        const QRect a = m_Panels[first]->geometry();
        m_Panels[first]->setGeometry(m_Panels[first + 1]->geometry());
        m_Panels[first + 1]->setGeometry(a);
    }
}

void CGameWnd::NameParts()
{
    const bool one = m_Boards.size() == 1;
    for (size_t b = 0; b < m_Boards.size(); ++b)
        m_Boards[b]->setObjectName(one ? QStringLiteral("board") : QStringLiteral("board%1").arg(b));
    for (size_t p = 0; p < m_Panels.size(); ++p)
    {
        const bool pair = m_Panels.size() == 2;
        m_Panels[p]->setObjectName(pair ? (p == 0 ? QStringLiteral("bottomPanel") : QStringLiteral("topPanel"))
                                        : QStringLiteral("panel%1").arg(p));
    }
    if (m_MoveList != nullptr)
        m_MoveList->setObjectName(QStringLiteral("moveList"));
    if (m_Output != nullptr)
        m_Output->setObjectName(QStringLiteral("chatOutput"));
    if (m_Chat != nullptr)
        m_Chat->setObjectName(QStringLiteral("chatInput"));
}

CGameWnd::~CGameWnd()
{
    // The panels outlive the session's clocks by a moment: let them go first.
    for (CPlayerWnd* panel : m_Panels)
        panel->ShowClock(nullptr);
    for (CBoardView* view : m_Boards)
        view->ShowPosition(nullptr);
    m_Session->SetObserver(nullptr);
}

// ---------------------------------------------------------------------------
// Parts

CSkinButton* CGameWnd::Button(int id) const
{
    const auto it = m_Buttons.find(id);
    return it == m_Buttons.end() ? nullptr : it->second;
}

bool CGameWnd::IsConnectedToOthers() const
{
    return m_Session->IsConnectedToOthers();
}

CBoardView* CGameWnd::Board(int index) const
{
    return index >= 0 && index < static_cast<int>(m_Boards.size()) ? m_Boards[static_cast<size_t>(index)] : nullptr;
}

CPlayerWnd* CGameWnd::Panel(int index) const
{
    return index >= 0 && index < static_cast<int>(m_Panels.size()) ? m_Panels[static_cast<size_t>(index)] : nullptr;
}

int CGameWnd::BoardIndex(const CBoardView* view) const
{
    for (size_t i = 0; i < m_Boards.size(); ++i)
        if (m_Boards[i] == view)
            return static_cast<int>(i);
    return -1;
}

void CGameWnd::RedrawAll()
{
    for (int board = 0; board < static_cast<int>(m_Boards.size()); ++board)
        OnBoardChanged(board, BoardChange{});
    OnPanelsChanged();
    OnMoveListChanged();
    OnButtonsChanged();
}

// ---------------------------------------------------------------------------
// Commands

void CGameWnd::OnCommand(int id)
{
    const CommandState state = m_Session->StateOf(id);
    if (!state.shown || !state.enabled)
        return;
    const CommandQuestion question = m_Session->QuestionOf(id);
    if (question.text != 0)
    {
        const int answer = CMessageDlg::Ask(UiText(question.text), this);
        if (question.unlessNo ? answer == IDNO : answer != IDYES)
            return;
    }
    if (m_Session->OwnerOf(id) == CommandOwner::Window)
        RunWindowCommand(id);
    else
        m_Session->Command(id);
}

void CGameWnd::LoadGame()
{
    const QString path = m_FileChooser(false, m_Session->LoadStartFolder(), QString());
    if (!path.isEmpty())
        m_Session->LoadGame(path);
}

QString CGameWnd::FileFilter() const
{
    return UiText(IDS_PGN_FILTER);
}

int CGameWnd::FileExtension() const
{
    return IDS_PGN_EXTENSION;
}

QString CGameWnd::SuggestedSaveName() const
{
    return m_Session->DefaultSaveName();
}

void CGameWnd::SaveGame()
{
    QString path = m_FileChooser(true, m_Session->SaveStartFolder(), SuggestedSaveName());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + UiText(IDS_PGN_EXTENSION);
    m_Session->SaveGame(path);
}

void CGameWnd::ExportGame()
{
    QString path = m_FileChooser(true, m_Session->SaveStartFolder(), SuggestedSaveName());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + UiText(IDS_PGN_EXTENSION);
    m_Session->ExportGame(path);
}

int CGameWnd::OnChooseGame(const std::vector<CPgnIndexEntry>& games)
{
    std::vector<QStringList> rows;
    rows.reserve(games.size());
    for (const CPgnIndexEntry& entry : games)
    {
        QStringList row{QString::number(entry.number)};
        for (const char* name : {"White", "Black", "Result", "Event", "Date"})
        {
            QString value;
            for (const CPgnTag& tag : entry.tags)
                if (QString::fromStdString(tag.name).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                    value = QString::fromStdString(tag.value);
            row << value;
        }
        rows.push_back(row);
    }
    if (m_GameChooser)
        return m_GameChooser(rows);
    CGameListDlg dialog(rows, window());
    return dialog.exec() == QDialog::Accepted ? dialog.ChosenRow() : -1;
}

// ---------------------------------------------------------------------------
// The board's menu

CGameWnd::BoardMenuEntry CGameWnd::CopyFenEntry()
{
    return {QStringLiteral("copyFen"), UiText(IDS_MENU_COPY_FEN), true,
            [this] { QGuiApplication::clipboard()->setText(QString::fromStdString(m_Session->PositionFen())); }};
}

CGameWnd::BoardMenuEntry CGameWnd::PasteFenEntry()
{
    // A position is set up between games only.
    return {QStringLiteral("pasteFen"), UiText(IDS_MENU_PASTE_FEN), !m_Session->IsRunning(),
            [this] { m_Session->SetUpPosition(QGuiApplication::clipboard()->text().toStdString()); }};
}

CGameWnd::BoardMenuEntry CGameWnd::CopyPgnEntry()
{
    return {QStringLiteral("copyPgn"), UiText(IDS_MENU_COPY_PGN), true,
            [this] { QGuiApplication::clipboard()->setText(QString::fromStdString(m_Session->ExportText())); }};
}

CGameWnd::BoardMenuEntry CGameWnd::PastePgnEntry()
{
    return {QStringLiteral("pastePgn"), UiText(IDS_MENU_PASTE_PGN), true,
            [this] { m_Session->LoadGameText(QGuiApplication::clipboard()->text().toStdString()); }};
}

CGameWnd::BoardMenuEntry CGameWnd::ExportPgnEntry()
{
    return {QStringLiteral("exportPgn"), UiText(IDS_MENU_EXPORT_PGN), true, [this] { ExportGame(); }};
}

std::vector<CGameWnd::BoardMenuEntry> CGameWnd::BoardMenuEntries()
{
    // Bughouse boards keep no record.
    if (m_Parts.bughouse)
        return {};
    return {CopyFenEntry(), CopyPgnEntry()};
}

void CGameWnd::FillBoardMenu(QMenu& menu)
{
    for (BoardMenuEntry& entry : BoardMenuEntries())
    {
        QAction* action = menu.addAction(entry.text);
        action->setObjectName(entry.name);
        action->setEnabled(entry.enabled);
        connect(action, &QAction::triggered, this, std::move(entry.run));
    }
    // Every board can be turned round, whatever else its menu holds.
    if (!menu.isEmpty())
        menu.addSeparator();
    QAction* flip = menu.addAction(UiText(IDS_FLIP_BOARD), this, &CGameWnd::FlipBoards);
    flip->setObjectName(QStringLiteral("flipBoard"));
    flip->setShortcut(QKeySequence(Qt::Key_F));
    flip->setShortcutVisibleInContextMenu(true);
    // The window's own F key runs it; the menu only shows the key.
    flip->setShortcutContext(Qt::WidgetShortcut);
}

void CGameWnd::OnBoardMenuRequested(CBoardView* view, const QPoint& globalPoint)
{
    if (BoardIndex(view) < 0)
        return;
    if (m_BoardMenu == nullptr)
    {
        m_BoardMenu = new QMenu(this);
        m_BoardMenu->setObjectName(QStringLiteral("boardMenu"));
    }
    m_BoardMenu->close();
    m_BoardMenu->clear();
    FillBoardMenu(*m_BoardMenu);
    if (!m_BoardMenu->isEmpty())
        m_BoardMenu->popup(globalPoint);
}

void CGameWnd::ShowHelp(int titleId, int pageId)
{
    if (m_Help == nullptr)
        m_Help = new CHtmlDlg(this);
    m_Help->ShowHelp(titleId, pageId);
}

void CGameWnd::ShowMainMenu()
{
    hide();
    if (m_Hooks.showMenu)
        m_Hooks.showMenu();
    emit MenuRequested();
}

void CGameWnd::ShowMessage(const QString& text)
{
    CMessageDlg::ShowInformation(text, this);
}

void CGameWnd::SetTitle(const QString& title)
{
    if (m_Hooks.setTitle)
        m_Hooks.setTitle(title);
    else if (QWidget* frame = window(); frame != nullptr && frame != this)
        frame->setWindowTitle(title);
}

QSize CGameWnd::ButtonSize() const
{
    return m_Buttons.empty() ? QSize() : m_Buttons.begin()->second->sizeHint();
}

void CGameWnd::PlaceButtons(int x, int top, int step, const QSize& size)
{
    for (const CommandButton& command : m_Session->Commands())
        m_Buttons.at(command.id)->setGeometry(x, top + command.row * step, size.width(), size.height());
}

// ---------------------------------------------------------------------------
// Reports of the session

void CGameWnd::OnBoardChanged(int board, const BoardChange& change)
{
    CBoardView* view = Board(board);
    if (view == nullptr)
        return;
    view->ShowPosition(&m_Session->Position(board), m_Session->Highlight(board));
    view->SetFlipped(m_Session->IsFlipped(board) != m_ViewTurned);
    if (m_Session->IsInputEnabled(board))
        view->EnableInput();
    else
        view->DisableInput();
    if (change.animate && isVisible())
    {
        if (change.drop)
            view->AnimateDrop(change.dropped, change.move.to);
        else
            view->AnimateMove(change.move);
    }
}

void CGameWnd::OnButtonsChanged()
{
    // A button that has the focus and is replaced in its row hands the focus
    // to the one shown in its place, not to whatever comes next in the chain.
    int focusedRow = -1;
    const CSkinButton* focusedButton = nullptr;
    for (const CommandButton& command : m_Session->Commands())
    {
        if (m_Buttons.at(command.id)->hasFocus())
        {
            focusedRow = command.row;
            focusedButton = m_Buttons.at(command.id);
        }
    }
    for (const auto& [id, button] : m_Buttons)
    {
        const CommandState state = m_Session->StateOf(id);
        button->setVisible(state.shown);
        button->setEnabled(state.enabled);
    }
    if (focusedButton != nullptr && (focusedButton->isHidden() || !focusedButton->isEnabled()))
    {
        for (const CommandButton& command : m_Session->Commands())
        {
            CSkinButton* button = m_Buttons.at(command.id);
            if (command.row == focusedRow && !button->isHidden() && button->isEnabled())
            {
                button->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
    if (m_MoveList != nullptr)
        m_MoveList->UpdateBrowseButtons();
    for (size_t p = 0; p < m_Panels.size(); ++p)
        m_Panels[p]->SetComputerMark(m_Session->PanelComputerMark(static_cast<int>(p)));
}

void CGameWnd::OnMoveListChanged()
{
    if (m_MoveList == nullptr || m_Browsing)
        return;
    m_MoveList->SetInformation(m_Session->Information());
    m_MoveList->Clear();
    m_MoveList->AddMoves(m_Session->ShownMoves());
    m_MoveList->SetResult(m_Session->ResultText());
    m_MoveList->UpdateBrowseButtons();
}

void CGameWnd::OnPanelsChanged()
{
    for (size_t p = 0; p < m_Panels.size(); ++p)
    {
        m_Panels[p]->SetPlayerIndex(m_Session->PanelPlayer(static_cast<int>(p)));
        m_Panels[p]->SetShownName(m_Session->PanelName(static_cast<int>(p)));
        m_Panels[p]->SetComputerMark(m_Session->PanelComputerMark(static_cast<int>(p)));
    }
}

void CGameWnd::OnMessage(const QString& text)
{
    ShowMessage(text);
}

void CGameWnd::OnNotice(const QString& text)
{
    if (m_Output != nullptr)
        m_Output->AddLine(QStringLiteral("- ") + text, COutputPane::ChatFont(), COutputPane::NoticeColour());
}

void CGameWnd::OnChatLine(const QString& nickname, const QString& text, bool own)
{
    if (m_Output != nullptr)
        m_Output->AddLine(nickname + QStringLiteral(": ") + text, COutputPane::ChatFont(),
                          own ? COutputPane::OwnChatColour() : COutputPane::OpponentChatColour());
}

void CGameWnd::OnChatCleared()
{
    m_AddressText.clear();
    if (m_Output != nullptr)
        m_Output->Clear();
    if (m_Chat != nullptr)
        m_Chat->clear();
}

void CGameWnd::OnTurnChanged(bool yourTurn)
{
    const QString title = UiText(IDS_APP_TITLE);
    SetTitle(yourTurn ? UiText(IDS_TITLE_YOUR_TURN).replace(QStringLiteral("%s"), title) : title);
}

void CGameWnd::OnMoveSound()
{
    // Played while the game goes on: the user-interface thread never waits for a sound.
    CSoundPlayer::Play(QStringLiteral("IDR_PLAY_MOVE"));
}

void CGameWnd::OnShowRequested()
{
    if (m_Hooks.showWindow)
        m_Hooks.showWindow();
}

void CGameWnd::OnAddressOffered(const QString& addresses)
{
    if (m_Chat == nullptr)
        return;
    m_AddressText = addresses;
    m_Chat->setText(addresses);
    m_Chat->selectAll();
}

void CGameWnd::OnPlayerAdmitted()
{
    // The address was there for copying; a player has found us now.
    if (m_Chat == nullptr || m_AddressText.isEmpty() || m_Chat->text() != m_AddressText)
        return;
    if (m_Parts.clearAddressOnJoin)
        m_Chat->clear();
    else
        m_Chat->deselect();
}

// ---------------------------------------------------------------------------
// Gestures

int32_t CGameWnd::AskPromotion(Colour side)
{
    if (m_PromotionAsker)
        return m_PromotionAsker(side);
    CPromotionDlg dialog(side, window());
    dialog.move(PromotionDialogPosition(side));
    return CPromotionDlg::PieceOfResult(dialog.exec());
}

void CGameWnd::OnMoveRequested(CBoardView* view, const CMove& move)
{
    const int board = BoardIndex(view);
    if (board < 0)
        return;
    const int32_t promotion =
        m_Session->NeedsPromotionChoice(board, move) ? AskPromotion(m_Session->Position(board).SideToMove()) : 0;
    m_Session->RequestMove(board, move, promotion);
}

void CGameWnd::OnDropRequested(CBoardView* view, const CCoordinate& square, PieceType type)
{
    const int board = BoardIndex(view);
    if (board >= 0)
        m_Session->RequestDrop(board, square, type);
}

// ---------------------------------------------------------------------------
// Browsing: the move list changes its own lines while it asks

void CGameWnd::GoToStart()
{
    m_Browsing = true;
    m_Session->GoToStart();
    m_Browsing = false;
}

void CGameWnd::StepBack()
{
    m_Browsing = true;
    m_Session->StepBack();
    m_Browsing = false;
}

std::string CGameWnd::StepForward()
{
    m_Browsing = true;
    std::string text = m_Session->StepForward();
    m_Browsing = false;
    return text;
}

std::vector<std::string> CGameWnd::GoToEnd()
{
    m_Browsing = true;
    m_Session->GoToEnd();
    m_Browsing = false;
    return m_Session->Position().MoveTexts();
}

bool CGameWnd::CanStepBack() const
{
    return m_Session->CanStepBack();
}

bool CGameWnd::CanStepForward() const
{
    return m_Session->CanStepForward();
}

// ---------------------------------------------------------------------------
// Painting, layout and the wheel

void CGameWnd::paintEvent(QPaintEvent* event)
{
    if (!m_Parts.patterned)
    {
        QWidget::paintEvent(event);
        return;
    }
    QPainter painter(this);
    m_Bitmaps.Get(QStringLiteral("IDB_PATTERN")).Tile(painter, rect());
}

void CGameWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

bool CGameWnd::HandleWheel(int delta, const QPoint& globalPointer)
{
    if (m_MoveList != nullptr && m_MoveList->HandleWheel(delta, globalPointer))
        return true;
    return m_Output != nullptr && m_Output->HandleWheel(delta);
}

void CGameWnd::wheelEvent(QWheelEvent* event)
{
    if (HandleWheel(event->angleDelta().y(), event->globalPosition().toPoint()))
        event->accept();
    else
        event->ignore();
}
