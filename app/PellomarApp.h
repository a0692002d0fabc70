#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class CBitmapCache;
class CBughouseWnd;
class CLoaderEngineFactory;
class CMainFrame;
class CNetChessWnd;
class CNetConnection;
class CNetConnectionUi;
class GameSettings;
class PlayerRoster;
class RegistryStore;
class CScreenKeeper;

// The application object: starts the program in its fixed order (display
// check, store, settings, main frame with its restored placement) and holds
// the shared services for the whole run: the settings store, the settings
// record, the roster, the bitmap cache and the network link. Everything else
// is handed what it uses. At exit it releases them in their fixed order.
class CPellomarApp
{
public:
    static constexpr int kMinimumScreenWidth = 800;
    static constexpr int kMinimumScreenHeight = 600;

    CPellomarApp();
    ~CPellomarApp();
    CPellomarApp(const CPellomarApp&) = delete;
    CPellomarApp& operator=(const CPellomarApp&) = delete;

    // Runs the start-up steps; false when the program must end at once.
    // Needs a QApplication.
    bool InitInstance();
    // Leaves the network game, destroys the main frame and releases the
    // roster, the settings (saving them), the bitmap cache and the store.
    void ExitInstance();

    [[nodiscard]] CMainFrame* MainFrame() const { return m_MainFrame.get(); }
    [[nodiscard]] CNetConnection* NetworkLink() const { return m_Link.get(); }
    // The services, once InitInstance has made them (null before and after the run).
    [[nodiscard]] GameSettings* Settings() const { return m_Settings.get(); }
    [[nodiscard]] PlayerRoster* Roster() const { return m_Roster.get(); }
    [[nodiscard]] RegistryStore* Store() const { return m_Store.get(); }
    // Starts a network game from the command line (the arguments without the
    // program name), or opens a game file in a local game when the one
    // argument is a file. False when the program must end (invalid command line).
    bool RunCommandLine(const QStringList& arguments);
    // The game file a command line names, empty when it names none.
    [[nodiscard]] static QString GameFileOf(const QStringList& arguments);
    // The executable's folder, the help pages' folder, and the games
    // folder (empty without a documents folder), as found at start.
    [[nodiscard]] const QString& ProgramFolder() const { return m_ProgramFolder; }
    [[nodiscard]] const QString& HelpFolder() const { return m_HelpFolder; }
    [[nodiscard]] const QString& GamesFolder() const { return m_GamesFolder; }
    [[nodiscard]] bool IsCommandLineStart() const { return m_CommandLineStart; }

    // True when a screen of that size is too small for the program.
    [[nodiscard]] static bool IsDisplayTooSmall(int width, int height);

private:
    // Creates the network link and the two network windows and plugs them
    // into the main frame.
    void SetUpNetwork();
    // Runs the connection dialog for a mode and shows the window of a server.
    void EnterNetworkGame(int mode);
    void ShowNetworkWindow(int mode);

    std::unique_ptr<RegistryStore> m_Store;
    std::unique_ptr<GameSettings> m_Settings;
    std::unique_ptr<PlayerRoster> m_Roster;
    CBitmapCache* m_Bitmaps = nullptr; // the skin's cache, released at exit
    std::unique_ptr<CScreenKeeper> m_ScreenKeeper;
    std::unique_ptr<CNetConnection> m_Link;
    std::unique_ptr<CNetConnectionUi> m_NetUi;
    std::unique_ptr<CLoaderEngineFactory> m_EngineFactory;
    CNetChessWnd* m_NetChess = nullptr; // children of the main frame
    CBughouseWnd* m_Bughouse = nullptr;
    std::unique_ptr<CMainFrame> m_MainFrame;
    QString m_ProgramFolder;
    QString m_HelpFolder;
    QString m_GamesFolder;
    bool m_CommandLineStart = false;
    bool m_Exited = false;
};
