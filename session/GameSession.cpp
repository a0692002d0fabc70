#include "GameSession.h"

#include "GameSettings.h"
#include "Nickname.h"
#include "PgnFile.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <fstream>

using namespace ProgramTexts;

CGameSession::CGameSession(GameSettings& settings, PlayerRoster& roster, int boards, int panels)
    : m_Settings(settings), m_Roster(roster), m_Boards(static_cast<size_t>(std::max(1, boards))),
      m_BoardState(m_Boards.size()), m_PanelPlayers(static_cast<size_t>(std::max(0, panels)), -1)
{
    for (int i = 0; i < panels; ++i)
        m_Clocks.push_back(std::make_unique<CPlayerClock>(this));
}

CGameSession::~CGameSession() = default;

void CGameSession::SetObserver(ISessionObserver* observer)
{
    m_Observer = observer != nullptr ? observer : &m_Silent;
}

size_t CGameSession::Index(int board) const
{
    return static_cast<size_t>(std::clamp(board, 0, BoardCount() - 1));
}

size_t CGameSession::PanelIndex(int panel) const
{
    return static_cast<size_t>(std::clamp(panel, 0, std::max(0, PanelCount() - 1)));
}

// ---------------------------------------------------------------------------
// Commands

bool CGameSession::Command(int id)
{
    const CommandState state = StateOf(id);
    if (!state.shown || !state.enabled || OwnerOf(id) != CommandOwner::Session)
        return false;
    RunCommand(id);
    return true;
}

// ---------------------------------------------------------------------------
// The move list and browsing

std::vector<std::string> CGameSession::ShownMoves() const
{
    const CChessPosition& position = Position();
    const std::vector<std::string>& texts = position.MoveTexts();
    const size_t shown = std::min(texts.size(), static_cast<size_t>(std::max(0, position.CurrentPly())));
    return std::vector<std::string>(texts.begin(), texts.begin() + static_cast<std::ptrdiff_t>(shown));
}

bool CGameSession::CanStepBack() const
{
    return !m_Running && Position().CanStepBack();
}

bool CGameSession::CanStepForward() const
{
    return !m_Running && Position().CanStepForward();
}

void CGameSession::GoToStart()
{
    if (m_Running)
        return;
    MutablePosition().GoToStart();
    m_ResultText.clear();
    ReportBoard(0);
    ReportButtons();
}

void CGameSession::StepBack()
{
    if (m_Running)
        return;
    if (MutablePosition().StepBack())
        m_ResultText.clear();
    ReportBoard(0);
    ReportButtons();
}

std::string CGameSession::StepForward()
{
    std::string text;
    if (!m_Running && !MutablePosition().StepForward(text))
        text.clear();
    ReportBoard(0);
    ReportButtons();
    return text;
}

void CGameSession::GoToEnd()
{
    if (!m_Running)
        MutablePosition().GoToEnd();
    ReportBoard(0);
    ReportButtons();
}

// ---------------------------------------------------------------------------
// Saving and loading

QString CGameSession::DefaultSaveName() const
{
    QString name = Text(IDS_DEFAULT_SAVE_NAME);
    name.replace(name.indexOf(QStringLiteral("%s")), 2, NameOf(COLOUR_WHITE));
    name.replace(name.indexOf(QStringLiteral("%s")), 2, NameOf(COLOUR_BLACK));
    name.replace(QStringLiteral("%d"), QString::number(m_SaveCounter));
    return name;
}

bool CGameSession::SaveGame(const QString& path)
{
    ++m_SaveCounter;
    const bool saved =
        CPgnFile::SavePgn(Position(), QFile::encodeName(path).toStdString(), NameOf(COLOUR_WHITE).toStdString(),
                          NameOf(COLOUR_BLACK).toStdString(), m_Result.drawn, m_Result.whiteLost, m_Result.blackLost);
    if (saved)
        m_SaveFolder = FolderOf(path);
    else
        Message(Text(IDS_PGN_SAVE_ERROR));
    return saved;
}

bool CGameSession::LoadGame(const QString& path)
{
    std::string white;
    std::string black;
    return LoadRecord(path, white, black);
}

bool CGameSession::LoadRecord(const QString& path, std::string& white, std::string& black)
{
    // A file with no game in it (a picture, a text) is refused before the
    // record is touched: the board, the record and the names stay as they were.
    const std::string fileName = QFile::encodeName(path).toStdString();
    {
        CChessPosition trial;
        std::string trialWhite;
        std::string trialBlack;
        std::string trialResult;
        CPgnFile::LoadPgn(trial, fileName, trialWhite, trialBlack, trialResult);
        if (trial.MoveTexts().empty() && !StartsWithTag(fileName))
        {
            Message(Text(IDS_PGN_LOAD_ERROR));
            return false;
        }
    }
    std::string result;
    const bool loaded = CPgnFile::LoadPgn(MutablePosition(), fileName, white, black, result);
    SetHighlight(0, CCoordinate::None());
    m_Information.clear();
    m_ResultText = loaded && result != "*" ? result : std::string();
    ReportBoard(0);
    ReportMoveList();
    ReportButtons();
    if (!loaded)
    {
        Message(Text(IDS_PGN_LOAD_ERROR));
        return false;
    }
    m_LoadFolder = FolderOf(path);
    return true;
}

