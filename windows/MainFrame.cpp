#include "MainFrame.h"

#include "BitmapCache.h"
#include "GameWnd.h"
#include "LocalChessWnd.h"
#include "MainMenuWnd.h"
#include "MessageDlg.h"
#include "PlayerRoster.h"
#include "RegistryStore.h"
#include "SkinArt.h"
#include "UiText.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWheelEvent>

using namespace ProgramTexts;

namespace
{
// The ten values of the placement, in their stored order.
constexpr const char* kShowCmd = "wp.showCmd";
constexpr const char* kFlags = "wp.flags";
constexpr const char* kMinX = "wp.ptMinPosition.x";
constexpr const char* kMinY = "wp.ptMinPosition.y";
constexpr const char* kMaxX = "wp.ptMaxPosition.x";
constexpr const char* kMaxY = "wp.ptMaxPosition.y";
constexpr const char* kLeft = "wp.left";
constexpr const char* kRight = "wp.right";
constexpr const char* kTop = "wp.top";
constexpr const char* kBottom = "wp.bottom";

QRect VirtualScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return QRect();
    const QRect all = screen->virtualGeometry();
    return QRect(0, 0, all.right() + 1, all.bottom() + 1);
}
} // namespace

CMainFrame::CMainFrame(const AppServices& services, QWidget* parent) : QWidget(parent), m_Services(services)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(UiText(IDS_APP_TITLE));
    const CCachedBitmap& icon = m_Services.bitmaps.Get(QStringLiteral("IDI_PELLOMAR"));
    if (icon.IsLoaded())
    {
        // The icon drawn at the sizes a desktop shows, scaled or not.
        QIcon sizes(icon.Pixmap());
        for (int size : {16, 24, 32, 48, 64, 256})
            sizes.addPixmap(QPixmap::fromImage(CSkinArt::Icon(size)));
        setWindowIcon(sizes);
    }
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_EngineRoots = CEngineLoader::DefaultSearchRoots();
    // An installation moved to another prefix keeps its plug-in beside the
    // program's folder.
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
    {
        const auto relative = program.parent_path().parent_path() / "lib" / "pellomar";
        if (std::find(m_EngineRoots.begin(), m_EngineRoots.end(), relative) == m_EngineRoots.end())
            m_EngineRoots.push_back(relative);
    }
    resize(kInitialWidth, kInitialHeight);
    ShowMainMenu();
}

CMainFrame::~CMainFrame()
{
    // The local window ends its engines' games before the engines go.
    delete m_LocalChess;
    m_LocalChess = nullptr;
    m_Engines.DestroyAll();
}

void CMainFrame::SetGamesFolder(const QString& folder)
{
    m_GamesFolder = folder;
    if (m_LocalChess != nullptr)
        m_LocalChess->SetGamesFolder(folder);
}

QWidget* CMainFrame::VisibleChild() const
{
    for (QWidget* child : {static_cast<QWidget*>(m_Bughouse), m_NetChess, static_cast<QWidget*>(m_LocalChess),
                           static_cast<QWidget*>(m_MainMenu)})
        if (child != nullptr && !child->isHidden())
            return child;
    return nullptr;
}

void CMainFrame::ShowMainMenu()
{
    if (m_MainMenu == nullptr)
    {
        m_MainMenu = new CMainMenuWnd(m_Services.bitmaps, this);
        m_MainMenu->setGeometry(rect());
        connect(m_MainMenu, &CMainMenuWnd::LocalChessRequested, this, &CMainFrame::ShowLocalChess);
        connect(m_MainMenu, &CMainMenuWnd::NetworkChessRequested, this, [this] {
            if (m_NetworkEntry)
                m_NetworkEntry(1);
            else
                ShowNetChess();
        });
        connect(m_MainMenu, &CMainMenuWnd::BughouseRequested, this, [this] {
            if (m_NetworkEntry)
                m_NetworkEntry(0);
            else
                ShowBughouse();
        });
        connect(m_MainMenu, &CMainMenuWnd::ExitRequested, this, &QWidget::close);
    }
    ShowChild(m_MainMenu, false);
}

void CMainFrame::ShowLocalChess()
{
    if (m_LocalChess == nullptr)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_LocalChess = new CLocalChessWnd(m_Services.settings, m_Services.roster, LoadedEngines(), m_Listener,
                                          m_Services.bitmaps, this);
        m_LocalChess->SetGamesFolder(m_GamesFolder);
        m_LocalChess->setGeometry(rect());
        connect(m_LocalChess, &CLocalChessWnd::MenuRequested, this, &CMainFrame::ShowMainMenu);
        QApplication::restoreOverrideCursor();
    }
    ShowChild(m_LocalChess, false);
    m_LocalChess->Open();
}

CEngineLoader& CMainFrame::LoadedEngines()
{
    if (!m_EnginesLoaded)
    {
        m_Engines.Load(m_EngineRoots, &m_Listener, &m_Listener);
        m_EnginesLoaded = true;
    }
    return m_Engines;
}

void CMainFrame::ShowNetChess()
{
    ShowNetworkWindow(m_NetChess, m_NetChessFactory);
}

void CMainFrame::ShowBughouse()
{
    ShowNetworkWindow(m_Bughouse, m_BughouseFactory);
}

