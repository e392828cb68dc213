// The transmit queue and the bulk command builder: frames, flags, numbering, off-line commands.
#include "model/Sections.h"
#include "protocol/FrameBytes.h"
#include "protocol/Protocol.h"
#include "protocol/RecordingHooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace kel {
namespace {

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) {
        v.push_back(i);
    }
    return v;
}

class QueueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetModel();
        q.Clear();
        hooks.Clear();
    }
    void TearDown() override { q.Clear(); }

    std::vector<int> Indices() const {
        std::vector<int> out;
        for (int i = 0; i < q.Count(); ++i) {
            out.push_back(q.At(i).Record().Index());
        }
        return out;
    }
    const FrameRecord& At(int i) const { return q.At(i).Record(); }

    Model& m = TheModel();
    CProtocol& p = TheProtocol();
    CSendDataQueue& q = TheProtocol().Queue();
    test::RecordingHooks hooks;
};

TEST_F(QueueTest, ReadNamesIsAlways22Frames) {
    for (int slot : {0, 5, 21}) {
        q.Clear();
        ASSERT_TRUE(p.QueueCommand(128, slot));
        EXPECT_EQ(Indices(), Range(0, 21));
        EXPECT_EQ(At(3).Count(), 3);
        EXPECT_TRUE(VerifyChecksum(At(3)));
    }
}

TEST_F(QueueTest, ExportAllQueues42NumberedFrames) {
    m.connection.connected = 1;
    p.DeviceCommand(130, 1);
    ASSERT_EQ(q.Count(), 42);
    for (int i = 0; i < 42; ++i) {
        const FrameRecord& r = At(i);
        EXPECT_EQ(r.Type(), i < 21 ? 129 : 130) << i;
        EXPECT_EQ(r.Index(), i % 21 + 1) << i;
        EXPECT_EQ(r.sequence, i + 1) << i;
        EXPECT_EQ(r.shortPause, i < 21 ? 0 : 1) << i;
        EXPECT_EQ(r.longPause, 0) << i;
    }
    EXPECT_EQ(hooks.calls, std::vector<std::string>{"BeginProgress 42"});
    EXPECT_EQ(q.ProgressTotal(), 42);
}

TEST_F(QueueTest, PopIntoCopiesTheWholeRecordAndDeletesTheHead) {
    ASSERT_TRUE(p.QueueCommand(129, 0));
    ASSERT_TRUE(p.QueueCommand(127, 0));
    FrameRecord tx;
    std::memset(&tx, 0xEE, sizeof tx);
    EXPECT_EQ(q.PopInto(tx), 1);
    EXPECT_EQ(tx.Type(), 129);
    EXPECT_EQ(tx.frame[100], 0); // the whole record, not just the frame
    EXPECT_EQ(tx.sequence, 0);
    EXPECT_EQ(q.Count(), 1);
    EXPECT_EQ(q.PopInto(tx), 1);
    EXPECT_EQ(tx.rescanOnFailure, 1);
    EXPECT_EQ(q.PopInto(tx), 0);
}

TEST_F(QueueTest, ClearResetsTheActiveTransportsRecords) {
    m.settings.transportType = TRANSPORT_USB;
    p.QueueCommand(130, 3);
    m.frames.usbRx.receivePos = 9;
    m.frames.usbTx.frame[4] = 3;
    m.frames.netRx.receivePos = 9;
    q.Clear();
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_EQ(m.frames.usbRx.receivePos, 0);
    EXPECT_EQ(m.frames.usbTx.frame[4], 0);
    EXPECT_EQ(m.frames.usbTx.frame[1], 0x55);
    EXPECT_EQ(m.frames.netRx.receivePos, 9);
}

// Rows of the write-system forms.
struct WriteSystemCase {
    int perSlot, slot, capability;
    std::vector<int> indices;
    // Body source of each frame: 0 working block, n slot n's block.
    std::vector<int> sources;
    std::vector<int> longPause;
};

class WriteSystemTest : public QueueTest, public ::testing::WithParamInterface<WriteSystemCase> {};

