// Writes the help page: the page's text with the list of commands made from the program's
// command table in place of its marker, so the page names every command as the menus have it.
#include "command_table.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PAGE OUT\n", argv[0]);
        return 2;
    }
    // The standard commands' keys are the platform's: they need the application, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QString page = QString::fromUtf8(in.readAll());
    const QString marker = QStringLiteral("<!-- COMMANDS -->");
    if (!page.contains(marker)) {
        std::fprintf(stderr, "%s has no %s marker\n", argv[1], qPrintable(marker));
        return 1;
    }
    page.replace(marker, varnotile::commandListHtml());
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(page.toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
