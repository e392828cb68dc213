// Program files (.dia) and all-presets files (.dat): the four file actions of the system page.
#pragma once

#include "model/Model.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kel {

inline constexpr std::size_t kAllPresetsFileSize = kPresetStoreSize;  // 58405
inline constexpr std::size_t kOldAllPresetsFileSize = kPresetHeadSize; // 57019, without slot system blocks

// Texts of the file actions' message boxes.
inline constexpr const char* kWriteErrorText = "MusicFile Write Error";
inline constexpr const char* kOpenErrorText = "File read Error";
const char* ReadErrorText(); // "MusicFile read Error" or "音乐文件读错误" by the interface language

// The byte copies between the model and a file image.
std::vector<std::uint8_t> SerializeProgram();          // working system block + working image
std::vector<std::uint8_t> SerializeAll();              // PresetStore head part + slot system blocks
// Extension rule: the path gets `ext` appended unless it contains it anywhere.
std::string WithExtension(const std::string& path, const std::string& ext);

// Outcome of a file action, for callers that are not the window (the CLI).
enum class FileResult { Done, Cancelled, WriteFailed, OpenFailed, ReadFailed, OutOfRange };
// Whether an import runs the range check (model/RangeCheck.h) on the file before using it. Only the
// CLI's --force skips it.
enum class RangePolicy { Check, Skip };

// "Export": ask for a path, ApplyLinks, write the working system block and image.
FileResult ExportProgram();
FileResult ExportProgramTo(const std::string& path);
// "Import": ask for a path, read a whole program file, load it; when connected, send it.
FileResult ImportProgram();
// A file with a field out of range is refused: its message names the first such field.
FileResult ImportProgramFrom(const std::string& path, RangePolicy ranges = RangePolicy::Check);
// The file step of "Export all": links inside every stored program, then the 58405-byte file.
FileResult ExportAll();
FileResult ExportAllTo(const std::string& path);
// "Import all": read an all-presets file (58405 or the older 57019 bytes), make its current slot live;
// when connected, send all 21 programs and system blocks.
FileResult ImportAll();
FileResult ImportAllFrom(const std::string& path, RangePolicy ranges = RangePolicy::Check);
// The steps of the two imports after the file was read: size and range checks, then the model (and,
// when connected, the device). Nothing changes when a check fails.
FileResult LoadProgramBytes(std::span<const std::uint8_t> bytes, RangePolicy ranges = RangePolicy::Check);
FileResult LoadAllPresetsBytes(std::span<const std::uint8_t> bytes, RangePolicy ranges = RangePolicy::Check);

} // namespace kel
