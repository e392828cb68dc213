// kelvane-cli curve: the summed response of one EQ channel of a program file, computed without a device.
#include "cli/CliCommands.h"

#include "dsp/FilterBank.h"
#include "presets/FileIo.h"
#include "presets/ProgramFile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace kel::cli {

namespace {

std::optional<int> ParseChannel(const std::string& text) {
    int channel = -1;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, channel);
    if (ec != std::errc() || ptr != end || channel < 0 || channel >= kEqChannelCount) {
        return std::nullopt;
    }
    return channel;
}

void ReportWrongSize(const std::string& path, std::uintmax_t size) {
    std::fprintf(stderr, "kelvane-cli: %s is %ju bytes; a program file has %zu\n", path.c_str(), size,
                 kProgramFileSize);
}

} // namespace

int Curve(const std::string& path, const std::string& channelText) {
    const std::optional<int> channel = ParseChannel(channelText);
    if (!channel) {
        std::fprintf(stderr, "kelvane-cli: unknown EQ channel '%s' (use 0..%d)\n", channelText.c_str(),
                     kEqChannelCount - 1);
        return kExitUsage;
    }

    // A file of the wrong size is refused before it is read (it may be large).
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        const std::uintmax_t size = std::filesystem::file_size(path, ec);
        if (!ec && size != kProgramFileSize) {
            ReportWrongSize(path, size);
            return kExitFailure;
        }
    }
    std::string error;
    const auto bytes = ReadWholeFile(path, kProgramFileSize, error);
    if (!bytes) {
        std::fprintf(stderr, "kelvane-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    if (bytes->size() != kProgramFileSize) {
        ReportWrongSize(path, bytes->size());
        return kExitFailure;
    }

    // The process's model is the scratch model: only the file's blocks, no folders, no device.
    Model& m = TheModel();
    std::memcpy(&m.system, bytes->data(), kSystemBlockSize);
    std::memcpy(&m.image, bytes->data() + kSystemBlockSize, kProgramImageSize);
    m.shadow = m.image;
    InstallFilterBank();
    TheFilterBank().BuildAll();

    // Channels 8..15 take the block the file's OutputMode selects (Sing in "Auto").
    const ResponseDb sum = ActiveCollection(*channel).SumDb();
    for (int i = 0; i < kGridSize; ++i) {
        std::printf("%g,%.6f\n", FrequencyGrid[i], sum[i]);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "kelvane-cli: cannot write the curve: %s\n", std::strerror(errno));
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace kel::cli
