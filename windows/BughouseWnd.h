#pragma once

#include "BughouseSession.h"
#include "GameWnd.h"

#include <array>
#include <functional>

class CDoubleSettingsDlg;
class CNetConnection;
class GameSettings;
class PlayerRoster;

// The network bughouse window over a CBughouseSession.
//
// Layout (pixels; the content is 788 wide and stands centred in a wider window):
//
//   6  +----------- panel 1 -----------+  16  +----------- panel 3 -----------+  12  [Start / Resign ]
//  27  | board 0: the local player's   |      | board 1: the partner's board  |      [Time Call      ]
//      | board, 320 x 410 with the two |      | (or the local player's second |      [Abort Game     ]
//      | holdings strips and the       |      | board when alone), drawn the  |      [Offer/Accept/
//      | coordinates inside its edge   |      | same way                      |       Cancel Draw  ]
//      | squares                       |      |                               |      [Rotate Players ] ...
// 439  +----------- panel 0 -----------+      +----------- panel 2 -----------+      [Menu           ]
// 464  chat output, the whole content width, down to the chat input
//      chat input, 22 high, 6 above the bottom
//
// Each board has its top player's panel above it and its bottom player's
// panel below it (panel numbers as the session gives them), 320 x 19 like the
// chess windows' panels. The boards keep a 16 pixel gap between them. The
// buttons stand at their bitmap's size (120 x 26) in one column, rows 30
// apart, 12 pixels right of the second board; below them, centred on the
// column, the four little browse buttons of the game's record, two by two:
// "browseBack" and "browseForward" above "browseStart" and "browseEnd". At 800 x 600 the chat output
// shows six lines.
//
// The record is browsed between games with those buttons and with Left,
// Right, Home and End (the chat input keeps these keys for its text).
class CBughouseWnd : public CGameWnd
{
    Q_OBJECT

public:
    // The least client size; the layout above fits it exactly.
    static constexpr int kMinimumWidth = 800;
    static constexpr int kMinimumHeight = 600;

    // Runs the bughouse settings dialog and returns its result (IDOK on OK).
    using SettingsRunner = std::function<int(CDoubleSettingsDlg& dialog)>;
    // Asks for one of the items (Add Computer, Remove Computer); empty when
    // the user cancels.
    using ChoiceRunner = std::function<QString(const QString& title, const QString& label, const QStringList& items)>;

    CBughouseWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, CBitmapCache& bitmaps,
                 QWidget* parent = nullptr);

    [[nodiscard]] CBughouseSession& Session() const { return m_Game; }
    // Re-initialises the game each time the main frame shows the window.
    void Open() { m_Game.Open(); }
    void SetSettingsRunner(SettingsRunner runner) { m_RunSettings = std::move(runner); }
    void SetChoiceRunner(ChoiceRunner runner) { m_RunChoice = std::move(runner); }

    [[nodiscard]] CBoardView* View(int index) const { return Board(index & 1); }
    // The browse buttons, from "to the start" (0) to "to the end" (3).
    [[nodiscard]] CSkinButton* BrowseButton(int index) const { return m_Browse[static_cast<size_t>(index & 3)]; }

protected:
    void RunWindowCommand(int id) override;
    void Layout() override;
    // Bughouse promotions become queens without asking.
    [[nodiscard]] int32_t AskPromotion(Colour) override { return PIECE_QUEEN; }
    [[nodiscard]] QPoint PromotionDialogPosition(Colour) const override { return QPoint(); }
    void SubmitChat(const QString& text) override { m_Game.SendChat(text); }
    [[nodiscard]] QString FileFilter() const override;
    [[nodiscard]] int FileExtension() const override;
    void OnButtonsChanged() override;

private:
    // The layout's measures.
    static constexpr int kMargin = 6;
    static constexpr int kBoardGap = 16;
    static constexpr int kButtonGap = 12;
    static constexpr int kButtonRowGap = 4;
    static constexpr int kPanelHeight = 19;
    static constexpr int kPanelGap = 2;
    static constexpr int kChatGap = 4;
    static constexpr int kChatInputHeight = 22;

    void OpenSettings();
    // Add Computer: an engine chosen from the list takes a free seat.
    void AddComputer();
    // Remove Computer: a seated engine chosen leaves its seat.
    void RemoveComputer();
    void SaveRecord();
    void LoadRecord();
    // Browsing the record: 0 to the start, 1 a ply back, 2 a ply forward, 3 to the end.
    void Browse(int step);

    CBughouseSession& m_Game;
    SettingsRunner m_RunSettings;
    ChoiceRunner m_RunChoice;
    std::array<CSkinButton*, 4> m_Browse{};
};
