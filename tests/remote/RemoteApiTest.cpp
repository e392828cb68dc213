// The remote control's API on the model, without the network: what each call writes or queues, and
// that every refused request changes nothing.
#include "remote/RemoteApi.h"
#include "model/DataConver.h"
#include "model/Sections.h"
#include "protocol/CommandTables.h"
#include "protocol/Protocol.h"
#include "remote/RemoteToken.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace kel::remote {
namespace {

constexpr std::string_view kJson = "application/json";

class RemoteApi : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetModel();
        TheProtocol().Queue().Clear();
        Model& m = TheModel();
        m.connection.connected = 1;
        m.system.musicVolume = 20;
        m.system.musicMax = 60;
        m.system.micVolume = 30 | kMuteBit;
        m.system.effectMax = 70;
    }
    void TearDown() override {
        TheProtocol().Queue().Clear();
        TheModel().connection.connected = 0;
    }
    static ApiReply Call(std::string_view method, std::string_view path, std::string_view body,
                         std::string_view type = kJson) {
        return HandleApi({method, path, type, body});
    }
};

TEST_F(RemoteApi, StateShowsVolumesMutesMaximaAndTheTwentyOnePresets) {
    TextToBytes("Party", TheModel().presets.Slot(3).name);
    const auto state = nlohmann::json::parse(Call("GET", "/api/state", "").body);
    EXPECT_TRUE(state["connected"].get<bool>());
    EXPECT_EQ(state["volumes"]["music"],
              (nlohmann::json{{"value", 20}, {"muted", false}, {"max", 60}, {"range", 84}}));
    EXPECT_EQ(state["volumes"]["mic"]["value"], 30);
    EXPECT_TRUE(state["volumes"]["mic"]["muted"].get<bool>());
    EXPECT_EQ(state["volumes"]["effect"]["range"], 70);
    ASSERT_EQ(state["presets"].size(), 21u);
    EXPECT_EQ(state["presets"][2], "Party");
    EXPECT_EQ(state["mode"], "sing");
}

TEST_F(RemoteApi, VolumeIsClampedToTheMaximumAndUnmutedAsTheWindowWritesIt) {
    struct Case {
        std::string_view path, body;
        u8 SystemBlock::*field;
        u8 expected;
        int reported;
    };
    const Case cases[] = {
        {"/api/volume/music", R"({"value": 45})", &SystemBlock::musicVolume, 45, 45},
        {"/api/volume/music", R"({"value": 84})", &SystemBlock::musicVolume, 60,
         60},                                                                     // above "Music max volume"
        {"/api/volume/mic", R"({"value": 10})", &SystemBlock::micVolume, 10, 10}, // a new volume is not muted
        {"/api/volume/effect", R"({"value": 0})", &SystemBlock::effectVolume, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " " + std::string(c.body));
        const ApiReply r = Call("PUT", c.path, c.body);
        EXPECT_EQ(r.status, 200);
        EXPECT_TRUE(r.edited);
        EXPECT_EQ(TheModel().system.*c.field, c.expected);
        EXPECT_EQ(nlohmann::json::parse(r.body)["value"], c.reported);
    }
}

TEST_F(RemoteApi, MuteSetsAndClearsTheMuteBitKeepingTheVolume) {
    EXPECT_EQ(Call("PUT", "/api/mute/music", R"({"muted": true})").status, 200);
    EXPECT_EQ(TheModel().system.musicVolume, 20 | kMuteBit);
    EXPECT_EQ(Call("PUT", "/api/mute/mic", R"({"muted": false})").status, 200);
    EXPECT_EQ(TheModel().system.micVolume, 30);
}

TEST_F(RemoteApi, RecallQueuesTheSystemPagesCommands) {
    ASSERT_EQ(Call("POST", "/api/recall", R"({"slot": 21})").status, 200);
    CSendDataQueue& q = TheProtocol().Queue();
    ASSERT_EQ(q.Count(), 2);
    EXPECT_EQ(q.At(0).Record().frame[kFrameOffsetIndex - 1], CMD_RECALL);
    EXPECT_EQ(q.At(0).Record().frame[kFrameOffsetIndex], 21);
    EXPECT_EQ(q.At(1).Record().frame[kFrameOffsetIndex - 1], CMD_READ_SYSTEM);
    EXPECT_EQ(TheModel().system.currentSlot, 21);
}

