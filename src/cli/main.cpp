// kelvane-cli: scriptable control of the processor and file tools.
#include "cli/CliCommands.h"
#include "cli/CliHooks.h"
#include "cli/CommandResult.h"
#include "cli/DeviceCommands.h"
#include "cli/Dump.h"
#include "cli/Fleet.h"
#include "cli/Serve.h"
#include "connection/TransportLinks.h"
#include "model/BuildConfig.h"
#include "model/Sections.h"
#include "model/Timing.h"
#include "transport/usb/Ch9326.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>

namespace {

using namespace kel;

struct DeviceArgs {
    std::string path;
    int slot = 0;
    std::string name;
    int count = 10;
    bool force = false; // send a file with fields out of range
    cli::ServeArgs serve;
};

int RunCommand(const std::string& command, const DeviceArgs& args, const LinkOptions& options);

// Runs one device command with the window's own Connect search and protocol; with --json its result
// follows as one JSON object.
int RunDevice(const std::string& command, const DeviceArgs& args, const LinkOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    const int code = RunCommand(command, args, options);
    cli::FinishResult(code, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return code;
}

int RunCommand(const std::string& command, const DeviceArgs& args, const LinkOptions& options) {
    std::string error;
    if (!ApplyLinkOptions(options, error)) {
        cli::NoteError(error);
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
            code = cli::Restore(links, hooks, args.path, args.force);
        } else if (command == "write") {
            code = cli::Write(links, hooks, args.path, args.force);
        } else if (command == "apply") {
            code = cli::Apply(links, hooks, args.path, args.force);
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

// fleet ROOMS.toml COMMAND: its options may also follow the command (they fall through to it).
CLI::App* AddFleet(CLI::App& app, cli::FleetRequest& fleet) {
    CLI::App* f = app.add_subcommand("fleet", "run a device command on every room of a rooms file (TOML), "
                                              "each room in its own process");
    f->add_option("rooms", fleet.roomsFile, "rooms file: [[room]] tables with name, link and groups")
        ->required();
    f->add_option("-j,--jobs", fleet.jobs, "rooms worked at once (default 32)")->check(CLI::Range(1, 1024));
    f->add_option("--time-limit", fleet.timeLimit,
                  "seconds a room may take before it is stopped (default 600, scaled by --timing-scale)")
        ->check(CLI::PositiveNumber);
    f->add_option("--group", fleet.groups, "only the rooms in this group (may be given more than once)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    f->add_option("--rooms", fleet.rooms, "only these rooms (names separated by commas)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->delimiter(',');
    f->require_subcommand(1);
    f->fallthrough();
    auto add = [&](const char* name, const char* help) {
        CLI::App* sub = f->add_subcommand(name, help);
        sub->fallthrough();
        sub->final_callback([&fleet, name] { fleet.command = name; });
        return sub;
    };
    add("identify", "print each room's capability and store permission");
    add("backup", "write all 21 presets of each room to DIR/NAME.dat")
        ->add_option("-o,--output", fleet.path, "folder (made when missing)")
        ->required();
    add("read", "write each room's live program to DIR/NAME.dia")
        ->add_option("-o,--output", fleet.path, "folder (made when missing)")
        ->required();
    add("apply", "change each room's live program to a program file, sending only the differences")
        ->add_option("file", fleet.path, ".dia file")
        ->required();
    add("restore", "send an all-presets file to each room")
        ->add_option("file", fleet.path, ".dat file")
        ->required();
    add("recall", "recall preset N (1..21) in each room")
        ->add_option("N", fleet.slot)
        ->required()
        ->check(CLI::Range(1, 21));
    add("meters", "print level reports of each room")
        ->add_option("-n,--count", fleet.count, "level reports per room (default 1)")
        ->check(CLI::PositiveNumber);
    return f;
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
    app.add_option("--usb-bridge", links.usbBridges, "USB bridge (hidraw path) to use, of those found")
        ->take_all();
    app.add_option("--timing-scale", timingScale, "scale every protocol pause (tests)")
        ->check(CLI::PositiveNumber);
    bool json = false;
    app.add_flag("--json", json, "print a device command's result as one JSON object (fleet: one per room)");
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
    const char* forceHelp = "send the file even with fields outside the ranges the program knows";
    CLI::App* restore = add("restore", "send an all-presets file to the device");
    restore->add_option("file", device.path)->required();
    restore->add_flag("--force", device.force, forceHelp);
    CLI::App* write = add("write", "send a program file to the device as its live program");
    write->add_option("file", device.path)->required();
    write->add_flag("--force", device.force, forceHelp);
    CLI::App* apply = add("apply", "change the live program to a program file, sending only the differences");
    apply->add_option("file", device.path)->required();
    apply->add_flag("--force", device.force, forceHelp);
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

    cli::FleetRequest fleet;
    CLI::App* fleetCommand = AddFleet(app, fleet);

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
    cli::SetJsonResult(json);

    if (*fleetCommand) {
        if (!deviceAddress.empty() || devicePort != 0 || !links.serialPorts.empty() ||
            !links.usbBridges.empty()) {
            std::fprintf(stderr, "kelvane-cli: fleet takes each room's link from the rooms file\n");
            return cli::kExitUsage;
        }
        fleet.json = json;
        return cli::RunFleet(fleet, timingScale);
    }

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
