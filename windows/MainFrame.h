#pragma once

#include "AppServices.h"
#include "EngineListener.h"
#include "EngineLoader.h"

#include <QRect>
#include <QSize>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

class CLocalChessWnd;
class CMainMenuWnd;

// The program's main window. It hosts four child windows of which one is
// shown at a time (main menu, local chess, network chess, bughouse), owns
// the white and black engine lists for the life of the program, and keeps
// its placement in the store between runs.
class CMainFrame : public QWidget
{
    Q_OBJECT

public:
    // The store subkey of the window placement.
    static constexpr const char* kPlacementKey = "WindowPosition";
    static constexpr int kInitialWidth = 663;
    static constexpr int kInitialHeight = 461;
    // Show states of the stored placement, numbered as on the platform of origin.
    static constexpr int kShowNormal = 1;
    static constexpr int kShowMinimized = 2;
    static constexpr int kShowMaximized = 3;

    // Makes a network game window (network chess or bughouse) for the frame;
    // installed by the network games. The window must offer a minimum size.
    using WindowFactory = std::function<QWidget*(CMainFrame& frame)>;

    explicit CMainFrame(const AppServices& services, QWidget* parent = nullptr);
    ~CMainFrame() override;

    void ShowMainMenu();
    // Loads the engine plug-ins and creates the local chess window the first
    // time; every call opens the window anew.
    void ShowLocalChess();
    // Without a factory installed, these leave the frame as it is.
    void ShowNetChess();
    void ShowBughouse();

    void SetNetChessFactory(WindowFactory factory) { m_NetChessFactory = std::move(factory); }
    void SetBughouseFactory(WindowFactory factory) { m_BughouseFactory = std::move(factory); }
    // What the main menu's two network buttons do (game mode 1 network chess,
    // 0 bughouse): installed by the program to run the connection dialog.
    // Without it, the buttons show the window as it is.
    void SetNetworkEntry(std::function<void(int mode)> entry) { m_NetworkEntry = std::move(entry); }
    // Where ShowLocalChess looks for plug-ins (by default the program's
    // folder and the installed plug-in folder).
    void SetEngineSearchRoots(std::vector<std::filesystem::path> roots) { m_EngineRoots = std::move(roots); }
    void SetGamesFolder(const QString& folder);

    // Writes the placement's ten values under WindowPosition.
    void SavePlacement();
    // Applies the stored placement when it exists and its normal rectangle
    // meets the virtual screen; otherwise keeps the present placement.
    // True when it was applied.
    bool RestorePlacement();

    [[nodiscard]] bool IsNetworkWindowShown() const { return m_NetworkWindow; }
    [[nodiscard]] CMainMenuWnd* MainMenu() const { return m_MainMenu; }
    [[nodiscard]] CLocalChessWnd* LocalChess() const { return m_LocalChess; }
    [[nodiscard]] QWidget* NetChess() const { return m_NetChess; }
    [[nodiscard]] QWidget* Bughouse() const { return m_Bughouse; }
    [[nodiscard]] QWidget* VisibleChild() const;
    [[nodiscard]] CEngineLoader& Engines() { return m_Engines; }
    // The engine plug-ins, loaded on first use.
    [[nodiscard]] CEngineLoader& LoadedEngines();
    [[nodiscard]] CEngineListener& EngineListener() { return m_Listener; }
    [[nodiscard]] const AppServices& Services() const { return m_Services; }

    // The close question of a network game; true when the frame may close.
    bool ConfirmClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Steps common to the four Show operations, once the child exists.
    void ShowChild(QWidget* child, bool networkWindow);
    // Makes the window with its factory the first time, then shows it.
    void ShowNetworkWindow(QWidget*& window, const WindowFactory& factory);
    void UpdateMinimumSize();

    AppServices m_Services;
    CEngineLoader m_Engines;
    CEngineListener m_Listener;
    std::vector<std::filesystem::path> m_EngineRoots;
    bool m_EnginesLoaded = false;
    bool m_NetworkWindow = false;
    QString m_GamesFolder;
    CMainMenuWnd* m_MainMenu = nullptr;
    CLocalChessWnd* m_LocalChess = nullptr;
    QWidget* m_NetChess = nullptr;
    QWidget* m_Bughouse = nullptr;
    WindowFactory m_NetChessFactory;
    WindowFactory m_BughouseFactory;
    std::function<void(int mode)> m_NetworkEntry;
};
