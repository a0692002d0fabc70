#pragma once

#include "ChessTypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class CBoardView;
class CEngineLoader;
class GameSettings;
class IChessEngine;
class IChessEngineListener;

namespace AppTest
{
// Drags a piece from one square to another ("e2", "e4") as the mouse does.
void Drag(CBoardView* board, const char* from, const char* to);

// Pumps events until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// The texts shown through the message service since the last call.
QStringList TakeMessages();

// Loads the test plug-in into the loader: one white and one black adapter.
void LoadTestEngines(CEngineLoader& loader, IChessEngineListener* listener);
// Points an adapter of the test plug-in at a program, with short waits.
void ConfigureEngine(IChessEngine* engine, const std::string& commandLine, const std::string& workingDirectory = {});
// The command line of the scripted fake engine for this script; it logs what it receives to logPath.
std::string FakeEngineCommand(const QString& folder, const QString& name, const QString& script, QString* logPath);

// The name the adapter gives its engine type.
QString EngineTypeName();

// A game between two people, Anna at the bottom and Boris at the top, on a
// clock of so many minutes without bonus.
void SetTimedGameOfPeople(GameSettings& settings, int minutes);

// The processes whose parent is this one, as "pid name" texts, sorted.
QStringList ChildProcesses();
} // namespace AppTest
