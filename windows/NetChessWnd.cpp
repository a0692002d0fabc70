#include "NetChessWnd.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "LanDiscovery.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "OutputPane.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "ProgramFolders.h"
#include "PromotionDlg.h"
#include "SingleNetSettingsDlg.h"
#include "SkinButton.h"
#include "SoundPlayer.h"
#include "UiText.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

using namespace ProgramTexts;

namespace
{
// Ceiling for received game times: beyond any real clock, far from overflow.
constexpr int32_t kMaxHours = 99;

QString Wire(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToWire(const QString& text)
{
    return text.toUtf8().toStdString();
}

Colour Other(Colour colour)
{
    return colour == COLOUR_WHITE ? COLOUR_BLACK : COLOUR_WHITE;
}

QString ColourName(Colour colour)
{
    return UiText(colour == COLOUR_WHITE ? IDS_NC_WHITE : IDS_NC_BLACK);
}

// The rows of the button column, top to bottom; buttons sharing a row share a place.
const std::vector<std::vector<int>>& ButtonRows()
{
    static const std::vector<std::vector<int>> rows = {
        {CNetChessWnd::kStartGameId, CNetChessWnd::kResignId},
        {CNetChessWnd::kTimeCallId},
        {CNetChessWnd::kAbortGameId},
        {CNetChessWnd::kOfferDrawId, CNetChessWnd::kCancelOfferId, CNetChessWnd::kAcceptDrawId},
        {CNetChessWnd::kTakebackId, CNetChessWnd::kAcceptTakebackId},
        {CNetChessWnd::kResetBoardId},
        {CNetChessWnd::kSwitchColorId},
        {CNetChessWnd::kLoadGameId},
        {CNetChessWnd::kSaveGameId},
        {CNetChessWnd::kHelpId},
        {CNetChessWnd::kSettingsId},
        {CNetChessWnd::kMenuId},
    };
    return rows;
}
}

CNetChessWnd::CNetChessWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, QWidget* parent)
    : QWidget(parent), m_Link(link), m_Roster(roster), m_Settings(settings)
{
    m_Board = new CBoardView(this);
    m_Board->SetObserver(this);
    UseOwnPromotionChooser();
    m_Board->SetHighlightSetting([this] { return m_Settings.IsCurrentMoveHighlighted(); });
    m_Top = new CPlayerWnd(-1, this, this);
    m_Bottom = new CPlayerWnd(0, this, this);
    m_MoveList = new CMoveListWnd(this, this);
    m_Output = new COutputPane(this);
    m_Chat = new CChatEdit(this);
    m_Chat->Attach(this);
    // Stable names for the widgets, by which tools and tests find them.
    setObjectName(QStringLiteral("NetChessWnd"));
    m_Board->setObjectName(QStringLiteral("board"));
    m_Top->setObjectName(QStringLiteral("topPanel"));
    m_Bottom->setObjectName(QStringLiteral("bottomPanel"));
    m_MoveList->setObjectName(QStringLiteral("moveList"));
    m_Output->setObjectName(QStringLiteral("chatOutput"));
    m_Chat->setObjectName(QStringLiteral("chatInput"));

    const std::pair<int, int> buttons[] = {
        {kResetBoardId, IDS_NC_RESET_BOARD},
        {kStartGameId, IDS_NC_START_GAME},
        {kTimeCallId, IDS_NC_TIME_CALL},
        {kAbortGameId, IDS_NC_ABORT_GAME},
        {kResignId, IDS_NC_RESIGN},
        {kOfferDrawId, IDS_NC_OFFER_DRAW},
        {kCancelOfferId, IDS_NC_CANCEL_OFFER},
        {kAcceptDrawId, IDS_NC_ACCEPT_DRAW},
        {kTakebackId, IDS_NC_TAKEBACK},
        {kAcceptTakebackId, IDS_NC_ACCEPT_TAKEBACK},
        {kSwitchColorId, IDS_NC_SWITCH_COLOR},
        {kLoadGameId, IDS_NC_LOAD_GAME},
        {kSaveGameId, IDS_NC_SAVE_GAME},
        {kHelpId, IDS_CONN_HELP},
        {kSettingsId, IDS_NC_SETTINGS},
        {kMenuId, IDS_NC_MENU},
    };
    for (const auto& [id, text] : buttons)
    {
        auto* button = new CSkinButton(text, this, id);
        connect(button, &QPushButton::clicked, this, [this, id = id] { OnCommand(id); });
        m_Buttons[id] = button;
    }

    m_AskFile = [this](bool save, const QString& folder, const QString& suggested) {
        const QString filter = UiText(IDS_NC_PGN_FILTER);
        if (!save)
            return QFileDialog::getOpenFileName(this, QString(), folder, filter);
        QFileDialog dialog(this, QString(), folder + QLatin1Char('/') + suggested, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("pgn"));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                       : QString();
    };
    m_RunSettings = [this](bool isServer, bool running) {
        CSingleNetSettingsDlg dialog(m_Settings, isServer, running, this);
        return dialog.exec() == QDialog::Accepted;
    };
    resize(800, 600);
    Open();
}

CNetChessWnd::~CNetChessWnd() = default;

// ---------------------------------------------------------------------------
// Small helpers

CSkinButton* CNetChessWnd::Button(int id) const
{
    const auto it = m_Buttons.find(id);
    return it == m_Buttons.end() ? nullptr : it->second;
}

