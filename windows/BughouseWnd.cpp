#include "BughouseWnd.h"

#include "BoardView.h"
#include "BughouseProtocol.h"
#include "DoubleSettingsDlg.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "LanDiscovery.h"
#include "MessageDlg.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "OutputPane.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QResizeEvent>

using namespace ProgramTexts;

namespace
{
// Column of buttons at the right, top to bottom; buttons sharing a row share a place.
const std::vector<std::vector<int>>& ButtonRows()
{
    static const std::vector<std::vector<int>> rows = {
        {CBughouseWnd::kStartId, CBughouseWnd::kResignId},
        {CBughouseWnd::kTimeCallId},
        {CBughouseWnd::kAbortGameId},
        {CBughouseWnd::kOfferDrawId, CBughouseWnd::kAcceptDrawId, CBughouseWnd::kCancelOfferId},
        {CBughouseWnd::kRotatePlayersId},
        {CBughouseWnd::kSwitchPartnerId},
        {CBughouseWnd::kSwitchColorId},
        {CBughouseWnd::kSettingsId},
        {CBughouseWnd::kRulesId},
        {CBughouseWnd::kHelpId},
        {CBughouseWnd::kMenuId},
    };
    return rows;
}

// "Game %1!d! started" and the like: the printf-style marks of the string table.
QString WithNumber(int id, int number)
{
    QString text = UiText(id);
    text.replace(QStringLiteral("%1!d!"), QString::number(number));
    return text;
}

// The piece a legal move takes, read before it is played: its type with the
// promoted bit, or -1 when it takes nothing. En passant takes a pawn.
int32_t CapturedBy(const CChessPosition& position, const CMove& move, Colour& colour)
{
    const PieceCode target = position.PieceAt(move.to);
    if (target != 0)
    {
        colour = ColourOfCode(target);
        return target & 15;
    }
    if (position.TypeAt(move.from) == PIECE_PAWN && move.from.Column() != move.to.Column())
    {
        colour = OppositeColour(position.ColourAt(move.from));
        return PIECE_PAWN;
    }
    return -1;
}
} // namespace

CBughouseWnd::CBughouseWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, QWidget* parent)
    : QWidget(parent), m_Link(link), m_Roster(roster), m_Settings(settings)
{
    // Stable names for the widgets, by which tools and tests find them; the
    // numbers are those of View() and Panel().
    setObjectName(QStringLiteral("BughouseWnd"));
    for (size_t v = 0; v < 2; ++v)
    {
        m_Views[v] = new CBoardView(this);
        m_Views[v]->setObjectName(QStringLiteral("board%1").arg(v));
        m_Views[v]->SetBughouseMode(true);
        m_Views[v]->SetObserver(this);
    }
    for (size_t p = 0; p < 4; ++p)
    {
        m_Panels[p] = new CPlayerWnd(-1, this, this);
        m_Panels[p]->setObjectName(QStringLiteral("panel%1").arg(p));
    }
    m_Output = new COutputPane(this);
    m_Output->setObjectName(QStringLiteral("chatOutput"));
    m_Chat = new CChatEdit(this);
    m_Chat->setObjectName(QStringLiteral("chatInput"));
    m_Chat->Attach(this);

    const std::pair<int, int> buttons[] = {
        {kStartId, IDS_BH_START},
        {kResignId, IDS_BH_RESIGN},
        {kTimeCallId, IDS_BH_TIME_CALL},
        {kAbortGameId, IDS_BH_ABORT_GAME},
        {kOfferDrawId, IDS_BH_OFFER_DRAW},
        {kAcceptDrawId, IDS_BH_ACCEPT_DRAW},
        {kCancelOfferId, IDS_BH_CANCEL_OFFER},
        {kRotatePlayersId, IDS_BH_ROTATE_PLAYERS},
        {kSwitchPartnerId, IDS_BH_SWITCH_PARTNER},
        {kSwitchColorId, IDS_BH_SWITCH_COLOR},
        {kSettingsId, IDS_BH_SETTINGS},
        {kRulesId, IDS_BH_RULES},
        {kHelpId, IDS_BH_HELP},
        {kMenuId, IDS_BH_MENU},
    };
    for (const auto& [id, text] : buttons)
    {
        auto* button = new CSkinButton(text, this, id);
        connect(button, &QPushButton::clicked, this, [this, id = id] { OnCommand(id); });
        m_Buttons[id] = button;
    }
    m_RunSettings = [](CDoubleSettingsDlg& dialog) { return dialog.exec(); };
    // Both boards side by side need the whole 800 x 600.
    setMinimumSize(800, 600);
    resize(800, 600);
    Open();
}

