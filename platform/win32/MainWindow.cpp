#include "platform/MainWindow.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/LeastWindowSize.h"
#include "platform/MenuTemplate.h"
#include "platform/win32/MainWindowAccelerator.h"
#include "platform/win32/MessageBoxes.h"
#include "platform/win32/NativeWindow.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32ClientSurface.h"

namespace tw {
namespace {

constexpr wchar_t kClassName[] = L"TumblewickMainWindow";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CLIENTEDGE;

struct MenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

struct AcceleratorDeleter {
    void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};
using AcceleratorTable = std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter>;

// Item texts keep their `&` and their tab: the menu draws both itself.
MenuHandle BuildMenu(const MenuTemplate& menu)
{
    MenuHandle bar(CreateMenu());
    for (const MenuPopupTemplate& popup : menu.popups) {
        MenuHandle items(CreatePopupMenu());
        if (!bar || !items) {
            return nullptr;
        }
        for (const MenuItemTemplate& item : popup.items) {
            if (item.text.empty()) {
                AppendMenuW(items.get(), MF_SEPARATOR, 0, nullptr);
            } else {
                AppendMenuW(items.get(), MF_STRING, static_cast<UINT_PTR>(item.command), Wide(item.text).c_str());
            }
        }
        // Once appended, the popup belongs to the bar.
        if (AppendMenuW(bar.get(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(items.get()),
                        Wide(popup.title).c_str())) {
            items.release();
        }
    }
    return bar;
}

AcceleratorTable BuildAccelerators(const MenuTemplate& menu)
{
    std::vector<ACCEL> entries;
    for (const AcceleratorTemplate& each : menu.accelerators) {
        BYTE flags = each.character ? 0 : FVIRTKEY;
        // A character comes with the Shift it takes on the layout, so only
        // Alt tells one character accelerator from another.
        flags |= (each.modifiers & Alt) ? FALT : 0;
        if (!each.character) {
            flags |= ((each.modifiers & Control) ? FCONTROL : 0) | ((each.modifiers & Shift) ? FSHIFT : 0);
        }
        entries.push_back({flags, static_cast<WORD>(each.key), static_cast<WORD>(each.command)});
    }
    if (entries.empty()) {
        return nullptr;
    }
    return AcceleratorTable(CreateAcceleratorTableW(entries.data(), static_cast<int>(entries.size())));
}

HICON LoadIconResource(int id, int sizeMetricX, int sizeMetricY)
{
    // Shared icons stay with the module and are never destroyed by hand.
    return id ? static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                              GetSystemMetrics(sizeMetricX), GetSystemMetrics(sizeMetricY),
                                              LR_SHARED))
              : nullptr;
}

WINDOWPLACEMENT PlacementOf(HWND window)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return placement;
}

