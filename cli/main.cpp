// varnotile-cli: the command-line companion of the window program, on the same core.
#include "cli_common.h"

#include <QCoreApplication>

#include <cstring>
#include <iostream>

namespace {

void printUsage(std::ostream& stream) {
    stream << "usage: varnotile-cli COMMAND [OPTIONS] ...\n"
              "commands:\n"
              "  inspect [--delimiter D] [--decimal C] [READING] [--cells | --follow] FILE\n"
              "  convert [--delimiter D] [--decimal C] [READING] [--to-delimiter D2] [--keep-date] [--force] FILE OUT\n"
              "  render [--delimiter D] [--decimal C] [READING] [--x N] [--numeric] [--size WxH] [--palette distinct|black]\n"
              "         FILE OUT.png|OUT.svg|OUT.pdf\n"
              "READING: "
           << varnotile::cli::readingUsage()
           << "\n"
              "varnotile-cli COMMAND --help describes a command's options.\n";
}

} // namespace

int main(int argc, char** argv) {
    // render draws with widgets and makes its own QApplication; the other commands stay light.
    if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return varnotile::cli::runRender(argc, argv);
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        printUsage(std::cerr);
        return varnotile::cli::kExitUsage;
    }
    const QString command = arguments.at(1);
    if (command == QLatin1String("inspect")) return varnotile::cli::runInspect(arguments.mid(2));
    if (command == QLatin1String("convert")) return varnotile::cli::runConvert(arguments.mid(2));
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        printUsage(std::cout);
        return varnotile::cli::kExitLoaded;
    }
    std::cerr << "varnotile-cli: unknown command '" << command.toStdString() << "'\n";
    printUsage(std::cerr);
    return varnotile::cli::kExitUsage;
}
