#pragma once

#include <QString>

// The program's command line for network games:
//   server single|double port nickname
//   client single|double ip port nickname
// Tokens are split at spaces, commas, tabs and newlines; the words are
// compared without case; the nickname is the remaining tokens joined by
// single spaces.
struct CNetCommandLine
{
    enum class Kind
    {
        None,    // empty: the program opens on the main menu
        Invalid, // the program shows the invalid-command-line text and ends
        Server,
        Client,
    };

    Kind kind = Kind::None;
    int mode = 1;    // game mode as on the wire: 1 single, 0 double
    QString address; // client only
    int port = 0;    // leading decimal digits of the port token; 0 when none
    QString nickname;

    // Parses the whole command line (the arguments joined by spaces).
    [[nodiscard]] static CNetCommandLine Parse(const QString& commandLine);
    // Joins the program's arguments (without the program name) as Parse expects them.
    [[nodiscard]] static QString Join(const QStringList& arguments);
};
