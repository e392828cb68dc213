// The EQ graph: what it draws (curve, emphasis, overlay, marker numbers) and what the pointer does with it.
#include "MessageRecorder.h"
#include "UiTestMain.h"

#include "controls/CFStatic.h"
#include "dsp/FilterBank.h"
#include "model/DataConver.h"
#include "model/Model.h"
#include "model/Sections.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QImage>
#include <QMouseEvent>

#include <memory>

using namespace kel;
using kel::uitest::MessageRecorder;
using kel::uitest::Recorded;

namespace {

const QRgb kFill = qRgb(68, 86, 98);
const QRgb kOverlayFill = qRgb(155, 155, 155);

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void Move(QWidget* w, QPoint at, Qt::MouseButtons held = Qt::NoButton) {
    Mouse(w, QEvent::MouseMove, at, Qt::NoButton, held);
}

// Finds the marker under the pointer, presses there, moves in a few steps and releases.
void Drag(QWidget* w, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
    Move(w, from);
    Mouse(w, QEvent::MouseButtonPress, from, button, button);
    for (int i = 1; i <= 4; ++i) {
        Move(w, from + (to - from) * i / 4, button);
    }
    Mouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

QPoint Centre(const CFilter& f) {
    const Point c = f.MarkerRect().Center();
    return {c.x, c.y};
}

bool IsSumCurve(QRgb c) {
    return qRed(c) > 150 && qGreen(c) < 130 && qBlue(c) < 140;
}

int CountColour(const QImage& img, const Rect& area, QRgb colour) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            n += (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return n;
}

// Rows where the summed curve crosses one column.
std::vector<int> CurveRows(const QImage& img, int x, const Rect& plot) {
    std::vector<int> rows;
    for (int y = plot.top + 1; y < plot.bottom - 1; ++y) {
        if (IsSumCurve(img.pixel(x, y))) {
            rows.push_back(y);
        }
    }
    return rows;
}

// Every band at 0 dB (type P), crossovers "ByPass", no EQ bypass.
void FlatMusic() {
    ResetModel();
    for (int c : {EQ_MUSIC_L, EQ_MUSIC_R}) {
        ResetEq(c);
        Collection(c, 0).GetHighPass()->SetSlope(0);
        Collection(c, 0).GetLowPass()->SetSlope(0);
    }
}

} // namespace

class GraphTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<MessageRecorder> m_owner;
    CCFStatic* m_graph = nullptr;

    // A graph of the given size on the recorder, showing a layout and channel.
    CCFStatic& MakeGraph(int layout, int channel, QSize size = QSize(1000, 300)) {
        m_owner = std::make_unique<MessageRecorder>();
        m_owner->resize(size + QSize(20, 20));
        m_graph = new CCFStatic(m_owner.get());
        m_graph->setGeometry(QRect(QPoint(10, 10), size));
        m_graph->InitGraph();
        m_graph->SetOwner(m_owner.get());
        m_graph->SetLayout(layout);
        m_graph->SetChannel(channel);
        m_owner->show();
        m_owner->Take();
        return *m_graph;
    }
    std::vector<Recorded> Edited() {
        std::vector<Recorded> out;
        for (const Recorded& r : m_owner->Take()) {
            if (r.message == MSG_GRAPH_BAND_EDITED) {
                out.push_back(r);
            }
        }
        return out;
    }

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void init() { FlatMusic(); }
    void cleanup() { m_owner.reset(); }

    void flatChannelDrawsTheSumOnTheZeroDbLineAndNoArea();
    void emphasisFillsABoostAboveAndACutBelowTheZeroLine();
    void bypassOverlay_data();
    void bypassOverlay();
    void markerNumberAlignment();
    void leftDragStopsAtTheGainLimits_data();
    void leftDragStopsAtTheGainLimits();
    void clickOnEmptySpaceReportsTheLastBand();
    void autoOutputModeShowsCurvesButCannotBeDragged();
    void rightDragChangesQOfBandsOnly();
    void highPassDraggedPastTheLeftEdgeGoesFlat();
    void channelSwitchDuringADragEndsIt();
    void dragEndsWhenItsButtonIsGone_data();
    void dragEndsWhenItsButtonIsGone();
    void contextMenuStaysWithTheGraph();
};

