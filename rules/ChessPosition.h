#pragma once

#include "ChessTypes.h"
#include "Move.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The state of one board without its game record: what a trial copy, a
// record entry and a saved position hold.
struct CPositionState
{
    int32_t mate = 0;                 // side to move is mated (king-capture mode: has no king)
    int32_t stalemate = 0;            // side to move has no legal move and is not in check
    int32_t repetition = 0;           // three-fold repetition reached
    int32_t insufficientMaterial = 0; // neither side can mate
    int32_t halfmoveClock = 0;        // plies since the last capture or pawn move
    int32_t check = 0;                // side to move is in check
    Colour sideToMove = COLOUR_WHITE;
    CCoordinate kingSquare[3];   // by colour; index 0 unused
    int32_t kingMoved[3] = {};   // by colour
    int32_t aRookMoved[3] = {};  // castling towards the a-file lost
    int32_t hRookMoved[3] = {};  // castling towards the h-file lost
    int32_t enPassant = 0;       // last move was a two-row pawn advance
    CCoordinate enPassantSquare; // where that pawn now stands
    PieceCode board[64] = {};    // index column + 8 * row
    int32_t holdings[5][2] = {}; // [type 0..4][colour - 1]

    // Equal for the repetition rule: same side to move and the same 64 bytes.
    [[nodiscard]] bool SameBoardAs(const CPositionState& other) const;
    [[nodiscard]] uint64_t BoardHash() const;
};

// How a finished move is judged, first match wins; check is reported beside it.
enum class GameEnd
{
    None,
    Checkmate,
    Stalemate,
    Repetition,
    InsufficientMaterial,
    FiftyMoves,
};

// A saved state to return to, taken by the position itself.
struct CPositionSnapshot
{
    CPositionState state;
    bool checkExact = false;
};

struct CJudgement
{
    GameEnd end = GameEnd::None;
    bool check = false;
};

// One game board: position, rule options, drop holdings and the game record.
// Operations refuse by returning false and then leave the position unchanged.
class CChessPosition
{
public:
    // Asked which piece a pawn becomes (1 rook .. 4 queen). Any other answer means a queen.
    using PromotionChooser = std::function<int32_t(Colour side, const CChessPosition& position)>;

    // Longest game a file or a move list may load.
    static constexpr int32_t kMaxRecordPlies = 20000;
    // Enough for any position's candidate moves (nine queens and the rest).
    static constexpr int kMaxCandidateMoves = 512;

    CChessPosition();
    // An empty record, then Assign: options off, no chooser.
    CChessPosition(const CChessPosition& other);
    CChessPosition& operator=(const CChessPosition& other);
    ~CChessPosition() = default;

    // Construction and state
    void Reset();
    // Copies the state but not the record or the options; clears the chooser
    // and sets the default promotion piece to queen.
    void Assign(const CChessPosition& other);
    void SetKingCaptureOption(bool on) { m_KingCapture = on; }
    void SetDropsOption(uint8_t on) { m_Drops = on; }
    void SetPromotionChooser(PromotionChooser chooser) { m_Chooser = std::move(chooser); }
    [[nodiscard]] bool KingCaptureOption() const { return m_KingCapture; }
    [[nodiscard]] bool DropsOption() const { return m_Drops != 0; }
    [[nodiscard]] bool HasPromotionChooser() const { return static_cast<bool>(m_Chooser); }
    [[nodiscard]] int32_t DefaultPromotionPiece() const { return m_DefaultPromotion; }
    // The piece a pawn becomes when no chooser is set.
    void SetDefaultPromotionPiece(int32_t type) { m_DefaultPromotion = type; }