bool CGameSession::StartsWithTag(const std::string& fileName)
{
    // A game's file opens with its tags; its first character past any blank is "[".
    std::ifstream in(fileName, std::ios::binary);
    char c = 0;
    while (in.get(c))
        if (!std::isspace(static_cast<unsigned char>(c)))
            return c == '[';
    return false;
}

// ---------------------------------------------------------------------------
// Moves

bool CGameSession::NeedsPromotionChoice(int board, const CMove& move) const
{
    const CChessPosition& position = Position(board);
    const Colour side = position.SideToMove();
    if (position.TypeAt(move.from) != PIECE_PAWN || position.ColourAt(move.from) != side)
        return false;
    const int lastRow = side == COLOUR_WHITE ? 7 : 0;
    return move.to.Row() == lastRow && IsLegal(board, move);
}

bool CGameSession::IsLegal(int board, const CMove& move) const
{
    const CChessPosition& position = Position(board);
    CChessPosition trial(position);
    trial.SetKingCaptureOption(position.KingCaptureOption());
    trial.SetDropsOption(position.DropsOption() ? 1 : 0);
    return trial.MakeMove(move, false);
}

bool CGameSession::PlayOnBoard(int board, const CMove& move, int32_t promotion, MoveOutcome& outcome)
{
    if (!IsLegal(board, move))
        return false;
    CChessPosition& position = MutablePosition(board);
    // The piece arrives as data: the position takes it as its promotion piece.
    position.SetPromotionChooser(nullptr);
    position.SetDefaultPromotionPiece(IsPromotionChoice(promotion) ? promotion : PIECE_QUEEN);
    CCoordinate square1 = CCoordinate::None();
    CCoordinate square2 = CCoordinate::None();
    uint8_t captured = 0;
    outcome = MoveOutcome{};
    const bool made = position.MakeMove(move, square1, square2, outcome.promotion, captured, outcome.capturedPiece,
                                        outcome.san, true);
    position.SetDefaultPromotionPiece(PIECE_QUEEN);
    outcome.captured = captured != 0;
    if (made)
        SetHighlight(board, move.to);
    return made;
}

bool CGameSession::RequestDrop(int, const CCoordinate&, PieceType)
{
    return false;
}

void CGameSession::Judge(int board)
{
    const CChessPosition& position = Position(board);
    const Colour side = position.SideToMove();
    if (position.IsMate())
        OnCheckmate(board, side);
    else if (position.IsStalemate())
        OnStalemate(board, side);
    else if (!position.DropsOption())
    {
        if (position.IsRepetition())
            OnDrawByRule(board, IDS_THREEFOLD_REPETITION);
        else if (position.IsInsufficientMaterial())
            OnDrawByRule(board, IDS_INSUFFICIENT_MATERIAL);
        else if (position.IsFiftyMoveDraw())
            OnDrawByRule(board, IDS_FIFTY_MOVE_RULE);
    }
    if (Position(board).IsCheck())
        OnCheck(board, Position(board).SideToMove());
}

// ---------------------------------------------------------------------------
// State helpers

void CGameSession::SetFlipped(int board, bool flipped)
{
    m_BoardState[Index(board)].flipped = flipped;
}

void CGameSession::SetInput(int board, bool enabled)
{
    m_BoardState[Index(board)].input = enabled;
}

void CGameSession::SetInformation(const QString& text)
{
    m_Information = text;
}

void CGameSession::SetResultText(const std::string& text)
{
    m_ResultText = text;
}

void CGameSession::StopClocks()
{
    for (const auto& clock : m_Clocks)
        clock->Stop();
}

// ---------------------------------------------------------------------------
// Reports

void CGameSession::ReportBoard(int board, const BoardChange& change)
{
    m_Observer->OnBoardChanged(board, change);
}

void CGameSession::ReportBoards()
{
    for (int board = 0; board < BoardCount(); ++board)
        m_Observer->OnBoardChanged(board, BoardChange{});
}

void CGameSession::ReportButtons()
{
    m_Observer->OnButtonsChanged();
}

void CGameSession::ReportMoveList()
{
    m_Observer->OnMoveListChanged();
}

void CGameSession::ReportPanels()
{
    m_Observer->OnPanelsChanged();
}

void CGameSession::Message(const QString& text)
{
    m_Observer->OnMessage(text);
}

void CGameSession::Notice(const QString& text)
{
    m_Observer->OnNotice(text);
}

void CGameSession::ChatLine(const QString& nickname, const QString& text, bool own)
{
    // The sender's name as people see it; the text is drawn as typed.
    m_Observer->OnChatLine(Nickname::Shown(nickname), text, own);
}

void CGameSession::ReportTurn(bool yourTurn)
{
    m_Observer->OnTurnChanged(yourTurn);
}

void CGameSession::MoveSound()
{
    if (m_Settings.GetPlaySoundOnOpponentMove())
        m_Observer->OnMoveSound();
}

void CGameSession::ReportGameEnded()
{
    m_Observer->OnGameEnded();
}

QString CGameSession::Text(int id)
{
    return QString::fromStdString(ProgramTexts::Text(id));
}

QString CGameSession::FolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}
