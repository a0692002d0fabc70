#pragma once

#include "GameWnd.h"
#include "LocalChessSession.h"

#include <QTimer>

#include <functional>

class CEngineListener;
class CThinkingPane;
class CEngineLoader;
class CSingleSettingsDlg;
class GameSettings;
class PlayerRoster;

// The local chess window: the board with its two panels, the move list and
// fifteen buttons over a CLocalChessSession, plus the dialogs of the local
// game (its settings with the players, the promotion piece, the help page).
class CLocalChessWnd : public CGameWnd
{
    Q_OBJECT

public:
    // The least client size the window needs.
    static constexpr int kMinimumWidth = 663;
    static constexpr int kMinimumHeight = 461;

    // Runs the prepared settings dialog and returns its result (IDOK when
    // the user accepted it).
    using SettingsRunner = std::function<int(CSingleSettingsDlg& dialog)>;

    // The engine lists and the listener belong to the main frame and outlive the window.
    CLocalChessWnd(GameSettings& settings, PlayerRoster& roster, CEngineLoader& engines, CEngineListener& listener,
                   CBitmapCache& bitmaps, QWidget* parent = nullptr);

    [[nodiscard]] CLocalChessSession& Session() const { return m_Game; }
    // Re-initialises the game each time the main menu shows the window.
    void Open();
    void SetSettingsRunner(SettingsRunner runner) { m_SettingsRunner = std::move(runner); }
    // The folder the file dialogs start in when nothing was loaded or saved yet.
    void SetGamesFolder(const QString& folder) { m_Game.SetGamesFolder(folder); }

    [[nodiscard]] CBoardView* Board() const { return CGameWnd::Board(0); }
    [[nodiscard]] CPlayerWnd* BottomPanel() const { return Panel(CLocalChessSession::kBottomPanel); }
    [[nodiscard]] CPlayerWnd* TopPanel() const { return Panel(CLocalChessSession::kTopPanel); }
    // Where the promotion dialog of a person's promotion goes (top-left, global).
    [[nodiscard]] QPoint PromotionDialogPosition(Colour side) const override;
    // The engines' thinking under the move list; hidden when no engine plays
    // or the user has turned it off.
    [[nodiscard]] CThinkingPane* ThinkingPane() const { return m_ThinkingPane; }
    // The height the pane takes from the move list.
    static constexpr int kThinkingHeight = 150;

    // The thinking is redrawn at most this often.
    static constexpr int kThinkingIntervalMs = 100;

protected:
    void RunWindowCommand(int id) override;
    void Layout() override;
    void OnThinkingChanged() override;
    void OnPanelsChanged() override;
    // The board's menu of the local game: the position and the game to and
    // from the clipboard, and the export in the standard's format.
    [[nodiscard]] std::vector<BoardMenuEntry> BoardMenuEntries() override;

private:
    void OpenSettings();
    // Shows or hides the pane as the session says and fills it.
    void RefreshThinking();

    CLocalChessSession& m_Game;
    SettingsRunner m_SettingsRunner;
    CThinkingPane* m_ThinkingPane;
    QTimer m_ThinkingTimer;
};