    // Queries. Squares off the board read as empty.
    [[nodiscard]] PieceCode PieceAt(const CCoordinate& square) const
    {
        return square.IsOnBoard() ? m_State.board[square.Index()] : 0;
    }
    [[nodiscard]] PieceType TypeAt(const CCoordinate& square) const { return TypeOfCode(PieceAt(square)); }
    [[nodiscard]] Colour ColourAt(const CCoordinate& square) const { return ColourOfCode(PieceAt(square)); }
    [[nodiscard]] bool IsOccupied(const CCoordinate& square) const { return PieceAt(square) != 0; }
    [[nodiscard]] Colour SideToMove() const { return m_State.sideToMove; }
    [[nodiscard]] bool IsMate() const { return m_State.mate != 0; }
    [[nodiscard]] bool IsStalemate() const { return m_State.stalemate != 0; }
    [[nodiscard]] bool IsCheck() const { return m_State.check != 0; }
    [[nodiscard]] bool IsRepetition() const { return m_State.repetition != 0; }
    [[nodiscard]] bool IsInsufficientMaterial() const { return m_State.insufficientMaterial != 0; }
    [[nodiscard]] bool IsFiftyMoveDraw() const { return m_State.halfmoveClock >= 100; }
    [[nodiscard]] bool IsGameGoingOn() const;
    [[nodiscard]] int32_t HalfmoveClock() const { return m_State.halfmoveClock; }
    [[nodiscard]] int32_t Holdings(Colour colour, PieceType type) const;
    [[nodiscard]] const CPositionState& State() const { return m_State; }

    // Holdings
    void AddToHoldings(Colour colour, PieceType type);
    // A captured piece handed on in bughouse: a promoted piece counts as a pawn.
    void ReceivePiece(int32_t nibble, Colour colour);

    // Rules
    [[nodiscard]] bool IsReachable(const CCoordinate& from, const CCoordinate& to, PieceType type, Colour colour) const;
    [[nodiscard]] bool IsInCheck(Colour colour) const;
    // Change the board without legality test and without changing the side to move.
    void ApplyMove(const CMove& move, int32_t& promotion);
    void ApplyMoveDetailed(const CMove& move, CCoordinate& square1, CCoordinate& square2, int32_t& promotion,
                           uint8_t& captured, int32_t& capturedPiece);
    // The one entry point for playing a move. Refuses moves off the board, of
    // the wrong side, unreachable, or leaving the own king attacked (unless the
    // king-capture option is on). The SAN text comes back only when recorded.
    bool MakeMove(const CMove& move, CCoordinate& square1, CCoordinate& square2, int32_t& promotion, uint8_t& captured,
                  int32_t& capturedPiece, std::string& moveText, bool record);
    bool MakeMove(const CMove& move, bool record = true);
    // Whether MakeMove would accept the move; changes nothing.
    [[nodiscard]] bool IsLegalMove(const CMove& move) const;
    // Which squares LegalOrigins considers: a fixed column and/or row (-1
    // for any) and one square to leave out.
    struct COriginFilter
    {
        int32_t column = -1;
        int32_t row = -1;
        CCoordinate except = CCoordinate::None();
    };
    // The squares from which a piece of the side to move of that type
    // (promoted or not) can legally go to `to`, in board order; returns how
    // many, writing at most `capacity`. Looks only where such a piece could
    // come from, so it is much quicker than trying every square.
    int LegalOrigins(PieceType type, const CCoordinate& to, CCoordinate* origins, int capacity,
                     const COriginFilter& filter) const;
    int LegalOrigins(PieceType type, const CCoordinate& to, CCoordinate* origins, int capacity) const
    {
        return LegalOrigins(type, to, origins, capacity, COriginFilter{});
    }
    // The bughouse drop. Refuses when not the colour's turn, not held, the
    // square is occupied or off the board, or a pawn would stand on row 0 or 7.
    bool DropPiece(Colour colour, PieceType type, const CCoordinate& square);
    void UpdateStatus();
    void UpdateKingCaptureStatus();
    // Every move of the side to move that might be legal (a superset of the
    // legal moves; MakeMove decides). Promotions appear once.
    void GenerateCandidateMoves(std::vector<CMove>& moves) const;
    // The same into a caller's buffer; returns how many were written.
    int GenerateCandidateMoves(CMove* moves, int capacity) const;

