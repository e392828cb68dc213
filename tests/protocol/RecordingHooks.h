// AppHooks that record what the core asked of the window, for the protocol and emulator tests.
#pragma once

#include "model/AppHooks.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kel::test {

class RecordingHooks : public AppHooks {
  public:
    struct Post {
        int message;
        std::intptr_t wParam;
        bool operator==(const Post&) const = default;
    };

    RecordingHooks() { SetAppHooks(this); }
    ~RecordingHooks() override { SetAppHooks(nullptr); }

    void PostMessage(int message, std::intptr_t wParam, std::intptr_t) override {
        posts.push_back({message, wParam});
    }
    bool HasWindow() const override { return window; }
    void MessageBox(const std::string& text, const std::string&, BoxIcon) override { boxes.push_back(text); }
    std::optional<std::string> ChooseOpenFile(const std::string&, const std::string&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override { return {}; }
    void ShowLookup() override { calls.push_back("ShowLookup"); }
    void EndLookup() override { calls.push_back("EndLookup"); }
    void BeginProgress(int total) override { calls.push_back("BeginProgress " + std::to_string(total)); }
    void StepProgress(int position) override { calls.push_back("StepProgress " + std::to_string(position)); }
    void ShowBusy() override { calls.push_back("ShowBusy"); }
    void Hide() override { calls.push_back("Hide"); }
    void SaveAllPresets() override { calls.push_back("SaveAllPresets"); }
    void ReloadPasswordEntry() override { calls.push_back("ReloadPasswordEntry"); }
    void UpdateStatus(bool withName) override {
        calls.push_back(withName ? "UpdateStatus name" : "UpdateStatus");
    }

    bool Posted(int message) const {
        for (const Post& p : posts) {
            if (p.message == message) {
                return true;
            }
        }
        return false;
    }
    void Clear() {
        posts.clear();
        calls.clear();
        boxes.clear();
    }

    bool window = true;
    std::vector<Post> posts;
    std::vector<std::string> calls;
    std::vector<std::string> boxes;
};

} // namespace kel::test