Colour CNetChessWnd::MyColour() const
{
    const Colour colour = m_Roster.GetEntry(0).colour;
    return colour == COLOUR_BLACK ? COLOUR_BLACK : COLOUR_WHITE;
}

Colour CNetChessWnd::OpponentColour() const
{
    return Other(MyColour());
}

bool CNetChessWnd::IsMyTurn() const
{
    return m_Running && m_Board->SideToMove() == MyColour();
}

bool CNetChessWnd::IsServer() const
{
    return m_Link.IsServer();
}

bool CNetChessWnd::HasOpponent() const
{
    return IsServer() ? m_Roster.Count() >= 2 && !m_Roster.GetEntry(1).name.isEmpty() : m_Link.IsClientConnected();
}

bool CNetChessWnd::TimeLimited() const
{
    return !m_Settings.IsTimeInfinite();
}

CPlayerWnd* CNetChessWnd::PanelOf(Colour colour) const
{
    return colour == MyColour() ? m_Bottom : m_Top;
}

bool CNetChessWnd::Send(const CNetMessage& message)
{
    return m_Link.Send(message);
}

void CNetChessWnd::Print(const QString& text)
{
    m_Output->AddLine(QStringLiteral("- ") + text, COutputPane::ChatFont(), COutputPane::NoticeColour());
}

void CNetChessWnd::ReportStats()
{
    Print(m_Roster.StatisticsText());
}

bool CNetChessWnd::Summary()
{
    const QString summary = m_Settings.SummaryText();
    if (summary == m_LastSummary)
        return false;
    m_LastSummary = summary;
    Print(summary);
    return true;
}

void CNetChessWnd::ShowNotice(const QString& text)
{
    CMessageDlg::ShowInformation(text, this);
}

void CNetChessWnd::SetTitle(const QString& title)
{
    if (m_Hooks.setTitle)
        m_Hooks.setTitle(title);
}

void CNetChessWnd::TurnNotice()
{
    SetTitle(QStringLiteral("* [%1] *").arg(UiText(IDS_APP_TITLE)));
    if (m_Settings.GetPlaySoundOnOpponentMove())
        CSoundPlayer::Play(QStringLiteral("IDR_PLAY_MOVE"), true);
}

bool CNetChessWnd::ResultFlags(bool& drawn, bool& whiteLost, bool& blackLost) const
{
    drawn = m_Drawn;
    whiteLost = m_WhiteLost;
    blackLost = m_BlackLost;
    return drawn || whiteLost || blackLost;
}

// ---------------------------------------------------------------------------
// Open, EndGame, UpdateButtons

void CNetChessWnd::Open()
{
    m_Drawn = m_WhiteLost = m_BlackLost = false;
    m_DrawPending = m_DrawOffered = m_DrawOfferSent = false;
    m_TakebackRequested = m_TakebackAsked = false;
    m_Running = m_OpponentFlagFell = m_MyFlagFell = false;
    m_LastSummary.clear();
    m_AddressText.clear();
    m_Bottom->Stop();
    m_Top->Stop();
    m_BlackAtBottom = false;
    m_Board->SetFlipped(false);
    if (m_Roster.Count() > 0)
    {
        PlayerEntry me = m_Roster.GetEntry(0);
        me.colour = COLOUR_WHITE;
        m_Roster.SetEntry(0, me);
    }
    m_MoveList->Clear();
    m_MoveList->SetResult(std::string());
    m_Board->NewGame();
    m_Board->DisableInput();
    m_Output->Clear();
    m_Chat->clear();
    m_GameNumber = 0;

    for (CPlayerWnd* panel : {m_Bottom, m_Top})
    {
        panel->SetUnlimited(m_Settings.IsTimeInfinite());
        panel->SetTime(m_Settings.GetGameTime());
    }
    m_Bottom->SetPlayerIndex(0);
    m_Top->SetPlayerIndex(-1);

    if (IsServer())
    {
        const QString addresses = LanDiscovery::LocalAddressList();
        QString line = UiText(IDS_SERVER_STARTED_AT);
        line.replace(QStringLiteral("%s"), addresses).replace(QStringLiteral("%d"), QString::number(m_Link.GetPort()));
        Print(line);
        if (!m_FromCommandLine)
        {
            m_AddressText = addresses;
            m_Chat->setText(addresses);
            m_Chat->selectAll();
        }
        if (m_Roster.Count() >= 2 && !m_Roster.GetEntry(1).name.isEmpty())
            m_Top->SetPlayerIndex(1);
        Summary();
        m_MoveList->SetInformation(UiText(IDS_NC_CLICK_START));
    }
    else
        m_MoveList->SetInformation(UiText(IDS_NC_ONLY_SERVER));
    UpdateButtons();
}

void CNetChessWnd::EndGame()
{
    SetTitle(UiText(IDS_APP_TITLE));
    m_Bottom->Stop();
    m_Top->Stop();
    m_Board->DisableInput();
    m_DrawPending = m_DrawOffered = m_DrawOfferSent = false;
    m_TakebackRequested = m_TakebackAsked = false;
    m_Running = m_OpponentFlagFell = m_MyFlagFell = false;
    UpdateButtons();
}

