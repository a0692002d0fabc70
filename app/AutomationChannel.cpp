#include "AutomationChannel.h"

#include "BoardView.h"
#include "FenText.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "MovesWnd.h"
#include "OutputPane.h"
#include "PlayerWnd.h"
#include "ScreenKeeper.h"
#include "UiText.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace
{
// A request line longer than this is refused rather than buffered without end.
constexpr qsizetype kMaxLineLength = 64 * 1024;

QString Ok()
{
    return QStringLiteral("ok");
}

QString Ok(const QJsonValue& value)
{
    QByteArray json;
    if (value.isArray())
        json = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else if (value.isObject())
        json = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    else
    {
        // A bare value: wrap it in an array and strip the brackets.
        json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
        json = json.mid(1, json.size() - 2);
    }
    return QStringLiteral("ok ") + QString::fromUtf8(json);
}

QString Error(const QString& text)
{
    QString line = QStringLiteral("error ") + text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

// The rest of the line after its first words, read as SplitWords reads them; trimmed.
QString RestAfterWords(const QString& line, int count)
{
    qsizetype i = 0;
    const qsizetype n = line.size();
    for (int word = 0; word < count; ++word)
    {
        while (i < n && line[i].isSpace())
            ++i;
        if (i < n && line[i] == QLatin1Char('"'))
        {
            ++i;
            while (i < n && line[i] != QLatin1Char('"'))
                i += line[i] == QLatin1Char('\\') ? 2 : 1;
            ++i;
        }
        else
            while (i < n && !line[i].isSpace())
                ++i;
    }
    return i < n ? line.mid(i).trimmed() : QString();
}

// "e4" -> the square; (-1, -1) when it is not one.
CCoordinate ParseSquare(const QString& text)
{
    if (text.size() != 2)
        return CCoordinate::None();
    const QChar file = text[0].toLower();
    const QChar rank = text[1];
    if (file < QLatin1Char('a') || file > QLatin1Char('h') || rank < QLatin1Char('1') || rank > QLatin1Char('8'))
        return CCoordinate::None();
    // Columns count from the h-file.
    return CCoordinate(rank.unicode() - '1', 'h' - file.unicode());
}

int PieceOfLetter(const QString& letter)
{
    static const QString letters = QStringLiteral("PRNBQ"); // in PieceType order
    return letter.size() == 1 ? static_cast<int>(letters.indexOf(letter[0].toUpper())) : -1;
}

QString HoldingsText(const CChessPosition& position, Colour colour)
{
    static const char letters[] = "PRNBQ";
    QString text;
    for (int type = PIECE_QUEEN; type >= PIECE_PAWN; --type)
        text += QString(position.Holdings(colour, static_cast<PieceType>(type)), QLatin1Char(letters[type]));
    return text;
}

QString StyleName(CMessageService::Style style)
{
    switch (style)
    {
    case CMessageService::Style::Question: return QStringLiteral("question");
    case CMessageService::Style::SystemInformation: return QStringLiteral("system");
    default: return QStringLiteral("information");
    }
}

QString AnswerName(int answer)
{
    switch (answer)
    {
    case IDOK: return QStringLiteral("ok");
    case IDYES: return QStringLiteral("yes");
    case IDNO: return QStringLiteral("no");
    case IDCANCEL: return QStringLiteral("cancel");
    default: return QString::number(answer);
    }
}

// The name a request uses for the widget: its object name, or for a dialog
// control without one "control<id>" after its control id.
QString AutomationName(const QWidget* widget)
{
    const QString name = widget->objectName();
    if (!name.isEmpty())
        return name;
    const QVariant id = widget->property(kControlIdProperty);
    return id.isValid() ? QStringLiteral("control%1").arg(id.toInt()) : QString();
}

bool IsNamed(const QWidget* widget)
{
    const QString name = AutomationName(widget);
    return !name.isEmpty() && !name.startsWith(QStringLiteral("qt_"));
}

void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void SendKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

// A press and a release of the left button at the point, as a person clicks.
// The press may end the widget (a button that closes its window): then no release.
void SendClick(const QPointer<QWidget>& target, const QPoint& at)
{
    SendMouse(target, QEvent::MouseButtonPress, at, Qt::LeftButton);
    if (target != nullptr)
        SendMouse(target, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

// A drag of the left button from start to end through their middle.
void SendDrag(QWidget* target, const QPoint& start, const QPoint& end)
{
    SendMouse(target, QEvent::MouseButtonPress, start, Qt::LeftButton);
    SendMouse(target, QEvent::MouseMove, (start + end) / 2, Qt::LeftButton);
    SendMouse(target, QEvent::MouseMove, end, Qt::LeftButton);
    SendMouse(target, QEvent::MouseButtonRelease, end, Qt::NoButton);
}

// Where a person clicks a widget: the middle of a check box's or radio
// button's box and label (a click beside them does nothing), else the middle.
QPoint ClickPoint(QWidget* widget)
{
    const bool check = qobject_cast<QCheckBox*>(widget) != nullptr;
    if (check || qobject_cast<QRadioButton*>(widget) != nullptr)
    {
        QStyleOptionButton option;
        option.initFrom(widget);
        option.text = static_cast<QAbstractButton*>(widget)->text();
        const QRect area = widget->style()->subElementRect(
            check ? QStyle::SE_CheckBoxClickRect : QStyle::SE_RadioButtonClickRect, &option, widget);
        if (area.isValid())
            return area.intersected(widget->rect()).center();
    }
    return widget->rect().center();
}

// What a move list shows: the information text, or the numbered moves and the result.
QString MoveListText(const CMoveListWnd& list)
{
    if (!list.Pane()->Information().isEmpty())
        return list.Pane()->Information();
    QStringList lines;
    const auto& moves = list.ShownMoves();
    for (size_t i = 0; i < moves.size(); i += 2)
    {
        QString line = QStringLiteral("%1. %2").arg(i / 2 + 1).arg(QString::fromStdString(moves[i]));
        if (i + 1 < moves.size())
            line += QLatin1Char(' ') + QString::fromStdString(moves[i + 1]);
        lines << line;
    }
    if (!list.Result().empty())
        lines << QString::fromStdString(list.Result());
    return lines.join(QLatin1Char('\n'));
}

// The widget that receives input: an active modal dialog blocks every other window.
bool IsBlockedByModal(const QWidget* widget)
{
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != widget && !modal->isAncestorOf(widget);
}

// The error of an action on a widget a person cannot reach now (hidden,
// disabled or behind a modal dialog: "cannot <verb> NAME"); else empty.
QString InputRefusal(const QWidget* widget, const QString& name, const QString& cannot)
{
    if (!widget->isVisible() || !widget->isEnabled())
        return Error(cannot + name);
    if (IsBlockedByModal(widget))
        return Error(QStringLiteral("blocked by a modal dialog: ") + name);
    return {};
}
}

std::unique_ptr<CAutomationChannel> CAutomationChannel::FromEnvironment()
{
    const QString path = qEnvironmentVariable(kEnvironmentVariable);
    if (path.isEmpty())
        return nullptr;
    auto channel = std::make_unique<CAutomationChannel>();
    if (!channel->Listen(path))
    {
        qWarning("Automation channel: cannot listen on %s", qPrintable(path));
        return nullptr;
    }
    return channel;
}

CAutomationChannel::CAutomationChannel(QObject* parent) : QObject(parent) {}

CAutomationChannel::~CAutomationChannel()
{
    if (m_AnswererInstalled)
        CMessageService::ClearAnswerer();
    for (QLocalSocket* socket : m_Sockets)
        socket->disconnect(this);
}

bool CAutomationChannel::Listen(const QString& path)
{
    if (m_Server == nullptr)
    {
        m_Server = new QLocalServer(this);
        connect(m_Server, &QLocalServer::newConnection, this, &CAutomationChannel::OnNewConnection);
    }
    // Only the user who started the program may drive it.
    m_Server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_Server->listen(path))
    {
        // A socket file left by an earlier run that ended abruptly.
        QLocalServer::removeServer(path);
        if (!m_Server->listen(path))
            return false;
    }
    CMessageService::SetAnswerer([this](CMessageService::Style style, const QString&, CMessageDlg*) {
        return AnswerMessage(static_cast<int>(style));
    });
    m_AnswererInstalled = true;
    return true;
}

bool CAutomationChannel::IsListening() const
{
    return m_Server != nullptr && m_Server->isListening();
}

int CAutomationChannel::AnswerMessage(int style)
{
    const bool question = style == static_cast<int>(CMessageService::Style::Question);
    if (!m_Answers.empty())
    {
        const int front = m_Answers.front();
        const bool fits = question ? (front == IDYES || front == IDNO) : front == IDOK;
        if (fits)
        {
            m_Answers.pop_front();
            return front;
        }
    }
    return question ? IDYES : IDOK;
}

void CAutomationChannel::OnNewConnection()
{
    while (QLocalSocket* socket = m_Server->nextPendingConnection())
    {
        m_Sockets.push_back(socket);
        connect(socket, &QLocalSocket::readyRead, this, &CAutomationChannel::ServeInput);
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            std::erase(m_Sockets, socket);
            socket->deleteLater();
        });
    }
    ServeInput();
}

