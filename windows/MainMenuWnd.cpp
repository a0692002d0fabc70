#include "MainMenuWnd.h"

#include "BitmapCache.h"
#include "HtmlDlg.h"
#include "SkinButton.h"
#include "SoundPlayer.h"
#include "UiText.h"

#include <QPainter>

using namespace ProgramTexts;

namespace
{
// Top to bottom.
struct MenuButton
{
    int id;
    int caption;
};
constexpr MenuButton kMenuButtons[] = {
    {CMainMenuWnd::ID_LOCAL_CHESS, IDS_MENU_LOCAL_CHESS},
    {CMainMenuWnd::ID_NETWORK_CHESS, IDS_MENU_NETWORK_CHESS},
    {CMainMenuWnd::ID_BUGHOUSE, IDS_MENU_BUGHOUSE},
    {CMainMenuWnd::ID_CREDITS, IDS_MENU_CREDITS},
    {CMainMenuWnd::ID_DEVELOPER_ZONE, IDS_MENU_DEVELOPER_ZONE},
    {CMainMenuWnd::ID_EXIT, IDS_MENU_EXIT},
};
const QColor kLogoKey(255, 0, 0);
} // namespace

CMainMenuWnd::CMainMenuWnd(CBitmapCache& bitmaps, QWidget* parent) : QWidget(parent), m_Bitmaps(bitmaps)
{
    setObjectName(QStringLiteral("MainMenuWnd"));
    for (const MenuButton& entry : kMenuButtons)
    {
        auto* button = new CSkinButton(entry.caption, this, entry.id, CSkinButton::Kind::Big);
        connect(button, &QPushButton::pressed, this, [] { CSoundPlayer::Play(QStringLiteral("IDR_BUTTON_PRESS")); });
        connect(button, &QPushButton::clicked, this, [this, id = entry.id] { OnCommand(id); });
        m_Buttons[entry.id] = button;
    }
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    Layout();
}

CMainMenuWnd::~CMainMenuWnd() = default;

CSkinButton* CMainMenuWnd::Button(int controlId) const
{
    auto it = m_Buttons.find(controlId);
    return it == m_Buttons.end() ? nullptr : it->second;
}

void CMainMenuWnd::OnCommand(int controlId)
{
    switch (controlId)
    {
    case ID_LOCAL_CHESS: emit LocalChessRequested(); break;
    case ID_NETWORK_CHESS: emit NetworkChessRequested(); break;
    case ID_BUGHOUSE: emit BughouseRequested(); break;
    case ID_CREDITS: ShowHelp(IDS_CREDITS_TITLE, IDS_CREDITS_PAGE); break;
    case ID_DEVELOPER_ZONE: ShowHelp(IDS_DEVELOPER_ZONE_TITLE, IDS_DEVELOPER_ZONE_PAGE); break;
    case ID_EXIT: emit ExitRequested(); break;
    default: break;
    }
}

void CMainMenuWnd::ShowHelp(int titleId, int pageId)
{
    // One help dialog for both pages, owned by the frame's window.
    if (m_Help == nullptr)
        m_Help = new CHtmlDlg(window());
    m_Help->ShowHelp(titleId, pageId);
}

void CMainMenuWnd::Layout()
{
    const CCachedBitmap& logo = m_Bitmaps.Get(QStringLiteral("IDB_BACK"));
    const int logoHeight = logo.Size().height();
    const int count = static_cast<int>(m_Buttons.size());
    const int buttonHeight = m_Buttons.begin()->second->height();
    const int column = logoHeight + count * buttonHeight + kLogoGap + kButtonGap * count;
    int y = (height() - column) / 2;
    m_LogoRect = QRect(QPoint((width() - logo.Size().width()) / 2, y), logo.Size());
    y += logoHeight + kLogoGap;
    for (const MenuButton& entry : kMenuButtons)
    {
        CSkinButton* button = m_Buttons.at(entry.id);
        button->move((width() - button->width()) / 2, y);
        y += buttonHeight + kButtonGap;
    }
}

void CMainMenuWnd::resizeEvent(QResizeEvent*)
{
    Layout();
}

void CMainMenuWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CBitmapCache& cache = m_Bitmaps;
    const qreal ratio = CBitmapCache::RatioOf(painter);
    cache.Get(QStringLiteral("IDB_PATTERN"), ratio).Tile(painter, rect());
    cache.Get(QStringLiteral("IDB_BACK"), ratio).DrawTransparent(painter, m_LogoRect.topLeft(), kLogoKey);
}
