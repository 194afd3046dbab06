// varnotile-cli: the command-line companion of the window program, on the same core.
#include "cli_common.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
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

// What a command wrote to standard output must have arrived (a full disk, a closed pipe): a
// report cut short is a failure, never a success.
int checkedStandardOutput(int status) {
    std::cout.flush();
    errno = 0;
    const bool flushFailed = std::fflush(stdout) != 0;
    // The reason is known when the last write failed here; an earlier one left only its mark.
    const int error = flushFailed ? errno : 0;
    if (!flushFailed && !std::ferror(stdout) && std::cout) return status;
    std::cerr << "varnotile-cli: cannot write standard output" << (error ? std::string(": ") + std::strerror(error) : "")
              << "\n";
    return varnotile::cli::kExitUsage;
}

int runCommand(int argc, char** argv) {
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

} // namespace

int main(int argc, char** argv) { return checkedStandardOutput(runCommand(argc, argv)); }
