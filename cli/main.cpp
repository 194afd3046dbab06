// varnotile-cli: the command-line companion of the window program, on the same core.
#include "cli_common.h"

#include <QCoreApplication>

#include <cstring>
#include <iostream>

namespace {

void printUsage() {
    std::cerr << "usage: varnotile-cli COMMAND [OPTIONS] ...\n"
                 "commands:\n"
                 "  inspect [--delimiter D] [--decimal C] [--cells] FILE\n"
                 "  convert [--delimiter D] [--decimal C] [--to-delimiter D2] [--keep-date] [--force] FILE OUT\n"
                 "  render [--delimiter D] [--decimal C] [--x N] [--numeric] [--size WxH] FILE OUT.png|OUT.pdf\n";
}

} // namespace

int main(int argc, char** argv) {
    // render draws with widgets and makes its own QApplication; the other commands stay light.
    if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return varnotile::cli::runRender(argc, argv);
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        printUsage();
        return varnotile::cli::kExitUsage;
    }
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "inspect") return varnotile::cli::runInspect(std::move(args));
    if (command == "convert") return varnotile::cli::runConvert(std::move(args));
    if (command == "--help" || command == "-h" || command == "help") {
        printUsage();
        return 0;
    }
    std::cerr << "varnotile-cli: unknown command '" << command << "'\n";
    printUsage();
    return varnotile::cli::kExitUsage;
}
