#pragma once

#include "INetConnectionUi.h"
#include "NetCommandLine.h"

class CNetConnection;
class RegistryStore;

// Starts a network game from the program's command line, without the
// connection dialog: the server listens (and is not advertised on the LAN),
// the client connects, stores its connection values and sends its join
// request. Failures are told with the program's texts through the ui.
class CNetGameEntry
{
public:
    enum class Outcome
    {
        MainMenu, // no command line, or the start failed: the main menu stays
        Server,   // listening: show the game window of the mode
        Client,   // joined or waiting for the answer: the window shows itself when accepted
        Exit,     // invalid command line: the program ends
    };

    // Pause before a command-line client connects, so a server started at
    // the same moment can be listening.
    static constexpr int kClientDelayMs = 100;

    // ui: the real dialogs, used for the waiting dialog and the messages, and
    // again by the link if the server refuses and joining is repeated.
    static Outcome Start(const CNetCommandLine& commandLine, CNetConnection& link, RegistryStore& store,
                         INetConnectionUi& ui);
};