void CNetChessWnd::UpdateButtons()
{
    const bool server = IsServer();
    const bool idleServer = server && !m_Running;
    auto set = [this](int id, bool shown, bool enabled) {
        CSkinButton* button = Button(id);
        button->setVisible(shown);
        button->setEnabled(enabled);
    };
    set(kStartGameId, !m_Running, idleServer && m_Roster.Count() >= 2 && m_Board->IsGameGoingOn());
    set(kResignId, m_Running, true);
    set(kTimeCallId, true, !m_Settings.IsWinOnOpponentTimeZero() && m_Running && TimeLimited() && m_OpponentFlagFell);
    set(kOfferDrawId, (!m_DrawPending && !m_DrawOffered) || !m_Running, m_Running);
    set(kCancelOfferId, m_Running && m_DrawPending && !m_DrawOffered, true);
    set(kAcceptDrawId, m_Running && m_DrawOffered, true);
    const bool acceptTakeback = m_Running && m_TakebackRequested;
    set(kAcceptTakebackId, acceptTakeback, true);
    set(kTakebackId, !acceptTakeback, m_Running && !m_MoveList->ShownMoves().empty());
    for (int id : {kResetBoardId, kSwitchColorId, kLoadGameId})
        set(id, true, idleServer);
    set(kAbortGameId, true, server && m_Running);
    for (int id : {kSaveGameId, kHelpId, kSettingsId, kMenuId})
        set(id, true, true);
    m_Bottom->SetUnlimited(m_Settings.IsTimeInfinite());
    m_Top->SetUnlimited(m_Settings.IsTimeInfinite());
    m_MoveList->UpdateBrowseButtons();
}