CBughouseWnd::~CBughouseWnd() = default;

// ---------------------------------------------------------------------------
// Helpers

CSkinButton* CBughouseWnd::Button(int id) const
{
    const auto it = m_Buttons.find(id);
    return it == m_Buttons.end() ? nullptr : it->second;
}

int CBughouseWnd::LocalSeat() const
{
    return m_Roster.IndexOfNickname();
}

CBughouseSeats CBughouseWnd::Seats() const
{
    return CBughouseSeats::FromRoster(m_Roster);
}

bool CBughouseWnd::IsServer() const
{
    return m_Link.IsServer();
}

int64_t CBughouseWnd::GameTimeMs() const
{
    return m_Settings.GetGameTime().Milliseconds();
}

int CBughouseWnd::ViewIndex(const CBoardView* view) const
{
    return view == m_Views[1] ? 1 : view == m_Views[0] ? 0 : -1;
}

bool CBughouseWnd::Send(const CNetMessage& message)
{
    return m_Link.Send(message);
}

void CBughouseWnd::Print(const QString& text)
{
    m_Output->AddLine(QStringLiteral("- ") + text, COutputPane::ChatFont(), COutputPane::NoticeColour());
}

void CBughouseWnd::PrintChat(const QString& nickname, const QString& text, bool own)
{
    m_Output->AddLine(nickname + QStringLiteral(": ") + text, COutputPane::ChatFont(),
                      own ? COutputPane::OwnChatColour() : COutputPane::OpponentChatColour());
}

void CBughouseWnd::ShowNotice(const QString& text)
{
    CMessageDlg::ShowInformation(text, this);
}

// ---------------------------------------------------------------------------
// Layout

void CBughouseWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Layout();
}

void CBughouseWnd::Layout()
{
    // Boards side by side; under each its two panels (top player left,
    // bottom player right); then the chat; the buttons in the right column.
    const int boardWidth = m_Views[0]->width();
    const int boardHeight = m_Views[0]->height();
    const int panelHeight = 48;
    for (int v = 0; v < 2; ++v)
    {
        m_Views[static_cast<size_t>(v)]->move(v * boardWidth, 0);
        const int half = boardWidth / 2;
        m_Panels[static_cast<size_t>(2 * v + 1)]->setGeometry(v * boardWidth, boardHeight + 2, half - 2, panelHeight);
        m_Panels[static_cast<size_t>(2 * v)]->setGeometry(v * boardWidth + half, boardHeight + 2, half - 2,
                                                          panelHeight);
    }
    const int chatTop = boardHeight + panelHeight + 6;
    const int chatWidth = 2 * boardWidth - 4;
    m_Chat->setGeometry(2, height() - 26, chatWidth, 24);
    m_Output->setGeometry(2, chatTop, chatWidth, std::max(20, height() - 30 - chatTop));
    const int left = 2 * boardWidth + 8;
    const int buttonWidth = std::max(60, width() - left - 6);
    int y = 8;
    for (const std::vector<int>& row : ButtonRows())
    {
        for (int id : row)
            m_Buttons[id]->setGeometry(left, y, buttonWidth, 28);
        y += 34;
    }
}

// ---------------------------------------------------------------------------
// State

void CBughouseWnd::Open()
{
    StopGame();
    m_RotationStep = 0;
    m_GameCounter = 0;
    m_LastSummary.clear();
    m_AddressText.clear();
    m_Output->Clear();
    m_Chat->clear();
    for (CBoardView* view : m_Views)
        view->NewGame();
    ApplySettingsToClocks();
    Redraw();
    if (IsServer())
    {
        const QString addresses = LanDiscovery::LocalAddressList();
        QString line = UiText(IDS_SERVER_STARTED_AT);
        line.replace(QStringLiteral("%s"), addresses).replace(QStringLiteral("%d"), QString::number(m_Link.GetPort()));
        Print(line);
        m_AddressText = addresses;
        m_Chat->setText(addresses);
        m_Chat->selectAll();
        PrintSummary();
    }
    UpdateButtons();
}