void CAutomationChannel::ServeInput()
{
    // Requests wait until the actions answered before them have started.
    if (m_PendingActions > 0)
        return;
    const std::vector<QLocalSocket*> sockets = m_Sockets;
    for (QLocalSocket* socket : sockets)
    {
        while (m_PendingActions == 0 && socket->canReadLine())
        {
            const QByteArray raw = socket->readLine(kMaxLineLength + 2);
            QString line = QString::fromUtf8(raw);
            while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            const QString reply = raw.endsWith('\n') ? Execute(line) : Error(QStringLiteral("line too long"));
            socket->write(reply.toUtf8() + '\n');
            socket->flush();
            // The reply may have been the last one (quit) or the socket may be gone.
            if (std::find(m_Sockets.begin(), m_Sockets.end(), socket) == m_Sockets.end())
                break;
        }
        // A line without end that outgrows the limit is thrown away.
        if (std::find(m_Sockets.begin(), m_Sockets.end(), socket) != m_Sockets.end() && m_PendingActions == 0 &&
            !socket->canReadLine() && socket->bytesAvailable() > kMaxLineLength)
        {
            socket->readAll();
            socket->write(Error(QStringLiteral("line too long")).toUtf8() + '\n');
        }
    }
}

void CAutomationChannel::Queue(std::function<void()> action)
{
    ++m_PendingActions;
    QTimer::singleShot(0, this, [this, action = std::move(action)] {
        --m_PendingActions;
        // Served after the action, or inside a modal loop the action opens.
        QMetaObject::invokeMethod(this, &CAutomationChannel::ServeInput, Qt::QueuedConnection);
        action();
    });
}