void GraphTest::flatChannelDrawsTheSumOnTheZeroDbLineAndNoArea() {
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    const Rect& plot = g.Plot();
    const int zeroRow = plot.top + static_cast<int>(plot.Height() / 12.0 * 4); // the fourth grid row
    QCOMPARE(zeroRow, static_cast<int>(GainToY(0, plot.Height())) + kPlotTop);
    const QImage img = g.Picture().toImage();
    for (int x = g.GridX(1) + 3; x < plot.right - 3; x += 37) {
        const std::vector<int> rows = CurveRows(img, x, plot);
        QVERIFY2(!rows.empty(), qPrintable(QStringLiteral("no curve at x %1").arg(x)));
        for (int y : rows) {
            QVERIFY2(std::abs(y - zeroRow) <= 1, qPrintable(QStringLiteral("x %1 y %2").arg(x).arg(y)));
        }
    }
    QCOMPARE(CountColour(img, plot, kFill), 0);
    // The grid line at 1 kHz and the plot border are there.
    QCOMPARE(img.pixel(g.GridX(18), plot.top + 5) & 0xFFFFFF, qRgb(21, 100, 21) & 0xFFFFFF);
    QCOMPARE(img.pixel(plot.left, plot.top + 5) & 0xFFFFFF, qRgb(0, 180, 0) & 0xFFFFFF);
}

void GraphTest::emphasisFillsABoostAboveAndACutBelowTheZeroLine() {
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    const Rect& plot = g.Plot();
    const int zeroRow = static_cast<int>(GainToY(0, plot.Height())) + kPlotTop;
    CFilter& band = Collection(EQ_MUSIC_L, 0).At(7);
    // Beside the marker box (which is filled too): a strip of columns left of it, above and below 0 dB.
    const int left = band.MarkerRect().left - 30, right = band.MarkerRect().left - 1;
    const Rect above{left, plot.top + 1, right, zeroRow - 1};
    const Rect below{left, zeroRow + 2, right, plot.bottom - 1};

    band.SetGainIndex(150); // +6 dB
    g.Redraw(7);
    QCOMPARE(g.Emphasised(), &band);
    QImage img = g.Picture().toImage();
    QVERIFY(CountColour(img, above, kFill) > 50);
    QCOMPARE(CountColour(img, below, kFill), 0);
    QCOMPARE(img.pixel(band.MarkerRect().left, band.MarkerRect().top) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);

    band.SetGainIndex(90); // -6 dB
    img = g.Picture().toImage();
    QCOMPARE(CountColour(img, above, kFill), 0);
    QVERIFY(CountColour(img, below, kFill) > 50);

    g.Redraw(-1); // nothing selected: no emphasis
    QCOMPARE(g.Emphasised(), nullptr);
    QCOMPARE(CountColour(g.Picture().toImage(), plot, kFill), 0);
}

void GraphTest::bypassOverlay_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("outputMode");
    QTest::addColumn<bool>("bypassed");
    QTest::addColumn<bool>("overlay");
    QTest::newRow("music bypassed") << int(EQ_LAYOUT_MUSIC) << int(EQ_MUSIC_L) << 1 << true << true;
    QTest::newRow("music on") << int(EQ_LAYOUT_MUSIC) << int(EQ_MUSIC_L) << 1 << false << false;
    QTest::newRow("dynamic EQ never") << int(EQ_LAYOUT_DEQ) << int(EQ_DEQ_L) << 1 << true << false;
    QTest::newRow("output, Sing") << int(EQ_LAYOUT_OUTPUT_FIRST) << int(EQ_OUTPUT_FIRST) << 1 << true << true;
    QTest::newRow("output, Auto") << int(EQ_LAYOUT_OUTPUT_FIRST) << int(EQ_OUTPUT_FIRST) << 0 << true
                                  << false;
}