void CBughouseWnd::Redraw()
{
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    for (int v = 0; v < 2; ++v)
    {
        m_Panels[static_cast<size_t>(2 * v)]->SetPlayerIndex(seats.BottomSeat(local, v));
        m_Panels[static_cast<size_t>(2 * v + 1)]->SetPlayerIndex(seats.TopSeat(local, v));
        m_Views[static_cast<size_t>(v)]->SetFlipped(seats.Orientation(local, v) == 1);
    }
    UpdateInput();
}

void CBughouseWnd::UpdateInput()
{
    // A board takes the local player's moves only while it is its turn there.
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    for (int v = 0; v < 2; ++v)
    {
        CBoardView* view = m_Views[static_cast<size_t>(v)];
        const bool mine = m_Running && seats.BottomSeat(local, v) == local &&
                          view->SideToMove() == seats.BottomColour(local, v) && view->IsGameGoingOn();
        if (mine)
            view->EnableInput();
        else
            view->DisableInput();
    }
}

void CBughouseWnd::UpdateButtons()
{
    const int players = m_Roster.Count();
    const bool server = IsServer();
    const bool winOnZero = m_Settings.IsWinOnOpponentTimeZero();
    auto set = [this](int id, bool enabled, bool shown = true) {
        m_Buttons[id]->setEnabled(enabled);
        m_Buttons[id]->setVisible(shown);
    };
    set(kStartId, !m_Running && players >= 2, server && !m_Running);
    set(kResignId, m_Running, m_Running || !server);
    set(kTimeCallId, m_Running && !winOnZero && m_FlagFell);
    set(kAbortGameId, server && m_Running, server);
    set(kOfferDrawId, m_Running, !(m_OfferedToMe || m_OwnOffer) || !m_Running);
    set(kAcceptDrawId, m_Running && m_OfferedToMe, m_Running && m_OfferedToMe);
    set(kCancelOfferId, m_Running && m_OwnOffer && !m_OfferedToMe, m_Running && m_OwnOffer && !m_OfferedToMe);
    set(kRotatePlayersId, server && !m_Running && players >= 3);
    set(kSwitchPartnerId, server && !m_Running && players == 4);
    set(kSwitchColorId, server && !m_Running && players > 2);
    set(kSettingsId, true);
    set(kRulesId, true);
    set(kHelpId, true);
    set(kMenuId, true);
}

void CBughouseWnd::ApplySettingsToClocks()
{
    m_Settings.SetIsTimeInfinite(false);
    for (CPlayerWnd* panel : m_Panels)
    {
        panel->SetUnlimited(false);
        panel->SetTime(m_Settings.GetGameTime());
    }
}

void CBughouseWnd::PrintSummary()
{
    const QString summary = m_Settings.SummaryText();
    if (summary == m_LastSummary)
        return;
    m_LastSummary = summary;
    Print(summary);
}

void CBughouseWnd::StartGame()
{
    for (CBoardView* view : m_Views)
    {
        view->NewGame();
        view->SetKingCapture(m_Settings.IsKingCanBeCaptured());
    }
    ApplySettingsToClocks();
    // On each board the white side's clock starts.
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    for (int v = 0; v < 2; ++v)
    {
        const bool whiteAtBottom = seats.BottomColour(local, v) == COLOUR_WHITE;
        m_Panels[static_cast<size_t>(2 * v + (whiteAtBottom ? 0 : 1))]->Start();
    }
    m_Running = true;
    m_OfferedToMe = m_OwnOffer = m_FlagFell = m_FlagReported = false;
    ++m_GameCounter;
    Print(WithNumber(IDS_BUGHOUSE_GAME_STARTED, m_GameCounter));
    UpdateInput();
    UpdateButtons();
}

void CBughouseWnd::StopGame()
{
    for (CPlayerWnd* panel : m_Panels)
        panel->Stop();
    for (CBoardView* view : m_Views)
        view->DisableInput();
    m_Running = false;
    m_OfferedToMe = m_OwnOffer = m_FlagFell = m_FlagReported = false;
    UpdateButtons();
}

void CBughouseWnd::EndMatch(const BughouseVerdict& verdict)
{
    StopGame();
    switch (verdict.counter)
    {
    case BughouseCounter::Victory: m_Roster.AddVictory(); break;
    case BughouseCounter::Defeat: m_Roster.AddDefeat(); break;
    case BughouseCounter::Draw: m_Roster.AddDraw(); break;
    case BughouseCounter::None: break;
    }
    if (verdict.counter != BughouseCounter::None)
        Print(m_Roster.StatisticsText());
    if (!verdict.text.isEmpty())
        ShowNotice(verdict.text);
}