bool CAutomationChannel::SplitWords(const QString& line, QStringList& words)
{
    words.clear();
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n)
    {
        while (i < n && line[i].isSpace())
            ++i;
        if (i >= n)
            break;
        QString word;
        if (line[i] == QLatin1Char('"'))
        {
            ++i;
            bool closed = false;
            while (i < n)
            {
                const QChar c = line[i++];
                if (c == QLatin1Char('"'))
                {
                    closed = true;
                    break;
                }
                if (c == QLatin1Char('\\') && i < n)
                {
                    const QChar e = line[i++];
                    word += e == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : e;
                }
                else
                    word += c;
            }
            if (!closed)
                return false;
        }
        else
            while (i < n && !line[i].isSpace())
                word += line[i++];
        words << word;
    }
    return true;
}

QString CAutomationChannel::Execute(const QString& line)
{
    QStringList words;
    if (!SplitWords(line, words))
        return Error(QStringLiteral("unterminated quote"));
    if (words.isEmpty())
        return Error(QStringLiteral("empty request"));
    const QString command = words[0].toLower();
    auto needs = [&words](qsizetype count) { return words.size() >= count; };
    // The text of clickitem and type: the rest of the line after the name, or one quoted word.
    auto textAfterName = [&line] {
        QString rest = RestAfterWords(line, 2);
        QStringList quoted;
        if (rest.startsWith(QLatin1Char('"')) && SplitWords(rest, quoted) && quoted.size() == 1)
            rest = quoted[0];
        return rest;
    };

    if (command == QLatin1String("list"))
        return List();
    if (command == QLatin1String("messages"))
        return Messages();
    if (command == QLatin1String("quit"))
    {
        m_QuitRequested = true;
        Queue([] {
            // A person closes an open dialog before leaving; its loop would outlive the quit.
            // Bounded: a dialog that refuses to close must not hold the quit forever.
            for (int i = 0; i < 8; ++i)
            {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (dialog == nullptr)
                    break;
                dialog->reject();
            }
            QCoreApplication::quit();
        });
        return Ok();
    }
    if (command == QLatin1String("answer") && needs(2))
        return Answer(words[1]);
    if (command == QLatin1String("click") && needs(2))
        return Click(words[1]);
    if (command == QLatin1String("clickat") && needs(4))
        return ClickAt(words[1], words[2], words[3]);
    if (command == QLatin1String("clickitem") && needs(3))
        return ClickItem(words[1], textAfterName());
    if (command == QLatin1String("geometry") && needs(2))
        return Geometry(words[1]);
    if (command == QLatin1String("grab") && needs(3))
        return Grab(words[1], words[2]);
    if (command == QLatin1String("text") && needs(2))
        return Text(words[1]);
    if (command == QLatin1String("board") && needs(2))
        return Board(words[1]);
    if (command == QLatin1String("key") && needs(3))
        return Key(words[1], words[2]);
    if (command == QLatin1String("move") && needs(3))
        return Move(words[1], words[2]);
    if (command == QLatin1String("drop") && needs(4))
        return Drop(words[1], words[2], words[3]);
    if (command == QLatin1String("type") && needs(2))
        return Type(words[1], textAfterName());
    static const QStringList known = {QStringLiteral("list"),      QStringLiteral("click"),  QStringLiteral("clickat"),
                                      QStringLiteral("clickitem"), QStringLiteral("type"),   QStringLiteral("key"),
                                      QStringLiteral("text"),      QStringLiteral("board"),  QStringLiteral("geometry"),
                                      QStringLiteral("grab"),      QStringLiteral("move"),   QStringLiteral("drop"),
                                      QStringLiteral("messages"),  QStringLiteral("answer"), QStringLiteral("quit")};
    if (known.contains(command))
        return Error(QStringLiteral("missing arguments for ") + command);
    return Error(QStringLiteral("unknown command ") + words[0]);
}

