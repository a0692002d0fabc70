#pragma once

#include "BughouseJudge.h"
#include "BughouseRecord.h"
#include "BughouseSeats.h"
#include "NetGameSession.h"

#include <array>
#include <memory>

class CBughouseEngineSeats;
class IBughouseEngineFactory;

// The network bughouse game: two boards, four players in two teams, drops.
// Board 0 is the local player's board, board 1 the other one, the local team
// at the bottom of both. Panel 0 is the local player (bottom of board 0), 1
// its opponent, 2 the bottom of board 1 (the partner, or the local player
// again when alone), 3 the top of board 1.
//
// Bughouse games always run with a time limit: the clocks of this game are
// never unlimited, whatever the stored settings say, and the stored settings
// are never changed for it.
//
// Every message from a peer is checked before use (seats, squares, pieces,
// colours, times). A move or drop that passes the checks but that the rules
// refuse on this program's board means the boards differ: the game stops
// here with a notice, and a server also aborts it for everybody, rather than
// playing on with boards that silently disagree. A server judges a client's
// move or drop before passing it on, so the others never get one its own
// board refuses.
//
// A draw acceptance ends the match only while an offer it can accept is
// open: one that came with a move of an opponent of the accepting player.
// Every program follows the open offers in the order the server passes the
// moves on. An offer stays open for an opponent until the match ends or until
// that opponent's second move on one board after it: one move may have been
// on its way while the offer was, as the two boards are played at once.
class CBughouseSession : public CNetGameSession
{
public:
    static constexpr int kStartId = 1027;
    static constexpr int kResignId = 1020;
    static constexpr int kTimeCallId = 1029;
    static constexpr int kAbortGameId = 1000;
    static constexpr int kOfferDrawId = 1013;
    static constexpr int kAcceptDrawId = 1001;
    static constexpr int kCancelOfferId = 1004;
    static constexpr int kRotatePlayersId = 1021;
    static constexpr int kSwitchPartnerId = 1026;
    static constexpr int kSwitchColorId = 1028;
    static constexpr int kSettingsId = 1025;
    static constexpr int kRulesId = 1018;
    static constexpr int kHelpId = 1009;
    static constexpr int kMenuId = 1003;
    static constexpr int kSaveGameId = 1023;
    static constexpr int kLoadGameId = 1010;
    static constexpr int kAddComputerId = 1040;
    static constexpr int kRemoveComputerId = 1041;

    CBughouseSession(GameSettings& settings, PlayerRoster& roster, CNetConnection& link);
    ~CBughouseSession() override;

    [[nodiscard]] std::vector<CommandButton> Commands() const override;
    [[nodiscard]] CommandState StateOf(int id) const override;
    [[nodiscard]] CommandOwner OwnerOf(int id) const override;
    [[nodiscard]] CommandQuestion QuestionOf(int id) const override;

    // Re-initialises the game each time the main frame shows the window.
    void Open();
    // The server may put engines from the factory into free seats (Add
    // Computer, Remove Computer); the factory outlives the session.
    void EnableEngineSeats(IBughouseEngineFactory& factory);
    // Null until engine seats are enabled.
    [[nodiscard]] CBughouseEngineSeats* EngineSeats() const { return m_EngineSeats.get(); }
    [[nodiscard]] bool CanAddComputer() const;
    [[nodiscard]] bool CanRemoveComputer() const;
    // Server, after the settings dialog closed with OK outside a game: the
    // clocks take the time and the clients the settings.
    void ApplySettings();
    // Menu: the link is closed, the game stops and the roster is emptied.
    void Leave();
    // Whether leaving asks first: a server with other players, a connected client.
    [[nodiscard]] bool IsConnected() const;
    [[nodiscard]] bool IsConnectedToOthers() const override { return IsConnected(); }

    bool RequestMove(int board, const CMove& move, int32_t promotion) override;
    bool RequestDrop(int board, const CCoordinate& square, PieceType type) override;
    void SendChat(const QString& text) override;

    // INetGameWindow
    void OnPlayerAdmitted(int userId, const QString& nickname) override;
    void HandleGameMessage(const CNetMessage& message) override;
    void OnSeatedUserGone(int userId) override;
    void OnConnectionLost(int reason) override;

    // State for the window and tests.
    [[nodiscard]] int LocalSeat() const;
    [[nodiscard]] CBughouseSeats Seats() const;
    [[nodiscard]] bool IsOfferedToMe() const { return m_DrawOffered; }
    [[nodiscard]] bool IsOwnOffer() const { return m_DrawPending; }
    [[nodiscard]] bool IsFlagFallen() const { return m_FlagFell; }
    [[nodiscard]] int RotationStep() const { return m_RotationStep; }
    // The settings as this game applies them: always with a time limit.
    [[nodiscard]] QString SummaryText() const;