// ---------------------------------------------------------------------------
// Commands

void CBughouseWnd::OnCommand(int id)
{
    const CSkinButton* button = Button(id);
    if (button == nullptr || !button->isEnabled() || (!button->isVisible() && isVisible()))
        return;
    switch (id)
    {
    case kStartId:
        if (Send(CNetMessage(MSG_GAME_STARTED)))
            StartGame();
        break;
    case kResignId: Resign(); break;
    case kTimeCallId: (void)Send(CBughouseProtocol::MakeSeatMessage(MSG_TIME_CALL, LocalSeat())); break;
    case kAbortGameId: AbortGame(); break;
    case kOfferDrawId:
        m_OwnOffer = true;
        Print(UiText(IDS_BUGHOUSE_DRAW_NEXT_MOVE));
        UpdateButtons();
        break;
    case kAcceptDrawId: AcceptDraw(); break;
    case kCancelOfferId:
        m_OwnOffer = false;
        UpdateButtons();
        break;
    case kRotatePlayersId:
    case kSwitchPartnerId: ChangeSeats(id); break;
    case kSwitchColorId: SwitchColours(true); break;
    case kSettingsId: OpenSettings(); break;
    case kRulesId: ShowHelpPage(IDS_BUGHOUSE_RULES_TITLE, IDS_BUGHOUSE_RULES_PAGE); break;
    case kHelpId: ShowHelpPage(IDS_NETWORK_BUGHOUSE_HELP_TITLE, IDS_NETWORK_BUGHOUSE_HELP_PAGE); break;
    case kMenuId: Menu(); break;
    default: break;
    }
}

void CBughouseWnd::Resign()
{
    if (CMessageDlg::Ask(UiText(IDS_BUGHOUSE_CONFIRM_RESIGN), this) != IDYES)
        return;
    // The defeat counts before the message goes out.
    EndMatch(CBughouseJudge::OwnResignation());
    (void)Send(CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, LocalSeat()));
}

void CBughouseWnd::AbortGame()
{
    if (CMessageDlg::Ask(UiText(IDS_BUGHOUSE_CONFIRM_ABORT), this) == IDNO)
        return;
    StopGame();
    (void)Send(CNetMessage(MSG_GAME_ABORTED));
}

void CBughouseWnd::AcceptDraw()
{
    StopGame();
    if (Send(CNetMessage(MSG_DRAW_ACCEPTED)))
        EndMatch(CBughouseJudge::DrawAgreed());
}

void CBughouseWnd::ChangeSeats(int command)
{
    CBughouseSeats seats = Seats();
    const bool changed = command == kRotatePlayersId ? seats.Rotate(m_RotationStep) : seats.SwitchPartner();
    if (!changed)
        return;
    seats.ApplyTo(m_Roster);
    Redraw();
    Print(UiText(IDS_BUGHOUSE_POSITION_CHANGED));
    (void)Send(CBughouseProtocol::MakeSeatsChanged(seats));
    UpdateButtons();
}

void CBughouseWnd::SwitchColours(bool send)
{
    if (m_Roster.Count() == 0)
        return;
    PlayerEntry first = m_Roster.GetEntry(0);
    first.colour = OppositeColour(first.colour == COLOUR_BLACK ? COLOUR_BLACK : COLOUR_WHITE);
    m_Roster.SetEntry(0, first);
    Redraw();
    Print(UiText(IDS_BUGHOUSE_COLORS_SWITCHING));
    if (send)
        (void)Send(CNetMessage(MSG_SWITCH_COLORS));
}

void CBughouseWnd::ShowHelpPage(int titleId, int pageId)
{
    if (m_Help == nullptr)
        m_Help = new CHtmlDlg(this);
    m_Help->ShowHelp(titleId, pageId);
}