TEST_F(RemoteApi, RefusedRequestsChangeNothing) {
    struct Case {
        std::string_view method, path, body, type;
        int status;
    };
    const Case cases[] = {
        {"PUT", "/api/volume/music", "{\"value\": 4", kJson, 400},     // not JSON
        {"PUT", "/api/volume/music", "[40]", kJson, 400},              // not an object
        {"PUT", "/api/volume/music", R"({"value": 85})", kJson, 400},  // above the range
        {"PUT", "/api/volume/effect", R"({"value": 71})", kJson, 400}, // above the effect's range
        {"PUT", "/api/volume/music", R"({"value": -1})", kJson, 400},
        {"PUT", "/api/volume/music", R"({"value": 40.5})", kJson, 400}, // not whole
        {"PUT", "/api/volume/music", R"({"value": "40"})", kJson, 400},
        {"PUT", "/api/volume/music", R"({"value": 40, "x": 1})", kJson, 400},
        {"PUT", "/api/mute/music", R"({"muted": 1})", kJson, 400},
        {"POST", "/api/recall", R"({"slot": 0})", kJson, 400},
        {"POST", "/api/recall", R"({"slot": 22})", kJson, 400},
        {"POST", "/api/recall", R"({"slot": 99999999999999999999})", kJson, 400},
        {"PUT", "/api/volume/bass", R"({"value": 4})", kJson, 404},
        {"PUT", "/api/volume/music/x", R"({"value": 4})", kJson, 404},
        {"GET", "/api/volume/music", "", kJson, 405},
        {"GET", "/api/recall", "", kJson, 405},
        {"PUT", "/api/volume/music", R"({"value": 40})", "text/plain",
         415}, // what a form on another site sends
        {"GET", "/etc/passwd", "", kJson, 404},
    };
    const SystemBlock before = TheModel().system;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + std::string(c.path) + " " + std::string(c.body));
        const ApiReply r = Call(c.method, c.path, c.body, c.type);
        EXPECT_EQ(r.status, c.status);
        EXPECT_FALSE(r.edited);
        EXPECT_TRUE(nlohmann::json::parse(r.body).contains("error"));
    }
    EXPECT_EQ(std::memcmp(&before, &TheModel().system, sizeof before), 0);
    EXPECT_TRUE(TheProtocol().Queue().IsEmpty());
}

TEST_F(RemoteApi, EditsWaitForAConnectionAndForTheEndOfATransfer) {
    // A system block read still to come would overwrite the edit.
    TheModel().connection.transferInProgress = 1;
    EXPECT_EQ(Call("POST", "/api/recall", R"({"slot": 2})").status, 409);
    EXPECT_EQ(Call("PUT", "/api/volume/music", R"({"value": 5})").status, 409);
    TheModel().connection.transferInProgress = 0;
    ASSERT_TRUE(TheProtocol().Queue().IsEmpty());
    ASSERT_EQ(Call("POST", "/api/recall", R"({"slot": 2})").status, 200);
    TheModel().connection.transferInProgress = 0;
    EXPECT_EQ(Call("PUT", "/api/mute/music", R"({"muted": true})").status, 409); // the read is queued
    TheProtocol().Queue().Clear();
    TheModel().connection.connected = 0;
    EXPECT_EQ(Call("PUT", "/api/volume/music", R"({"value": 5})").status, 503);
    EXPECT_EQ(Call("PUT", "/api/mute/music", R"({"muted": true})").status, 503);
    EXPECT_EQ(Call("POST", "/api/recall", R"({"slot": 2})").status, 503);
    EXPECT_EQ(TheModel().system.musicVolume, 20);
    EXPECT_TRUE(TheProtocol().Queue().IsEmpty());
    EXPECT_FALSE(nlohmann::json::parse(Call("GET", "/api/state", "").body)["connected"].get<bool>());
}

TEST(RemoteAddress, ListenAddressesAndTheTokenRule) {
    std::string error;
    auto a = ParseListenAddress("8080", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->address, "127.0.0.1");
    EXPECT_EQ(a->port, 8080);
    a = ParseListenAddress("127.0.0.5:0", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->address, "127.0.0.5");
    for (const char* bad : {"", "x", "65536", "-1", "80x", "1.2.3:80", "host:80", ":80"}) {
        EXPECT_FALSE(ParseListenAddress(bad, error)) << bad;
    }
    EXPECT_FALSE(NeedsToken("127.0.0.1"));
    EXPECT_TRUE(NeedsToken("127.0.0.2"));
    EXPECT_TRUE(NeedsToken("0.0.0.0"));
}

TEST(RemoteToken, MadeOnceKeptPrivateAndReadFromAFile) {
    ::setenv("XDG_CONFIG_HOME", (std::filesystem::current_path() / "config").c_str(), 1);
    std::string error;
    const auto first = UserToken(error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->size(), 32u);
    EXPECT_EQ(UserToken(error), first);
    const auto perms = std::filesystem::status("config/kelvane/remote-token").permissions();
    EXPECT_EQ(perms & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_NE(NewToken(), *first);

    std::ofstream("good.txt") << "0123456789abcdefXYZ\nsecond line\n";
    EXPECT_EQ(TokenFromFile("good.txt", error), "0123456789abcdefXYZ");
    std::ofstream("short.txt") << "abc\n";
    EXPECT_FALSE(TokenFromFile("short.txt", error));
    EXPECT_FALSE(TokenFromFile("missing.txt", error));
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace kel::remote
