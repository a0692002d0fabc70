#pragma once

#include <QString>

#include <string>

// A built engine plug-in library as the program meets it: copied into the
// plug-in folder of a scratch root, its engine "Scripted" written into the
// shared settings file as Black's engine under `enginesKey`, loaded by the
// program's loader beside nothing else, and played e2-e4 against through the
// program's listener. Expects one plug-in of that player type and e7-e5 as
// the answer (the engine's script must play it).
void ExpectLibraryAnswersE2E4(const std::string& root, const char* library, const char* fileName,
                              const QString& enginesKey, const QString& commandLine, const QString& workingDirectory,
                              const char* playerType);