void CBughouseWnd::OpenSettings()
{
    CDoubleSettingsDlg dialog(m_Settings, IsServer(), m_Running, this);
    if (!m_RunSettings || m_RunSettings(dialog) != IDOK || !IsServer())
        return;
    // During a game the dialog changes only the display options: the clocks
    // keep running as they are, and the clients keep the same settings.
    if (m_Running)
        return;
    ApplySettingsToClocks();
    PrintSummary();
    BughouseSettingsValues values;
    const ClockTime time = m_Settings.GetGameTime();
    const int64_t seconds = time.Milliseconds() / 1000;
    values.hours = static_cast<int32_t>(std::min<int64_t>(99, seconds / 3600));
    values.minutes = static_cast<int32_t>(seconds / 60 % 60);
    values.seconds = static_cast<int32_t>(seconds % 60);
    values.bonusSeconds = m_Settings.GetNbSecondsBonus();
    values.winOnOpponentTimeZero = m_Settings.IsWinOnOpponentTimeZero();
    values.kingCanBeCaptured = m_Settings.IsKingCanBeCaptured();
    (void)Send(CBughouseProtocol::MakeSettings(values));
    UpdateButtons();
}

void CBughouseWnd::Menu()
{
    const bool connected = IsServer() ? m_Roster.Count() > 1 : m_Link.IsClientConnected();
    if (connected && CMessageDlg::Ask(UiText(IDS_BUGHOUSE_CONFIRM_QUIT), this) == IDNO)
        return;
    m_Link.Leave(true);
    StopGame();
    m_Roster.Reset();
    if (m_Hooks.showMenu)
        m_Hooks.showMenu();
}

void CBughouseWnd::SendChat(const QString& text)
{
    const QString nickname = m_Roster.GetNickname();
    PrintChat(nickname, text, true);
    (void)Send(CBughouseProtocol::MakeChat(nickname, text));
}

// ---------------------------------------------------------------------------
// The local player's moves and clocks

void CBughouseWnd::OnMove(CBoardView* view, const CMove& move, int32_t& promotion, Colour /*sideToMove*/, bool captured,
                          int32_t capturedPiece, std::string& /*sanText*/)
{
    const int v = ViewIndex(view);
    if (v < 0 || !m_Running)
        return;
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const Colour mover = seats.BottomColour(local, v);
    CPlayerWnd* own = m_Panels[static_cast<size_t>(2 * v)];
    own->Stop();
    if (captured)
        m_Views[static_cast<size_t>(1 - v)]->ReceivePiece(capturedPiece, OppositeColour(mover));
    BughouseMove sent;
    sent.seat = local;
    sent.orientation = seats.Orientation(local, v);
    sent.from = move.from;
    sent.to = move.to;
    sent.promotion = promotion;
    sent.captured = captured;
    sent.capturedPiece = captured ? capturedPiece : 0;
    sent.capturedColour = captured ? OppositeColour(mover) : COLOUR_NONE;
    sent.remainingMs = static_cast<int32_t>(std::max<int64_t>(0, own->GetTime().Milliseconds()));
    sent.drawOffer = m_OwnOffer;
    if (Send(CBughouseProtocol::MakeMove(sent)) && m_Running)
    {
        m_Panels[static_cast<size_t>(2 * v + 1)]->Start();
        m_OwnOffer = m_OfferedToMe = false;
    }
    UpdateInput();
    UpdateButtons();
}

void CBughouseWnd::OnDrop(CBoardView* view, const CCoordinate& square, PieceType type, Colour /*sideToMove*/)
{
    const int v = ViewIndex(view);
    if (v < 0 || !m_Running)
        return;
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    CPlayerWnd* own = m_Panels[static_cast<size_t>(2 * v)];
    own->Stop();
    BughouseDrop sent;
    sent.seat = local;
    sent.orientation = seats.Orientation(local, v);
    sent.square = square;
    sent.piece = type;
    sent.remainingMs = static_cast<int32_t>(std::max<int64_t>(0, own->GetTime().Milliseconds()));
    sent.drawOffer = m_OwnOffer;
    if (Send(CBughouseProtocol::MakeDrop(sent)) && m_Running)
    {
        m_Panels[static_cast<size_t>(2 * v + 1)]->Start();
        m_OwnOffer = m_OfferedToMe = false;
    }
    UpdateInput();
    UpdateButtons();
}

void CBughouseWnd::OnCheckmate(CBoardView* view, Colour sideToMove)
{
    const int v = ViewIndex(view);
    if (v < 0 || !m_Running)
        return;
    const CBughouseSeats seats = Seats();
    EndMatch(CBughouseJudge(seats, LocalSeat()).Checkmate(v, sideToMove));
}

void CBughouseWnd::OnStalemate(CBoardView* view, Colour /*sideToMove*/)
{
    if (ViewIndex(view) < 0 || !m_Running)
        return;
    EndMatch(CBughouseJudge::Stalemate());
}

