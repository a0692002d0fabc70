#pragma once

#include "BughouseSession.h"
#include "GameWnd.h"

#include <functional>

class CDoubleSettingsDlg;
class CNetConnection;
class GameSettings;
class PlayerRoster;

// The network bughouse window over a CBughouseSession. Layout at 800 x 600:
// the two board views side by side at the top (the local player's board on
// the left, the other board on the right), under each its top player's and
// bottom player's panels; the chat output and input below; the command
// buttons in a column at the right. Views and panels are numbered as the
// session numbers boards and panels.
class CBughouseWnd : public CGameWnd
{
    Q_OBJECT

public:
    // Runs the bughouse settings dialog and returns its result (IDOK on OK).
    using SettingsRunner = std::function<int(CDoubleSettingsDlg& dialog)>;

    CBughouseWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, CBitmapCache& bitmaps,
                 QWidget* parent = nullptr);

    [[nodiscard]] CBughouseSession& Session() const { return m_Game; }
    // Re-initialises the game each time the main frame shows the window.
    void Open() { m_Game.Open(); }
    void SetSettingsRunner(SettingsRunner runner) { m_RunSettings = std::move(runner); }

    [[nodiscard]] CBoardView* View(int index) const { return Board(index & 1); }

protected:
    void RunWindowCommand(int id) override;
    void Layout() override;
    // Bughouse promotions become queens without asking.
    [[nodiscard]] int32_t AskPromotion(Colour) override { return PIECE_QUEEN; }
    [[nodiscard]] QPoint PromotionDialogPosition(Colour) const override { return QPoint(); }
    void SubmitChat(const QString& text) override { m_Game.SendChat(text); }

private:
    void OpenSettings();

    CBughouseSession& m_Game;
    SettingsRunner m_RunSettings;
};
