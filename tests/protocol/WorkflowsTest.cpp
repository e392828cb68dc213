// The device workflows: what each sends, and the password frames they leave in the queue.
#include "model/DataConver.h"
#include "protocol/CommandTables.h"
#include "protocol/DeviceWorkflows.h"
#include "protocol/FrameBytes.h"
#include "protocol/Protocol.h"
#include "support/ProcessState.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace kel {
namespace {

using test::Bytes;

class WorkflowsTest : public ::testing::Test {
  protected:
    // Records each command and hands it to the protocol, which queues its frames while connected.
    CommandSink Sink() {
        return [this](int type, int slot) {
            sent.emplace_back(type, slot);
            TheProtocol().DeviceCommand(type, slot);
        };
    }
    Bytes Queued(int i) const { return test::FrameOf(TheProtocol().Queue().At(i).Record()); }

    test::ProcessState state{{.transport = TRANSPORT_NET, .connected = true}};
    Model& m = TheModel();
    std::vector<std::pair<int, int>> sent;
};

TEST_F(WorkflowsTest, StoreConfirmsTheStoredPasswordThenStoresTheName) {
    StoreSlot(Sink(), 7, "Evening");
    EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{{CMD_SYSTEM_PASSWORD, 0}, {CMD_STORE, 7}}));
    // Old and new value are both the stored 1 2 3 4 5 6.
    EXPECT_EQ(Queued(0), test::MakeFrame(CMD_SYSTEM_PASSWORD, {1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6}));
    Bytes store = {7};
    for (char c : std::string("Evening             ")) {
        store.push_back(static_cast<std::uint8_t>(c));
    }
    EXPECT_EQ(Queued(1), test::MakeFrame(CMD_STORE, store));
    EXPECT_EQ(BytesToText(m.image.name), "Evening");
    EXPECT_EQ(m.system.currentSlot, 7);
}

TEST_F(WorkflowsTest, RecallReadsTheLiveSystemBlockBack) {
    RecallSlot(Sink(), 18);
    EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{{CMD_RECALL, 18}, {CMD_READ_SYSTEM, 0}}));
}

TEST_F(WorkflowsTest, VerificationSendsOnlyForTheStoredPassword) {
    const struct {
        const char* typed;
        bool connected, accepted, permission;
    } cases[] = {
        {"123457", true, false, false},
        {"12345", true, false, false},
        {"", true, false, false},
        {"\x01\x02\x03\x04\x05\x06", true, true, true},
        {"\x01\x02\x03\x04\x05\x06", false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.typed)) +
                     (c.connected ? " connected" : " off line"));
        test::ProcessState fresh{{.transport = TRANSPORT_NET, .connected = c.connected}};
        sent.clear();
        EXPECT_EQ(VerifySystemPassword(Sink(), c.typed), c.accepted);
        EXPECT_EQ(sent.size(), c.accepted ? 1u : 0u);
        EXPECT_EQ(m.settings.storePermission, c.permission ? 1 : 0);
    }
}

TEST_F(WorkflowsTest, ChangeSendsOldAndNewValueAndKeepsTheNewOne) {
    ChangePassword(Sink(), PasswordKind::Panel, "9876");
    ChangePassword(Sink(), PasswordKind::System, "abc"); // blank padded to six characters
    EXPECT_EQ(Queued(0), test::MakeFrame(CMD_PANEL_PASSWORD, {1, 2, 3, 4, '9', '8', '7', '6'}));
    EXPECT_EQ(Queued(1),
              test::MakeFrame(CMD_SYSTEM_PASSWORD, {1, 2, 3, 4, 5, 6, 'a', 'b', 'c', ' ', ' ', ' '}));
    EXPECT_EQ(BytesToText(StoredPassword(PasswordKind::Panel)), "9876");
    EXPECT_EQ(PasswordLength(PasswordKind::System), 6u);
    EXPECT_EQ(PasswordLength(PasswordKind::Panel), 4u);
}

} // namespace
} // namespace kel
