#include "PellomarApp.h"

#include "BitmapCache.h"
#include "BughouseEngineSeats.h"
#include "BughouseWnd.h"
#include "GameSettings.h"
#include "LanAdvertiser.h"
#include "LoaderEngineFactory.h"
#include "LocalChessSession.h"
#include "LocalChessWnd.h"
#include "MainFrame.h"
#include "MessageDlg.h"
#include "NetChessWnd.h"
#include "NetCommandLine.h"
#include "NetConnection.h"
#include "NetConnectionUi.h"
#include "NetGameEntry.h"
#include "NetProtocol.h"
#include "PlayerRoster.h"
#include "ProgramFolders.h"
#include "RegistryStore.h"
#include "ScreenKeeper.h"
#include "UiText.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

using namespace ProgramTexts;

CPellomarApp::CPellomarApp() = default;

CPellomarApp::~CPellomarApp()
{
    ExitInstance();
}

bool CPellomarApp::IsDisplayTooSmall(int width, int height)
{
    return width < kMinimumScreenWidth || height < kMinimumScreenHeight;
}

bool CPellomarApp::InitInstance()
{
    // Nothing to initialise for components or sockets here: Qt brings both.
    // Every dialog opened from here on lies wholly on the screen of its window.
    m_ScreenKeeper = std::make_unique<CScreenKeeper>();
    qApp->installEventFilter(m_ScreenKeeper.get());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
    {
        const QSize size = screen->size();
        if (IsDisplayTooSmall(size.width(), size.height()))
            CMessageDlg::ShowInformation(UiText(IDS_DISPLAY_TOO_SMALL));
    }
    QCoreApplication::setOrganizationName(UiText(IDS_COMPANY_KEY));
    QCoreApplication::setApplicationName(UiText(IDS_APP_TITLE));

    m_ProgramFolder = ProgramFolders::ProgramFolder();
    m_HelpFolder = ProgramFolders::HelpFolder();
    m_GamesFolder = ProgramFolders::GamesFolder();

    m_Store = std::make_unique<RegistryStore>();
    m_Store->OpenRoot(UiText(IDS_PRODUCT_KEY));
    m_Settings = std::make_unique<GameSettings>();
    m_Settings->Load(*m_Store);
    m_Settings->SaveChangesTo(m_Store.get());
    m_Roster = std::make_unique<PlayerRoster>();
    m_Bitmaps = &CBitmapCache::Instance();

    m_MainFrame = std::make_unique<CMainFrame>(AppServices{*m_Store, *m_Settings, *m_Roster, *m_Bitmaps});
    m_MainFrame->SetGamesFolder(m_GamesFolder);
    SetUpNetwork();
    m_MainFrame->RestorePlacement();
    m_MainFrame->show();
    m_MainFrame->update();
    return true;
}

void CPellomarApp::ExitInstance()
{
    if (m_Exited)
        return;
    m_Exited = true;
    // The engines of bughouse seats end before the plug-ins' objects go.
    if (m_Bughouse != nullptr && m_Bughouse->Session().EngineSeats() != nullptr)
        m_Bughouse->Session().EngineSeats()->RemoveAll();
    if (m_Link)
    {
        m_Link->Leave(true);
        m_Link->SetGameWindows(nullptr, nullptr);
        m_Link->SetUi(nullptr);
    }
    m_MainFrame.reset();
    m_NetUi.reset();
    m_Link.reset();
    m_Roster.reset();
    // Each change was saved when it was made.
    if (m_Settings)
        m_Settings->SaveChangesTo(nullptr);
    m_Settings.reset();
    if (m_Bitmaps != nullptr)
        CBitmapCache::Release();
    m_Bitmaps = nullptr;
    if (m_Store)
        m_Store->Close();
    m_Store.reset();
    m_ScreenKeeper.reset();
}

