// kelvane-cli: scriptable control of the processor and file tools.
#include "cli/CliCommands.h"

#include <CLI/CLI.hpp>

#include <cstdio>

int main(int argc, char** argv) {
    CLI::App app{"Kelvane Control command line"};
    app.require_subcommand(1);

    std::string outPath;
    CLI::App* defaults = app.add_subcommand("defaults", "write the start-up program as a program file");
    defaults->add_option("-o,--output", outPath, "program file to write (.dia)")->required();

    std::string curvePath, curveChannel;
    CLI::App* curve =
        app.add_subcommand("curve", "print the summed EQ curve of one channel of a program file");
    curve->add_option("file", curvePath, "program file (.dia)")->required();
    curve->add_option("channel", curveChannel, "EQ channel 0..17")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "kelvane-cli: %s\n%s", e.what(), app.help().c_str());
        return kel::cli::kExitUsage;
    }

    if (*defaults) {
        return kel::cli::Defaults(outPath);
    }
    if (*curve) {
        return kel::cli::Curve(curvePath, curveChannel);
    }
    return kel::cli::kExitUsage;
}