void CBughouseWnd::OnTimeExpired(CPlayerClock* clock)
{
    if (!m_Running)
        return;
    // Only the local player's own clocks are judged here.
    const CBughouseSeats seats = Seats();
    bool own = false;
    for (int v : seats.OwnViews(LocalSeat()))
        own = own || &m_Panels[static_cast<size_t>(2 * v)]->Clock() == clock;
    if (!own)
        return;
    if (m_Settings.IsWinOnOpponentTimeZero())
    {
        EndMatch({});
        m_Roster.AddDefeat();
        Print(m_Roster.StatisticsText());
        if (Send(CBughouseProtocol::MakeSeatMessage(MSG_TIME_EXPIRED, LocalSeat())))
            ShowNotice(CBughouseJudge::OwnTimeLoss().text);
        return;
    }
    if (!m_FlagReported)
    {
        m_FlagReported = true;
        (void)Send(CNetMessage(MSG_FLAG_FELL));
    }
}

// ---------------------------------------------------------------------------
// Messages from the network

void CBughouseWnd::HandleGameMessage(const CNetMessage& message)
{
    switch (message.GetId())
    {
    case MSG_JOIN_ACCEPTED:
    case MSG_PLAYER_JOINED:
    case MSG_SEATS_CHANGED: ReceiveSeats(message); break;
    case MSG_GAME_STARTED:
        if (!IsServer())
            StartGame();
        break;
    case MSG_MOVE: ReceiveMove(message); break;
    case MSG_DROP: ReceiveDrop(message); break;
    case MSG_RESIGN:
    case MSG_TIME_EXPIRED: ReceiveSeatMessage(message); break;
    case MSG_TIME_CALL: ReceiveTimeCall(message); break;
    case MSG_FLAG_FELL:
        if (m_Running)
        {
            m_FlagFell = true;
            UpdateButtons();
        }
        break;
    case MSG_DRAW_ACCEPTED:
        if (m_Running)
            EndMatch(CBughouseJudge::DrawAgreed());
        break;
    case MSG_GAME_ABORTED:
        if (m_Running)
        {
            Print(CBughouseJudge::Aborted().text);
            EndMatch(CBughouseJudge::Aborted());
        }
        break;
    case MSG_SWITCH_COLORS:
        if (!IsServer() && !m_Running)
            SwitchColours(false);
        break;
    case MSG_SETTINGS:
        if (!IsServer())
            ReceiveSettings(message, 0);
        break;
    case MSG_CHAT: ReceiveChat(message); break;
    case MSG_PLAYER_LEFT:
    {
        std::string name;
        (void)message.GetStringAt(0, name);
        const QString nickname = CBughouseProtocol::FromWire(name);
        const int seat = Seats().SeatOf(nickname);
        PlayerLeaves(nickname, seat >= 0 ? m_Roster.GetEntry(seat).connectionId : 0);
        break;
    }
    default: break;
    }
}

void CBughouseWnd::ReceiveSeats(const CNetMessage& message)
{
    const int id = message.GetId();
    if (IsServer() || m_Running)
        return; // the server seats the players itself; seats never change mid-game
    const int first = id == MSG_JOIN_ACCEPTED ? 7 : id == MSG_PLAYER_JOINED ? 1 : 0;
    std::optional<CBughouseSeats> seats = CBughouseProtocol::ReadSeats(message, first);
    if (!seats || seats->SeatOf(m_Roster.GetNickname()) < 0)
        return;
    if (id == MSG_JOIN_ACCEPTED)
        ReceiveSettings(message, 0);
    if (id == MSG_SEATS_CHANGED)
        m_Roster.Reset();
    seats->ApplyTo(m_Roster);
    Redraw();
    if (id == MSG_JOIN_ACCEPTED)
    {
        if (m_Hooks.showWindow)
            m_Hooks.showWindow();
        Print(UiText(IDS_BUGHOUSE_CONNECTED_AS).arg(m_Roster.GetNickname()));
        for (const PlayerEntry& entry : seats->Players())
        {
            if (entry.name != m_Roster.GetNickname())
                Print(UiText(IDS_BUGHOUSE_IS_IN_GAME).arg(entry.name));
        }
    }
    else if (id == MSG_PLAYER_JOINED)
    {
        std::string name;
        (void)message.GetStringAt(0, name);
        if (CBughouseProtocol::FromWire(name) != m_Roster.GetNickname())
            Print(UiText(IDS_NET_JOINS_GAME).arg(CBughouseProtocol::FromWire(name)));
    }
    else
        Print(UiText(IDS_BUGHOUSE_POSITION_CHANGED));
    UpdateButtons();
}

