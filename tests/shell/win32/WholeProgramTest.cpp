#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <tuple>

#include "model/StackRow.h"
#include "platform/DeviceContext.h"
#include "platform/GuiSession.h"
#include "platform/MessageLoop.h"
#include "platform/win32/NativeWindow.h"
#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "shell/Commands.h"
#include "shell/DesktopPlatform.h"
#include "shell/GameApp.h"
#include "support/SettingsScope.h"
#include "support/TemporaryStore.h"

namespace tw {
namespace {

// One thing the player does, named for the report of a run that stalls;
// `done` is false while it waits for the program, which then gets a tick.
struct Step {
    std::string what;
    std::function<bool()> done;
};
using Steps = std::deque<Step>;

// The box or dialog in front: all are of the dialog class, and each is
// disabled while one it opened is open.
HWND OpenBox()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND each, LPARAM result) -> BOOL {
        wchar_t kind[8]{};
        GetClassNameW(each, kind, 8);
        const bool box = IsWindowVisible(each) && IsWindowEnabled(each) && std::wstring_view(kind) == L"#32770";
        *reinterpret_cast<HWND*>(result) = box ? each : nullptr;
        return !box;
    }, reinterpret_cast<LPARAM>(&found));
    return found;
}
bool Showing(std::wstring_view title)
{
    wchar_t text[64]{};
    const HWND box = OpenBox();
    return box && GetWindowTextW(box, text, 64) == static_cast<int>(title.size()) && title == text;
}
constexpr const wchar_t* kLevelPopup = L""; // the one box without a title
bool Click(int button)
{
    const HWND item = GetDlgItem(OpenBox(), button);
    return item && PostMessageW(item, BM_CLICK, 0, 0);
}
// The box with this title, once open, answered with one of its buttons.
Step Answer(const wchar_t* title, int button)
{
    return {"answer " + std::to_string(button), [=] { return Showing(title) && Click(button); }};
}

// The program as main runs it, with no tones, music or welcome, on a store
// of its own whose tenth high score is `lowestHighScore`, played with the
// messages its window gets: one step per tick of a thread timer, which every
// modal loop of the thread dispatches.
class Program {
public:
    explicit Program(const char* lowestHighScore)
    {
        for (const char* name : {"Beep", "Music", "ShowNagDlg", "FirstBoot"}) {
            WriteRegistryDword(RegistryRoot::CurrentUser, kTumblewickKey, name, 0);
        }
        WriteRegistryString(RegistryRoot::CurrentUser, kHighScoresKey, "Score9", lowestHighScore);
        EXPECT_TRUE(app.InitInstance());
        window = HandleOf(app.GetWindow());
        SetForegroundWindow(window);
    }

    // Runs the message loop until the window has gone, every step taken by
    // then.
    void Play(Steps steps, std::chrono::seconds limit)
    {
        queue = std::move(steps);
        deadline = std::chrono::steady_clock::now() + limit;
        const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &Tick);
        EXPECT_EQ(RunMessageLoop(), 0);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(queue.empty()) << "left undone: " << queue.front().what;
    }

    Step Post(UINT message, WPARAM wParam, LPARAM lParam = 0) const
    {
        return {"message " + std::to_string(message),
                [=, this] { return PostMessageW(window, message, wParam, lParam); }};
    }
    Step Press(UINT key) const { return Post(WM_KEYDOWN, key, 1); }
    Step Choose(int command) const { return Post(WM_COMMAND, command); }
    // Each card dropped where it comes, or, `evenly` and until the level
    // advances, first moved over the lowest stack; until a box that ends the
    // game opens, or the one named.
    Step PlayUntil(bool evenly, const wchar_t* until = nullptr)
    {
        return {"play", [=, this] {
            levelPopups += Showing(kLevelPopup) && !inPopup;
            inPopup = Showing(kLevelPopup);
            if (OpenBox() || app.IsGameOver()) { return until ? Showing(until) : !inPopup; }
            const Board& board = *app.GetBoard();
            const StackRow& row = board.GetStackRow();
            int target = board.GetColumn();
            for (int column = 0; evenly && board.GetLevel() == 0 && column < Board::kColumns; ++column) {
                target = row.CardCount(column) < row.CardCount(target) ? column : target;
            }
            const int column = board.GetColumn();
            const UINT key = target < column ? VK_LEFT : target > column ? VK_RIGHT : VK_DOWN;
            return !PostMessageW(window, WM_KEYDOWN, key, 1);
        }};
    }
    // The end of a game, answered by a player who always plays on and signs
    // a high score with an initial, until the next game runs.
    Step PlayOn()
    {
        return {"play on", [this] {
            if (Showing(L"High Score List")) {
                ++highScores;
                PostMessageW(GetFocus(), WM_CHAR, L'S', 1);
                Click(IDOK);
            } else if (Showing(L"Game Over")) { // the question, or the congratulations
                const bool question = GetDlgItem(OpenBox(), IDYES) != nullptr;
                playedOn += question;
                Click(question ? IDYES : IDOK);
            } else if (!OpenBox() && app.IsGameOver()) {
                PostMessageW(window, WM_KEYDOWN, VK_F2, 1); // after a high score nobody asks
            }
            return !OpenBox() && !app.IsGameOver();
        }};
    }

    test::TemporaryStore store;
    test::SettingsScope scope;
    GuiSession session;
    DesktopPlatform platform;
    GameApp app{platform};
    HWND window = nullptr;
    int levelPopups = 0, highScores = 0, playedOn = 0;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "stalled at: " << (queue.empty() ? "the end, the window still open" : queue.front().what);
            PostQuitMessage(1);
        } else if (!queue.empty() && queue.front().done()) {
            queue.pop_front();
        }
    }
    static inline Steps queue;
    static inline std::chrono::steady_clock::time_point deadline;
    bool inPopup = false;
};