// ---------------------------------------------------------------------------
// Finding widgets

QString CAutomationChannel::List() const
{
    QJsonArray windows;
    for (QWidget* top : QApplication::topLevelWidgets())
    {
        if (!top->isVisible())
            continue;
        QJsonArray widgets;
        for (QWidget* widget : top->findChildren<QWidget*>())
        {
            // Named widgets of shown parents: a hidden game window's insides are left out.
            if (!IsNamed(widget) || widget->window() != top || widget->parentWidget() == nullptr ||
                !widget->parentWidget()->isVisible())
                continue;
            widgets.append(
                QJsonObject{{QStringLiteral("name"), AutomationName(widget)},
                            {QStringLiteral("class"), QString::fromLatin1(widget->metaObject()->className())},
                            {QStringLiteral("visible"), widget->isVisible()},
                            {QStringLiteral("enabled"), widget->isEnabled()}});
        }
        windows.append(QJsonObject{{QStringLiteral("name"), top->objectName()},
                                   {QStringLiteral("class"), QString::fromLatin1(top->metaObject()->className())},
                                   {QStringLiteral("title"), top->windowTitle()},
                                   {QStringLiteral("modal"), top->isModal()},
                                   {QStringLiteral("widgets"), widgets}});
    }
    return Ok(windows);
}

