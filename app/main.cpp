// The window program: creates the main window (and with it every dialog) and runs the event loop.
#include "main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnotile"));
    varnotile::MainWindow window;
    window.showMaximized();
    // An optional file argument opens that file as "Open..." would.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) window.openFile(args.at(1));
    return app.exec();
}
