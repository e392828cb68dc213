// The receive parser: assembling frames from pieces, validation, and what each reply changes.
#include "model/Messages.h"
#include "model/Sections.h"
#include "protocol/FrameBytes.h"
#include "protocol/ProgressLog.h"
#include "protocol/Protocol.h"
#include "protocol/RecordingHooks.h"

#include "support/ProcessState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace kel {
namespace {

using test::Bytes;
using test::MakeFrame;
using test::RecordingHooks;

class ParserTest : public ::testing::Test {
  protected:
    void TearDown() override { TheProgressLog().Close(); }

    // Puts a request into the network TX record, as a transport does before it sends.
    void Request(int type, int index) {
        FrameRecord& tx = m.frames.netTx;
        ResetRecords(TRANSPORT_NET, true);
        tx.SetCount(3);
        tx.frame[4] = static_cast<u8>(type);
        tx.frame[5] = static_cast<u8>(index);
        BuildChecksum(tx);
    }
    int Feed(const Bytes& b, int transport = TRANSPORT_NET) {
        return p.FeedBytes(m, transport, b.data(), static_cast<int>(b.size()));
    }
    static Bytes Program(int slotByte, const ProgramImage& img) {
        Bytes body = {static_cast<u8>(slotByte)};
        const auto* b = reinterpret_cast<const u8*>(&img);
        body.insert(body.end(), b, b + sizeof img);
        return MakeFrame(130, body);
    }
    static Bytes System(const SystemBlock& s) {
        const auto* b = reinterpret_cast<const u8*>(&s);
        return MakeFrame(129, Bytes(b, b + sizeof s));
    }
    static ProgramImage Marked(u8 mark) {
        ProgramImage img{};
        FillDefaultProgram(img);
        img.mic1.level = mark;
        return img;
    }
    bool RxIdle() const { return m.frames.netRx.receivePos == 0 && m.frames.netRx.inFrame == 0; }