QWidget* CAutomationChannel::FindWidget(const QString& name, QString& error) const
{
    const QStringList path = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (path.isEmpty())
    {
        error = Error(QStringLiteral("empty name"));
        return nullptr;
    }
    // The earlier parts of the path name ancestors, in order, not necessarily direct parents.
    auto matches = [&path](QWidget* widget) {
        if (AutomationName(widget) != path.last())
            return false;
        qsizetype part = path.size() - 2;
        for (QWidget* up = widget->parentWidget(); up != nullptr && part >= 0; up = up->parentWidget())
            if (AutomationName(up) == path[part] || QLatin1String(up->metaObject()->className()) == path[part])
                --part;
        return part < 0;
    };
    std::vector<QWidget*> visible;
    std::vector<QWidget*> hidden;
    for (QWidget* top : QApplication::topLevelWidgets())
    {
        std::vector<QWidget*> candidates{top};
        // A dialog is a child of its owner's window but a window of its own: counted there.
        for (QWidget* child : top->findChildren<QWidget*>())
            if (child->window() == top)
                candidates.push_back(child);
        for (QWidget* widget : candidates)
            if (matches(widget))
                (widget->isVisible() ? visible : hidden).push_back(widget);
    }
    const std::vector<QWidget*>& found = visible.empty() ? hidden : visible;
    if (found.empty())
    {
        error = Error(QStringLiteral("no widget ") + name);
        return nullptr;
    }
    if (found.size() > 1)
    {
        error = Error(QStringLiteral("ambiguous name %1 (%2 widgets)").arg(name).arg(found.size()));
        return nullptr;
    }
    return found.front();
}

CBoardView* CAutomationChannel::FindBoardView(const QString& name, QString& error) const
{
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return nullptr;
    auto* view = qobject_cast<CBoardView*>(widget);
    if (view == nullptr)
        error = Error(name + QStringLiteral(" is not a board view"));
    return view;
}

// ---------------------------------------------------------------------------
// Actions

QString CAutomationChannel::Click(const QString& name)
{
    QString error;
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return error;
    if (!widget->isVisible())
        return Error(QStringLiteral("hidden ") + name);
    if (!widget->isEnabled())
        return Error(QStringLiteral("disabled ") + name);
    if (IsBlockedByModal(widget))
        return Error(QStringLiteral("blocked by a modal dialog: ") + name);
    QPointer<QWidget> target(widget);
    Queue([target] {
        if (target == nullptr)
            return;
        SendClick(target, ClickPoint(target));
    });
    return Ok();
}

QString CAutomationChannel::ClickAt(const QString& name, const QString& xText, const QString& yText)
{
    QString error;
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return error;
    bool xOk = false;
    bool yOk = false;
    const QPoint at(xText.toInt(&xOk), yText.toInt(&yOk));
    if (!xOk || !yOk)
        return Error(QStringLiteral("not a point: ") + xText + QLatin1Char(' ') + yText);
    if (!widget->rect().contains(at))
        return Error(QStringLiteral("the point lies outside ") + name);
    if (const QString refusal = InputRefusal(widget, name, QStringLiteral("cannot click ")); !refusal.isEmpty())
        return refusal;
    QPointer<QWidget> target(widget);
    Queue([target, at] {
        if (target == nullptr)
            return;
        SendClick(target, at);
    });
    return Ok();
}