void CMainFrame::ShowNetworkWindow(QWidget*& window, const WindowFactory& factory)
{
    if (window == nullptr && factory)
    {
        window = factory(*this);
        if (window != nullptr)
        {
            window->setParent(this);
            window->setGeometry(rect());
        }
    }
    if (window != nullptr)
        ShowChild(window, true);
}

void CMainFrame::ShowChild(QWidget* child, bool networkWindow)
{
    m_NetworkWindow = networkWindow;
    const QSize minimum = child->minimumSize();
    if (width() < minimum.width() || height() < minimum.height())
        resize(std::max(width(), minimum.width()), std::max(height(), minimum.height()));
    child->setGeometry(rect());
    child->show();
    for (QWidget* other :
         {static_cast<QWidget*>(m_MainMenu), static_cast<QWidget*>(m_LocalChess), m_NetChess, m_Bughouse})
        if (other != nullptr && other != child)
            other->hide();
    UpdateMinimumSize();
}

void CMainFrame::UpdateMinimumSize()
{
    const QWidget* visible = VisibleChild();
    setMinimumSize(visible != nullptr ? visible->minimumSize() : QSize());
}

void CMainFrame::resizeEvent(QResizeEvent*)
{
    for (QWidget* child :
         {static_cast<QWidget*>(m_MainMenu), static_cast<QWidget*>(m_LocalChess), m_NetChess, m_Bughouse})
        if (child != nullptr)
            child->setGeometry(rect());
}

void CMainFrame::wheelEvent(QWheelEvent* event)
{
    // The wheel scrolls the move list of the game shown.
    if (m_LocalChess != nullptr && !m_LocalChess->isHidden())
    {
        m_LocalChess->HandleWheel(event->angleDelta().y(), event->globalPosition().toPoint());
        event->accept();
        return;
    }
    event->ignore();
}

bool CMainFrame::ConfirmClose()
{
    // Only a connection that is still open is worth the question: after the
    // server has left, a client closes without asking.
    const auto* game = qobject_cast<const CGameWnd*>(VisibleChild());
    if (m_NetworkWindow && game != nullptr && game->IsConnectedToOthers())
        return CMessageDlg::Ask(UiText(IDS_CONFIRM_QUIT_NETWORK), this) == IDYES;
    return true;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!ConfirmClose())
    {
        event->ignore();
        return;
    }
    SavePlacement();
    event->accept();
}

void CMainFrame::SavePlacement()
{
    RegistryStore& store = m_Services.store;
    if (!store.HasRoot())
        store.OpenRoot(UiText(IDS_PRODUCT_KEY));
    const QString previous = store.SubKeyName();
    if (store.OpenSubKey(QString::fromLatin1(kPlacementKey)) != RegistryStore::RESULT_OK)
        return;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    const int show = isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal;
    {
        RegistryStore::Batch batch(store);
        store.WriteDword(QString::fromLatin1(kShowCmd), show);
        store.WriteDword(QString::fromLatin1(kFlags), 0);
        store.WriteDword(QString::fromLatin1(kMinX), -1);
        store.WriteDword(QString::fromLatin1(kMinY), -1);
        store.WriteDword(QString::fromLatin1(kMaxX), -1);
        store.WriteDword(QString::fromLatin1(kMaxY), -1);
        store.WriteDword(QString::fromLatin1(kLeft), normal.left());
        store.WriteDword(QString::fromLatin1(kRight), normal.left() + normal.width());
        store.WriteDword(QString::fromLatin1(kTop), normal.top());
        store.WriteDword(QString::fromLatin1(kBottom), normal.top() + normal.height());
    }
    if (!previous.isEmpty())
        store.OpenSubKey(previous);
}

bool CMainFrame::RestorePlacement()
{
    RegistryStore& store = m_Services.store;
    if (!store.HasRoot())
        store.OpenRoot(UiText(IDS_PRODUCT_KEY));
    const QString previous = store.SubKeyName();
    if (store.OpenSubKey(QString::fromLatin1(kPlacementKey)) != RegistryStore::RESULT_OK)
        return false;
    // Missing values read as an empty rectangle, which is never applied.
    int32_t show = 0;
    int32_t left = 0;
    int32_t right = 0;
    int32_t top = 0;
    int32_t bottom = 0;
    {
        RegistryStore::Batch batch(store);
        store.ReadDword(QString::fromLatin1(kShowCmd), show, 0);
        store.ReadDword(QString::fromLatin1(kLeft), left, 0);
        store.ReadDword(QString::fromLatin1(kRight), right, 0);
        store.ReadDword(QString::fromLatin1(kTop), top, 0);
        store.ReadDword(QString::fromLatin1(kBottom), bottom, 0);
    }
    if (!previous.isEmpty())
        store.OpenSubKey(previous);
    const QRect normal(QPoint(left, top), QPoint(right - 1, bottom - 1));
    if (!normal.isValid() || !normal.intersects(VirtualScreen()))
        return false;
    setGeometry(QRect(normal.topLeft(), normal.size().expandedTo(minimumSize())));
    // A frame closed while minimised comes back in its normal place.
    if (show == kShowMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    else
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    return true;
}
