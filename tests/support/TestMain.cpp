// Test entry point: every test binary runs in a scratch working folder (the progress log "ss.txt" and test
// files go there).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    std::string dir = (std::filesystem::temp_directory_path() / "kelvane-test-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr || ::chdir(dir.c_str()) != 0) {
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