void GraphTest::bypassOverlay() {
    QFETCH(int, layout);
    QFETCH(int, channel);
    QFETCH(int, outputMode);
    QFETCH(bool, bypassed);
    QFETCH(bool, overlay);
    ProgramImage& img = TheModel().image;
    img.outputMode = static_cast<u8>(outputMode);
    img.musicL.bypass = bypassed ? 1 : 0; // the dynamic EQ sits in the same record
    for (OutputBlock& b : img.out) {
        b.ch[0].bypass = bypassed ? 1 : 0;
    }
    CCFStatic& g = MakeGraph(layout, channel);
    const int grey = CountColour(g.Picture().toImage(), g.Plot(), kOverlayFill);
    QCOMPARE(grey > 500, overlay);
}

void GraphTest::markerNumberAlignment() {
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    CFilter& band = Collection(EQ_MUSIC_L, 0).At(0);
    band.SetFrequencyIndex(20); // 28.9 Hz
    QCOMPARE(g.MarkerAlignment(band), Qt::AlignRight);
    band.SetFrequencyIndex(21);
    QCOMPARE(g.MarkerAlignment(band), Qt::AlignHCenter);
    QCOMPARE(g.MarkerAlignment(*Collection(EQ_MUSIC_L, 0).GetHighPass()), Qt::AlignRight); // index 0

    // On a narrow plot the marker of the top band is pushed against the right edge.
    CCFStatic& narrow = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L, QSize(150 + 45, 120));
    band.SetFrequencyIndex(kFreqIndexMax);
    QCOMPARE(band.MarkerRect().right, narrow.Plot().right);
    QCOMPARE(narrow.MarkerAlignment(band), Qt::AlignLeft);
}

void GraphTest::leftDragStopsAtTheGainLimits_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("dy");
    QTest::addColumn<int>("gainIndex");
    QTest::newRow("music up") << int(EQ_LAYOUT_MUSIC) << int(EQ_MUSIC_L) << 7 << -600 << 180;
    QTest::newRow("music down") << int(EQ_LAYOUT_MUSIC) << int(EQ_MUSIC_L) << 7 << 600 << 0;
    QTest::newRow("dynamic EQ down") << int(EQ_LAYOUT_DEQ) << int(EQ_DEQ_L) << 1 << 600 << 60;
    QTest::newRow("dynamic EQ up") << int(EQ_LAYOUT_DEQ) << int(EQ_DEQ_L) << 1 << -600 << 180;
}

void GraphTest::leftDragStopsAtTheGainLimits() {
    QFETCH(int, layout);
    QFETCH(int, channel);
    QFETCH(int, band);
    QFETCH(int, dy);
    QFETCH(int, gainIndex);
    CCFStatic& g = MakeGraph(layout, channel);
    CFilter& f = g.Collection()->At(band);
    const int freq = f.FrequencyIndex();
    Drag(&g, Centre(f), Centre(f) + QPoint(0, dy));
    QCOMPARE(f.GainIndex(), gainIndex);
    QCOMPARE(int(f.BandRecord()->gain), gainIndex);
    QVERIFY(std::abs(f.FrequencyIndex() - freq) <= 1); // a vertical drag keeps the frequency
    const std::vector<Recorded> posted = Edited();
    QVERIFY(!posted.empty());
    for (const Recorded& r : posted) {
        QCOMPARE(int(r.wParam), channel);
        QCOMPARE(int(r.lParam), band);
    }
    QVERIFY(!f.LeftDragging());
}

void GraphTest::clickOnEmptySpaceReportsTheLastBand() {
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    const QPoint empty(g.Plot().right - 40, g.Plot().bottom - 20);
    // Before any band was picked a click reports nothing.
    Mouse(&g, QEvent::MouseButtonPress, empty, Qt::LeftButton, Qt::LeftButton);
    Mouse(&g, QEvent::MouseButtonRelease, empty, Qt::LeftButton, Qt::NoButton);
    QVERIFY(Edited().empty());

    Move(&g, Centre(Collection(EQ_MUSIC_L, 0).At(9))); // picks band 9
    QCOMPARE(g.BandIndex(), 9);
    Move(&g, empty);
    QVERIFY(!g.Hover());
    const u8 before = TheModel().image.musicL.eq[9].gain;
    Mouse(&g, QEvent::MouseButtonPress, empty, Qt::LeftButton, Qt::LeftButton);
    Move(&g, empty + QPoint(-30, -30), Qt::LeftButton);
    Mouse(&g, QEvent::MouseButtonRelease, empty, Qt::LeftButton, Qt::NoButton);
    const std::vector<Recorded> posted = Edited();
    QCOMPARE(posted.size(), std::size_t(1));
    QCOMPARE(int(posted[0].wParam), int(EQ_MUSIC_L));
    QCOMPARE(int(posted[0].lParam), 9);
    QCOMPARE(TheModel().image.musicL.eq[9].gain, before); // a drag never starts off a marker
}

