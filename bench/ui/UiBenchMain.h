// The main of the window benchmarks: the offscreen platform where there is no display, a scratch working
// folder (the window writes ss.txt there), the filter bank, a fresh model, the skin.
#pragma once

#include "controls/Skin.h"
#include "dsp/FilterBank.h"
#include "model/Sections.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace kel::bench {

// beforeExit runs while the application still exists (windows the benchmarks kept are closed there).
inline int RunUiBenchmarks(int argc, char** argv, void (*beforeExit)() = nullptr) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    std::string dir = (std::filesystem::temp_directory_path() / "kelvane-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr || ::chdir(dir.c_str()) != 0) {
        return 1;
    }
    InstallFilterBank();
    ResetModel();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    InstallSkinLook(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeExit != nullptr) {
        beforeExit();
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}

} // namespace kel::bench
