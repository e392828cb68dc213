// Entry point of the Qt Test programs: a scratch working folder, the application with the skin's look,
// C numeric locale, and a fresh model.
#pragma once

#include "controls/Skin.h"
#include "model/Sections.h"

#include <QApplication>
#include <QTest>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#define KEL_QTEST_MAIN(TestClass)                                                                            \
    int main(int argc, char** argv) {                                                                        \
        std::string dir = (std::filesystem::temp_directory_path() / "kelvane-uitest-XXXXXX").string();       \
        if (::mkdtemp(dir.data()) == nullptr || ::chdir(dir.c_str()) != 0) {                                 \
            return 1;                                                                                        \
        }                                                                                                    \
        QApplication app(argc, argv);                                                                        \
        std::setlocale(LC_NUMERIC, "C");                                                                     \
        kel::InstallSkinLook(app);                                                                           \
        kel::ResetModel();                                                                                   \
        TestClass test;                                                                                      \
        const int rc = QTest::qExec(&test, argc, argv);                                                      \
        std::error_code ec;                                                                                  \
        std::filesystem::remove_all(dir, ec);                                                                \
        return rc;                                                                                           \
    }