    // The record of the game being played or the last one, or a loaded game.
    // Save Game writes it as BPGN. Load Game (between games) replaces it with
    // a game read from a file, which is only browsed: board A on the first
    // board, board B on the second, the file's players on the panels; the
    // table and the other players stay as they are, and Start, or a change of
    // seats, leaves the loaded game for a fresh one.
    [[nodiscard]] const CBughouseRecord& Record() const { return m_Record; }
    [[nodiscard]] QString DefaultSaveName() const override;
    bool SaveRecord(const QString& path);
    bool LoadRecord(const QString& path);
    // Browsing the record's plies on both boards, between games only.
    [[nodiscard]] bool CanBrowseBack() const { return !m_Running && m_Record.CanStepBack(); }
    [[nodiscard]] bool CanBrowseForward() const { return !m_Running && m_Record.CanStepForward(); }
    void BrowseTo(size_t ply);
    [[nodiscard]] QString PanelName(int panel) const override;

    // IClockOwner: a panel's clock ran out.
    void OnTimeExpired(CPlayerClock* clock) override;

    // Server: whether a seated client's message may be passed on to the others
    // and played here. A move or drop that this program's board refuses is not
    // (the game stops as when the boards differ), nor one outside a game, nor
    // a draw acceptance while no offer is open to its sender.
    [[nodiscard]] bool AcceptsFromClient(int userId, const CNetMessage& message);
    // Whether a draw offer is open to that seat.
    [[nodiscard]] bool IsOfferOpenTo(int seat) const;

protected:
    void RunCommand(int id) override;
    [[nodiscard]] QString NameOf(Colour colour) const override;
    void OnCheckmate(int board, Colour mated) override;
    void OnStalemate(int board, Colour side) override;

private:
    // Engine seats play through the session's boards, clocks and messages.
    friend class CBughouseEngineSeats;

    void UpdateButtons() { ReportButtons(); }
    void UpdateInput();
    void Redraw();
    [[nodiscard]] int64_t GameTimeMs() const;

    void StartGame();
    void StopGame();
    void EndMatch(const BughouseVerdict& verdict);
    void Resign();
    void AbortGame();
    void AcceptDraw();
    void OfferDraw();
    void ChangeSeats(int command);
    void SwitchColours(bool send);
    void ApplySettingsToClocks();
    void PrintSummary();
    // The own move or drop on that board went out: the opponent's clock
    // there starts and the draw offers lapse.
    void AfterOwnMove(int board, bool sent, bool drawOffer);

    void ReceiveSeats(const CNetMessage& message);
    void ReceiveMove(const CNetMessage& message);
    void ReceiveDrop(const CNetMessage& message);
    void ReceiveSeatMessage(const CNetMessage& message);
    void ReceiveTimeCall(const CNetMessage& message);
    void ReceiveSettings(const CNetMessage& message, int first);
    void ReceiveChat(const CNetMessage& message);
    void PlayerLeaves(const QString& name, int32_t userId);
    // Both boards' positions no longer agree with the mover's: stop here.
    void BoardsDiffer(int seat);
    // After a move or drop of the seat on that board: its clock takes the time;
    // while the game runs the opponent's starts and a draw offer is noted.
    void AfterReceived(int board, int seat, int32_t remainingMs, bool drawOffer);

    // What a received move or drop would do here: nothing (outside a game, or
    // not readable), be played, or be refused by the board (seat is the mover).
    enum class Arrival
    {
        Ignored,
        Playable,
        Refused
    };
    [[nodiscard]] Arrival JudgeArrival(const CNetMessage& message, int& seat) const;

    // The open draw offers: a seat's move or drop on a board (as this
    // program numbers them) lapses the offers open to it on that board's
    // second move, and with an offer opens one to each of its opponents.
    void NoteMove(int seat, int board, bool drawOffer);
    void ForgetOffers() { m_Offers = {}; }
    // An offer open to a player other than the local one.
    [[nodiscard]] bool IsOfferOpenToAnotherPlayer() const;

    struct OpenOffer
    {
        bool open = false;
        std::array<bool, 2> movedOn{}; // the opponent has moved on that board since
    };
    std::array<std::array<OpenOffer, 4>, 4> m_Offers{}; // [maker][opponent]

    // The record: a new one at each start, each move and drop as it is
    // applied (views as this program numbers them), the result at the end.
    void BeginRecord();
    void RecordMove(int view, const CMove& move, int32_t promotion, int32_t clockMs);
    void RecordDrop(int view, PieceType type, const CCoordinate& square, int32_t clockMs);
    void RecordResult(BughouseCounter counter);
    [[nodiscard]] int RecordBoard(int view) const { return view == m_ViewOfA ? 0 : 1; }
    // The boards and clocks show the record at its ply.
    void ShowRecordPly();
    // The table as it is comes back: a loaded game gives way, the game just
    // played, while browsed, goes back to its end.
    void EndRecordView();

    CBughouseRecord m_Record;
    int m_ViewOfA = 0;                    // the view that shows the record's board A
    std::array<ClockTime, 4> m_EndClocks; // the clocks at the end of a played game, while it is browsed
    bool m_EndClocksKept = false;

    std::unique_ptr<CBughouseEngineSeats> m_EngineSeats;
    bool m_FlagFell = false;
    bool m_FlagReported = false;
    int m_RotationStep = 0;
};
