#include "platform/MidiSequencer.h"

// Songs play on the system's own MIDI sequencer through MCI, which renders
// them on the MIDI device: the program's audio output has no part in it.

#include <windows.h>

#include <mmsystem.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/SongTableSequencer.h"
#include "platform/win32/WideText.h"

namespace tw {
namespace {

constexpr wchar_t kWindowClass[] = L"TumblewickSongEnds";

// MCI's own error numbers are the sequencer's; the high word names the
// driver of a driver-specific error, which the game has no use for. A file
// that is no MIDI file is, to the game, no song: as if it were not there.
int ErrorOf(MCIERROR error)
{
    const int code = static_cast<int>(LOWORD(error));
    return code == MCIERR_INVALID_FILE ? SequencerFileNotFound : code;
}

// One song open on the sequencer: closed with it.
class OpenSong {
public:
    explicit OpenSong(MCIDEVICEID id) : id(id) {}
    ~OpenSong() { mciSendCommandW(id, MCI_CLOSE, 0, 0); }
    OpenSong(const OpenSong&) = delete;
    OpenSong& operator=(const OpenSong&) = delete;

    const MCIDEVICEID id;
    SongEndNotice ended;
};

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};

class MciSequencer final : public SongTableSequencer<OpenSong> {
public:
    MciSequencer()
    {
        static const ATOM windowClass = [] {
            WNDCLASSEXW description{};
            description.cbSize = sizeof description;
            description.lpfnWndProc = &MciSequencer::WindowProcedure;
            description.hInstance = GetModuleHandleW(nullptr);
            description.lpszClassName = kWindowClass;
            return RegisterClassExW(&description);
        }();
        // A window of its own, with no place on the screen, takes MCI's
        // notifications: they arrive in the GUI thread's message loop like
        // any other message, whichever window the game shows.
        if (windowClass) {
            window.reset(CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         GetModuleHandleW(nullptr), nullptr));
        }
        if (window) {
            SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
    }

    // The songs close before the window their notifications go to.
    ~MciSequencer() override { songs.clear(); }
    MciSequencer(const MciSequencer&) = delete;
    MciSequencer& operator=(const MciSequencer&) = delete;

    int Open(const std::string& file, int& deviceId) override
    {
        const std::wstring element = Wide(file);
        MCI_OPEN_PARMSW open{};
        open.lpstrDeviceType = L"sequencer";
        open.lpstrElementName = element.c_str();
        if (const MCIERROR error =
                mciSendCommandW(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open))) {
            return ErrorOf(error);
        }
        auto song = std::make_unique<OpenSong>(open.wDeviceID);
        deviceId = static_cast<int>(open.wDeviceID);
        songs[deviceId] = std::move(song);
        return SequencerOk;
    }

private:
    int StatusPortOf(OpenSong& song) override
    {
        MCI_STATUS_PARMS status{};
        status.dwItem = MCI_SEQ_STATUS_PORT;
        return ErrorOf(mciSendCommandW(song.id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)));
    }

    int Start(OpenSong& song) override
    {
        if (!window) {
            return SequencerNoOutput;
        }
        MCI_PLAY_PARMS play{};
        play.dwCallback = reinterpret_cast<DWORD_PTR>(window.get());
        play.dwFrom = 0;
        return ErrorOf(mciSendCommandW(song.id, MCI_PLAY, MCI_NOTIFY | MCI_FROM, reinterpret_cast<DWORD_PTR>(&play)));
    }

    // MCI gives a closed song's id to the next song opened, so what it said
    // of the closed one and the window has not yet taken must go with it.
    void Closed(int deviceId) override
    {
        if (!window) {
            return;
        }
        std::vector<MSG> others;
        MSG message;
        while (PeekMessageW(&message, window.get(), MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
            if (static_cast<int>(message.lParam) != deviceId) {
                others.push_back(message);
            }
        }
        for (const MSG& other : others) {
            PostMessageW(window.get(), other.message, other.wParam, other.lParam);
        }
    }

    // A song stopped or played again is notified as aborted or superseded:
    // only its end or its failure counts.
    void Notified(WPARAM flags, LPARAM deviceId)
    {
        if (flags != MCI_NOTIFY_SUCCESSFUL && flags != MCI_NOTIFY_FAILURE) {
            return;
        }
        if (OpenSong* song = Find(static_cast<int>(deviceId))) {
            song->ended.Tell(flags == MCI_NOTIFY_SUCCESSFUL ? SongEnd::Played : SongEnd::Failed);
        }
    }

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == MM_MCINOTIFY) {
            if (auto* self = reinterpret_cast<MciSequencer*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
                self->Notified(wParam, lParam);
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::unique_ptr<HWND__, WindowDestroyer> window;
};

} // namespace

std::unique_ptr<MidiSequencer> CreateMidiSequencer(AudioOutput&) { return std::make_unique<MciSequencer>(); }

} // namespace tw