void GraphTest::autoOutputModeShowsCurvesButCannotBeDragged() {
    ProgramImage& img = TheModel().image;
    img.outputMode = 0; // Auto: the Sing block is shown
    ActiveCollection(EQ_OUTPUT_FIRST).At(3).SetType(BAND_P);
    ActiveCollection(EQ_OUTPUT_FIRST).At(3).SetGainIndex(150);
    CCFStatic& g = MakeGraph(EQ_LAYOUT_OUTPUT_FIRST, EQ_OUTPUT_FIRST);
    QCOMPARE(g.Collection(), &Collection(EQ_OUTPUT_FIRST, 0));
    QVERIFY(!g.Editable());
    CFilter& f = g.Collection()->At(3);
    Drag(&g, Centre(f), Centre(f) + QPoint(0, 80));
    QVERIFY(!g.Hover());
    QCOMPARE(f.GainIndex(), 150);
    QVERIFY(Edited().empty());
    // The curve is drawn all the same: above the 0 dB row around the boosted band.
    const QImage picture = g.Picture().toImage();
    const int zeroRow = static_cast<int>(GainToY(0, g.Plot().Height())) + kPlotTop;
    const std::vector<int> rows = CurveRows(picture, Centre(f).x(), g.Plot());
    QVERIFY(!rows.empty());
    QVERIFY(rows.front() < zeroRow - 10);

    img.outputMode = 1; // Sing: the same channel can be dragged
    g.SetChannel(EQ_OUTPUT_FIRST);
    Drag(&g, Centre(f), Centre(f) + QPoint(0, 80));
    QVERIFY(f.GainIndex() < 150);
    QVERIFY(!Edited().empty());
}

void GraphTest::rightDragChangesQOfBandsOnly() {
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    CFilter& band = Collection(EQ_MUSIC_L, 0).At(7);
    const int q = band.QIndex();
    const QPoint c = Centre(band);
    Drag(&g, c, c + QPoint(5, 0), Qt::RightButton);
    QCOMPARE(band.QIndex(), q);
    Drag(&g, c, c + QPoint(25, 0), Qt::RightButton);
    QCOMPARE(band.QIndex(), q + 2);
    QCOMPARE(int(band.BandRecord()->q), q + 2);
    QCOMPARE(Centre(band), c); // the marker stays put
    Edited();

    // The high-pass marker (between the markers of bands 4 and 5): the right button does nothing.
    CFilter& hp = *Collection(EQ_MUSIC_L, 0).GetHighPass();
    hp.SetCrossoverFrequencyIndex(FreqToIndex(100));
    g.Redraw(-1);
    const int freq = hp.FrequencyIndex();
    Drag(&g, Centre(hp), Centre(hp) + QPoint(120, 0), Qt::RightButton);
    QCOMPARE(hp.FrequencyIndex(), freq);
    QVERIFY(Edited().empty());
}

void GraphTest::highPassDraggedPastTheLeftEdgeGoesFlat() {
    CKTVEQ& c = Collection(EQ_MUSIC_L, 0);
    CFilter& hp = *c.GetHighPass();
    hp.SetCrossoverFrequencyIndex(FreqToIndex(400)); // between the markers of bands 7 and 8
    hp.SetSlope(9);                                  // 24dBLink-Riley
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    // Dragging sideways and up moves it along the frequency axis only.
    const QPoint start = Centre(hp);
    Drag(&g, start, start + QPoint(60, -40));
    QVERIFY(hp.FrequencyIndex() > FreqToIndex(400));
    QCOMPARE(Centre(hp).y(), start.y());
    std::vector<Recorded> posted = Edited();
    QVERIFY(!posted.empty());
    QCOMPARE(int(posted.back().lParam), c.HighPassIndex());

    // Grabbed again where the last drag left it, and pulled past the left edge of the plot.
    Drag(&g, Centre(hp), QPoint(-100, Centre(hp).y()));
    QCOMPARE(hp.FrequencyIndex(), 0);
    QCOMPARE(int(TheModel().image.musicL.hpf.freq.get()), 0);
    for (double db : hp.ResponseDbValues()) {
        QCOMPARE(db, 0.0);
    }
}

