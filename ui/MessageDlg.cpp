#include "MessageDlg.h"

#include "ScreenKeeper.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

namespace
{
CMessageService::Answerer& StoredAnswerer()
{
    static CMessageService::Answerer answerer;
    return answerer;
}

std::vector<CMessageService::Entry>& StoredHistory()
{
    static std::vector<CMessageService::Entry> history;
    return history;
}

constexpr int kMargin = 10;
} // namespace

CMessageDlg::CMessageDlg(const QString& text, Kind kind, QWidget* parent)
    : CPellomarDialog(kTemplateId, parent), m_Kind(kind), m_Label(new QLabel(text, this))
{
    setWindowTitle(UiText(kind == Kind::Question ? ProgramTexts::IDS_QUESTION : ProgramTexts::IDS_INFORMATION));
    setModal(true);
    m_Label->setProperty(kControlIdProperty, kTextId);
    m_Label->setTextFormat(Qt::PlainText);
    m_Label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (kind == Kind::Question)
    {
        auto* yes = new CSkinButton(ProgramTexts::IDS_YES, this, IDYES);
        auto* no = new CSkinButton(ProgramTexts::IDS_NO, this, IDNO);
        connect(yes, &QPushButton::clicked, this, [this] { done(IDYES); });
        connect(no, &QPushButton::clicked, this, [this] { done(IDNO); });
        yes->setDefault(true);
    }
    else
    {
        auto* ok = new CSkinButton(ProgramTexts::IDS_OK, this, IDOK);
        connect(ok, &QPushButton::clicked, this, [this] { done(IDOK); });
        ok->setDefault(true);
    }
    Layout();
}

QString CMessageDlg::Text() const
{
    return m_Label->text();
}

void CMessageDlg::Layout()
{
    // Measure the text on its own lines, as the platform's calculating text call does.
    const QFontMetrics metrics(m_Label->font());
    const QRect measured =
        metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, m_Label->text());
    const int tw = measured.width();
    const int th = measured.height();
    const QList<CSkinButton*> buttons = findChildren<CSkinButton*>();
    const QSize button = buttons.isEmpty() ? QSize(0, 0) : buttons.first()->size();
    const int k = m_Kind == Kind::Question ? 3 : 2;

    // The client area: 10 pixels round the text, the buttons 10 pixels above the bottom.
    const int width = std::max(tw + 3 * kMargin, k * button.width()) - kMargin;
    const int height = th + button.height() + 4 * kMargin;
    setFixedSize(width, height);

    const int textLeft = (k * button.width() > tw + 3 * kMargin) ? (width - tw) / 2 : kMargin;
    m_Label->setGeometry(textLeft, kMargin, tw + 1, th);

    const int gap = kMargin;
    const int groupWidth = buttons.size() * button.width() + (static_cast<int>(buttons.size()) - 1) * gap;
    int x = (width - groupWidth) / 2;
    // Yes before No.
    QList<CSkinButton*> ordered = buttons;
    std::sort(ordered.begin(), ordered.end(),
              [](const CSkinButton* a, const CSkinButton* b) { return a->ControlId() < b->ControlId(); });
    for (CSkinButton* b : ordered)
    {
        b->move(x, height - kMargin - button.height());
        x += button.width() + gap;
    }

    // Centred on the screen that holds the window it speaks for.
    if (const QScreen* screen = CScreenKeeper::ScreenOf(this))
    {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width / 2, height / 2));
    }
}

int CMessageDlg::ShowInformation(int stringId, QWidget* parent)
{
    return ShowInformation(UiText(stringId), parent);
}

int CMessageDlg::ShowInformation(const QString& text, QWidget* parent)
{
    return CMessageService::Show(CMessageService::Style::Information, text, parent);
}

int CMessageDlg::Ask(int stringId, QWidget* parent)
{
    return Ask(UiText(stringId), parent);
}

int CMessageDlg::Ask(const QString& text, QWidget* parent)
{
    return CMessageService::Show(CMessageService::Style::Question, text, parent);
}

int CMessageDlg::ShowSystemInformation(const QString& text, QWidget* parent)
{
    return CMessageService::Show(CMessageService::Style::SystemInformation, text, parent);
}

int CMessageService::Show(Style style, const QString& text, QWidget* parent)
{
    int answer = IDOK;
    const Answerer& answerer = StoredAnswerer();
    if (style == Style::SystemInformation)
    {
        if (answerer)
            answer = answerer(style, text, nullptr);
        else
            QMessageBox::information(parent, UiText(ProgramTexts::IDS_APP_TITLE), text);
    }
    else
    {
        CMessageDlg dialog(
            text, style == Style::Question ? CMessageDlg::Kind::Question : CMessageDlg::Kind::Information, parent);
        answer = answerer ? answerer(style, text, &dialog) : dialog.exec();
        // Closing the window is the same as the negative answer.
        if (style == Style::Question && answer != IDYES)
            answer = IDNO;
        if (style == Style::Information)
            answer = IDOK;
    }
    StoredHistory().push_back(Entry{style, text, answer});
    return answer;
}

void CMessageService::SetAnswerer(Answerer answerer)
{
    StoredAnswerer() = std::move(answerer);
}

void CMessageService::AnswerAutomatically(int answer)
{
    SetAnswerer(
        [answer](Style style, const QString&, CMessageDlg*) { return style == Style::Question ? answer : IDOK; });
}

void CMessageService::ClearAnswerer()
{
    StoredAnswerer() = nullptr;
}

bool CMessageService::HasAnswerer()
{
    return static_cast<bool>(StoredAnswerer());
}

const std::vector<CMessageService::Entry>& CMessageService::History()
{
    return StoredHistory();
}

void CMessageService::ClearHistory()
{
    StoredHistory().clear();
}
