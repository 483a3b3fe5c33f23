#include <windows.h>

#include "platform/MainWindow.h"

namespace tw {

ScreenMetrics GetScreenMetrics()
{
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(SM_CXICON),
            GetSystemMetrics(SM_CYICON)};
}

} // namespace tw