QString CAutomationChannel::ClickItem(const QString& name, const QString& text)
{
    QString error;
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return error;
    auto* view = qobject_cast<QAbstractItemView*>(widget);
    if (const auto* combo = qobject_cast<QComboBox*>(widget))
    {
        view = combo->view();
        if (view == nullptr || !view->isVisible())
            return Error(QStringLiteral("the list of %1 is not open (click it first)").arg(name));
    }
    if (view == nullptr)
        return Error(name + QStringLiteral(" is not a list"));
    if (!view->isVisible() || !view->isEnabled())
        return Error(QStringLiteral("cannot click ") + name);
    // An open popup list takes the input whatever dialog is modal.
    if (view->window() != QApplication::activePopupWidget() && IsBlockedByModal(view))
        return Error(QStringLiteral("blocked by a modal dialog: ") + name);
    const QAbstractItemModel* model = view->model();
    QModelIndex found;
    const auto* listView = qobject_cast<const QListView*>(view);
    const int column = listView != nullptr ? listView->modelColumn() : 0;
    for (int row = 0; model != nullptr && row < model->rowCount(view->rootIndex()) && !found.isValid(); ++row)
    {
        const QModelIndex index = model->index(row, column, view->rootIndex());
        if (model->data(index, Qt::DisplayRole).toString() == text)
            found = index;
    }
    if (!found.isValid())
        return Error(QStringLiteral("no row %1 in %2").arg(text, name));
    QPointer<QAbstractItemView> target(view);
    const QPersistentModelIndex row(found);
    Queue([target, row] {
        if (target == nullptr || !row.isValid())
            return;
        // A person scrolls the row into sight and moves the pointer over it
        // before the click (a combo box's open list takes a click only after
        // the pointer moved), then clicks its middle.
        target->scrollTo(row);
        QWidget* viewport = target->viewport();
        const QPoint at = target->visualRect(row).center();
        SendMouse(viewport, QEvent::MouseMove, at, Qt::NoButton);
        if (target != nullptr)
            SendMouse(viewport, QEvent::MouseButtonPress, at, Qt::LeftButton);
        if (target != nullptr)
            SendMouse(viewport, QEvent::MouseButtonRelease, at, Qt::NoButton);
    });
    return Ok();
}

QString CAutomationChannel::Type(const QString& name, const QString& text)
{
    QString error;
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return error;
    if (const QString refusal = InputRefusal(widget, name, QStringLiteral("cannot type into ")); !refusal.isEmpty())
        return refusal;
    QPointer<QWidget> target(widget);
    Queue([target, text] {
        if (target == nullptr)
            return;
        target->setFocus(Qt::OtherFocusReason);
        for (const QChar c : text)
        {
            if (target == nullptr)
                return;
            const QChar upper = c.toUpper();
            const int key = upper.unicode() < 128 && upper.isLetterOrNumber() ? static_cast<int>(upper.unicode())
                                                                              : static_cast<int>(Qt::Key_unknown);
            SendKey(target, key, Qt::NoModifier, QString(c));
        }
    });
    return Ok();
}

QString CAutomationChannel::Key(const QString& name, const QString& keyName)
{
    QString error;
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return error;
    const QKeySequence sequence = QKeySequence::fromString(keyName);
    if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown || sequence[0].key() == 0)
        return Error(QStringLiteral("unknown key ") + keyName);
    if (const QString refusal = InputRefusal(widget, name, QStringLiteral("cannot send keys to ")); !refusal.isEmpty())
        return refusal;
    const int key = sequence[0].key();
    const Qt::KeyboardModifiers modifiers = sequence[0].keyboardModifiers();
    QString text;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        text = QStringLiteral("\r");
    else if (key == Qt::Key_Escape)
        text = QString(QChar(0x1b));
    else if (key < 128 && modifiers == Qt::NoModifier && QChar(key).isPrint())
        text = QString(QChar(key)).toLower();
    QPointer<QWidget> target(widget);
    Queue([target, key, modifiers, text] {
        if (target == nullptr)
            return;
        target->setFocus(Qt::OtherFocusReason);
        SendKey(target, key, modifiers, text);
    });
    return Ok();
}

