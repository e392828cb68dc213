// The main window's own texts in both languages (Chinese first, as the system pairs them).
#pragma once

#include "model/Model.h"

#include <QString>

namespace kel::texts {

struct Pair {
    const char* zh;
    const char* en;
};

// The text for the current LanguageFlag.
inline QString Pick(const Pair& pair) {
    return QString::fromUtf8(TheModel().settings.languageFlag != 0 ? pair.zh : pair.en);
}

inline constexpr const char* kWindowTitle = "Kelvane SV-1.09";
inline constexpr Pair kAboutMenu = {"关于(&A)...", "&About Kelvane..."};
inline constexpr Pair kAboutTitle = {"关于 Kelvane", "About Kelvane"};
inline constexpr Pair kConnect = {"联机", "Connect"};
inline constexpr Pair kDisconnect = {"断开", "Disconnect"};
inline constexpr Pair kOffLine = {"脱机", "Off Line"};
inline constexpr Pair kLanguageButton = {"English", "中文"};
inline constexpr Pair kEasyMode = {"简易模式", "Easy Mode"};
inline constexpr Pair kFullMode = {"全功能模式", "Full Mode"};

// Captions of the window resource before the language is applied.
inline constexpr const char* kTemplateStatus = "当前程序名称";
inline constexpr const char* kTemplateConnect = "连接";
inline constexpr const char* kTemplateLanguage = "中英文";

// The progress dialog.
inline constexpr Pair kLookupText = {"设备查找中", "Device lookup"};
inline constexpr Pair kLookupCaption = {"设备查找中", "Device lookup "};
inline constexpr Pair kTransferCaption = {"数据传输", "Data transmission"};
inline constexpr Pair kBusyText = {"数据正在传输中", "Data transmission"};
// The step line under the caption while the bar shows: what the frame now in flight reads or writes.
// "%1/%2" forms are for runs of the same command (ordinal, run length), the others for a single frame.
inline constexpr Pair kReadingNames = {"正在读取预设名称 %1/%2", "Reading preset names %1/%2"};
inline constexpr Pair kReadingSystem = {"正在读取系统设置…", "Reading the system settings…"};
inline constexpr Pair kReadingSystems = {"正在读取系统设置 %1/%2", "Reading system settings %1/%2"};
inline constexpr Pair kReadingProgram = {"正在读取程序…", "Reading the program…"};
inline constexpr Pair kReadingPrograms = {"正在读取预设 %1/%2", "Reading presets %1/%2"};
inline constexpr Pair kWritingSystem = {"正在写入系统设置…", "Writing the system settings…"};
inline constexpr Pair kWritingSystems = {"正在写入系统设置 %1/%2", "Writing system settings %1/%2"};
inline constexpr Pair kWritingProgram = {"正在写入程序…", "Writing the program…"};
inline constexpr Pair kWritingPrograms = {"正在写入预设 %1/%2", "Writing presets %1/%2"};
// The status line while a connection is open but the live program has not arrived yet.
inline constexpr Pair kConnecting = {"正在联机…", "Connecting…"};

} // namespace kel::texts