// Twenty games in one process. Wine forgives a program that loses GDI
// objects, Windows does not: gdi-budget.sh counts them, by kind, in Wine's
// trace at the marks after the first and the last game. Each of these two
// visits every menu, dialog and zoom the screen allows and plays to the next
// level; the games between them are quick.
TEST(LongSession, TwentyGamesThroughEveryMenuDialogAndZoom)
{
    Program program("50"); // the first game, which reaches a level, makes a high score
    RECT normal{};
    GetWindowRect(program.window, &normal);
    int largestScale = 0; // of the client area's image
    const auto zoom = [&](double factor) {
        return Step{"zoom", [=, &program, &largestScale] {
            SetWindowPos(program.window, nullptr, 0, 0, static_cast<int>((normal.right - normal.left) * factor),
                         static_cast<int>((normal.bottom - normal.top) * factor), SWP_NOMOVE | SWP_NOZORDER);
            largestScale = std::max(largestScale, program.app.GetWindow()->ClientArea().Image().Scale());
            return true;
        }};
    };
    const auto mark = [](const char* game) {
        return Step{"mark", [game] {
            const bool written = std::fprintf(stderr, "gdi-budget mark %04lx %s\n", GetCurrentProcessId(), game) > 0;
            return written && !std::fflush(stderr);
        }};
    };
    const Steps tour{
        program.Post(WM_SYSCOMMAND, SC_KEYMENU, 'g'), program.Press(VK_ESCAPE), program.Press(VK_ESCAPE),
        program.Post(WM_SYSCOMMAND, SC_KEYMENU, 'h'), program.Press(VK_ESCAPE), program.Press(VK_ESCAPE),
        program.Post(WM_SYSCOMMAND, SC_KEYMENU, ' '), program.Press(VK_ESCAPE), program.Press(VK_ESCAPE),
        program.Choose(CommandIntroduction), Answer(L"Welcome to Tumblewick!", IDOK),
        program.Choose(CommandAbout), Answer(L"About Tumblewick", IDOK),
        program.Choose(CommandHighScores), Answer(L"High Score List", IDCANCEL),
        program.Choose(CommandOptions), Answer(L"Options", 1060), Answer(L"Color", IDOK),
        Answer(L"Options", 1061), Answer(L"Color", IDCANCEL), Answer(L"Options", IDCANCEL),
        program.Press(VK_F3), program.Press(VK_F3), // pause and go on
        zoom(1.25), zoom(1.6), program.Post(WM_SYSCOMMAND, SC_MAXIMIZE), program.Post(WM_SYSCOMMAND, SC_RESTORE),
        zoom(1), Step{"repaint", [&program] { return InvalidateRect(program.window, nullptr, TRUE); }},
    };
    Steps session;
    for (int game = 1; game <= 20; ++game) {
        const bool full = game == 1 || game == 20;
        session.insert(session.end(), full ? tour.begin() : tour.end(), tour.end());
        session.insert(session.end(), {program.PlayUntil(full), program.PlayOn()});
        session.insert(session.end(), full ? 1 : 0, mark(game == 1 ? "first" : "last"));
    }
    session.push_back(program.Post(WM_CLOSE, 0));
    program.Play(std::move(session), std::chrono::seconds(150));
    EXPECT_TRUE(program.levelPopups >= 2 && program.highScores >= 1 && program.playedOn >= 1 && largestScale >= 2)
        << program.levelPopups << " levels, " << program.highScores << " high scores, played on " << program.playedOn
        << ", scale " << largestScale;
}

// A close that comes while one of the game's boxes is open (taskkill without
// /F sends one) waits until the operation that opened the box has returned,
// and the board with it; then the window closes as its close box closes it,
// keeping its place for the next run.
TEST(ClosingDuringABox, WaitsForTheBoardOperationThenClosesAndSaves)
{
    // Played evenly or not until the first box, the box the close comes in
    // and the button that answers it (0: it closes itself).
    struct Case { const char* lowestHighScore; bool evenly; const wchar_t *first, *box; int answer; };
    const Case cases[] = {
        {"1000000", false, L"Game Over", L"Game Over", IDYES},
        {"0", false, L"Game Over", L"High Score List", IDOK}, // after the congratulations
        {"1000000", true, kLevelPopup, kLevelPopup, 0},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(std::to_string(&each - cases));
        Program program(each.lowestHighScore);
        SetWindowPos(program.window, nullptr, 21, 34, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        const Rect placed = program.app.GetWindow()->GetPlacement().normal;
        Steps steps{program.PlayUntil(each.evenly, each.first)};
        steps.insert(steps.end(), std::wstring_view(each.box) != each.first ? 1 : 0, Answer(each.first, IDOK));
        steps.push_back({"close", [&] { return Showing(each.box) && PostMessageW(program.window, WM_CLOSE, 0, 0); }});
        steps.insert(steps.end(), 5, {"a tick later", [&] {
            EXPECT_TRUE(Showing(each.box) && IsWindow(program.window) && program.app.GetBoard());
            return true;
        }});
        steps.insert(steps.end(), each.answer ? 1 : 0, Answer(each.box, each.answer));
        program.Play(std::move(steps), std::chrono::seconds(20));
        WindowPlacement saved{};
        LoadSettings(saved);
        EXPECT_EQ(std::tuple(IsWindow(program.window), program.app.GetBoard() == nullptr,
                             Rect::FromSize(saved.left, saved.top, saved.width, saved.height)),
                  std::tuple(FALSE, true, placed));
    }
}

} // namespace
} // namespace tw