TEST_P(WriteSystemTest, PicksTheFormByFlagSlotAndCapability) {
    const WriteSystemCase& c = GetParam();
    m.settings.perSlotSystem = c.perSlot;
    m.settings.slotSystemCapability = c.capability;
    m.system.musicVolume = 77;
    for (int n = 1; n <= kSlotCount; ++n) {
        m.presets.SlotSystem(n).musicVolume = static_cast<u8>(n);
    }
    ASSERT_TRUE(p.QueueCommand(131, c.slot));
    ASSERT_EQ(Indices(), c.indices);
    for (int i = 0; i < q.Count(); ++i) {
        const FrameRecord& r = At(i);
        EXPECT_EQ(r.Count(), 69);
        const SystemBlock& want = c.sources[i] == 0 ? m.system : m.presets.SlotSystem(c.sources[i]);
        EXPECT_EQ(std::memcmp(r.frame + 6, &want, sizeof want), 0) << "frame " << i;
        EXPECT_EQ(r.longPause, c.longPause[i]) << "frame " << i;
        EXPECT_TRUE(VerifyChecksum(r));
    }
}

std::vector<int> Ones(int n, int last) {
    std::vector<int> v(static_cast<std::size_t>(n), 0);
    v.back() = last;
    return v;
}

INSTANTIATE_TEST_SUITE_P(Forms, WriteSystemTest,
                         ::testing::Values(WriteSystemCase{1, 4, 1, Range(1, 21), Range(1, 21), Ones(21, 1)},
                                           WriteSystemCase{1, 4, 0, {4}, {1}, {1}},
                                           WriteSystemCase{1, 0, 1, {0}, {0}, {1}},
                                           WriteSystemCase{1, 0, 0, {0}, {1}, {1}},
                                           WriteSystemCase{0, 4, 1, {4, 21}, {0, 0}, {1, 1}},
                                           WriteSystemCase{0, 4, 0, {4}, {0}, {1}},
                                           WriteSystemCase{0, 0, 1, {0}, {0}, {1}},
                                           WriteSystemCase{0, 0, 0, {0}, {0}, {1}}));

TEST_F(QueueTest, ProgramReadsAndWritesCarryTheirFlags) {
    ASSERT_TRUE(p.QueueCommand(130, 0));
    EXPECT_EQ(At(0).longPause, 1);
    EXPECT_EQ(At(0).shortPause, 0);
    q.Clear();

    m.presets.Slot(9).name[0] = 'N';
    ASSERT_TRUE(p.QueueCommand(132, 2));
    ASSERT_EQ(Indices(), Range(1, 21));
    EXPECT_EQ(std::memcmp(At(8).frame + 6, &m.presets.Slot(9), sizeof(ProgramImage)), 0);
    EXPECT_EQ(At(8).shortPause, 1);
    EXPECT_EQ(At(8).transferMarker, 0);
    EXPECT_EQ(m.connection.transferInProgress, 0);
    q.Clear();

    ASSERT_TRUE(p.QueueCommand(132, 0));
    EXPECT_EQ(At(0).longPause, 1);
    EXPECT_EQ(At(0).transferMarker, 1);
    EXPECT_EQ(m.connection.transferInProgress, 1);
}

TEST_F(QueueTest, RecallAndStoreWhileConnected) {
    m.connection.connected = 1;
    p.DeviceCommand(133, 4);
    ASSERT_EQ(q.Count(), 1);
    EXPECT_EQ(At(0).Index(), 4);
    EXPECT_EQ(At(0).transferMarker, 1);
    EXPECT_EQ(At(0).busy, 1);
    EXPECT_EQ(m.system.currentSlot, 4);
    EXPECT_EQ(hooks.calls, std::vector<std::string>{"ShowBusy"});
    q.Clear();
    hooks.Clear();

    const char name[] = "Party               ";
    std::memcpy(m.presets.Slot(18).name, name, 20);
    p.DeviceCommand(134, 18);
    ASSERT_EQ(q.Count(), 1);
    EXPECT_EQ(test::Hex(test::FrameOf(At(0)), 64), test::Hex(test::MakeFrame(134,
                                                                             [&] {
                                                                                 test::Bytes b = {18};
                                                                                 b.insert(b.end(), name,
                                                                                          name + 20);
                                                                                 return b;
                                                                             }()),
                                                             64));
    EXPECT_EQ(At(0).transferMarker, 1);
    EXPECT_EQ(m.system.currentSlot, 18);
    EXPECT_EQ((std::vector<std::string>{"UpdateStatus name", "ShowBusy"}), hooks.calls);
}

