#pragma once

#include <QString>

// The folders the program knows: its own, the help pages', and the games folder in the user's documents.
namespace ProgramFolders
{
// The executable's folder, ending in "/". Case is kept: Linux file names are case-sensitive.
[[nodiscard]] QString ProgramFolder();
// The folder of the help pages, ending in "/": "Help/" beside the executable, else the
// installed help folder, else the sources' help folder (for runs from the build tree).
[[nodiscard]] QString HelpFolder();
// "Pellomar Games" in the documents folder, created if missing; empty when there is no documents folder.
[[nodiscard]] QString GamesFolder();
} // namespace ProgramFolders