    // Game record
    bool TakeBack();
    bool StepBack();
    bool GoToStart();
    bool StepForward(std::string& moveText);
    bool GoToEnd();
    [[nodiscard]] bool CanTakeBack() const { return !DropsOption() && m_CurrentPly != 0; }
    [[nodiscard]] bool CanStepBack() const { return !DropsOption() && m_CurrentPly > 0; }
    [[nodiscard]] bool CanStepForward() const
    {
        return !DropsOption() && m_CurrentPly < static_cast<int32_t>(m_Positions.size());
    }
    // Reset, then play each text; texts that cannot be played are skipped.
    void LoadMoveList(const std::vector<std::string>& sanTexts);
    [[nodiscard]] int32_t CurrentPly() const { return m_CurrentPly; }
    [[nodiscard]] int32_t RecordLength() const { return static_cast<int32_t>(m_Positions.size()); }
    [[nodiscard]] const std::vector<std::string>& MoveTexts() const { return m_MoveTexts; }
    [[nodiscard]] const std::vector<CMove>& RecordedMoves() const { return m_Moves; }
    [[nodiscard]] const std::vector<int32_t>& RecordedPromotions() const { return m_Promotions; }
    // The position the record starts from: the initial or set-up position
    // before its first move, or the current state when nothing is recorded.
    [[nodiscard]] const CPositionState& StartState() const
    {
        return m_Positions.empty() ? m_State : m_Positions.front();
    }
    // The full move number of that starting position.
    [[nodiscard]] int32_t StartFullMoveNumber() const { return m_StartFullMove; }

    // Draw rules
    void CheckRepetition();
    void CheckInsufficientMaterial();
    // The first game end that holds, in the fixed order; repetition, material
    // and the fifty-move rule are not judged on bughouse boards.
    [[nodiscard]] CJudgement Judge(bool bughouseBoard) const;

    // Notation
    // SAN of a move: `after` is the position after the move, `before` a copy
    // taken before it (used as scratch and left as it was).
    [[nodiscard]] static std::string WriteSan(const CChessPosition& after, CChessPosition& before, const CMove& move,
                                              int32_t promotion, bool captured);
    // Plays one SAN token, recorded. Refuses on a drops board.
    bool PlaySan(const std::string& text);

    // Set-up from outside (FEN): replaces the state, empties the record and
    // recomputes the status flags. The caller validates the state.
    void SetUp(const CPositionState& state, int32_t fullMoveNumber);
    // Replaces the state only (record, options and chooser kept); for search
    // tools that undo a move by restoring what they saved.
    void RestoreState(const CPositionState& state)
    {
        m_State = state;
        m_CheckExact = false;
    }
    [[nodiscard]] CPositionSnapshot Snapshot() const { return {m_State, m_CheckExact}; }
    void RestoreSnapshot(const CPositionSnapshot& snapshot)
    {
        m_State = snapshot.state;
        m_CheckExact = snapshot.checkExact;
    }
    // The full move number of the current position, counted from the set-up.
    [[nodiscard]] int32_t FullMoveNumber() const;

private:
    void ClearRecordFrom(size_t index);
    void RecordMove(const CMove& move, int32_t promotion, bool captured, const CPositionSnapshot& before,
                    std::string& moveText);
    [[nodiscard]] int32_t ResolvePromotion() const;
    // Whether the move (of the piece p of the side to move, already known to
    // be reachable) leaves that side's own king attacked.
    [[nodiscard]] bool LeavesKingAttacked(const CMove& move, PieceCode p) const;

    CPositionState m_State;
    // True while m_State.check is known to equal IsInCheck(side to move), so a
    // move can skip its trial when it provably cannot expose the king.
    bool m_CheckExact = false;
    std::vector<CMove> m_Moves;
    std::vector<int32_t> m_Promotions;
    std::vector<CPositionState> m_Positions;
    std::vector<uint64_t> m_PositionHashes; // BoardHash of each entry of m_Positions
    std::vector<std::string> m_MoveTexts;
    int32_t m_CurrentPly = 0;
    bool m_KingCapture = false;
    uint8_t m_Drops = 0;
    PromotionChooser m_Chooser;
    int32_t m_DefaultPromotion = PIECE_QUEEN;
    int32_t m_StartFullMove = 1;
    Colour m_StartSide = COLOUR_WHITE;
};
