// The Pellomar II program.
#include "AutomationChannel.h"
#include "DisplayScale.h"
#include "PellomarApp.h"

#include <QApplication>
#include <QStringList>

#include <csignal>

#if defined(__SANITIZE_ADDRESS__)
#define PELLOMAR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELLOMAR_ASAN 1
#endif
#endif

#ifdef PELLOMAR_ASAN
// A host name lookup still running on Qt's lookup thread when the program
// ends leaves glibc's resolver buffer behind; it is glibc's, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:__res_context_send\n";
}
#endif

int main(int argc, char** argv)
{
    // A peer that has gone must not end the program through a write to its socket.
    std::signal(SIGPIPE, SIG_IGN);
    CDisplayScale::ApplyBeforeStart();
    QApplication application(argc, argv);
    // Tests drive the program through this channel; it exists only when asked for.
    const std::unique_ptr<CAutomationChannel> automation = CAutomationChannel::FromEnvironment();
    CPellomarApp app;
    if (!app.InitInstance())
        return 0;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.RunCommandLine(arguments) || (automation && automation->IsQuitRequested()))
    {
        app.ExitInstance();
        return 0;
    }
    const int code = QApplication::exec();
    app.ExitInstance();
    return code;
}
