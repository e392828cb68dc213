// The commands of kelvane-cli. Each returns the process exit code: 0 success, 1 device or file failure.
#pragma once

#include <string>

namespace kel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The CLI writes exactly the path it was given (adding an extension is the save dialog's business); a
// target that exists must be a regular file (or a link to one), so that a device node or a folder is
// never replaced. False, with the reason on stderr, otherwise.
bool WritableTarget(const std::string& path);

int Defaults(const std::string& outPath);
// Prints the 420 points FREQ,DB of one EQ channel's summed curve of a program file.
int Curve(const std::string& path, const std::string& channel);

} // namespace kel::cli
