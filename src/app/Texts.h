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
inline constexpr const char* kAboutMenu = "关于(&A)...";
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

} // namespace kel::texts