void GraphTest::channelSwitchDuringADragEndsIt() {
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    CFilter& band = Collection(EQ_MUSIC_L, 0).At(7);
    const QPoint c = Centre(band);
    Move(&g, c);
    Mouse(&g, QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton);
    g.SetChannel(EQ_MUSIC_L); // a program arrived and the page refreshed while the button was held
    QVERIFY(!band.LeftDragging());
    Mouse(&g, QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton);
    const int gain = band.GainIndex();
    Move(&g, c);                 // found again under the pointer
    Move(&g, c + QPoint(0, -3)); // inside the marker, no button: nothing moves
    Move(&g, c + QPoint(0, -100));
    QCOMPARE(band.GainIndex(), gain);
}

// However the release gets lost (a popup, another window, the pointer leaving without a button), the Q drag
// ends, and later moves without the button leave the band alone.
void GraphTest::dragEndsWhenItsButtonIsGone_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<bool>("ends");
    QTest::newRow("a move without the button") << 0 << true;
    QTest::newRow("focus to another window") << 1 << true;
    QTest::newRow("a popup opens") << 2 << true;
    QTest::newRow("leave with no button held") << 3 << true;
    QTest::newRow("graph hidden") << 4 << true;
    // The page puts the focus on a band strip's edit after each reported edit: the drag goes on.
    QTest::newRow("focus moved within the window, button held") << 5 << false;
}

void GraphTest::dragEndsWhenItsButtonIsGone() {
    QFETCH(int, way);
    QFETCH(bool, ends);
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    CFilter& band = Collection(EQ_MUSIC_L, 0).At(7);
    const QPoint c = Centre(band);
    Move(&g, c);
    Mouse(&g, QEvent::MouseButtonPress, c, Qt::RightButton, Qt::RightButton);
    Move(&g, c + QPoint(25, 0), Qt::RightButton);
    QVERIFY(band.RightDragging());
    const int q = band.QIndex();
    const Qt::MouseButtons held = ends ? Qt::NoButton : Qt::RightButton;
    switch (way) {
    case 1:
    case 2: {
        QFocusEvent out(QEvent::FocusOut, way == 1 ? Qt::ActiveWindowFocusReason : Qt::PopupFocusReason);
        QCoreApplication::sendEvent(&g, &out);
        break;
    }
    case 3: {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&g, &leave);
        break;
    }
    case 4:
        g.hide();
        g.show();
        break;
    case 5: {
        // The right button down as the window system reports it (a press through the window).
        QTest::mousePress(g.window()->windowHandle(), Qt::RightButton, {}, g.mapTo(g.window(), c));
        QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(&g, &out);
        break;
    }
    default:
        break; // the next move itself carries no button
    }
    for (int dx = 40; dx <= 160; dx += 40) {
        Move(&g, c + QPoint(dx, 0), held);
    }
    QCOMPARE(band.RightDragging(), !ends);
    if (ends) {
        QCOMPARE(band.QIndex(), q);
    } else {
        QVERIFY(band.QIndex() > q);
        QTest::mouseRelease(g.window()->windowHandle(), Qt::RightButton, {}, g.mapTo(g.window(), c));
        QVERIFY(!band.RightDragging());
    }
}

void GraphTest::contextMenuStaysWithTheGraph() {
    CCFStatic& g = MakeGraph(EQ_LAYOUT_MUSIC, EQ_MUSIC_L);
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(50, 50), g.mapToGlobal(QPoint(50, 50)));
    e.ignore();
    QCoreApplication::sendEvent(&g, &e);
    QVERIFY(e.isAccepted()); // so it never reaches the window and its menu
}

KEL_QTEST_MAIN(GraphTest)
#include "GraphTest.moc"