QString CAutomationChannel::Move(const QString& name, const QString& moveText)
{
    QString error;
    CBoardView* view = FindBoardView(name, error);
    if (view == nullptr)
        return error;
    const CCoordinate from = moveText.size() == 4 ? ParseSquare(moveText.left(2)) : CCoordinate::None();
    const CCoordinate to = moveText.size() == 4 ? ParseSquare(moveText.mid(2)) : CCoordinate::None();
    if (!from.IsOnBoard() || !to.IsOnBoard())
        return Error(QStringLiteral("not a move: ") + moveText);
    if (!view->isVisible() || !view->IsInputEnabled() || IsBlockedByModal(view))
        return Error(name + QStringLiteral(" does not take input now"));
    const QPoint start = view->SquareRect(from).center();
    const QPoint end = view->SquareRect(to).center();
    QPointer<CBoardView> target(view);
    Queue([target, start, end] {
        if (target == nullptr)
            return;
        // The release may open the promotion chooser, a modal dialog.
        SendDrag(target, start, end);
    });
    return Ok();
}

QString CAutomationChannel::Drop(const QString& name, const QString& piece, const QString& squareText)
{
    QString error;
    CBoardView* view = FindBoardView(name, error);
    if (view == nullptr)
        return error;
    const int type = PieceOfLetter(piece);
    const CCoordinate square = ParseSquare(squareText);
    if (type < 0 || !square.IsOnBoard())
        return Error(QStringLiteral("not a drop: ") + piece + QLatin1Char(' ') + squareText);
    if (!view->IsBughouseLayout())
        return Error(name + QStringLiteral(" has no holdings"));
    if (!view->isVisible() || !view->IsInputEnabled() || IsBlockedByModal(view))
        return Error(name + QStringLiteral(" does not take input now"));
    // The holdings slot of the side to move, at the strip the view draws for it.
    const Colour side = view->SideToMove();
    const QPoint start(30 + 60 * type, view->StripTop(side) + CBoardView::kSquare / 2);
    if (view->HoldingsSlotAt(start, side) != type)
        return Error(QStringLiteral("no holdings slot for ") + piece);
    const QPoint end = view->SquareRect(square).center();
    QPointer<CBoardView> target(view);
    Queue([target, start, end] {
        if (target == nullptr)
            return;
        SendDrag(target, start, end);
    });
    return Ok();
}

QString CAutomationChannel::Answer(const QString& answer)
{
    const QString word = answer.toLower();
    if (word == QLatin1String("yes"))
        m_Answers.push_back(IDYES);
    else if (word == QLatin1String("no"))
        m_Answers.push_back(IDNO);
    else if (word == QLatin1String("ok"))
        m_Answers.push_back(IDOK);
    else
        return Error(QStringLiteral("answer is yes, no or ok"));
    return Ok();
}

// ---------------------------------------------------------------------------
// Reading

