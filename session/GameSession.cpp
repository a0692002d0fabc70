#include "GameSession.h"

#include "FenText.h"
#include "GameSettings.h"
#include "Nickname.h"
#include "PgnExport.h"
#include "PgnFile.h"
#include "PgnReader.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string_view>

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
    std::string text;
    std::string error;
    if (!CPgnReader::LoadFile(QFile::encodeName(path).toStdString(), text, error))
    {
        Message(Text(IDS_PGN_LOAD_ERROR));
        return false;
    }
    const bool loaded = LoadGameText(text);
    if (loaded)
        m_LoadFolder = FolderOf(path);
    return loaded;
}

bool CGameSession::LoadGameText(const std::string& text)
{
    // The program's own files are read by the reader they were written for:
    // their names are written without escapes, so a name with a quote in it
    // is no standard tag, yet such a file has always loaded.
    static constexpr std::string_view kOwnLayout = "[Event \"Pellomar II\"]\r\n[White \"";
    if (text.starts_with(kOwnLayout))
        return LoadOwnLayout(text);
    const std::vector<CPgnIndexEntry> index = CPgnReader::ReadIndex(text);
    if (index.empty())
    {
        Message(Text(IDS_PGN_LOAD_ERROR));
        return false;
    }
    size_t chosen = 0;
    if (index.size() > 1)
    {
        const int choice = Observer().OnChooseGame(index);
        if (choice < 0 || static_cast<size_t>(choice) >= index.size())
            return false;
        chosen = static_cast<size_t>(choice);
    }
    const CPgnGame game = CPgnReader::ReadIndexedGame(text, index[chosen]);
    // Text with neither a tag nor a single legal move holds no game: a
    // picture or a letter opened by mistake changes nothing.
    if (game.error && game.tags.empty() && game.moves.empty())
    {
        Message(Text(IDS_PGN_LOAD_ERROR));
        return false;
    }
    const bool setUp = !game.startFen.empty() && game.startFen != CFenText::kInitialPosition;
    if (setUp && !AcceptsSetUpPosition())
    {
        Message(Text(IDS_NET_SETUP_REFUSED));
        return false;
    }

    BeforeLoad();
    CChessPosition& position = MutablePosition();
    const size_t plies = game.moves.size();
    // A start position that is refused leaves the initial one.
    position.Reset();
    game.Replay(position);
    // Clocks are kept only for moves played here, where the time control is known.
    m_MoveClocks.clear();
    m_LoadedTags.clear();
    for (const CPgnTag& tag : game.tags)
        m_LoadedTags.emplace_back(tag.name, tag.value);
    m_GameDate = QDate();
    SetHighlight(0, CCoordinate::None());
    m_Information.clear();
    const bool loaded = !game.error && position.MoveTexts().size() == plies;
    const CPgnTag* resultTag = game.FindTag("Result");
    const std::string result = resultTag != nullptr ? resultTag->value : game.result;
    m_ResultText = loaded && result != "*" ? result : std::string();
    ReportBoard(0);
    ReportMoveList();
    ReportButtons();
    if (!loaded)
    {
        Message(Text(IDS_PGN_LOAD_ERROR));
        return false;
    }
    const CPgnTag* white = game.FindTag("White");
    const CPgnTag* black = game.FindTag("Black");
    OnGameLoaded(QString::fromStdString(white != nullptr ? white->value : "White"),
                 QString::fromStdString(black != nullptr ? black->value : "Black"));
    return true;
}

bool CGameSession::LoadOwnLayout(const std::string& text)
{
    if (!AcceptsSetUpPosition() && text.find("\r\n[FEN \"") != std::string::npos)
    {
        CChessPosition trial;
        std::istringstream in(text);
        std::string white;
        std::string black;
        std::string result;
        CPgnFile::ReadPgn(trial, in, white, black, result);
        if (CFenText::StartFen(trial) != CFenText::kInitialPosition)
        {
            Message(Text(IDS_NET_SETUP_REFUSED));
            return false;
        }
    }
    BeforeLoad();
    std::istringstream in(text);
    std::string white;
    std::string black;
    std::string result;
    const bool loaded = CPgnFile::ReadPgn(MutablePosition(), in, white, black, result);
    m_MoveClocks.clear();
    m_LoadedTags.clear();
    m_GameDate = QDate();
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
    OnGameLoaded(QString::fromStdString(white), QString::fromStdString(black));
    return true;
}