    Model& m = TheModel();
    CProtocol& p = TheProtocol();
    RecordingHooks hooks;
    test::ProcessState state{{.hooks = &hooks, .transport = TRANSPORT_NET, .shadowInStep = true}};
};

TEST_F(ParserTest, FrameInThreePiecesCompletesOnTheThird) {
    Request(3, 0);
    const Bytes ack = MakeFrame(3, {0});
    EXPECT_EQ(Feed({ack[0], ack[1]}), 0);
    EXPECT_EQ(Feed({ack[2], ack[3]}), 0);
    EXPECT_EQ(Feed(Bytes(ack.begin() + 4, ack.end())), 1);
    EXPECT_TRUE(RxIdle());
    EXPECT_EQ(m.frames.netTx.frame[4], 0); // both records reset
}

TEST_F(ParserTest, BytesAfterACompletedFrameAreDiscarded) {
    Request(3, 0);
    Bytes piece = MakeFrame(3, {0});
    const Bytes next = MakeFrame(3, {0});
    piece.insert(piece.end(), next.begin(), next.begin() + 4);
    EXPECT_EQ(Feed(piece), 1);
    EXPECT_TRUE(RxIdle());
    Request(3, 0);
    EXPECT_EQ(Feed(Bytes(next.begin() + 4, next.end())), 0); // the rest alone starts no frame
    EXPECT_EQ(m.frames.netRx.inFrame, 0);
}

// Stray bytes on the line: before a reply, as a piece of their own between two replies, and inside a
// reply's header or body. A reply after noise is understood; a damaged reply applies nothing wrong
// and never swallows the reply that follows it.
TEST_F(ParserTest, NoiseBeforeBetweenAndInsideReplies) {
    const Bytes noises[] = {{0xFF},
                            {0x03},
                            {0x55},
                            {0xCC},
                            {0xFF, 0xFF, 0xFF},
                            {0x55, 0x55},
                            {0xFF, 0x55},
                            {0xFF, 0x55, 0xFF},
                            {0xFF, 0x55, 0x03},
                            {0xFF, 0x55, 0xFF, 0xFF},
                            {0xFF, 0x55, 0x10, 0xFF},
                            {0x00, 0xFF, 0x03, 0xCC, 0x55, 0xAA}};
    const ProgramImage sent = Marked(77);
    struct Reply {
        int type, index;
        Bytes frame;
    };
    const Reply replies[] = {{127, 0, MakeFrame(127, {1, 0})}, {130, 0, Program(0, sent)}};
    auto feedAndCheck = [&](const Reply& r, const Bytes& piece) {
        ResetModel();
        CommitShadow(true);
        m.settings.transportType = TRANSPORT_NET;
        Request(r.type, r.index);
        return Feed(piece);
    };
    auto applied = [&](const Reply& r) {
        return r.type == 127 ? m.settings.slotSystemCapability == 1 && m.settings.storePermission == 0
                             : std::memcmp(&m.image, &sent, sizeof sent) == 0;
    };
    for (const Bytes& noise : noises) {
        for (const Reply& r : replies) {
            SCOPED_TRACE(test::Hex(noise) + "/ type " + std::to_string(r.type));
            // before, in the same piece
            Bytes piece = noise;
            piece.insert(piece.end(), r.frame.begin(), r.frame.end());
            EXPECT_EQ(feedAndCheck(r, piece), 1) << "before";
            EXPECT_TRUE(applied(r)) << "before";
            // between two replies, as a piece of its own
            EXPECT_EQ(feedAndCheck(r, noise), 0) << "between";
            EXPECT_LE(m.frames.netRx.receivePos, 4) << "between";
            Request(r.type, r.index);
            EXPECT_EQ(Feed(r.frame), 1) << "between";
            EXPECT_TRUE(applied(r)) << "between";
            // inside: after the header's first byte, each count byte, the type and in the body
            for (std::size_t at : {1u, 2u, 3u, 4u, 5u, 7u}) {
                piece = r.frame;
                piece.insert(piece.begin() + static_cast<std::ptrdiff_t>(at), noise.begin(), noise.end());
                const int accepted = feedAndCheck(r, piece);
                if (accepted) {
                    EXPECT_TRUE(applied(r)) << "inside at " << at << ": only the reply itself";
                } else {
                    EXPECT_FALSE(applied(r)) << "inside at " << at;
                }
                // the transport's retry: records reset, the request again, the reply again
                ResetRecords(TRANSPORT_NET, false);
                Request(r.type, r.index);
                EXPECT_EQ(Feed(r.frame), 1) << "inside at " << at << ": the next reply";
                EXPECT_TRUE(applied(r)) << "inside at " << at;
            }
        }
    }
}

TEST_F(ParserTest, HeaderHuntHoldsAtMostTheHeader) {
    Request(3, 0);
    for (const Bytes& run : {Bytes(20000, 0xFF), Bytes(20000, 0x55), Bytes(20000, 0x03)}) {
        EXPECT_EQ(Feed(run), 0);
        EXPECT_LE(m.frames.netRx.receivePos, 1);
    }
    Bytes pairs;
    for (int i = 0; i < 5000; ++i) {
        pairs.insert(pairs.end(), {0xFF, 0x55});
    }
    EXPECT_EQ(Feed(pairs), 0);
    EXPECT_LE(m.frames.netRx.receivePos, 4);
    EXPECT_EQ(Feed(MakeFrame(3, {0})), 1); // the pairs never became the count of the reply
}

TEST_F(ParserTest, AcknowledgementStatus) {
    const std::pair<int, int> cases[] = {{0, 1}, {4, 1}, {255, 1}, {1, 0}, {2, 0}, {3, 0}};
    for (auto [status, accepted] : cases) {
        Request(7, 2);
        const ProgramImage before = m.image;
        EXPECT_EQ(Feed(MakeFrame(7, {static_cast<u8>(status)})), accepted) << status;
        EXPECT_EQ(m.frames.netRx.error, accepted ? 0 : 1) << status;
        EXPECT_EQ(std::memcmp(&before, &m.image, sizeof before), 0);
        // A refused frame stays until the transport resets the records.
        if (!accepted) {
            EXPECT_EQ(Feed(MakeFrame(7, {0})), 0);
            EXPECT_EQ(m.frames.netRx.error, 1);
        }
    }
}

TEST_F(ParserTest, WrongChecksumIsRefusedAndNothingApplied) {
    Request(127, 0);
    Bytes reply = MakeFrame(127, {1, 1});
    reply.back() ^= 1;
    EXPECT_EQ(Feed(reply), 0);
    EXPECT_EQ(m.frames.netRx.error, 1);
    EXPECT_EQ(m.settings.slotSystemCapability, 0);
    EXPECT_TRUE(hooks.posts.empty());
}

TEST_F(ParserTest, OnlyTheActiveTransportIsHeard) {
    Request(3, 0);
    EXPECT_EQ(Feed(MakeFrame(3, {0}), TRANSPORT_SERIAL), 0);
    EXPECT_EQ(m.frames.serialRx.receivePos, 0);
    m.settings.transportType = TRANSPORT_NONE;
    EXPECT_EQ(Feed(MakeFrame(3, {0}), TRANSPORT_NONE), 0);
}

TEST_F(ParserTest, MeterReportsPostOnlyWhenWantedAndReady) {
    Bytes levels;
    for (int i = 0; i < 12; ++i) {
        levels.push_back(static_cast<u8>(150 + i));
    }
    struct Case {
        bool wanted;
        int ready;
        bool window, posts;
    };
    const Case cases[] = {
        {true, 1, true, true}, {false, 1, true, false}, {true, 0, true, false}, {true, 1, false, false}};
    for (const Case& c : cases) {
        for (int type : {12, 24}) {
            hooks.Clear();
            m.settings.meters.wanted = c.wanted;
            m.settings.meters.ready = c.ready;
            hooks.window = c.window;
            m.settings.meters.levels.fill(0);
            m.settings.meters.signals.fill(0);
            Request(type, 1);
            EXPECT_EQ(Feed(MakeFrame(type, levels)), 1);
            const auto& got = type == 12 ? m.settings.meters.levels : m.settings.meters.signals;
            EXPECT_EQ(Bytes(got.begin(), got.end()), levels);
            EXPECT_EQ(hooks.posts.size(), c.posts ? 1u : 0u) << c.wanted << c.ready << c.window;
            if (c.posts) {
                EXPECT_EQ(hooks.posts[0], (RecordingHooks::Post{MSG_LEVELS_RECEIVED, type}));
                EXPECT_EQ(m.settings.meters.ready, 0);
            }
        }
    }
}

TEST_F(ParserTest, IdentifyAndNames) {
    hooks.window = false; // 1147 goes out whatever
    Request(127, 0);
    EXPECT_EQ(Feed(MakeFrame(127, {1, 1})), 1);
    EXPECT_EQ(m.settings.slotSystemCapability, 1);
    EXPECT_EQ(m.settings.storePermission, 1);
    EXPECT_EQ(hooks.posts, (std::vector<RecordingHooks::Post>{{MSG_IDENTIFY_REPLY, 0}}));

    Bytes body = {6};
    for (char c : std::string("Ballad              ")) {
        body.push_back(static_cast<u8>(c));
    }
    Request(128, 6);
    EXPECT_EQ(Feed(MakeFrame(128, body)), 1);
    EXPECT_EQ(std::memcmp(m.presets.Slot(6).name, "Ballad  ", 8), 0);
    body[0] = 0;
    Request(128, 0);
    EXPECT_EQ(Feed(MakeFrame(128, body)), 1);
    EXPECT_EQ(std::memcmp(m.image.name, "Ballad  ", 8), 0);
}

TEST_F(ParserTest, SystemBlockOfASlotNeverTouchesTheLiveBlock) {
    SystemBlock s{};
    ResetSystemBlock(s);
    s.musicVolume = 55;
    const SystemBlock working = m.system;
    Request(129, 3);
    EXPECT_EQ(Feed(System(s)), 1);
    EXPECT_EQ(m.presets.SlotSystem(3).musicVolume, 55);
    EXPECT_EQ(std::memcmp(&working, &m.system, sizeof working), 0);
    EXPECT_EQ(std::memcmp(&working, &m.shadowSystem, sizeof working), 0);
    EXPECT_TRUE(hooks.posts.empty());

    Request(129, 0);
    EXPECT_EQ(Feed(System(s)), 1);
    EXPECT_EQ(m.system.musicVolume, 55);
    EXPECT_EQ(m.shadowSystem.musicVolume, 55);
    EXPECT_EQ(hooks.posts, (std::vector<RecordingHooks::Post>{{MSG_SYSTEM_RECEIVED, 0}}));
    EXPECT_EQ(hooks.calls, std::vector<std::string>{"ReloadPasswordEntry"});
}

TEST_F(ParserTest, ProgramsOfSlotsNeverTouchTheLiveProgram) {
    const ProgramImage live = m.image;
    Request(130, 7);
    EXPECT_EQ(Feed(Program(7, Marked(7))), 1);
    EXPECT_EQ(m.presets.Slot(7).mic1.level, 7);
    EXPECT_EQ(std::memcmp(&live, &m.image, sizeof live), 0);
    EXPECT_TRUE(hooks.posts.empty());

    Request(130, 21);
    EXPECT_EQ(Feed(Program(21, Marked(21))), 1);
    EXPECT_EQ(m.presets.Slot(21).mic1.level, 21);
    EXPECT_EQ(std::memcmp(&live, &m.image, sizeof live), 0);
    EXPECT_EQ(hooks.posts, (std::vector<RecordingHooks::Post>{{MSG_ALL_PRESETS_RECEIVED, 0}}));
}

// A name or program reply answers only the request of its type for the slot it carries.
TEST_F(ParserTest, RepliesForAnotherSlotThanRequestedAreRefused) {
    struct Case {
        int requestType, requestSlot, replyType, replySlot;
        bool accepted;
    };
    const Case cases[] = {
        {130, 5, 130, 0, false}, {130, 0, 130, 5, false}, {130, 5, 130, 6, false}, {129, 0, 130, 0, false},
        {130, 5, 130, 5, true},  {130, 0, 130, 0, true},  {128, 5, 128, 0, false}, {128, 0, 128, 5, false},
        {127, 0, 128, 0, false}, {128, 5, 128, 5, true},
    };
    Bytes name = {0};
    for (char c : std::string("Wrong slot          ")) {
        name.push_back(static_cast<u8>(c));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.requestType) + "/" + std::to_string(c.requestSlot) + " answered by " +
                     std::to_string(c.replyType) + "/" + std::to_string(c.replySlot));
        ResetModel();
        CommitShadow(true);
        m.settings.transportType = TRANSPORT_NET;
        hooks.Clear();
        const ProgramImage live = m.image;
        const PresetStore presets = m.presets;
        Request(c.requestType, c.requestSlot);
        name[0] = static_cast<u8>(c.replySlot);
        const Bytes reply = c.replyType == 130 ? Program(c.replySlot, Marked(99)) : MakeFrame(128, name);
        EXPECT_EQ(Feed(reply), c.accepted ? 1 : 0);
        EXPECT_EQ(m.frames.netRx.error, c.accepted ? 0 : 1);
        if (!c.accepted) {
            EXPECT_EQ(std::memcmp(&live, &m.image, sizeof live), 0);
            EXPECT_EQ(std::memcmp(&live, &m.shadow, sizeof live), 0);
            EXPECT_EQ(std::memcmp(&presets, &m.presets, sizeof presets), 0);
            EXPECT_TRUE(hooks.posts.empty());
        }
    }
}

