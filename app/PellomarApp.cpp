#include "PellomarApp.h"

#include "BitmapCache.h"
#include "BughouseWnd.h"
#include "GameSettings.h"
#include "LanAdvertiser.h"
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
#include <QGuiApplication>
#include <QScreen>

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

    RegistryStore::Instance().OpenRoot(UiText(IDS_PRODUCT_KEY));

    m_MainFrame = std::make_unique<CMainFrame>();
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
    if (m_Link)
    {
        m_Link->Leave(true);
        m_Link->SetGameWindows(nullptr, nullptr);
        m_Link->SetUi(nullptr);
    }
    m_MainFrame.reset();
    m_NetUi.reset();
    m_Link.reset();
    PlayerRoster::Release();
    GameSettings::Release();
    CBitmapCache::Release();
    RegistryStore::Release();
    m_ScreenKeeper.reset();
}

void CPellomarApp::SetUpNetwork()
{
    CMainFrame* frame = m_MainFrame.get();
    m_Link = std::make_unique<CNetConnection>(PlayerRoster::Instance(), GameSettings::Instance());
    m_NetUi = std::make_unique<CNetConnectionUi>(*m_Link, RegistryStore::Instance(), frame);
    m_Link->SetUi(m_NetUi.get());
    m_Link->SetAdvertiserFactory([](int port) { return std::make_unique<CLanAdvertiser>(port); });

    // Both windows exist from the start: an admitted client's window must be
    // there when the server's answer arrives.
    m_NetChess = new CNetChessWnd(*m_Link, PlayerRoster::Instance(), GameSettings::Instance(), frame);
    m_NetChess->hide();
    m_NetChess->SetFrameHooks({[frame](const QString& title) { frame->setWindowTitle(title); },
                               [frame] { frame->ShowNetChess(); }, [frame] { frame->ShowMainMenu(); }});
    m_Bughouse = new CBughouseWnd(*m_Link, PlayerRoster::Instance(), GameSettings::Instance(), frame);
    m_Bughouse->hide();
    m_Bughouse->SetFrameHooks({[frame] { frame->ShowBughouse(); }, [frame] { frame->ShowMainMenu(); }});
    m_Link->SetGameWindows(m_NetChess, m_Bughouse);

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

bool CPellomarApp::RunCommandLine(const QStringList& arguments)
{
    if (arguments.isEmpty() || !m_Link)
        return true;
    const CNetCommandLine commandLine = CNetCommandLine::Parse(CNetCommandLine::Join(arguments));
    m_CommandLineStart = commandLine.kind != CNetCommandLine::Kind::None;
    switch (CNetGameEntry::Start(commandLine, *m_Link, RegistryStore::Instance(), *m_NetUi))
    {
    case CNetGameEntry::Outcome::Exit: return false;
    case CNetGameEntry::Outcome::Server:
        m_NetChess->SetStartedFromCommandLine(true);
        m_Bughouse->SetStartedFromCommandLine(true);
        ShowNetworkWindow(commandLine.mode);
        return true;
    default: return true;
    }
}
