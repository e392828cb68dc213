// The command line of kelvane, parsed into a plain record.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QStringList>

namespace kel {

// The start-language setting: 0 English and 1 Chinese with the language button hidden, 2 by the
// system locale with the button shown. Without --language the setting is 0.
enum class LanguageSetting : int { English = 0, Chinese = 1, ByLocale = 2 };

struct AppOptions {
    bool demo = false;
    LanguageSetting language = LanguageSetting::English;
    std::optional<std::string> deviceAddress;
    std::optional<int> devicePort;
    std::vector<std::string> serialPorts;
    bool noSerial = false;
    bool noUsb = false;
    bool noNetwork = false;
    // --remote [ADDR:]PORT: serve the remote control page; --token-file: its token.
    std::optional<std::string> remote;
    std::optional<std::string> tokenFile;
};

enum class ParseResult { Run, ExitOk, Error };

// Parses the arguments (program name first). On Error, `message` says what was wrong; on ExitOk
// (--help, --version) it holds the text to print.
ParseResult ParseOptions(const QStringList& arguments, AppOptions& options, std::string& message);

} // namespace kel