// Filter objects are the UI thread's: the parser (a transport thread) never reloads them; the window
// does on MSG_PROGRAM_RECEIVED.
TEST_F(ParserTest, ReceivedProgramLeavesTheFilterObjectsToTheWindow) {
    struct CountingSeam : FilterSeam {
        int reloads = 0;
        void BuildAll() override {}
        void ReloadAll() override { ++reloads; }
        void ReloadChannel(int, int, bool) override { ++reloads; }
        void ReloadBand(int, int, int) override { ++reloads; }
    } seam;
    FilterSeam* const installed = GetFilterSeam();
    SetFilterSeam(&seam);
    Request(130, 0);
    EXPECT_EQ(Feed(Program(0, Marked(40))), 1);
    const Bytes program = Program(3, Marked(41));
    Request(133, 3);
    EXPECT_EQ(Feed(MakeFrame(133, Bytes(program.begin() + 5, program.end() - 1))), 1); // slot, program
    EXPECT_EQ(seam.reloads, 0);
    EXPECT_EQ(m.shadow.mic1.level, 41);
    EXPECT_EQ(hooks.posts.size(), 2u);
    ReloadFilters();
    EXPECT_EQ(seam.reloads, 1);
    SetFilterSeam(installed);
}

TEST_F(ParserTest, LiveProgramAndRecallReplaceWorkingAndShadow) {
    Request(130, 0);
    EXPECT_EQ(Feed(Program(0, Marked(30))), 1);
    EXPECT_EQ(m.image.mic1.level, 30);
    EXPECT_EQ(m.shadow.mic1.level, 30);
    EXPECT_EQ(hooks.posts, (std::vector<RecordingHooks::Post>{{MSG_PROGRAM_RECEIVED, 0}}));

    hooks.Clear();
    hooks.window = false; // 1141 only with a window
    Bytes body = {4};
    const ProgramImage recalled = Marked(31);
    body.insert(body.end(), reinterpret_cast<const u8*>(&recalled),
                reinterpret_cast<const u8*>(&recalled) + 2712);
    Request(133, 4);
    EXPECT_EQ(Feed(MakeFrame(133, body)), 1);
    EXPECT_EQ(m.image.mic1.level, 31);
    EXPECT_EQ(m.shadow.mic1.level, 31);
    EXPECT_TRUE(hooks.posts.empty());
}