TEST_F(QueueTest, RefusedCommandsQueueNothing) {
    m.connection.connected = 1;
    m.system.currentSlot = 3;
    EXPECT_FALSE(p.QueueCommand(134, 0));
    p.DeviceCommand(134, 0);
    for (int type : {1, 3, 12, 135, 137, 138, 139, 142, 200}) {
        EXPECT_FALSE(p.QueueCommand(type, 0)) << type;
    }
    for (int slot : {-1, 22, 255}) {
        EXPECT_FALSE(p.QueueCommand(133, slot)) << slot;
        EXPECT_FALSE(p.QueueCommand(131, slot)) << slot;
        EXPECT_FALSE(p.QueueCommand(134, slot)) << slot;
    }
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_EQ(m.system.currentSlot, 3);
    EXPECT_EQ(m.connection.transferInProgress, 0);
}

TEST_F(QueueTest, PasswordsSendOldAndNewAndTakeTheNewAtOnce) {
    const std::uint8_t oldSystem[6] = {1, 2, 3, 4, 5, 6};
    const std::uint8_t newSystem[6] = {'a', 'b', 'c', 'd', 'e', 'f'};
    const std::uint8_t oldPanel[4] = {1, 2, 3, 4};
    const std::uint8_t newPanel[4] = {'w', 'x', 'y', 'z'};
    std::memcpy(m.passwordEntry.data() + 14, newSystem, 6);
    std::memcpy(m.passwordEntry.data() + 4, newPanel, 4);

    ASSERT_TRUE(p.QueueCommand(140, 0));
    test::Bytes body(oldSystem, oldSystem + 6);
    body.insert(body.end(), newSystem, newSystem + 6);
    EXPECT_EQ(test::Hex(test::FrameOf(At(0))), test::Hex(test::MakeFrame(140, body)));
    EXPECT_EQ(At(0).Count(), 14);
    EXPECT_EQ(std::memcmp(m.system.systemPassword, newSystem, 6), 0);

    ASSERT_TRUE(p.QueueCommand(141, 0));
    body.assign(oldPanel, oldPanel + 4);
    body.insert(body.end(), newPanel, newPanel + 4);
    EXPECT_EQ(test::Hex(test::FrameOf(At(1))), test::Hex(test::MakeFrame(141, body)));
    EXPECT_EQ(At(1).Count(), 10);
    EXPECT_EQ(std::memcmp(m.system.panelPassword, newPanel, 4), 0);
}

TEST_F(QueueTest, OfflineRecallNeedsLoadedPresets) {
    const ProgramImage before = m.image;
    p.DeviceCommand(133, 4);
    EXPECT_EQ(std::memcmp(&before, &m.image, sizeof before), 0);
    EXPECT_EQ(m.system.currentSlot, 0);

    m.settings.presetsLoaded = 1;
    m.presets.Slot(4) = m.image;
    m.presets.Slot(4).name[0] = 'Q';
    m.presets.Slot(4).mic1.level = 33;
    p.DeviceCommand(133, 4);
    EXPECT_EQ(m.image.mic1.level, 33);
    EXPECT_EQ(std::memcmp(&m.image, &m.shadow, sizeof m.image), 0);
    EXPECT_EQ(m.system.currentSlot, 4);
    p.DeviceCommand(133, 0); // no slot 0 among the presets
    EXPECT_EQ(m.system.currentSlot, 4);
    EXPECT_TRUE(q.IsEmpty());
}

TEST_F(QueueTest, OfflineExportAllSavesTheLoadedPresets) {
    p.DeviceCommand(130, 1);
    EXPECT_TRUE(hooks.calls.empty());
    m.settings.presetsLoaded = 1;
    m.system.micVolume = 12;
    p.DeviceCommand(130, 1);
    EXPECT_EQ(hooks.calls, std::vector<std::string>{"SaveAllPresets"});
    EXPECT_EQ(m.presets.head.micVolume, 12);
    EXPECT_TRUE(q.IsEmpty());
}

} // namespace
} // namespace kel