void CPellomarApp::SetUpNetwork()
{
    CMainFrame* frame = m_MainFrame.get();
    m_Link = std::make_unique<CNetConnection>(*m_Roster, *m_Settings);
    m_NetUi = std::make_unique<CNetConnectionUi>(*m_Link, *m_Store, frame);
    m_Link->SetUi(m_NetUi.get());
    m_Link->SetAdvertiserFactory([](int port) { return std::make_unique<CLanAdvertiser>(port); });

    // Both windows exist from the start: an admitted client's window must be
    // there when the server's answer arrives.
    m_NetChess = new CNetChessWnd(*m_Link, *m_Roster, *m_Settings, *m_Bitmaps, frame);
    m_NetChess->hide();
    m_NetChess->SetFrameHooks({[frame](const QString& title) { frame->setWindowTitle(title); },
                               [frame] { frame->ShowNetChess(); }, [frame] { frame->ShowMainMenu(); }});
    m_Bughouse = new CBughouseWnd(*m_Link, *m_Roster, *m_Settings, *m_Bitmaps, frame);
    m_Bughouse->hide();
    m_Bughouse->SetFrameHooks({{}, [frame] { frame->ShowBughouse(); }, [frame] { frame->ShowMainMenu(); }});
    m_Link->SetGameWindows(&m_NetChess->Session(), &m_Bughouse->Session());
    // The server's bughouse window seats engines of the plug-ins' lists,
    // loaded when first asked for.
    m_EngineFactory =
        std::make_unique<CLoaderEngineFactory>([frame]() -> CEngineLoader& { return frame->LoadedEngines(); });
    m_Bughouse->Session().EnableEngineSeats(*m_EngineFactory);

    CNetChessWnd* chess = m_NetChess;
    CBughouseWnd* bughouse = m_Bughouse;
    frame->SetNetChessFactory([chess](CMainFrame&) -> QWidget* { return chess; });
    frame->SetBughouseFactory([bughouse](CMainFrame&) -> QWidget* { return bughouse; });
    frame->SetNetworkEntry([this](int mode) { EnterNetworkGame(mode); });
}

void CPellomarApp::EnterNetworkGame(int mode)
{
    // The main menu switches the window but lets the user fill the dialog:
    // only a command line and the rejoin after a wrong-mode answer confirm it
    // at once.
    m_Link->SetMode(mode);
    m_Link->Join(mode, false);
    if (m_Link->IsServer() && m_Link->IsJoined())
        ShowNetworkWindow(mode);
}

void CPellomarApp::ShowNetworkWindow(int mode)
{
    if (mode == GAME_MODE_DOUBLE)
    {
        m_MainFrame->ShowBughouse();
        m_Bughouse->Open();
    }
    else
    {
        m_MainFrame->ShowNetChess();
        m_NetChess->Open();
    }
}

QString CPellomarApp::GameFileOf(const QStringList& arguments)
{
    // One argument that is no network role: a game file, as the file manager
    // passes it (a path, or a file URL).
    if (arguments.size() != 1)
        return QString();
    const QString& argument = arguments.constFirst();
    if (argument == QLatin1String("server") || argument == QLatin1String("client") || argument.isEmpty())
        return QString();
    const QUrl url(argument);
    if (url.isLocalFile())
        return url.toLocalFile();
    return argument;
}

bool CPellomarApp::RunCommandLine(const QStringList& arguments)
{
    if (arguments.isEmpty() || !m_Link)
        return true;
    if (const QString file = GameFileOf(arguments); !file.isEmpty())
    {
        // The local game shows the file; one that cannot be read is told there, and the game stays.
        m_MainFrame->ShowLocalChess();
        if (CLocalChessWnd* local = m_MainFrame->LocalChess(); local != nullptr)
            local->Session().LoadGame(QFileInfo(file).absoluteFilePath());
        return true;
    }
    const CNetCommandLine commandLine = CNetCommandLine::Parse(CNetCommandLine::Join(arguments));
    m_CommandLineStart = commandLine.kind != CNetCommandLine::Kind::None;
    switch (CNetGameEntry::Start(commandLine, *m_Link, *m_Store, *m_NetUi))
    {
    case CNetGameEntry::Outcome::Exit: return false;
    case CNetGameEntry::Outcome::Server:
        m_NetChess->Session().SetStartedFromCommandLine(true);
        m_Bughouse->Session().SetStartedFromCommandLine(true);
        ShowNetworkWindow(commandLine.mode);
        return true;
    default: return true;
    }
}
