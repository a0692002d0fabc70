#pragma once

#include "ChessTypes.h"
#include "Move.h"
#include "SanText.h"

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

// What a SAN text says about a move, as a reader took it apart: the piece,
// the target, what the text fixes of the origin, the promotion piece, or
// castling.
struct CSanQuery
{
    enum class Castling
    {
        None,
        KingSide,  // O-O: the king goes to the g-file
        QueenSide, // O-O-O: the king goes to the c-file
    };
    Castling castling = Castling::None;
    PieceType piece = PIECE_PAWN;
    int32_t fromColumn = -1; // -1 when the text does not fix it
    int32_t fromRow = -1;
    CCoordinate to;
    int32_t promotion = 0; // 1..4 when written
};

// How a SAN query matches the legal moves of a position.
enum class SanMatch
{
    Legal,
    Illegal,          // no piece of that kind can legally make the move
    Ambiguous,        // more than one can, and the text does not say which
    PromotionMissing, // a pawn reaches the last rank without a piece letter
    NotAPromotion,    // a piece letter on a move that is no promotion
};

// What a move or drop played by ReplayMove or ReplayDrop did.
struct CReplayedMove
{
    CSanText san;              // the text MakeMove would record; for a drop "N@f3", "+" when it checks
    bool captured = false;     // a piece was taken (en passant included)
    int32_t capturedPiece = 0; // its low nibble (type and promoted flag); 0 for a pawn taken en passant
    int32_t promotion = 0;     // the piece a pawn became, 0 when none
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
    // Whether DropPiece would accept the drop; changes nothing.
    [[nodiscard]] bool IsLegalDrop(Colour colour, PieceType type, const CCoordinate& square) const;
    void UpdateStatus();
    void UpdateKingCaptureStatus();
    // Every move of the side to move that might be legal (a superset of the
    // legal moves; MakeMove decides). Promotions appear once.
    void GenerateCandidateMoves(std::vector<CMove>& moves) const;
    // The same into a caller's buffer; returns how many were written.
    int GenerateCandidateMoves(CMove* moves, int capacity) const;

    // Replaying recorded games (file readers)
    // Plays a move as MakeMove would, for a caller that replays many moves and
    // judges the position only at the end: refuses exactly what MakeMove
    // refuses and changes the board, side, castling, en-passant state and
    // halfmove clock the same way, but enters nothing into the record (a
    // record the position has is left as it is) and of the status flags
    // computes only check. Mate, stalemate, repetition and insufficient
    // material read clear until FinishReplay. `promotion` is the piece a pawn
    // reaching the last row becomes (anything but rook..queen means a queen);
    // the chooser is not asked.
    bool ReplayMove(const CMove& move, int32_t promotion, CReplayedMove& played);
    // The one legal move a SAN query means on this position: a piece of that
    // type that can legally go to the target from a square the text allows
    // (a king's two-column step counts only when written as castling), and
    // the promotion piece beside it (0 when none). Changes nothing.
    [[nodiscard]] SanMatch FindSan(const CSanQuery& query, CMove& move, int32_t& promotion) const;
    // Finds the move as FindSan does and, when it is Legal, plays it as
    // ReplayMove does; otherwise changes nothing.
    SanMatch ReplaySan(const CSanQuery& query, CReplayedMove& played);
    // The bughouse drop the same way: refused exactly as DropPiece refuses it.
    bool ReplayDrop(Colour colour, PieceType type, const CCoordinate& square, CReplayedMove& played);
    // Computes what the replay left out: mate and stalemate and, off drops
    // boards, insufficient material. Repetition needs the record and stays clear.
    void FinishReplay();
    // The text of a drop: the piece letter (P for a pawn), "@", the square,
    // and "+" when it checks.
    [[nodiscard]] static CSanText WriteDropSan(PieceType type, const CCoordinate& square, bool check);

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
        m_OtherSideSafe = false;
    }
    [[nodiscard]] CPositionSnapshot Snapshot() const { return {m_State, m_CheckExact}; }
    void RestoreSnapshot(const CPositionSnapshot& snapshot)
    {
        m_State = snapshot.state;
        m_CheckExact = snapshot.checkExact;
        m_OtherSideSafe = false;
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
    // What SAN needs to know of the other pieces of a moving piece's type that
    // could legally have gone to the same square: whether there are any, and
    // whether one stands on the same column or the same row as the mover.
    struct CSanRivals
    {
        bool any = false;
        bool sameColumn = false;
        bool sameRow = false;
    };
    // The SAN text of a move from what is known about it: the type t of the
    // piece that moved (a pawn for a promotion), its rivals, and whether the
    // position after it is in check.
    [[nodiscard]] static CSanText ComposeSan(PieceType t, const CMove& move, int32_t promotion, bool captured,
                                             bool check, const CSanRivals& rivals);
    // The rivals of a move of a piece of type t by the side to move; none for
    // pawns and castling.
    [[nodiscard]] CSanRivals SanRivals(PieceType t, const CMove& move) const;
    // LegalOrigins as board indices into a buffer of 64.
    int LegalOriginSquares(PieceType type, int target, int8_t* squares, const COriginFilter& filter) const;
    // FindSan, also giving the move's rivals.
    SanMatch MatchSan(const CSanQuery& query, CMove& move, int32_t& promotion, CSanRivals& rivals) const;
    // The second half of ReplayMove, for a move known to be legal: plays it
    // and writes its text with the rivals found before it.
    void PlayKnownLegal(const CMove& move, int32_t promotion, bool leftKingAttacked, const CSanRivals& rivals,
                        CReplayedMove& played);

    CPositionState m_State;
    // True while m_State.check is known to equal IsInCheck(side to move), so a
    // move can skip its trial when it provably cannot expose the king.
    bool m_CheckExact = false;
    // True while the side not to move is known not to be in check (it has just
    // made a move that left its king safe), so that whether the next move
    // gives check can be read from that move alone.
    bool m_OtherSideSafe = false;
    // True while ReplayMove or ReplayDrop left mate and stalemate to FinishReplay.
    bool m_StatusDeferred = false;
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