Rect ToRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
RECT ToRECT(const Rect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

class Win32MainWindow;
std::vector<Win32MainWindow*> liveWindows;

class Win32MainWindow final : public MainWindow, public NativeWindow {
public:
    Win32MainWindow(const Creation& creation, WindowHandler& handler);
    ~Win32MainWindow() override;

    bool Created() const { return window != nullptr; }
    bool Translate(MSG& message)
    {
        return !destroyed && accelerators && message.hwnd
            && (message.hwnd == window || IsChild(window, message.hwnd))
            && TranslateAcceleratorW(window, accelerators.get(), &message);
    }

    // NativeWindow
    HWND Handle() const override { return window; }

    // Window
    DialogResult ShowMessage(std::string_view text, std::string_view caption, unsigned style) override
    {
        return ShowMessageBox(destroyed ? nullptr : window, text, caption, style);
    }
    Surface& ClientArea() override { return surface; }
    // In the client area's logical pixels, which the zoom makes larger.
    Rect GetClientRect() const override
    {
        const Size logical = surface.LogicalSize();
        return Rect::FromSize(0, 0, logical.cx, logical.cy);
    }
    void SetTimer(int id, int milliseconds) override
    {
        if (!destroyed) {
            const auto interval = static_cast<UINT>(std::max<int>(milliseconds, USER_TIMER_MINIMUM));
            ::SetTimer(window, static_cast<UINT_PTR>(id), interval, nullptr);
        }
    }
    void KillTimer(int id) override
    {
        if (!destroyed) {
            ::KillTimer(window, static_cast<UINT_PTR>(id));
        }
    }
    void SendCommand(int id) override
    {
        if (!destroyed) {
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        }
    }
    void PostCommand(int id) override
    {
        if (!destroyed) {
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        }
    }
    void SetTitle(std::string_view title) override
    {
        if (!destroyed) {
            SetWindowTextW(window, Wide(title).c_str());
        }
    }
    void Redraw() override
    {
        if (!destroyed) {
            surface.Fit();
            Refresh();
        }
    }
    void SetMinimumClientSize(Size size) override;
    WindowPlacementState GetPlacement() const override;
    void Show(bool maximized) override;
    void Destroy() override
    {
        if (!destroyed) {
            ending = true;
            DestroyWindow(window);
        }
    }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // Null for what the window leaves to the system's default handling.
    std::optional<LRESULT> Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // The handler, or null once it has heard its last message.
    WindowHandler* Live() { return destroyed ? nullptr : &handler; }
    // Tells the handler, then destroys the window.
    void Close();
    bool Erase();
    void Paint();
    // Erases and paints the image whole, then shows it at once.
    void Refresh();
    void MenuClosed();
    // How small the window may get, frame and menu bar included.
    SIZE MinimumTrackSize() const;

    WindowHandler& handler;
    HWND window = nullptr;
    Win32ClientSurface surface{nullptr};
    AcceleratorTable accelerators;
    bool destroyed = false;
    // Closing or destroying has begun: the focus leaving with the window is
    // no news for the handler.
    bool ending = false;
    bool menuLoop = false;
    bool inMenu = false;
    bool painting = false;
    // How many of the window's messages the program is handling now: a box
    // or dialog that it opens runs a message loop inside that handling.
    int handling = 0;
    // A close that came while the program was handling another message,
    // done once that handling has returned.
    bool closeWaits = false;
};

Win32MainWindow::Win32MainWindow(const Creation& creation, WindowHandler& handler) : handler(handler)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconResource(creation.largeIcon, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = LoadIconResource(creation.smallIcon, SM_CXSMICON, SM_CYSMICON);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // the arrow
    // No background brush: the game erases its client area itself.
    windowClass.lpszClassName = kClassName;
    // A class left by an earlier window of the process is the same class.
    RegisterClassExW(&windowClass);

    MenuHandle menu = creation.menu ? BuildMenu(*creation.menu) : nullptr;
    if (creation.menu) {
        accelerators = BuildAccelerators(*creation.menu);
    }
    const Rect& normal = creation.normal;
    window = CreateWindowExW(kExStyle, kClassName, Wide(creation.title).c_str(), kStyle, normal.left, normal.top,
                             normal.Width(), normal.Height(), nullptr, menu.get(), GetModuleHandleW(nullptr), this);
    if (!window) {
        return;
    }
    menu.release(); // the window's now, destroyed with it
    liveWindows.push_back(this);
    // Placed as it is read back: in the work area's coordinates, frame
    // included, still hidden until the program shows it.
    WINDOWPLACEMENT placement = PlacementOf(window);
    placement.showCmd = SW_HIDE;
    placement.rcNormalPosition = ToRECT(normal);
    SetWindowPlacement(window, &placement);
    surface.Fit();
}

Win32MainWindow::~Win32MainWindow()
{
    // Whatever the system does to the window from here on is no message for
    // a program that is gone.
    destroyed = ending = true;
    std::erase(liveWindows, this);
    if (window && IsWindow(window)) {
        DestroyWindow(window);
    }
    // Fails while another window of the class lives, which then keeps it.
    UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
}

LRESULT CALLBACK Win32MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window = window;
        self->surface.Attach(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    ++self->handling;
    const std::optional<LRESULT> result = self->Handle(message, wParam, lParam);
    --self->handling;
    if (self->handling == 0 && std::exchange(self->closeWaits, false)) {
        self->Close();
    }
    return result ? *result : DefWindowProcW(window, message, wParam, lParam);
}

std::optional<LRESULT> Win32MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowHandler* target = Live();
    switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (target && !ending) {
            message == WM_SETFOCUS ? target->OnSetFocus() : target->OnKillFocus();
        }
        return 0;
    case WM_ERASEBKGND:
        return Erase() ? 1 : 0;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SIZE:
        // A new size may bring a new image, black until the program has
        // erased and painted it; the window manager may resize the window
        // well after it asked, with a repaint that would not erase.
        if (surface.Fit()) {
            InvalidateRect(window, nullptr, TRUE);
        }
        break;
    case WM_CLOSE:
        // Within another message's handling a box or dialog of the game is
        // open, and the operation that opened it still uses the game (as
        // taskkill without /F closes a program): the close waits for it.
        if (handling > 1) {
            closeWaits = true;
        } else {
            Close();
        }
        return 0;
    case WM_ENDSESSION:
        if (target) {
            target->OnEndSession();
        }
        return 0;
    case WM_DESTROY:
        if (target) {
            destroyed = true;
            target->OnDestroy();
        }
        destroyed = true;
        return 0;
    case WM_KEYDOWN:
        if (target && target->OnKeyDown(static_cast<int>(wParam))) {
            return 0;
        }
        break;
    case WM_COMMAND:
        if (target && target->OnCommand(LOWORD(wParam))) {
            return 0;
        }
        break;
    case WM_TIMER:
        if (target && target->OnTimer(static_cast<int>(wParam))) {
            return 0;
        }
        break;
    case WM_ENTERMENULOOP:
        menuLoop = true;
        break;
    case WM_INITMENU:
        // Alt alone, a click on the bar and the system menu all start a menu
        // session; it ends once the menu loop does, before a chosen item's
        // command arrives. An accelerator of a menu item initialises the menu
        // too, but opens none.
        if (target && menuLoop && !inMenu) {
            inMenu = true;
            target->OnInitMenu();
        }
        return 0;
    case WM_EXITMENULOOP:
        menuLoop = false;
        MenuClosed();
        return 0;
    case WM_SIZING:
        if (target && lParam) {
            auto* dragged = reinterpret_cast<RECT*>(lParam);
            Rect rect = ToRect(*dragged);
            target->OnSizing(static_cast<int>(wParam), rect);
            *dragged = ToRECT(rect);
        }
        return TRUE;
    case WM_GETMINMAXINFO:
        if (target) {
            const SIZE minimum = MinimumTrackSize();
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{minimum.cx, minimum.cy};
        }
        return 0;
    case WM_DPICHANGED: {
        // The system suggests the rectangle that keeps the window the same
        // size to the eye on the new monitor.
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (surface.Fit()) {
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    }
    default:
        break;
    }
    return std::nullopt;
}

