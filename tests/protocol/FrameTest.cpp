// The frame format: byte-exact examples, checksums and record resets.
#include "model/Sections.h"
#include "protocol/FrameBytes.h"
#include "protocol/Protocol.h"

#include "support/ProcessState.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kel {
namespace {

using test::Bytes;
using test::FrameOf;
using test::Hex;

class FrameTest : public ::testing::Test {
  protected:
    test::ProcessState state{{.shadowInStep = true}};
    Model& m = TheModel();
};

TEST_F(FrameTest, ShortFramesMatchTheExamples) {
    m.image.echoA.repeat = 0x32; // type 2, index 0
    DetectChange(TheModel());
    EXPECT_EQ(Hex(FrameOf(m.frames.Build())), Hex({0xFF, 0x55, 0x04, 0x00, 0x02, 0x00, 0x32, 0x38}));

    // The sum 0x11E wraps to 0x1E.
    const std::uint8_t band[5] = {0x90, 0x00, 0x78, 0x0A, 0x01};
    std::memcpy(&m.image.musicL.eq[0], band, sizeof band);
    DetectChange(TheModel());
    EXPECT_EQ(Hex(FrameOf(m.frames.Build())),
              Hex({0xFF, 0x55, 0x08, 0x00, 0x03, 0x00, 0x90, 0x00, 0x78, 0x0A, 0x01, 0x1E}));
    EXPECT_EQ(m.frames.Build().checksumCopy, 0x1E);
}

TEST_F(FrameTest, BulkFramesMatchTheExamples) {
    CProtocol& p = TheProtocol();
    ASSERT_TRUE(p.QueueCommand(127, 0));
    EXPECT_EQ(Hex(FrameOf(p.Queue().At(0).Record())), Hex({0xFF, 0x55, 0x03, 0x00, 0x7F, 0x00, 0x82}));

    ASSERT_TRUE(p.QueueCommand(132, 0));
    const FrameRecord& program = p.Queue().At(1).Record();
    EXPECT_EQ(program.Length(), 2719);
    EXPECT_EQ(program.frame[2], 0x9B);
    EXPECT_EQ(program.frame[3], 0x0A);
    EXPECT_EQ(std::memcmp(program.frame + 6, &m.image, sizeof m.image), 0);
    EXPECT_TRUE(VerifyChecksum(program));
    EXPECT_EQ(program.frame[2718], program.checksumCopy);
}

TEST_F(FrameTest, VerifyChecksumRejectsAnyChangedByte) {
    FrameRecord r;
    InitFrameRecord(r);
    const Bytes f = test::MakeFrame(3, {7, 1, 2, 3, 4, 5});
    std::memcpy(r.frame, f.data(), f.size());
    r.checksumCopy = f.back();
    EXPECT_TRUE(VerifyChecksum(r));
    for (int i : {2, 4, 5, 10}) {
        FrameRecord bad = r;
        bad.frame[i] ^= 0x10;
        EXPECT_FALSE(VerifyChecksum(bad)) << "byte " << i;
    }
    r.SetCount(5000); // larger than a record holds
    EXPECT_FALSE(VerifyChecksum(r));
}

TEST_F(FrameTest, ResetRecordsClearsWhatEachFormSays) {
    for (int t : {TRANSPORT_SERIAL, TRANSPORT_USB, TRANSPORT_NET}) {
        for (bool both : {false, true}) {
            FrameRecord& rx = m.frames.Rx(t);
            FrameRecord& tx = m.frames.Tx(t);
            std::memset(&rx, 0xAB, sizeof rx);
            std::memset(&tx, 0xAB, sizeof tx);
            ResetRecords(t, both);
            const auto* rxb = reinterpret_cast<const std::uint8_t*>(&rx);
            EXPECT_TRUE(std::all_of(rxb, rxb + sizeof rx, [](std::uint8_t b) { return b == 0; }));
            const auto* txb = reinterpret_cast<const std::uint8_t*>(&tx);
            EXPECT_EQ(txb[0], 0xAB); // header and count stay
            EXPECT_EQ(txb[3], 0xAB);
            if (both) {
                EXPECT_TRUE(std::all_of(txb + 4, txb + sizeof tx, [](std::uint8_t b) { return b == 0; }));
            } else {
                const bool net = t == TRANSPORT_NET;
                const auto sendPos = tx.sendPos; // a packed field: read by value, never bound to a reference
                EXPECT_EQ(sendPos, net ? 0 : 0xABAB) << t;
                EXPECT_EQ(tx.netLastChunk, net ? 0 : 0xAB) << t;
                EXPECT_EQ(tx.frame[4], 0xAB);
                EXPECT_EQ(tx.sequence, 0xAB);
            }
        }
    }
}

} // namespace
} // namespace kel
