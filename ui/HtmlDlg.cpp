#include "HtmlDlg.h"

#include "BitmapCache.h"
#include "MessageDlg.h"
#include "ProgramFolders.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

CHtmlDlg::CHtmlDlg(QWidget* parent)
    : CPellomarDialog(kTemplateId, parent), m_Browser(new QTextBrowser(this)),
      m_Ok(new CSkinButton(ProgramTexts::IDS_OK, this, IDOK))
{
    setModal(false);
    setSizeGripEnabled(true);
    setWindowIcon(QIcon(CBitmapCache::Instance().Get(QStringLiteral("IDI_PELLOMAR")).Pixmap()));
    m_Browser->setProperty(kControlIdProperty, kBrowserId);
    m_Browser->setOpenExternalLinks(true);
    m_Browser->setFrameShape(QFrame::Box);
    connect(m_Ok, &QPushButton::clicked, this, &QDialog::accept);
    // However small the person drags it, the button and a few lines of the
    // page keep their room.
    setMinimumSize(m_Ok->width() + 2 * m_Margin + kLeastPageWidth, m_Ok->height() + 3 * m_Margin + kLeastPageHeight);
    resize(DialogUnitsToPixels(374, 362));
}

void CHtmlDlg::ShowHelp(int titleId, int pageId)
{
    ShowHelp(UiText(titleId), UiText(pageId));
}

void CHtmlDlg::ShowHelp(const QString& title, const QString& page)
{
    setWindowTitle(title);
    m_Address = ProgramFolders::HelpFolder() + page;
    Navigate();
    show();
    raise();
    activateWindow();
}

void CHtmlDlg::Navigate()
{
    if (QFileInfo(m_Address).isFile())
    {
        m_Browser->setSearchPaths({QFileInfo(m_Address).absolutePath()});
        m_Browser->setSource(QUrl::fromLocalFile(m_Address));
    }
    else
    {
        m_Browser->setPlainText(UiText(ProgramTexts::IDS_HELP_PAGE_MISSING).arg(m_Address));
    }
}

void CHtmlDlg::resizeEvent(QResizeEvent* event)
{
    // The dialog keeps its size grip in the bottom-right corner.
    CPellomarDialog::resizeEvent(event);
    // The browser keeps its margins; the button stays centred at the bottom margin.
    const QSize button = m_Ok->size();
    m_Ok->move((width() - button.width()) / 2, height() - m_Margin - button.height());
    m_Browser->setGeometry(m_Margin, m_Margin, width() - 2 * m_Margin, height() - 3 * m_Margin - button.height());
}