TEST_F(ParserTest, RepliesTooShortForTheirBodyAreRefused) {
    const ProgramImage live = m.image;
    const std::pair<int, Bytes> cases[] = {
        {130, {0, 1, 2}}, {133, {1}}, {129, {1, 2}}, {12, {1, 2, 3}}, {127, {1}}};
    for (const auto& [type, body] : cases) {
        Request(type == 130 ? 129 : 3, 0); // not an acknowledgement of the request
        EXPECT_EQ(Feed(MakeFrame(type, body)), 0) << type;
        EXPECT_EQ(m.frames.netRx.error, 1) << type;
    }
    EXPECT_EQ(std::memcmp(&live, &m.image, sizeof live), 0);
    EXPECT_EQ(m.settings.slotSystemCapability, 0);
}

TEST_F(ParserTest, OversizedCountIsDroppedAndTheNextFrameUnderstood) {
    Request(3, 0);
    Bytes piece = {0xFF, 0x55, 0x6B, 0x10, 0x03}; // count 4203
    piece.insert(piece.end(), 5000, 0x55);        // would overflow the record
    EXPECT_EQ(Feed(piece), 0);
    EXPECT_LT(m.frames.netRx.receivePos, kFrameBytes);
    ResetRecords(TRANSPORT_NET, false); // what a transport does after a failed exchange
    Request(3, 0);
    piece = {0xFF, 0x55, 0xFF, 0xFF, 0x01, 0x02};
    const Bytes ack = MakeFrame(3, {0});
    piece.insert(piece.end(), ack.begin(), ack.end());
    EXPECT_EQ(Feed(piece), 1);
}

