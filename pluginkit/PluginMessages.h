#pragma once

#include <functional>
#include <string>

// Every message box of the plug-in goes through here, so that tests can
// answer them without a window ever waiting for a click.
class CPluginMessages
{
public:
    enum class Kind
    {
        Error,       // one OK button, error icon
        Information, // one OK button
        Question     // Yes and No, question icon
    };

    // Answers a message: true for OK or Yes, false for No.
    using Handler = std::function<bool(Kind kind, const std::string& caption, const std::string& text)>;

    // Shows the message (a modal message box when there is a widget
    // application, else a line on standard error) and returns the answer.
    static bool Show(Kind kind, const std::string& caption, const std::string& text);

    // Shows a notice (Error or Information) from any thread without waiting
    // for it: it is shown on the application's main thread when that thread
    // next runs its events (on standard error without an application).
    static void ShowLater(Kind kind, const std::string& caption, const std::string& text);

    // Replaces the boxes by a handler (tests); an empty handler restores them.
    static void SetHandler(Handler handler);
};
