#pragma once

#include "ChessPosition.h"
#include "GameSession.h"
#include "SessionObserver.h"

#include <QStringList>

#include <map>
#include <string>
#include <vector>

namespace SessionTest
{
// Records what a session reports, as a window would receive it.
struct RecordingObserver : CSessionObserverBase
{
    QStringList messages;
    QStringList notices;
    int buttonReports = 0;
    int moveListReports = 0;
    int gamesEnded = 0;
    std::vector<BoardChange> animations;

    void OnMessage(const QString& text) override { messages << text; }
    void OnNotice(const QString& text) override { notices << text; }
    void OnButtonsChanged() override { ++buttonReports; }
    void OnMoveListChanged() override { ++moveListReports; }
    void OnGameEnded() override { ++gamesEnded; }
    void OnBoardChanged(int, const BoardChange& change) override
    {
        if (change.animate)
            animations.push_back(change);
    }
    QStringList TakeMessages()
    {
        QStringList taken = messages;
        messages.clear();
        return taken;
    }
};

// "e2e4" as a move.
CMove Move(const char* text);

// A command's expected state in one step of a table.
struct Expect
{
    int id;
    bool shown;
    bool enabled;
};

// The states of the commands that differ from what a table expects.
std::vector<std::string> Mismatches(const CGameSession& session, const std::vector<Expect>& expected);

// The result token a saved file of the session carries; empty when it cannot be read.
std::string SavedResult(CGameSession& session, const QString& path);
} // namespace SessionTest