TEST_F(ParserTest, EndlessHeaderBytesStayInsideTheRecord) {
    Request(3, 0);
    const Bytes run(20000, 0xFF);
    EXPECT_EQ(Feed(run), 0);
    EXPECT_LE(m.frames.netRx.receivePos, kFrameBytes);
    const Bytes late(3, 0x55); // frame started past the count field
    EXPECT_EQ(Feed(late), 0);
    EXPECT_LE(m.frames.netRx.receivePos, kFrameBytes);
}

TEST_F(ParserTest, TransferMarkerProgressAndLog) {
    ASSERT_TRUE(TheProgressLog().Open("ss.txt"));
    TheProgressLog().WriteHeader();
    p.QueueCommand(129, 0);
    p.QueueCommand(132, 0);
    p.Queue().Number();
    EXPECT_EQ(m.connection.transferInProgress, 1);

    ASSERT_EQ(p.Queue().PopInto(m.frames.netTx), 1);
    SystemBlock s{};
    ResetSystemBlock(s);
    EXPECT_EQ(Feed(System(s)), 1);
    EXPECT_EQ(m.connection.transferInProgress, 1);
    ASSERT_EQ(p.Queue().PopInto(m.frames.netTx), 1);
    EXPECT_EQ(Feed(MakeFrame(132, {0})), 1);
    EXPECT_EQ(m.connection.transferInProgress, 0);
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"BeginProgress 2", "ReloadPasswordEntry",
                                                     "StepProgress 1", "StepProgress 2"}));

    // A poll has no sequence number and logs nothing.
    DetectChange(TheModel());
    m.frames.netTx = m.frames.serialTx;
    EXPECT_EQ(Feed(MakeFrame(m.frames.netTx.Type(), Bytes(12, 200))), 1);

    std::ifstream in("ss.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "11最小0,最大2,当前Pos为1\n最小0,最大2,当前Pos为2\n");
}

} // namespace
} // namespace kel