void CNetChessWnd::OnCommand(int id)
{
    const CSkinButton* button = Button(id);
    // A hidden or disabled button does nothing, whatever sends the command.
    if (button == nullptr || button->isHidden() || !button->isEnabled())
        return;
    switch (id)
    {
    case kStartGameId: StartGame(); break;
    case kResignId: Resign(); break;
    case kTimeCallId: TimeCall(); break;
    case kAbortGameId: AbortGame(); break;
    case kOfferDrawId:
        m_DrawPending = true;
        Print(UiText(IDS_NC_DRAW_WITH_NEXT));
        UpdateButtons();
        break;
    case kCancelOfferId:
        m_DrawPending = false;
        UpdateButtons();
        break;
    case kAcceptDrawId: AcceptDraw(); break;
    case kTakebackId: RequestTakeback(); break;
    case kAcceptTakebackId: AcceptTakeback(); break;
    case kResetBoardId: ResetBoard(); break;
    case kSwitchColorId:
        SwitchColours();
        Send(CNetMessage(MSG_SWITCH_COLORS));
        break;
    case kLoadGameId: LoadGame(); break;
    case kSaveGameId: SaveGame(); break;
    case kHelpId: ShowHelp(); break;
    case kSettingsId: OpenSettings(); break;
    case kMenuId: Menu(); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Starting a game

void CNetChessWnd::StartGame()
{
    m_MoveList->SetInformation(QString());
    m_MoveList->SetResult(std::string());
    m_Board->SetKingCapture(m_Settings.IsKingCanBeCaptured());
    UseOwnPromotionChooser();
    m_Running = true; // IsMyTurn asks for a running game
    const bool myTurn = IsMyTurn();
    if (myTurn)
        m_Board->EnableInput();
    for (CPlayerWnd* panel : {m_Bottom, m_Top})
        panel->SetUnlimited(m_Settings.IsTimeInfinite());
    if (TimeLimited())
    {
        m_Bottom->SetTime(m_Settings.GetGameTime());
        m_Top->SetTime(m_Settings.GetGameTime());
        m_ClockSwitch.SetMoveStartTime(m_Settings.GetGameTime());
        if (myTurn)
        {
            m_Bottom->Start();
            TurnNotice();
        }
        else
            m_Top->Start();
    }
    else if (myTurn)
        TurnNotice();
    m_DrawOffered = m_TakebackRequested = m_DrawPending = m_DrawOfferSent = m_TakebackAsked = false;
    m_Drawn = m_WhiteLost = m_BlackLost = false;
    m_OpponentFlagFell = m_MyFlagFell = false;
    ++m_GameNumber;
    Print(UiText(IDS_NC_GAME_STARTED).replace(QStringLiteral("%1!d!"), QString::number(m_GameNumber)));

    CNetMessage started(MSG_GAME_STARTED);
    const std::vector<std::string>& moves = m_Board->MoveTexts();
    const int shown = static_cast<int>(m_Board->GetPosition().CurrentPly());
    const int count = std::min<int>(shown, static_cast<int>(moves.size()));
    started.AddLong(count);
    for (int i = 0; i < count; ++i)
        started.AddString(moves[static_cast<size_t>(i)]);
    Send(started);
    UpdateButtons();
}

void CNetChessWnd::ReceiveGameStarted(const CNetMessage& message)
{
    if (IsServer())
        return;
    int32_t count = -1;
    if (!message.GetLongAt(0, count) || count < 0 || count > kMaxReceivedMoves || message.GetElementCount() < count + 1)
    {
        CommunicationError(true);
        return;
    }
    std::vector<std::string> moves;
    moves.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i)
    {
        std::string san;
        if (!message.GetStringAt(i, san))
        {
            CommunicationError(true);
            return;
        }
        moves.push_back(std::move(san));
    }
    EndGame();
    m_Board->NewGame();
    m_Board->SetKingCapture(m_Settings.IsKingCanBeCaptured());
    UseOwnPromotionChooser();
    m_Board->LoadMoveList(moves);
    // A move list our rules cannot follow would leave the two boards apart.
    if (m_Board->MoveTexts().size() != moves.size())
    {
        m_MoveList->Clear();
        m_MoveList->AddMoves(m_Board->MoveTexts());
        CommunicationError(true);
        return;
    }
    m_MoveList->SetInformation(QString());
    m_MoveList->SetResult(std::string());
    m_MoveList->Clear();
    m_MoveList->AddMoves(m_Board->MoveTexts());
    m_Running = true;
    m_DrawOffered = m_TakebackRequested = m_DrawPending = m_DrawOfferSent = m_TakebackAsked = false;
    m_Drawn = m_WhiteLost = m_BlackLost = false;
    m_OpponentFlagFell = m_MyFlagFell = false;
    if (TimeLimited())
    {
        m_Bottom->SetTime(m_Settings.GetGameTime());
        m_Top->SetTime(m_Settings.GetGameTime());
        m_ClockSwitch.SetMoveStartTime(m_Settings.GetGameTime());
    }
    const bool even = count % 2 == 0;
    const bool myTurn = (MyColour() == COLOUR_WHITE) == even;
    if (myTurn)
    {
        if (TimeLimited())
            m_Bottom->Start();
        m_Board->EnableInput();
        TurnNotice();
    }
    else if (TimeLimited())
        m_Top->Start();
    ++m_GameNumber;
    Print(UiText(IDS_NC_GAME_STARTED).replace(QStringLiteral("%1!d!"), QString::number(m_GameNumber)));
    UpdateButtons();
}

// ---------------------------------------------------------------------------
// Moves

void CNetChessWnd::UseOwnPromotionChooser()
{
    m_Board->SetPromotionChooser([this](Colour side, const CChessPosition&) { return AskPromotion(side); });
}

int32_t CNetChessWnd::AskPromotion(Colour side)
{
    if (m_PromotionAsker)
        return m_PromotionAsker(side);
    CPromotionDlg dialog(side, window());
    // Over the board's middle, where the pawn is.
    const QRect area(m_Board->mapToGlobal(QPoint(0, 0)), m_Board->size());
    dialog.move(area.center() - QPoint(CPromotionDlg::kWidth / 2, CPromotionDlg::kHeight / 2));
    return CPromotionDlg::PieceOfResult(dialog.exec());
}

void CNetChessWnd::OnMove(CBoardView*, const CMove& move, int32_t& promotion, Colour, bool, int32_t,
                          std::string& sanText)
{
    m_MoveList->AddMove(sanText);
    // The game ended while the promotion chooser was open (a result or a lost
    // connection arrived meanwhile): the move stays on this board only.
    if (!m_Running)
    {
        m_Board->DisableInput();
        UpdateButtons();
        return;
    }
    if (TimeLimited())
        m_ClockSwitch.SwitchAfterMove(m_Bottom->Clock(), m_Top->Clock(), m_Settings.GetNbSecondsBonus(),
                                      !m_Settings.IsTimeInfinite());
    SetTitle(UiText(IDS_APP_TITLE));
    m_DrawOffered = false;
    m_TakebackRequested = false;
    m_Board->DisableInput();

    CNetMessage message(MSG_MOVE);
    message.AddInt(move.from.y);
    message.AddInt(move.from.x);
    message.AddInt(move.to.y);
    message.AddInt(move.to.x);
    message.AddInt(promotion);
    message.AddInt(m_Bottom->Clock().GetTime().Milliseconds());
    message.AddInt(m_DrawPending ? 1 : 0);
    if (Send(message))
    {
        m_DrawOfferSent = m_DrawPending;
        m_DrawPending = false;
    }
    UpdateButtons();
}

void CNetChessWnd::ReceiveMove(const CNetMessage& message)
{
    int32_t v[7] = {};
    for (int i = 0; i < 7; ++i)
        if (!message.GetIntAt(i, v[i]))
        {
            CommunicationError();
            return;
        }
    // A move is only expected from the opponent, on the opponent's turn.
    if (!m_Running || IsMyTurn())
    {
        if (m_Running)
            CommunicationError();
        return;
    }
    for (int i = 0; i < 4; ++i)
        if (v[i] < 0 || v[i] > 7)
        {
            CommunicationError();
            return;
        }
    if (v[4] < 0 || v[4] > PIECE_QUEEN || v[5] < 0 || (v[6] != 0 && v[6] != 1))
    {
        CommunicationError();
        return;
    }

    if (v[6] == 1)
    {
        m_DrawOffered = true;
        Print(UiText(IDS_NC_DRAW_OFFERED));
    }
    // The opponent's move lets my own offer lapse.
    m_DrawOfferSent = false;
    m_TakebackAsked = false;
    if (TimeLimited())
    {
        m_Top->Stop();
        m_Top->SetTime(ClockTime(v[5]));
    }
    // The promotion chooser answers the received piece instead of asking; no piece means a queen.
    const int32_t piece = v[4] == PIECE_PAWN ? PIECE_QUEEN : v[4];
    m_Board->SetPromotionChooser([piece](Colour, const CChessPosition&) { return piece; });
    const CMove move(CCoordinate(v[0], v[1]), CCoordinate(v[2], v[3]));
    std::string san;
    const bool played = m_Board->PlayMove(move, isVisible(), san);
    UseOwnPromotionChooser();
    if (!played)
    {
        CommunicationError();
        return;
    }
    m_MoveList->AddMove(san);
    if (m_Running)
    {
        m_Board->EnableInput();
        if (TimeLimited())
        {
            m_ClockSwitch.SetMoveStartTime(m_Bottom->Clock().GetTime());
            m_Bottom->Start();
        }
        TurnNotice();
        UpdateButtons();
    }
}

// ---------------------------------------------------------------------------
// Results

void CNetChessWnd::OnCheckmate(CBoardView*, Colour mated)
{
    EndGame();
    if (mated == MyColour())
        m_Roster.AddDefeat();
    else
        m_Roster.AddVictory();
    ReportStats();
    ShowNotice(UiText(IDS_NC_CHECKMATE).arg(ColourName(mated), ColourName(Other(mated))));
}

void CNetChessWnd::OnStalemate(CBoardView*, Colour colour)
{
    DrawResult(UiText(IDS_NC_STALEMATE).arg(ColourName(colour)));
}

void CNetChessWnd::OnThreefoldRepetition(CBoardView*, Colour)
{
    DrawResult(UiText(180));
}

void CNetChessWnd::OnInsufficientMaterial(CBoardView*, Colour)
{
    DrawResult(UiText(179));
}

void CNetChessWnd::OnFiftyMoveRule(CBoardView*, Colour)
{
    DrawResult(UiText(178));
}

void CNetChessWnd::DrawResult(const QString& text)
{
    EndGame();
    m_Roster.AddDraw();
    ReportStats();
    ShowNotice(text);
}

void CNetChessWnd::OnCheck(CBoardView*, Colour colour)
{
    if (!m_Settings.IsKingCanBeCaptured() && colour == MyColour() && m_Running)
        Print(UiText(IDS_NC_KING_IN_CHECK));
}

void CNetChessWnd::AcceptDraw()
{
    EndGame();
    m_Drawn = true;
    if (Send(CNetMessage(MSG_DRAW_ACCEPTED)))
    {
        m_Roster.AddDraw();
        ReportStats();
        ShowNotice(UiText(IDS_NC_DRAW));
    }
}

void CNetChessWnd::Resign()
{
    if (CMessageDlg::Ask(UiText(IDS_NC_ASK_RESIGN), this) != IDYES || !m_Running)
        return;
    EndGame();
    (MyColour() == COLOUR_WHITE ? m_WhiteLost : m_BlackLost) = true;
    m_Roster.AddDefeat();
    ReportStats();
    Send(CNetMessage(MSG_RESIGN));
}

void CNetChessWnd::AbortGame()
{
    if (CMessageDlg::Ask(UiText(IDS_NC_ASK_ABORT), this) != IDYES || !m_Running)
        return;
    EndGame();
    Send(CNetMessage(MSG_GAME_ABORTED));
}

void CNetChessWnd::OnTimeExpired(CPlayerClock* clock)
{
    // Each program judges only its own clock, and only on its own turn.
    if (clock != &m_Bottom->Clock() || !IsMyTurn() || !TimeLimited())
        return;
    if (m_Settings.IsWinOnOpponentTimeZero())
    {
        EndGame();
        if (Send(CNetMessage(MSG_TIME_EXPIRED)))
        {
            m_Roster.AddDefeat();
            ReportStats();
        }
        ShowNotice(UiText(IDS_NC_MY_TIME_EXPIRED));
        return;
    }
    m_MyFlagFell = true;
    Send(CNetMessage(MSG_FLAG_FELL));
}

void CNetChessWnd::TimeCall()
{
    Send(CNetMessage(MSG_TIME_CALL));
    UpdateButtons();
}

// ---------------------------------------------------------------------------
// Takeback

void CNetChessWnd::RequestTakeback()
{
    if (Send(CNetMessage(MSG_TAKEBACK_REQUEST)))
        m_TakebackAsked = true;
}

void CNetChessWnd::AcceptTakeback()
{
    m_TakebackRequested = false;
    if (Send(CNetMessage(MSG_TAKEBACK_ACCEPTED)))
        UndoLastPly();
    else
        UpdateButtons();
}

void CNetChessWnd::UndoLastPly()
{
    if (!m_Board->CanTakeBack() || m_MoveList->ShownMoves().empty())
    {
        UpdateButtons();
        return;
    }
    CPlayerWnd* toMove = PanelOf(m_Board->SideToMove());
    CPlayerWnd* other = toMove == m_Bottom ? m_Top : m_Bottom;
    toMove->Stop();
    m_MoveList->RemoveLast();
    m_Board->TakeBack();
    // An undone move takes its draw offer with it.
    m_DrawOffered = m_DrawOfferSent = false;
    if (IsMyTurn())
    {
        m_Board->EnableInput();
        TurnNotice();
    }
    else
    {
        m_Board->DisableInput();
        SetTitle(UiText(IDS_APP_TITLE));
    }
    if (TimeLimited())
    {
        m_ClockSwitch.SetMoveStartTime(other->Clock().GetTime());
        other->Start();
    }
    UpdateButtons();
}

// ---------------------------------------------------------------------------
// Idle commands of the server

void CNetChessWnd::ResetBoard()
{
    m_MoveList->Clear();
    m_MoveList->SetResult(std::string());
    m_Board->NewGame();
    m_Board->DisableInput();
    UpdateButtons();
}

void CNetChessWnd::SwitchColours()
{
    m_BlackAtBottom = !m_BlackAtBottom;
    m_Board->SetFlipped(m_BlackAtBottom);
    PlayerEntry me = m_Roster.GetEntry(0);
    me.colour = Other(MyColour());
    m_Roster.SetEntry(0, me);
    m_Top->update();
    m_Bottom->update();
    Print(UiText(IDS_NC_COLORS_SWITCHING));
}

void CNetChessWnd::LoadGame()
{
    const QString folder = m_LoadFolder.isEmpty() ? ProgramFolders::GamesFolder() : m_LoadFolder;
    const QString file = m_AskFile ? m_AskFile(false, folder, QString()) : QString();
    if (file.isEmpty())
        return;
    EndGame();
    std::string white;
    std::string black;
    std::string result;
    if (!m_Board->LoadPgn(QFile::encodeName(file).toStdString(), white, black, result))
    {
        m_MoveList->Clear();
        m_MoveList->AddMoves(m_Board->MoveTexts());
        UpdateButtons();
        CMessageDlg::ShowInformation(IDS_PGN_LOAD_ERROR, this);
        return;
    }
    m_MoveList->SetInformation(QString());
    m_MoveList->Clear();
    m_MoveList->AddMoves(m_Board->MoveTexts());
    m_MoveList->SetResult(result == "*" ? std::string() : result);
    m_LoadFolder = QFileInfo(file).absolutePath();
    UpdateButtons();
}

QString CNetChessWnd::DefaultSaveName() const
{
    if (!HasOpponent() || m_Roster.Count() < 2)
        return UiText(IDS_NC_SAVE_NAME_ALONE).replace(QStringLiteral("%d"), QString::number(m_SaveCounter));
    const QString mine = m_Roster.GetEntry(0).name;
    const QString theirs = m_Roster.GetEntry(1).name;
    const bool iAmWhite = MyColour() == COLOUR_WHITE;
    QString name = UiText(IDS_NC_SAVE_NAME);
    name.replace(name.indexOf(QStringLiteral("%s")), 2, iAmWhite ? mine : theirs);
    name.replace(name.indexOf(QStringLiteral("%s")), 2, iAmWhite ? theirs : mine);
    name.replace(QStringLiteral("%d"), QString::number(m_SaveCounter));
    return name;
}

void CNetChessWnd::SaveGame()
{
    const QString folder = m_SaveFolder.isEmpty() ? ProgramFolders::GamesFolder() : m_SaveFolder;
    const QString file = m_AskFile ? m_AskFile(true, folder, DefaultSaveName() + QStringLiteral(".pgn")) : QString();
    if (file.isEmpty())
        return;
    ++m_SaveCounter;
    const bool iAmWhite = MyColour() == COLOUR_WHITE;
    const QString mine = m_Roster.GetEntry(0).name;
    const QString theirs = m_Roster.Count() >= 2 ? m_Roster.GetEntry(1).name : QString();
    const QString white = iAmWhite ? mine : theirs;
    const QString black = iAmWhite ? theirs : mine;
    if (!m_Board->SavePgn(QFile::encodeName(file).toStdString(), ToWire(white), ToWire(black), m_Drawn, m_WhiteLost,
                          m_BlackLost))
    {
        CMessageDlg::ShowInformation(IDS_PGN_SAVE_ERROR, this);
        return;
    }
    m_SaveFolder = QFileInfo(file).absolutePath();
}

void CNetChessWnd::ShowHelp()
{
    auto* html = qobject_cast<CHtmlDlg*>(m_HelpDialog);
    if (html == nullptr)
    {
        html = new CHtmlDlg(this);
        m_HelpDialog = html;
    }
    html->ShowHelp(IDS_NETWORK_CHESS_HELP_TITLE, IDS_NETWORK_CHESS_HELP_PAGE);
}

void CNetChessWnd::OpenSettings()
{
    if (!m_RunSettings || !m_RunSettings(IsServer(), m_Running))
        return;
    if (IsServer())
        ApplySettings();
}

void CNetChessWnd::ApplySettings()
{
    if (!m_Running)
    {
        m_Bottom->SetTime(m_Settings.GetGameTime());
        m_Top->SetTime(m_Settings.GetGameTime());
    }
    if (!Summary())
        return;
    UpdateButtons();
    CNetMessage message(MSG_SETTINGS);
    message.AddInt(m_Settings.GetNbHours());
    message.AddInt(m_Settings.GetNbMinutes());
    message.AddInt(m_Settings.GetNbSeconds());
    message.AddInt(m_Settings.GetNbSecondsBonus());
    message.AddInt(m_Settings.IsTimeInfinite() ? 1 : 0);
    message.AddInt(m_Settings.IsWinOnOpponentTimeZero() ? 1 : 0);
    message.AddInt(m_Settings.IsKingCanBeCaptured() ? 1 : 0);
    Send(message);
}

void CNetChessWnd::Menu()
{
    if (HasOpponent() && CMessageDlg::Ask(UiText(IDS_NC_ASK_QUIT), this) != IDYES)
        return;
    EndGame();
    // Our own departure may report the connections it closes; nobody is told.
    m_Leaving = true;
    m_Link.Leave(true);
    m_Leaving = false;
    m_Roster.Reset();
    hide();
    if (m_Hooks.showMenu)
        m_Hooks.showMenu();
}

// ---------------------------------------------------------------------------
// Messages from the peer

void CNetChessWnd::HandleGameMessage(const CNetMessage& message)
{
    switch (message.GetId())
    {
    case MSG_JOIN_ACCEPTED: ReceiveJoinAccepted(message); break;
    case MSG_CHAT: ReceiveChat(message); break;
    case MSG_GAME_STARTED: ReceiveGameStarted(message); break;
    case MSG_MOVE: ReceiveMove(message); break;
    case MSG_SETTINGS: ReceiveSettings(message); break;
    case MSG_DRAW_ACCEPTED:
        // Only an offer I made and that has not lapsed can be accepted.
        if (!m_Running || !m_DrawOfferSent)
            return;
        EndGame();
        m_Drawn = true;
        m_Roster.AddDraw();
        ReportStats();
        ShowNotice(UiText(IDS_NC_DRAW));
        break;
    case MSG_RESIGN:
        if (!m_Running)
            return;
        EndGame();
        (OpponentColour() == COLOUR_WHITE ? m_WhiteLost : m_BlackLost) = true;
        m_Roster.AddVictory();
        ReportStats();
        ShowNotice(UiText(IDS_NC_OPPONENT_RESIGNED));
        break;
    case MSG_GAME_ABORTED:
        if (!m_Running)
            return;
        EndGame();
        Print(UiText(IDS_NC_ABORTED));
        ShowNotice(UiText(IDS_NC_ABORTED));
        break;
    case MSG_TIME_EXPIRED:
        if (!m_Running)
            return;
        EndGame();
        m_Roster.AddVictory();
        ReportStats();
        ShowNotice(UiText(IDS_NC_OPPONENT_TIME_EXPIRED));
        break;
    case MSG_TIME_CALL:
        // Only a clock that has really run out can be called.
        if (!m_Running || !TimeLimited() || m_Settings.IsWinOnOpponentTimeZero() || !m_MyFlagFell)
            return;
        EndGame();
        if (Send(CNetMessage(MSG_TIME_EXPIRED)))
        {
            m_Roster.AddDefeat();
            ReportStats();
            ShowNotice(UiText(IDS_NC_MY_TIME_EXPIRED));
        }
        break;
    case MSG_FLAG_FELL:
        if (!m_Running || !TimeLimited() || m_Settings.IsWinOnOpponentTimeZero())
            return;
        m_OpponentFlagFell = true;
        UpdateButtons();
        break;
    case MSG_TAKEBACK_REQUEST:
        if (!m_Running || m_MoveList->ShownMoves().empty())
            return;
        m_TakebackRequested = true;
        Print(UiText(IDS_NC_TAKEBACK_ASKED));
        UpdateButtons();
        break;
    case MSG_TAKEBACK_ACCEPTED:
        if (!m_Running || !m_TakebackAsked)
            return;
        m_TakebackAsked = false;
        m_TakebackRequested = false;
        UndoLastPly();
        Print(UiText(IDS_NC_TAKEBACK_ACCEPTED));
        break;
    case MSG_SWITCH_COLORS:
        if (IsServer() || m_Running)
            return;
        SwitchColours();
        break;
    case MSG_PLAYER_LEFT: OpponentLeft(); break;
    default: break;
    }
}

void CNetChessWnd::ReceiveJoinAccepted(const CNetMessage& message)
{
    std::string serverName;
    int32_t v[8] = {};
    bool valid = message.GetStringAt(0, serverName) && !serverName.empty();
    for (int i = 0; i < 8 && valid; ++i)
        valid = message.GetIntAt(i + 1, v[i]);
    valid = valid && v[1] >= 0 && v[1] <= kMaxHours && v[2] >= 0 && v[2] < 60 && v[3] >= 0 && v[3] < 60 && v[4] >= 0 &&
            v[4] <= 3600;
    for (int i : {0, 5, 6, 7})
        valid = valid && (v[i] == 0 || v[i] == 1);
    if (!valid)
    {
        // Nothing can be played with a server that does not say how.
        m_Link.Leave(false);
        ShowNotice(UiText(IDS_NC_COMM_ERROR));
        return;
    }
    m_Settings.SetGameTime(v[1], v[2], v[3]);
    m_Settings.SetNbSecondsBonus(v[4]);
    m_Settings.SetIsTimeInfinite(v[5] != 0);
    m_Settings.SetIsWinOnOpponentTimeZero(v[6] != 0);
    m_Settings.SetIsKingCanBeCaptured(v[7] != 0);
    const QString server = Wire(serverName);
    m_Roster.SetEntry(1, PlayerEntry{server, 0, COLOUR_WHITE, 0});
    if (m_Hooks.showWindow)
        m_Hooks.showWindow();
    Open();
    if (TimeLimited())
    {
        m_Bottom->SetTime(m_Settings.GetGameTime());
        m_Top->SetTime(m_Settings.GetGameTime());
    }
    Print(UiText(IDS_NC_CONNECTED_AS).arg(m_Roster.GetNickname()));
    Print(UiText(IDS_NC_IS_IN_GAME).arg(server));
    m_Top->SetPlayerIndex(1);
    if (v[0] == 1)
        SwitchColours();
    Summary();
    EndGame();
}

void CNetChessWnd::ReceiveSettings(const CNetMessage& message)
{
    if (IsServer())
        return;
    int32_t v[7] = {};
    for (int i = 0; i < 7; ++i)
        if (!message.GetIntAt(i, v[i]))
            return;
    if (v[0] < 0 || v[0] > kMaxHours || v[1] < 0 || v[1] >= 60 || v[2] < 0 || v[2] >= 60 || v[3] < 0 || v[3] > 3600)
        return;
    for (int i : {4, 5, 6})
        if (v[i] != 0 && v[i] != 1)
            return;
    m_Settings.SetGameTime(v[0], v[1], v[2]);
    m_Settings.SetNbSecondsBonus(v[3]);
    m_Settings.SetIsTimeInfinite(v[4] != 0);
    m_Settings.SetIsWinOnOpponentTimeZero(v[5] != 0);
    m_Settings.SetIsKingCanBeCaptured(v[6] != 0);
    if (!m_Running)
    {
        m_Bottom->SetTime(m_Settings.GetGameTime());
        m_Top->SetTime(m_Settings.GetGameTime());
    }
    Summary();
    UpdateButtons();
}

void CNetChessWnd::SendChat(const QString& text)
{
    if (text.isEmpty())
        return;
    CNetMessage message(MSG_CHAT);
    message.AddString(ToWire(text));
    Send(message);
    m_Output->AddLine(m_Roster.GetNickname() + QStringLiteral(": ") + text, COutputPane::ChatFont(),
                      COutputPane::OwnChatColour());
}

void CNetChessWnd::ReceiveChat(const CNetMessage& message)
{
    std::string text;
    if (!message.GetStringAt(0, text))
        return;
    const QString name = m_Roster.Count() >= 2 ? m_Roster.GetEntry(1).name : QString();
    m_Output->AddLine(name + QStringLiteral(": ") + Wire(text), COutputPane::ChatFont(),
                      COutputPane::OpponentChatColour());
}

// ---------------------------------------------------------------------------
// Connection events

void CNetChessWnd::OpponentLeft()
{
    if (m_Roster.Count() < 2 || m_Roster.GetEntry(1).name.isEmpty())
        return;
    const bool wasRunning = m_Running;
    EndGame();
    const PlayerEntry opponent = m_Roster.GetEntry(1);
    if (IsServer())
        m_Link.RemoveSeatedUser(opponent.connectionId);
    const QString text = UiText(IDS_NC_LEAVES).arg(opponent.name);
    m_Roster.RemoveByName(opponent.name);
    m_Top->SetPlayerIndex(-1);
    UpdateButtons();
    if (wasRunning)
        ShowNotice(text);
    else
        Print(text);
}

void CNetChessWnd::OnPlayerAdmitted(int, const QString&)
{
    m_Top->SetPlayerIndex(1);
    m_Top->update();
    // The address was selected for copying; a player has found us now.
    if (!m_AddressText.isEmpty() && m_Chat->text() == m_AddressText)
        m_Chat->deselect();
    UpdateButtons();
}

void CNetChessWnd::OnSeatedUserGone(int userId)
{
    if (m_Leaving)
        return;
    if (m_Roster.Count() >= 2 && m_Roster.GetEntry(1).connectionId == userId)
        OpponentLeft();
}

void CNetChessWnd::OnConnectionLost(int reason)
{
    if (m_Leaving)
        return;
    if (reason == 2)
    {
        EndGame();
        ShowNotice(UiText(IDS_NC_SERVER_LEFT));
    }
    else if (reason == 3 || reason == 4)
    {
        EndGame();
        ShowNotice(UiText(IDS_NC_COMM_ERROR));
    }
}

void CNetChessWnd::CommunicationError(bool evenWhenIdle)
{
    if (!m_Running && !evenWhenIdle)
        return;
    EndGame();
    Print(UiText(IDS_NC_COMM_ERROR));
    ShowNotice(UiText(IDS_NC_COMM_ERROR));
}

// ---------------------------------------------------------------------------
// Move list browsing: only between games

void CNetChessWnd::GoToStart()
{
    if (!m_Running)
        m_Board->GoToStart();
}

void CNetChessWnd::StepBack()
{
    if (!m_Running)
        m_Board->StepBack();
}

std::string CNetChessWnd::StepForward()
{
    std::string text;
    if (!m_Running)
        m_Board->StepForward(text);
    return text;
}

std::vector<std::string> CNetChessWnd::GoToEnd()
{
    if (!m_Running)
        m_Board->GoToEnd();
    return m_Board->MoveTexts();
}

bool CNetChessWnd::CanStepBack() const
{
    return !m_Running && m_Board->CanStepBack();
}

bool CNetChessWnd::CanStepForward() const
{
    return !m_Running && m_Board->CanStepForward();
}

// ---------------------------------------------------------------------------
// Drawing and layout

void CNetChessWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CBitmapCache::Instance().Get(QStringLiteral("IDB_PATTERN")).Tile(painter, rect());
}

void CNetChessWnd::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (!m_MoveList->HandleWheel(delta, event->globalPosition().toPoint()))
        m_Output->HandleWheel(delta);
}

void CNetChessWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Layout();
}

void CNetChessWnd::Layout()
{
    const QSize button = m_Buttons.begin()->second->sizeHint();
    const int w = button.width();
    const int h = button.height();
    const int cx = width();
    const int cy = height();
    const int x0 = (cx - w - 520) / 2;
    m_Top->setGeometry(x0 + 1, 5, 360, 19);
    m_Board->setGeometry(x0 + 1, 30, 360, 360);
    m_Bottom->setGeometry(x0 + 1, 397, 360, 19);
    m_MoveList->setGeometry(x0 + 366, 5, 150, 411);
    m_Output->setGeometry(x0 + 1, 423, w + 520, std::max(0, cy - 451));
    m_Chat->setGeometry(x0 + 1, cy - 23, w + 520, 18);
    const int step = h + 1 + (34 - h) * 12 / 11;
    int y = 5;
    for (const std::vector<int>& row : ButtonRows())
    {
        for (int id : row)
            m_Buttons[id]->setGeometry(x0 + 521, y, w, h);
        y += step;
    }
}
