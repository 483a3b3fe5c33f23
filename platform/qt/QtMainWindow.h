#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QTimer>

#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/MainWindow.h"
#include "platform/MenuTemplate.h"
#include "platform/qt/QtClientSurface.h"
#include "platform/qt/QtConvert.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtWindowOwner.h"

class QMenu;

namespace tw {

// Platform-internal: shared by the files that implement the main window and
// its client area; the rest of the program sees only MainWindow.
class QtMainWindow final : public QMainWindow, public MainWindow, public QtWindowOwner {
public:
    QtMainWindow(const Creation& creation, WindowHandler& handler);
    ~QtMainWindow() override;

    WindowHandler* Handler() { return destroyed ? nullptr : &handler; }
    // The desktop session saves its state or may be ending.
    void EndSession();
    void FrameMayHaveChanged();
    QtClientSurface& Client() { return *client; }

    // Window
    DialogResult ShowMessage(std::string_view text, std::string_view caption, unsigned style) override
    {
        const DialogResult result = ShowMessageBox(this, text, caption, style);
        // As after a dialog: the owner is in front again at once, whether
        // or not the window system hands the activation back.
        if (!destroyed) {
            activateWindow();
            raise();
        }
        return result;
    }
    Surface& ClientArea() override { return *client; }
    // In the client area's logical pixels, which the zoom makes larger.
    Rect GetClientRect() const override
    {
        const QSize logical = client->LogicalSize();
        return Rect::FromSize(0, 0, logical.width(), logical.height());
    }
    void SetTimer(int id, int milliseconds) override;
    void KillTimer(int id) override
    {
        if (const auto found = timers.find(id); found != timers.end()) {
            found->second->stop();
        }
    }
    void SendCommand(int id) override
    {
        if (WindowHandler* target = Handler()) {
            target->OnCommand(id);
        }
    }
    void PostCommand(int id) override
    {
        QMetaObject::invokeMethod(this, [this, id] { SendCommand(id); }, Qt::QueuedConnection);
    }
    void SetTitle(std::string_view title) override { setWindowTitle(ToQString(title)); }
    void Redraw() override
    {
        if (!destroyed) {
            client->FitImage();
            client->Refresh();
        }
    }
    void SetMinimumClientSize(Size size) override
    {
        minimumClient = QSize(size.cx, size.cy);
        client->SetLeast(minimumClient);
        ApplyMinimumSize();
        // A larger window may now show the playfield zoomed.
        if (!destroyed && client->FitImage() && client->isVisible()) {
            client->Refresh();
        }
    }
    WindowPlacementState GetPlacement() const override;
    void Show(bool maximized) override
    {
        if (!destroyed) {
            maximized ? showMaximized() : showNormal();
        }
    }
    void Destroy() override;

    // QtWindowOwner
    QWidget* OwnerWidget() override { return this; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenu(const MenuTemplate& menu);
    // Tells the handler what became of the activation and the menu session
    // since it last heard, in the order Windows tells it.
    void SyncFocusAndMenu(bool popupOpening = false);
    void SyncFocusAndMenuLater();
    void MenuChosen(int id);
    QMargins Frame() const;
    void ApplyNormalRect(const Rect& normal);
    void ApplyMinimumSize();

    WindowHandler& handler;
    QtClientSurface* client;
    std::vector<QMenu*> menus;
    std::vector<AcceleratorTemplate> accelerators;
    std::map<int, QTimer*> timers;
    bool destroyed = false;
    bool active = false;
    bool inMenu = false;
    bool watchingScreen = false;
    // The placement asked for, frame included, and the frame assumed when
    // the size was set; the window system tells the real frame later.
    Rect requestedNormal;
    QSize requestedClientSize;
    QMargins placedWithFrame;
    bool placementSettled = false;
    QMargins minimumWithFrame;
    QSize minimumClient;
    // Where the window last stood in its normal state on the screen.
    std::optional<QRect> normalClient;
};

} // namespace tw
