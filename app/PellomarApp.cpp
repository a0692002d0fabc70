#include "PellomarApp.h"

#include "BitmapCache.h"
#include "GameSettings.h"
#include "MainFrame.h"
#include "MessageDlg.h"
#include "PlayerRoster.h"
#include "ProgramFolders.h"
#include "RegistryStore.h"
#include "UiText.h"

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
    m_MainFrame.reset();
    PlayerRoster::Release();
    GameSettings::Release();
    CBitmapCache::Release();
    RegistryStore::Release();
}
