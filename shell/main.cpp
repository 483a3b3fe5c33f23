#include "platform/GuiSession.h"
#include "platform/MessageLoop.h"
#include "shell/DesktopPlatform.h"
#include "platform/ExceptionTranslator.h"
#include "shell/GameApp.h"

// The program's entry: start up, run the message loop until the main window
// is gone, and return the code it ended with. A start-up that fails (no card
// component) ends at once with 0.
int main()
{
    tw::InstallExceptionTranslator();
    tw::GuiSession session;
    tw::DesktopPlatform platform;
    tw::GameApp app(platform);
    if (!app.InitInstance()) {
        return 0;
    }
    return tw::RunMessageLoop();
}
