#pragma once

class QMainWindow;
class QWidget;

namespace tw {

class Window;

// The Qt widgets behind a main window made by MainWindow::Create, for the
// platform's own code and its tests; null for any other Window.
QMainWindow* MainWindowWidget(Window& window);
QWidget* ClientAreaWidget(Window& window);

} // namespace tw
