// The ten tabs of the main window and the six pages behind them.
#pragma once

#include "pages/PageBase.h"

#include <array>

namespace kel {

// The pages, in the order the window creates them.
enum class PageId : int { Music, Deq, Mic, Effect, Main, System };
inline constexpr int kPageCount = 6;

struct TabEntry {
    const char* zh;
    const char* en;
    PageId page;
};

inline constexpr int kTabCount = 10;
inline constexpr int kSystemTab = 9;
inline constexpr int kFirstOutputTab = 4;
inline constexpr int kLastOutputTab = 8;

inline constexpr std::array<TabEntry, kTabCount> kTabs = {{
    {"音乐", "Music", PageId::Music},
    {"动态均衡", "DEQ", PageId::Deq},
    {"话筒", "Mic", PageId::Mic},
    {"效果", "Effect", PageId::Effect},
    {"主输出", "Main", PageId::Main},
    {"中置", "Center", PageId::Main},
    {"超低音", "SUB", PageId::Main},
    {"后置", "Rear", PageId::Main},
    {"环绕", "Surround", PageId::Main},
    {"系统", "System", PageId::System},
}};

using PageFactory = CPageBase* (*)(QWidget* parent, PageHost* host);

struct PageEntry {
    PageId id;
    PageFactory create;
};

// One line per page; a page that is not built yet is the empty placeholder.
extern const std::array<PageEntry, kPageCount> kPages;

} // namespace kel
