#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QWidget;
class CBoardView;

// A local socket through which a test drives the running program the way a
// person does: it finds widgets by object name, clicks buttons, types into
// edits and drags pieces with real mouse and key events, and reads back what
// the widgets show. It exists only when the environment variable names a
// socket path; without it nothing listens and nothing changes.
//
// Protocol: one request line, one reply line (UTF-8). A request is words
// separated by blanks; a word may be written in double quotes, inside which a
// backslash escapes the next character and \n is a line break (object names
// with blanks). Replies are "ok", "ok <JSON>" or
// "error <text>". Commands:
//   list                     visible top-level windows and their named widgets
//   click NAME               a left click on a button (a check box or radio button on
//                            its box and label); refused when hidden or disabled
//   clickat NAME X Y         a left click at a point of the widget (its own coordinates)
//   clickitem NAME TEXT      a left click on the row showing TEXT of a list, or
//                            of a combo box's open list (click the box first)
//   type NAME TEXT           types TEXT into an edit: the rest of the line, trimmed,
//                            or one quoted word (to keep blanks at its ends)
//   key NAME KEY             one key (Return, Escape, Up, Down, ... or a letter)
//   text NAME                what the widget shows, as a JSON string
//   board NAME               the board view's state as a JSON object
//   geometry NAME            where the widget and its window lie on the screen,
//                            and the screen's available area, as a JSON object
//   grab NAME FILE           writes a PNG picture of the widget as it is drawn
//   move NAME e2e4           drags a piece on the board view with the mouse
//   drop NAME Q e4           drags a piece from the holdings (P N B R Q)
//   messages                 every notice and question shown, with its answer
//   answer yes|no|ok         queues the answer of a coming message
//   quit                     ends the program as its main loop ends (an open
//                            modal dialog is closed first)
// A NAME may be a path "parent/child" of object names (or class names, for
// the ancestors) when one is not unique;
// visible widgets are preferred to hidden ones. A dialog control without an
// object name is named "control<id>" after its control id.
//
// In automation mode no message dialog waits for a person: a question takes
// the first queued yes/no and otherwise Yes (the command that asked is carried
// out, as the caller clicked it); a notice takes a queued ok, if any, and OK.
// Actions (click, type, key, move, drop, quit) are checked at once, answered,
// and run right after, so an action that opens a modal dialog does not block
// the channel: the next requests are served inside the dialog's loop.
class CAutomationChannel : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* kEnvironmentVariable = "PELLOMAR_AUTOMATION";

    // A listening channel when the environment variable is set, else null.
    static std::unique_ptr<CAutomationChannel> FromEnvironment();

    explicit CAutomationChannel(QObject* parent = nullptr);
    ~CAutomationChannel() override;
    CAutomationChannel(const CAutomationChannel&) = delete;
    CAutomationChannel& operator=(const CAutomationChannel&) = delete;

    // Listens on the socket path and installs the message answerer. False
    // when the socket cannot be made.
    bool Listen(const QString& path);
    [[nodiscard]] bool IsListening() const;

    // Runs one request and returns its reply line (without the newline).
    // Actions are queued to run from the event loop.
    QString Execute(const QString& line);

    // A quit was asked for. The main loop may not run yet (a modal dialog of
    // the start-up, such as the wait for a server, is closed by the quit):
    // the program then ends instead of entering it.
    [[nodiscard]] bool IsQuitRequested() const { return m_QuitRequested; }

    // Splits a request into words; false on an unterminated quote.
    static bool SplitWords(const QString& line, QStringList& words);

private:
    void OnNewConnection();
    void ServeInput();
    void Queue(std::function<void()> action);
    int AnswerMessage(int style);

    QString List() const;
    QWidget* FindWidget(const QString& name, QString& error) const;
    // The board view of that name; null with the error when there is none.
    CBoardView* FindBoardView(const QString& name, QString& error) const;
    QString Click(const QString& name);
    QString ClickAt(const QString& name, const QString& x, const QString& y);
    QString ClickItem(const QString& name, const QString& text);
    QString Geometry(const QString& name) const;
    QString Grab(const QString& name, const QString& path) const;
    QString Type(const QString& name, const QString& text);
    QString Key(const QString& name, const QString& keyName);
    QString Text(const QString& name) const;
    QString Board(const QString& name) const;
    QString Move(const QString& name, const QString& moveText);
    QString Drop(const QString& name, const QString& piece, const QString& square);
    QString Messages() const;
    QString Answer(const QString& answer);

    QLocalServer* m_Server = nullptr;
    std::vector<QLocalSocket*> m_Sockets;
    std::deque<int> m_Answers; // queued answers, IDYES / IDNO / IDOK
    int m_PendingActions = 0;  // queued actions not yet started
    bool m_AnswererInstalled = false;
    bool m_QuitRequested = false;
};
