// kelvane-cli: scriptable control of the processor and file tools.
#include "cli/CliCommands.h"
#include "cli/CliHooks.h"
#include "cli/DeviceCommands.h"
#include "cli/Dump.h"
#include "cli/Serve.h"
#include "connection/TransportLinks.h"
#include "model/BuildConfig.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "transport/usb/Ch9326.h"

#include <CLI/CLI.hpp>

#include <cstdio>

namespace {

using namespace kel;

struct DeviceArgs {
    std::string path;
    int slot = 0;
    std::string name;
    int count = 10;
    cli::ServeArgs serve;
};

// Runs one device command with the window's own Connect search and protocol.
int RunDevice(const std::string& command, const DeviceArgs& args, const LinkOptions& options) {
    std::string error;
    if (!ApplyLinkOptions(options, error)) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return cli::kExitUsage;
    }
    bridge::FollowBridgeEnvironment(); // KELVANE_USB_BRIDGE=sim: the simulated bridge
    CH9326DllInt();
    ResetModel();
    cli::CliHooks hooks;
    hooks.SetPath(args.path);
    SetAppHooks(&hooks);
    int code = cli::kExitUsage;
    {
        TransportLinks links(options);
        if (command == "identify") {
            code = cli::Identify(links, hooks);
        } else if (command == "read") {
            code = cli::Read(links, hooks, args.path);
        } else if (command == "backup") {
            code = cli::Backup(links, hooks, args.path);
        } else if (command == "restore") {
            code = cli::Restore(links, hooks, args.path);
        } else if (command == "write") {
            code = cli::Write(links, hooks, args.path);
        } else if (command == "apply") {
            code = cli::Apply(links, hooks, args.path);
        } else if (command == "recall") {
            code = cli::Recall(links, hooks, args.slot);
        } else if (command == "store") {
            code = cli::Store(links, hooks, args.slot, args.name);
        } else if (command == "meters") {
            code = cli::Meters(links, hooks, args.count);
        } else if (command == "serve") {
            code = cli::Serve(links, hooks, args.serve);
        }
    }
    SetAppHooks(nullptr);
    return code;
}

bool SingleByteText(const std::string& s) {
    for (unsigned char c : s) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Kelvane Control command line"};
    app.require_subcommand(1);

    LinkOptions links;
    double timingScale = 1.0;
    std::string deviceAddress;
    int devicePort = 0;
    app.add_option("--device-address", deviceAddress, "address of the processor (dotted decimal)");
    app.add_option("--device-port", devicePort, "UDP port of the processor");
    app.add_option("--serial-port", links.serialPorts, "serial port to try instead of the port listing")
        ->take_all();
    app.add_flag("--no-serial", links.noSerial, "do not try serial ports");
    app.add_flag("--no-usb", links.noUsb, "do not try USB bridges");
    app.add_flag("--no-network", links.noNetwork, "do not try the network");
    app.add_option("--timing-scale", timingScale, "scale every protocol pause (tests)")
        ->check(CLI::PositiveNumber);
    app.set_version_flag("--version", std::string("kelvane-cli ") + build::kVersion,
                         "print the version and exit");

    std::string outPath;
    CLI::App* defaults = app.add_subcommand("defaults", "write the start-up program as a program file");
    defaults->add_option("-o,--output", outPath, "program file to write (.dia)")->required();

    std::string dumpPath;
    CLI::App* dump = app.add_subcommand("dump", "print a program or all-presets file as JSON (a name that is "
                                                "not UTF-8 is printed as the array of its byte values)");
    dump->add_option("file", dumpPath, ".dia or .dat file")->required();

    std::string curvePath, curveChannel;
    CLI::App* curve =
        app.add_subcommand("curve", "print the summed EQ curve of one channel of a program file");
    curve->add_option("file", curvePath, "program file (.dia)")->required();
    curve->add_option("channel", curveChannel, "EQ channel 0..17")->required();

    DeviceArgs device;
    std::vector<std::pair<std::string, CLI::App*>> deviceCommands;
    auto add = [&](const char* name, const char* help) {
        CLI::App* sub = app.add_subcommand(name, help);
        deviceCommands.emplace_back(name, sub);
        return sub;
    };
    add("identify", "connect and print the device's capability and store permission");
    add("read", "write the device's live program to a program file")
        ->add_option("-o,--output", device.path, ".dia file")
        ->required();
    add("backup", "write all 21 presets of the device to an all-presets file")
        ->add_option("-o,--output", device.path, ".dat file")
        ->required();
    add("restore", "send an all-presets file to the device")->add_option("file", device.path)->required();
    add("write", "send a program file to the device as its live program")
        ->add_option("file", device.path)
        ->required();
    add("apply", "change the live program to a program file, sending only the differences")
        ->add_option("file", device.path)
        ->required();
    add("recall", "recall preset N (1..21) into the live program")
        ->add_option("N", device.slot)
        ->required()
        ->check(CLI::Range(1, 21));
    CLI::App* store = add("store", "store the live program as preset N (1..16) under NAME");
    store->add_option("N", device.slot)->required()->check(CLI::Range(1, 16));
    store->add_option("NAME", device.name)->required();
    add("meters", "print level reports")->add_option("-n,--count", device.count)->check(CLI::PositiveNumber);
    CLI::App* serve = add("serve", "serve the remote control page and API on [ADDR:]PORT (127.0.0.1 when no "
                                   "address is given; another address needs a token) until stopped");
    serve->add_option("listen", device.serve.listen, "[ADDR:]PORT")->required();
    serve->add_option("--token-file", device.serve.tokenFile,
                      "file whose first line is the token (default: the user's, made once)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) { // --help, --version
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "kelvane-cli: %s\n%s", e.what(), app.help().c_str());
        return cli::kExitUsage;
    }
    if (!deviceAddress.empty()) {
        links.deviceAddress = deviceAddress;
    }
    if (devicePort != 0) {
        links.devicePort = devicePort;
    }
    timing::SetScale(timingScale);

    if (*defaults) {
        return cli::Defaults(outPath);
    }
    if (*dump) {
        return cli::Dump(dumpPath);
    }
    if (*curve) {
        return cli::Curve(curvePath, curveChannel);
    }
    if (*store && (device.name.size() > 20 || !SingleByteText(device.name))) {
        std::fprintf(stderr, "kelvane-cli: a preset name has at most 20 single-byte characters\n");
        return cli::kExitUsage;
    }
    for (const auto& [name, sub] : deviceCommands) {
        if (*sub) {
            return RunDevice(name, device, links);
        }
    }
    return cli::kExitUsage;
}
