#pragma once

#include "ProgramProcess.h"

#include <QString>

#include <memory>
#include <vector>

// What a person does to a running program, as test steps that fail the
// current test with the program's state when the program does not follow.

// The connection dialog's controls, by their control ids.
inline const QString kNickname = QStringLiteral("control1075");
inline const QString kClientRadio = QStringLiteral("control1056");
inline const QString kAddress = QStringLiteral("control1073");
inline const QString kClientPort = QStringLiteral("control1055");
inline const QString kServerRadio = QStringLiteral("control1079");
inline const QString kServerPort = QStringLiteral("control1078");
inline const QString kConfirm = QStringLiteral("CConnectionDlg/button1");
inline const QString kLanSearch = QStringLiteral("button1024");

// A network game's window, and what it calls its parts.
struct GameWindow
{
    QString menuButton; // on the main menu
    QString name;
    QString output; // the chat output
    QString start;  // the "start game" button
};
inline const GameWindow kNetChess{QStringLiteral("MainMenuWnd/button1049"), QStringLiteral("NetChessWnd"),
                                  QStringLiteral("NetChessWnd/chatOutput"), QStringLiteral("NetChessWnd/button1027")};
inline const GameWindow kBughouse{QStringLiteral("MainMenuWnd/button1040"), QStringLiteral("BughouseWnd"),
                                  QStringLiteral("BughouseWnd/chatOutput"), QStringLiteral("BughouseWnd/button1027")};

// Clicks the widget.
void Click(CProgramProcess& program, const QString& name);
// Replaces a field's text as a person does: select all, type.
void Fill(CProgramProcess& program, const QString& field, const QString& text);
// A menu button opens the connection dialog.
void OpenConnectionDialog(CProgramProcess& program, const QString& menuButton);
// The message dialogs' texts on one line, for failure reports.
std::string MessagesLine(CProgramProcess& program);
// The program is asked to quit and must end cleanly; a sanitizer's report on
// its error output fails the test.
void ExpectQuitsCleanly(CProgramProcess& program);
// The same for a program still running; one that ended already is only
// checked for a sanitizer's report.
void ExpectCleanEnd(CProgramProcess& program);
// Every program still running is asked to quit, the last started first; each
// must end cleanly, and a sanitizer's report on its error output fails the test.
void ExpectCleanEnds(const std::vector<std::unique_ptr<CProgramProcess>>& programs);
