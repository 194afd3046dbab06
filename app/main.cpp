// The window program: creates the main window (and with it every dialog) and runs the event loop.
#include "guarded_application.h"
#include "main_window.h"

#include <QIcon>
#include <QScreen>

int main(int argc, char** argv) {
    varnotile::GuardedApplication app(argc, argv);
    // The window's resources live in a static library.
    Q_INIT_RESOURCE(varnotile);
    QApplication::setApplicationName(QStringLiteral("Varnotile"));
    // Desktops match the running program to its desktop entry (name, icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("varnotile"));
    QIcon icon;
    for (const char* size : {"32", "64", "256"})
        icon.addFile(QStringLiteral(":/varnotile/icon-%1.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(icon);
    varnotile::MainWindow window;
    // Without a window manager (a bare X server) "maximized" is only a wish: fill the screen
    // ourselves so the window looks the same either way.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    // An optional file argument opens that file as "Open..." would.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) window.openFile(args.at(1));
    return app.exec();
}
