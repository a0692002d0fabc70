#pragma once

#include "ChessTypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class CBoardView;
class CEngineLoader;
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
} // namespace AppTest