QString CAutomationChannel::Text(const QString& name) const
{
    QString error;
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return error;
    QString text;
    if (const auto* label = qobject_cast<QLabel*>(widget))
        text = label->text();
    else if (const auto* button = qobject_cast<QAbstractButton*>(widget))
        text = button->text();
    else if (const auto* edit = qobject_cast<QLineEdit*>(widget))
        text = edit->text();
    else if (const auto* plain = qobject_cast<QPlainTextEdit*>(widget))
        text = plain->toPlainText();
    else if (const auto* rich = qobject_cast<QTextEdit*>(widget))
        text = rich->toPlainText();
    else if (const auto* combo = qobject_cast<QComboBox*>(widget))
        text = combo->currentText();
    else if (const auto* list = qobject_cast<QListWidget*>(widget))
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        text = items.join(QLatin1Char('\n'));
    }
    else if (const auto* pane = qobject_cast<COutputPane*>(widget))
    {
        QStringList lines;
        for (const COutputPane::Line& line : pane->Lines())
            lines << line.text;
        text = lines.join(QLatin1Char('\n'));
    }
    else if (const auto* panel = qobject_cast<CPlayerWnd*>(widget))
        text = panel->NameText() + QLatin1Char('\n') + panel->ClockText();
    else if (const auto* moveList = qobject_cast<CMoveListWnd*>(widget))
        text = MoveListText(*moveList);
    else if (const auto* moves = qobject_cast<CMovesWnd*>(widget);
             moves != nullptr && qobject_cast<CMoveListWnd*>(moves->parentWidget()) != nullptr)
        text = MoveListText(*qobject_cast<CMoveListWnd*>(moves->parentWidget()));
    else if (widget->isWindow())
        text = widget->windowTitle();
    else
        return Error(name + QStringLiteral(" shows no text"));
    return Ok(QJsonValue(text));
}

QString CAutomationChannel::Board(const QString& name) const
{
    QString error;
    const CBoardView* view = FindBoardView(name, error);
    if (view == nullptr)
        return error;
    const CChessPosition& position = view->GetPosition();
    QJsonArray moves;
    for (const std::string& move : view->MoveTexts())
        moves.append(QString::fromStdString(move));
    return Ok(QJsonObject{
        {QStringLiteral("fen"), QString::fromStdString(CFenText::WriteFen(position))},
        {QStringLiteral("side"), view->SideToMove() == COLOUR_BLACK ? QStringLiteral("b") : QStringLiteral("w")},
        {QStringLiteral("holdings"), QJsonObject{{QStringLiteral("white"), HoldingsText(position, COLOUR_WHITE)},
                                                 {QStringLiteral("black"), HoldingsText(position, COLOUR_BLACK)}}},
        {QStringLiteral("flipped"), view->IsFlipped()},
        {QStringLiteral("input"), view->IsInputEnabled()},
        {QStringLiteral("bughouse"), view->IsBughouseLayout()},
        {QStringLiteral("moves"), moves},
        {QStringLiteral("ply"), position.CurrentPly()},
        {QStringLiteral("gameGoingOn"), position.IsGameGoingOn()},
    });
}

QString CAutomationChannel::Geometry(const QString& name) const
{
    QString error;
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return error;
    const auto rectObject = [](const QRect& rect) {
        return QJsonObject{{QStringLiteral("x"), rect.x()},
                           {QStringLiteral("y"), rect.y()},
                           {QStringLiteral("width"), rect.width()},
                           {QStringLiteral("height"), rect.height()}};
    };
    const QWidget* window = widget->window();
    const QScreen* screen = CScreenKeeper::ScreenOf(window);
    return Ok(QJsonObject{
        {QStringLiteral("widget"), rectObject(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()))},
        {QStringLiteral("window"), rectObject(window->frameGeometry())},
        {QStringLiteral("screen"), rectObject(screen != nullptr ? screen->availableGeometry() : QRect())},
        {QStringLiteral("visible"), widget->isVisible()},
    });
}

QString CAutomationChannel::Grab(const QString& name, const QString& path) const
{
    QString error;
    QWidget* widget = FindWidget(name, error);
    if (widget == nullptr)
        return error;
    if (!widget->isVisible())
        return Error(QStringLiteral("hidden ") + name);
    if (!widget->grab().save(path, "PNG"))
        return Error(QStringLiteral("cannot write ") + path);
    return Ok();
}

QString CAutomationChannel::Messages() const
{
    QJsonArray entries;
    for (const CMessageService::Entry& entry : CMessageService::History())
        entries.append(QJsonObject{{QStringLiteral("style"), StyleName(entry.style)},
                                   {QStringLiteral("text"), entry.text},
                                   {QStringLiteral("answer"), AnswerName(entry.answer)}});
    return Ok(entries);
}