bool CGameSession::SetUpPosition(const std::string& fen)
{
    if (m_Running)
        return false;
    const QString trimmed = QString::fromStdString(fen).simplified();
    CChessPosition trial;
    std::string error;
    if (!CFenText::ReadFen(trial, trimmed.toStdString(), &error))
    {
        QString message = Text(IDS_FEN_REFUSED);
        message.replace(QStringLiteral("%s"), QString::fromStdString(error));
        Message(message);
        return false;
    }
    if (!AcceptsSetUpPosition())
    {
        Message(Text(IDS_NET_SETUP_REFUSED));
        return false;
    }
    BeforeLoad();
    CFenText::ReadFen(MutablePosition(), trimmed.toStdString());
    m_MoveClocks.clear();
    m_LoadedTags.clear();
    m_GameDate = QDate();
    m_Result = ResultFlags{};
    SetHighlight(0, CCoordinate::None());
    m_Information.clear();
    m_ResultText.clear();
    ReportBoard(0);
    ReportMoveList();
    ReportButtons();
    return true;
}

std::string CGameSession::PositionFen() const
{
    return CFenText::WriteFen(Position());
}

std::string CGameSession::ExportText() const
{
    // The result is judged on the last position, wherever the record was browsed to.
    CChessPosition end(Position());
    end.GoToEnd();
    const std::string result = CPgnFile::ResultToken(end, m_Result.drawn, m_Result.whiteLost, m_Result.blackLost);
    CPgnGame game = CPgnGame::FromPosition(Position(), result);
    // A loaded game keeps its own tags; the record's start and the players are the program's.
    for (const auto& [name, value] : m_LoadedTags)
        if (QString::fromStdString(name).compare(QLatin1String("SetUp"), Qt::CaseInsensitive) != 0 &&
            QString::fromStdString(name).compare(QLatin1String("FEN"), Qt::CaseInsensitive) != 0)
            game.SetTag(name, value);
    if (game.FindTag("Event") == nullptr)
        game.SetTag("Event", Text(IDS_APP_TITLE).toStdString());
    if (game.FindTag("Date") == nullptr || m_GameDate.isValid())
    {
        const QDate date = m_GameDate.isValid() ? m_GameDate : QDate::currentDate();
        game.SetTag("Date", date.toString(QStringLiteral("yyyy.MM.dd")).toStdString());
    }
    game.RemoveTag("Result");
    game.SetTag("White", ExportNameOf(COLOUR_WHITE).toStdString());
    game.SetTag("Black", ExportNameOf(COLOUR_BLACK).toStdString());
    if (!m_Settings.IsTimeInfinite())
    {
        const int32_t seconds = m_Settings.GetGameTime().Milliseconds() / 1000;
        game.SetTag("TimeControl", std::to_string(seconds) + "+" + std::to_string(m_Settings.GetNbSecondsBonus()));
        for (size_t i = 0; i < game.moves.size() && i < m_MoveClocks.size(); ++i)
            game.moves[i].clockMs = m_MoveClocks[i];
    }
    return CPgnExport::ExportGame(game);
}

bool CGameSession::ExportGame(const QString& path)
{
    const std::string text = ExportText();
    std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc);
    if (out)
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out)
    {
        Message(Text(IDS_PGN_EXPORT_ERROR));
        return false;
    }
    m_SaveFolder = FolderOf(path);
    return true;
}

void CGameSession::NoteMoveClock(std::optional<int32_t> milliseconds)
{
    const auto ply = static_cast<size_t>(std::max(1, Position().CurrentPly()));
    m_MoveClocks.resize(ply - 1);
    m_MoveClocks.push_back(milliseconds);
}

void CGameSession::NoteGameStart(bool continued)
{
    m_GameDate = QDate::currentDate();
    if (!continued)
        m_LoadedTags.clear();
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
