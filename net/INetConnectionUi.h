#pragma once

#include <QString>

#include <optional>

// The dialogs that joining shows: the connection dialog, the waiting dialog
// and the message box. The real ones are modal; tests answer them directly.
class INetConnectionUi
{
public:
    virtual ~INetConnectionUi() = default;

    // Runs the connection dialog. It opens the client connection or starts the
    // server through the network link and closes with OK only when that
    // worked. autoConfirm confirms it at once with the values it loads.
    // Returns the nickname on OK, nothing when cancelled.
    virtual std::optional<QString> RunConnectionDialog(bool autoConfirm) = 0;
    // Shows the waiting dialog; returns once CloseWaitDialog has been called.
    virtual void ShowWaitDialog() = 0;
    virtual void CloseWaitDialog() = 0;
    // A notice the user confirms with OK.
    virtual void ShowMessage(const QString& text) = 0;
};