void Win32MainWindow::Close()
{
    if (WindowHandler* target = Live()) {
        target->OnClose();
    }
    Destroy();
}

bool Win32MainWindow::Erase()
{
    WindowHandler* target = Live();
    if (!target) {
        return false;
    }
    bool filled = false;
    {
        const Win32ClientSurface::Batch batch(surface);
        ClientDC dc(surface);
        filled = target->OnEraseBackground(dc);
    }
    // Erased outside painting (the system asked for it alone), the screen
    // shows it now; inside, with the painting.
    if (!painting) {
        surface.ShowAll();
    }
    return filled;
}

void Win32MainWindow::Paint()
{
    class PaintScope {
    public:
        explicit PaintScope(HWND window) : window(window) { dc = BeginPaint(window, &paint); }
        ~PaintScope() { EndPaint(window, &paint); }
        PaintScope(const PaintScope&) = delete;
        PaintScope& operator=(const PaintScope&) = delete;

        HWND window;
        PAINTSTRUCT paint{};
        HDC dc = nullptr;
    };
    painting = true;
    {
        const PaintScope scope(window);
        if (WindowHandler* target = Live()) {
            const Win32ClientSurface::Batch batch(surface);
            ClientDC dc(surface);
            target->OnPaint(dc);
        }
        if (scope.dc) {
            surface.ShowOn(scope.dc, scope.paint.rcPaint);
        }
    }
    painting = false;
}