void CBughouseWnd::ReceiveSettings(const CNetMessage& message, int first)
{
    const std::optional<BughouseSettingsValues> values = CBughouseProtocol::ReadSettings(message, first);
    if (!values || m_Running)
        return;
    m_Settings.SetGameTime(values->hours, values->minutes, values->seconds);
    m_Settings.SetNbSecondsBonus(values->bonusSeconds);
    m_Settings.SetIsWinOnOpponentTimeZero(values->winOnOpponentTimeZero);
    m_Settings.SetIsKingCanBeCaptured(values->kingCanBeCaptured);
    ApplySettingsToClocks();
    PrintSummary();
}

void CBughouseWnd::AfterReceived(int view, int seat, int32_t remainingMs, bool drawOffer)
{
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const bool atBottom = seats.BottomSeat(local, view) == seat;
    CPlayerWnd* mover = m_Panels[static_cast<size_t>(2 * view + (atBottom ? 0 : 1))];
    CPlayerWnd* next = m_Panels[static_cast<size_t>(2 * view + (atBottom ? 1 : 0))];
    mover->Stop();
    mover->SetTime(ClockTime(remainingMs));
    if (m_Running)
        next->Start();
    if (drawOffer && m_Running)
    {
        if (seat == seats.PartnerOf(local))
            Print(UiText(IDS_BUGHOUSE_PARTNER_OFFERS_DRAW));
        else
        {
            m_OfferedToMe = true;
            Print(UiText(IDS_BUGHOUSE_OPPONENT_OFFERS_DRAW));
        }
    }
    UpdateInput();
    UpdateButtons();
}

void CBughouseWnd::ReceiveMove(const CNetMessage& message)
{
    if (!m_Running)
        return;
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const std::optional<BughouseMove> move = CBughouseProtocol::ReadMove(message, seats, local, GameTimeMs());
    if (!move)
        return;
    const int v = seats.ViewOfMove(local, move->seat, move->orientation);
    CBoardView* view = m_Views[static_cast<size_t>(v)];
    const CMove played(move->from, move->to);
    const Colour moverColour = move->orientation == 1 ? COLOUR_BLACK : COLOUR_WHITE;
    Colour capturedColour = COLOUR_NONE;
    // The capture is read from this program's own board, not from the message.
    const int32_t capturedPiece = CapturedBy(view->GetPosition(), played, capturedColour);
    if (view->SideToMove() != moverColour || view->GetPosition().ColourAt(move->from) != moverColour)
    {
        BoardsDiffer(move->seat);
        return;
    }
    const int32_t promotion = IsPromotionChoice(move->promotion) ? move->promotion : PIECE_QUEEN;
    view->SetPromotionChooser([promotion](Colour, const CChessPosition&) { return promotion; });
    std::string text;
    const bool ok = view->PlayMove(played, false, text);
    view->SetPromotionChooser(nullptr);
    if (!ok)
    {
        BoardsDiffer(move->seat);
        return;
    }
    if (capturedPiece >= 0 && TypeOfCode(static_cast<PieceCode>(capturedPiece)) != PIECE_KING)
        m_Views[static_cast<size_t>(1 - v)]->ReceivePiece(capturedPiece, capturedColour);
    // Also after a move that ended the match: the mover's clock shows the
    // time the mover's program had, as it does everywhere else.
    AfterReceived(v, move->seat, move->remainingMs, move->drawOffer);
}

void CBughouseWnd::ReceiveDrop(const CNetMessage& message)
{
    if (!m_Running)
        return;
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const std::optional<BughouseDrop> drop = CBughouseProtocol::ReadDrop(message, seats, local, GameTimeMs());
    if (!drop)
        return;
    const int v = seats.ViewOfMove(local, drop->seat, drop->orientation);
    CBoardView* view = m_Views[static_cast<size_t>(v)];
    const Colour moverColour = drop->orientation == 1 ? COLOUR_BLACK : COLOUR_WHITE;
    if (view->SideToMove() != moverColour || !view->PlayDrop(drop->square, drop->piece, false))
    {
        BoardsDiffer(drop->seat);
        return;
    }
    // Also after a move that ended the match: the mover's clock shows the
    // time the mover's program had, as it does everywhere else.
    AfterReceived(v, drop->seat, drop->remainingMs, drop->drawOffer);
}

