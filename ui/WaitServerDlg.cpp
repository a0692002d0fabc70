#include "WaitServerDlg.h"

#include "UiText.h"

#include <QLabel>
#include <QVBoxLayout>

using namespace ProgramTexts;

CWaitServerDlg::CWaitServerDlg(QWidget* parent) : CPellomarDialog(kTemplateId, parent)
{
    setWindowTitle(UiText(IDS_WAIT_CAPTION));
    setFixedSize(DialogUnitsToPixels(153, 45));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(UiText(IDS_WAIT_TEXT), this);
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
}
