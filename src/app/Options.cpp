// Parsing kelvane's options with QCommandLineParser.
#include "app/Options.h"

#include "model/BuildConfig.h"
#include "remote/RemoteToken.h"

#include <QCommandLineParser>
#include <QStringList>

#include <arpa/inet.h>

namespace kel {

namespace {
bool IsDottedIpv4(const std::string& text) {
    in_addr addr{};
    return ::inet_pton(AF_INET, text.c_str(), &addr) == 1;
}
} // namespace

ParseResult ParseOptions(const QStringList& arguments, AppOptions& options, std::string& message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Kelvane Control: the karaoke-room processor's control window."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Run against an emulated processor in this process (simulated USB bridge)."));
    const QCommandLineOption language(QStringLiteral("language"),
                                      QStringLiteral("Start language: en, zh, or auto (by the system locale, "
                                                     "with the language button shown)."),
                                      QStringLiteral("en|zh|auto"));
    const QCommandLineOption address(QStringLiteral("device-address"),
                                     QStringLiteral("Network address of the processor (dotted IPv4)."),
                                     QStringLiteral("A"));
    const QCommandLineOption port(QStringLiteral("device-port"), QStringLiteral("UDP port of the processor."),
                                  QStringLiteral("P"));
    const QCommandLineOption serial(
        QStringLiteral("serial-port"),
        QStringLiteral("Serial port to try instead of the system's port list (repeatable)."),
        QStringLiteral("PATH"));
    const QCommandLineOption noSerial(QStringLiteral("no-serial"),
                                      QStringLiteral("Do not try serial ports."));
    const QCommandLineOption noUsb(QStringLiteral("no-usb"), QStringLiteral("Do not try USB bridges."));
    const QCommandLineOption noNetwork(QStringLiteral("no-network"),
                                       QStringLiteral("Do not try the network."));
    const QCommandLineOption remote(
        QStringLiteral("remote"),
        QStringLiteral(
            "Serve the remote control page for phones on [ADDR:]PORT (127.0.0.1 when no address is "
            "given; any other address requires a token)."),
        QStringLiteral("[ADDR:]PORT"));
    const QCommandLineOption tokenFile(
        QStringLiteral("token-file"),
        QStringLiteral(
            "File whose first line is the remote control's token (default: the user's own, made once)."),
        QStringLiteral("F"));
    parser.addOptions({demo, language, address, port, serial, noSerial, noUsb, noNetwork, remote, tokenFile});

    if (!parser.parse(arguments)) {
        message = parser.errorText().toStdString();
        return ParseResult::Error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText().toStdString();
        return ParseResult::ExitOk;
    }
    if (parser.isSet(version)) {
        message = std::string("kelvane ") + build::kVersion + "\n";
        return ParseResult::ExitOk;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = "Unexpected argument: " + parser.positionalArguments().front().toStdString();
        return ParseResult::Error;
    }

    AppOptions out;
    out.demo = parser.isSet(demo);
    if (parser.isSet(language)) {
        const QString v = parser.value(language);
        if (v == QLatin1String("en")) {
            out.language = LanguageSetting::English;
        } else if (v == QLatin1String("zh")) {
            out.language = LanguageSetting::Chinese;
        } else if (v == QLatin1String("auto")) {
            out.language = LanguageSetting::ByLocale;
        } else {
            message = "--language takes en, zh or auto, not '" + v.toStdString() + "'";
            return ParseResult::Error;
        }
    }
    if (parser.isSet(address)) {
        const QString v = parser.value(address);
        if (!IsDottedIpv4(v.toStdString())) {
            message = "--device-address takes a dotted IPv4 address, not '" + v.toStdString() + "'";
            return ParseResult::Error;
        }
        out.deviceAddress = v.toStdString();
    }
    if (parser.isSet(port)) {
        bool ok = false;
        const int p = parser.value(port).toInt(&ok);
        if (!ok || p < 1 || p > 65535) {
            message = "--device-port takes a number from 1 to 65535, not '" +
                      parser.value(port).toStdString() + "'";
            return ParseResult::Error;
        }
        out.devicePort = p;
    }
    for (const QString& s : parser.values(serial)) {
        out.serialPorts.push_back(s.toStdString());
    }
    out.noSerial = parser.isSet(noSerial);
    out.noUsb = parser.isSet(noUsb);
    out.noNetwork = parser.isSet(noNetwork);
    if (parser.isSet(remote)) {
        std::string error;
        if (!remote::ParseListenAddress(parser.value(remote).toStdString(), error)) {
            message = "--remote takes [ADDR:]PORT: " + error;
            return ParseResult::Error;
        }
        out.remote = parser.value(remote).toStdString();
    }
    if (parser.isSet(tokenFile)) {
        out.tokenFile = parser.value(tokenFile).toStdString();
    }
    options = std::move(out);
    return ParseResult::Run;
}

} // namespace kel