void CBughouseWnd::BoardsDiffer(int seat)
{
    Print(UiText(IDS_BUGHOUSE_REFUSED_MOVE).arg(m_Roster.GetEntry(seat).name));
    StopGame();
    if (IsServer())
        (void)Send(CNetMessage(MSG_GAME_ABORTED));
}

void CBughouseWnd::ReceiveSeatMessage(const CNetMessage& message)
{
    if (!m_Running)
        return;
    const CBughouseSeats seats = Seats();
    const std::optional<int> seat = CBughouseProtocol::ReadSeat(message, seats, LocalSeat());
    if (!seat)
        return;
    const CBughouseJudge judge(seats, LocalSeat());
    EndMatch(message.GetId() == MSG_RESIGN ? judge.Resigned(*seat) : judge.TimeExpired(*seat));
}

void CBughouseWnd::ReceiveTimeCall(const CNetMessage& message)
{
    const CBughouseSeats seats = Seats();
    const int local = LocalSeat();
    const std::optional<int> caller = CBughouseProtocol::ReadSeat(message, seats, local);
    if (!caller || !CBughouseJudge(seats, local).AcceptsTimeCall(*caller, m_Running))
        return;
    for (CPlayerWnd* panel : m_Panels)
        panel->Stop();
    bool expired = false;
    for (int v : seats.OwnViews(local))
        expired = expired || m_Panels[static_cast<size_t>(2 * v)]->GetTime().Milliseconds() <= 0;
    if (!expired)
    {
        // Not out of time: play goes on with the clock of each side to move.
        for (int v = 0; v < 2; ++v)
        {
            const bool bottomToMove = m_Views[static_cast<size_t>(v)]->SideToMove() == seats.BottomColour(local, v);
            m_Panels[static_cast<size_t>(2 * v + (bottomToMove ? 0 : 1))]->Start();
        }
        return;
    }
    StopGame();
    if (Send(CBughouseProtocol::MakeSeatMessage(MSG_TIME_EXPIRED, local)))
        EndMatch(CBughouseJudge::OwnTimeLoss());
}

void CBughouseWnd::ReceiveChat(const CNetMessage& message)
{
    const auto chat = CBughouseProtocol::ReadChat(message);
    if (chat)
        PrintChat(chat->first, chat->second, false);
}

// ---------------------------------------------------------------------------
// Players coming and going

void CBughouseWnd::OnPlayerAdmitted(int /*userId*/, const QString& /*nickname*/)
{
    if (!m_AddressText.isEmpty() && m_Chat->text() == m_AddressText)
        m_Chat->clear();
    Redraw();
    UpdateButtons();
}

void CBughouseWnd::OnSeatedUserGone(int userId)
{
    const int seat = Seats().SeatOfConnection(userId);
    if (seat <= 0)
        return;
    const QString name = m_Roster.GetEntry(seat).name;
    CNetMessage left(MSG_PLAYER_LEFT);
    left.AddString(CBughouseProtocol::ToWire(name));
    (void)Send(left);
    PlayerLeaves(name, userId);
}

void CBughouseWnd::PlayerLeaves(const QString& name, int32_t userId)
{
    const bool wasRunning = m_Running;
    StopGame();
    const QString text = UiText(IDS_BUGHOUSE_LEAVES).arg(name);
    if (wasRunning)
        ShowNotice(text);
    else
        Print(text);
    if (!IsServer())
        return; // the seats follow from the MSG_SEATS_CHANGED that comes next
    CBughouseSeats seats = Seats();
    const int seat = seats.SeatOf(name);
    if (seat <= 0)
        return;
    m_RotationStep = 0;
    if (userId != 0)
    {
        m_Link.RemoveSeatedUser(userId);
        (void)m_Link.DisconnectUser(userId);
    }
    seats.Remove(seat);
    seats.ApplyTo(m_Roster);
    Redraw();
    UpdateButtons();
    (void)Send(CBughouseProtocol::MakeSeatsChanged(seats));
}

void CBughouseWnd::OnConnectionLost(int reason)
{
    if (reason == 2)
    {
        StopGame();
        ShowNotice(UiText(IDS_BUGHOUSE_SERVER_LEFT));
    }
    else if (reason == 3 || reason == 4)
    {
        StopGame();
        ShowNotice(UiText(IDS_BUGHOUSE_COMM_ERROR));
    }
}