void Win32MainWindow::Refresh()
{
    WindowHandler* target = Live();
    if (!target) {
        return;
    }
    {
        const Win32ClientSurface::Batch batch(surface);
        ClientDC dc(surface);
        target->OnEraseBackground(dc);
        target->OnPaint(dc);
    }
    surface.ShowAll();
    // What waited to be painted is on the screen now.
    ValidateRect(window, nullptr);
}

void Win32MainWindow::MenuClosed()
{
    if (inMenu) {
        inMenu = false;
        // A program coming to the foreground takes the focus inside the menu
        // loop, before the loop ends: the end of that menu is no reason to
        // go on in a window the player has left, and the focus coming back
        // is told anyway.
        const HWND focus = GetFocus();
        WindowHandler* target = Live();
        if (target && focus && (focus == window || IsChild(window, focus))) {
            target->OnMenuClosed();
        }
    }
}

SIZE Win32MainWindow::MinimumTrackSize() const
{
    // The least client area is in logical pixels, shown at the monitor's
    // scale below the menu bar. What the frame and the bar add does not
    // depend on the size inside them.
    const double scale = surface.MonitorScale();
    const Size least = surface.Least();
    RECT frame{};
    AdjustWindowRectExForDpi(&frame, kStyle, GetMenu(window) != nullptr, kExStyle, GetDpiForWindow(window));
    const Size minimum = LeastWindowSize(
        handler, {static_cast<int>(std::ceil(least.cx * scale)), static_cast<int>(std::ceil(least.cy * scale))},
        {frame.right - frame.left, frame.bottom - frame.top});
    return {minimum.cx, minimum.cy};
}

void Win32MainWindow::SetMinimumClientSize(Size size)
{
    if (destroyed) {
        return;
    }
    surface.SetLeast(size);
    const SIZE minimum = MinimumTrackSize();
    RECT now{};
    GetWindowRect(window, &now);
    if (!IsZoomed(window) && (now.right - now.left < minimum.cx || now.bottom - now.top < minimum.cy)) {
        SetWindowPos(window, nullptr, 0, 0, std::max(now.right - now.left, minimum.cx),
                     std::max(now.bottom - now.top, minimum.cy), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // A larger window may now show the playfield zoomed.
    if (surface.Fit() && IsWindowVisible(window)) {
        Refresh();
    }
}

WindowPlacementState Win32MainWindow::GetPlacement() const
{
    WINDOWPLACEMENT placement = PlacementOf(window);
    // A minimised window is stored as it will come back, in its normal place.
    return {ToRect(placement.rcNormalPosition), placement.showCmd == SW_SHOWMAXIMIZED};
}

void Win32MainWindow::Show(bool maximized)
{
    if (destroyed) {
        return;
    }
    WINDOWPLACEMENT placement = PlacementOf(window);
    placement.showCmd = maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    SetWindowPlacement(window, &placement);
    UpdateWindow(window);
}

} // namespace

bool TranslateMainWindowAccelerator(MSG& message)
{
    return std::any_of(liveWindows.begin(), liveWindows.end(),
                       [&message](Win32MainWindow* window) { return window->Translate(message); });
}

std::unique_ptr<MainWindow> MainWindow::Create(const Creation& creation, WindowHandler& handler)
{
    auto window = std::make_unique<Win32MainWindow>(creation, handler);
    if (!window->Created()) {
        return nullptr;
    }
    return window;
}

} // namespace tw
