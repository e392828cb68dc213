// The band strip and the music page: bindings, edit paths, refresh, strip row, links, mode and language.
#include "MessageRecorder.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/FontStatic.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/EQDlg.h"
#include "pages/MusicDlg.h"
#include "pages/StripRow.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QSlider>

#include <cstring>
#include <memory>

using namespace kel;
using kel::uitest::MessageRecorder;
using kel::uitest::Recorded;
using M = CMusicDlg;

namespace {

// The byte offset of a field as the tests name it: in Music Left, Music Right or the system block.
enum class Where { Left, Right, System };

u8* Bytes(Where w) {
    Model& m = TheModel();
    switch (w) {
    case Where::Left:
        return reinterpret_cast<u8*>(&m.image.musicL);
    case Where::Right:
        return reinterpret_cast<u8*>(&m.image.musicR);
    default:
        return reinterpret_cast<u8*>(&m.system);
    }
}

int Word(Where w, int offset) {
    return Bytes(w)[offset] | (Bytes(w)[offset + 1] << 8);
}

void FocusOut(QWidget* w) {
    QFocusEvent e(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(w, &e);
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

QPoint Centre(const CFilter& f) {
    const Point c = f.MarkerRect().Center();
    return {c.x, c.y};
}

} // namespace

Q_DECLARE_METATYPE(Where)

class MusicPageTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CMusicDlg> m_page;

    CMusicDlg& Page() { return *m_page; }
    void Deliver() { QCoreApplication::sendPostedEvents(); }
    void Message(int message, std::intptr_t w, std::intptr_t l) {
        QCoreApplication::postEvent(m_page.get(), new CMessageEvent(message, w, l));
        Deliver();
    }
    CEQDlg& Strip(int i) { return Page().Strips()->Strip(i); }
    QSlider& Scroller() { return *Page().Strips()->Scroller(); }
    void Click(int id) { Page().Button(id)->click(); }
    // Strips showing bands first..first+9 with their titles.
    void VerifyRow(int first) {
        QCOMPARE(Scroller().value(), first);
        QCOMPARE(TheModel().settings.view.musicFirstBand, first);
        QCOMPARE(TheModel().settings.view.musicLastBand, first + 9);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(Strip(i).Index(), first + i);
            QCOMPARE(Strip(i).Title().Text(), QString::number(first + i + 1));
        }
    }
    // The strip whose title is red: -1 for none, -2 when there are two.
    int RedStrip() {
        int red = -1;
        for (int i = 0; i < 10; ++i) {
            if (Strip(i).Title().TextColour() == QColor(255, 0, 0)) {
                red = red == -1 ? i : -2;
            }
        }
        return red;
    }

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void init() {
        ResetModel();
        TheModel().settings.operatingMode = 1;
        m_page = std::make_unique<CMusicDlg>(nullptr, nullptr);
        m_page->resize(DialogUnits::Get().Size(715, 359));
        m_page->show();
        m_page->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
        m_page->ApplyLanguage();
        m_page->Refresh();
        Deliver();
    }
    void cleanup() { m_page.reset(); }

    // The band strip on its own.
    void stripWithoutChannelIgnoresSetIndex();
    void stripSliderEndsGiveTheGainLimits();
    void stripFrequencyTypedIsStoredAndEmphasised();
    void stripTypeByFlattensTheCurveAndKeepsTheBand();
    void stripOfAnOutputChannelFollowsTheModeSelector();
    void stripRebindReleasesTheBandItShowedBefore();

    // The music page.
    void slidersStoreIntoTheirFields_data();
    void slidersStoreIntoTheirFields();
    void combosStoreTheirSelection_data();
    void combosStoreTheirSelection();
    void keyControlKeepsTheLowNibble();
    void enterInANumericEditCommitsAndKeepsThePage();
    void refreshShowsTheModelAndWritesNothing();
    void graphHighPassDragUpdatesEditAndSlider();
    void graphBandScrollsTheRow_data();
    void graphBandScrollsTheRow();
    void stripEditsHighlightAndScrollingClearsIt();
    void linkOnSelectsLeftAndUnlinkCopiesTheWholeRecord();
    void programArrivingLinkedShowsMusicLeft();
    void eqBypassAndEqReset();
    void easyModeGreysTheExpertControls();
    void languagesAndHarmonicLabels();
};

// ------------------------------------------------------------------------------------------------ strip

void MusicPageTest::stripWithoutChannelIgnoresSetIndex() {
    MessageRecorder parent;
    CEQDlg strip(&parent);
    strip.SetIndex(3);
    QCOMPARE(strip.Filter(), nullptr);
    QVERIFY(strip.Title().Text().isEmpty());
}

void MusicPageTest::stripSliderEndsGiveTheGainLimits() {
    MessageRecorder parent;
    auto* strip = new CEQDlg(&parent);
    strip->SetChannel(EQ_MUSIC_L, false);
    strip->SetIndex(2);
    QCOMPARE(strip->Title().Text(), QStringLiteral("3"));
    QTest::keyClick(&strip->GainSlider(), Qt::Key_Home); // the top: +12 dB
    Deliver();
    QCOMPARE(int(TheModel().image.musicL.eq[2].gain), 180);
    QCOMPARE(strip->GainEdit().text(), QStringLiteral("12.0"));
    QTest::keyClick(&strip->GainSlider(), Qt::Key_End); // the bottom: -24 dB
    Deliver();
    QCOMPARE(int(TheModel().image.musicL.eq[2].gain), 0);
    QCOMPARE(strip->GainEdit().text(), QStringLiteral("-24.0"));
    int reports = 0;
    for (const Recorded& r : parent.Take()) {
        if (r.message == MSG_STRIP_BAND_EDITED) {
            QCOMPARE(int(r.lParam), 2);
            ++reports;
        }
    }
    QCOMPARE(reports, 2);
}

void MusicPageTest::stripFrequencyTypedIsStoredAndEmphasised() {
    CEQDlg& strip = Strip(4);
    strip.FreqEdit().selectAll();
    QTest::keyClicks(&strip.FreqEdit(), QStringLiteral("1000"));
    FocusOut(&strip.FreqEdit());
    QCOMPARE(int(TheModel().image.musicL.eq[4].freq.get()), 204);
    QCOMPARE(strip.FreqEdit().text(), QStringLiteral("1000"));
    QCOMPARE(Page().Graph()->Highlight(), 4);
    QCOMPARE(RedStrip(), 4); // the page was told at once
}

void MusicPageTest::stripTypeByFlattensTheCurveAndKeepsTheBand() {
    CEQDlg& strip = Strip(6);
    CFilter& f = *strip.Filter();
    f.SetType(BAND_P);
    f.SetGainIndex(150);
    const EqBand before = TheModel().image.musicL.eq[6];
    Q_EMIT strip.TypeBox().activated(0); // "BY"
    const EqBand& after = TheModel().image.musicL.eq[6];
    QCOMPARE(int(after.type), int(BAND_BY));
    QCOMPARE(after.freq.get(), before.freq.get());
    QCOMPARE(after.gain, before.gain);
    QCOMPARE(after.q, before.q);
    for (double db : f.ResponseDbValues()) {
        QCOMPARE(db, 0.0);
    }
    QCOMPARE(Page().Graph()->Highlight(), 6);
}

void MusicPageTest::stripOfAnOutputChannelFollowsTheModeSelector() {
    MessageRecorder parent;
    CEQDlg strip(&parent);
    TheModel().modeSelector.Set(2); // Disco
    strip.SetChannel(EQ_OUTPUT_FIRST + 3, false);
    strip.SetIndex(1);
    QCOMPARE(strip.Filter(), &Collection(EQ_OUTPUT_FIRST + 3, 1).At(1));
    TheModel().image.outputMode = 0; // Auto keeps the block last chosen
    strip.SetChannel(EQ_OUTPUT_FIRST + 3, true);
    QCOMPARE(strip.Filter(), &Collection(EQ_OUTPUT_FIRST + 3, TheModel().modeSelector.Block()).At(1));
}

void MusicPageTest::stripRebindReleasesTheBandItShowedBefore() {
    // Strip 0 showed band 0 and now shows band 5: dragging band 0 must not move strip 0's slider.
    CFilter& band0 = Collection(EQ_MUSIC_L, 0).At(0);
    CFilter& band5 = Collection(EQ_MUSIC_L, 0).At(5);
    band5.SetGainIndex(100);
    Strip(0).SetIndex(5);
    QCOMPARE(Strip(0).GainSlider().GetPosInverted(), 100);
    band0.BeginDrag(band0.MarkerRect().Center());
    QVERIFY(band0.DragBand(band0.MarkerRect().Center() + Point{0, -40}));
    QVERIFY(band0.GainIndex() > 120);
    QCOMPARE(Strip(0).GainSlider().GetPosInverted(), 100);
    // Band 5 moves it.
    band5.BeginDrag(band5.MarkerRect().Center());
    band5.DragBand(band5.MarkerRect().Center() + Point{0, -40});
    QCOMPARE(Strip(0).GainSlider().GetPosInverted(), band5.GainIndex());
}

// ------------------------------------------------------------------------------------------------- page

void MusicPageTest::slidersStoreIntoTheirFields_data() {
    QTest::addColumn<int>("slider");
    QTest::addColumn<int>("value");
    QTest::addColumn<Where>("where");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("word");
    QTest::addColumn<QString>("shown");
    // With Music Right selected: the gate and the limiter are always Music Left's.
    QTest::newRow("gate threshold") << int(M::IDC_GATE_THRESHOLD_SLIDER) << 30 << Where::Left << 4 << false
                                    << "-48dBV";
    QTest::newRow("gate attack") << int(M::IDC_GATE_ATTACK_SLIDER) << 3 << Where::Left << 5 << false << "";
    QTest::newRow("limit level") << int(M::IDC_LIMIT_LEVEL_SLIDER) << 34 << Where::Left << 0 << false
                                 << "12dBV";
    QTest::newRow("ratio") << int(M::IDC_RATIO_SLIDER) << 40 << Where::Left << 3 << false << "";
    QTest::newRow("MainMusic HPF") << int(M::IDC_MAIN_HPF_SLIDER) << 300 << Where::Right << 118 << true << "";
    QTest::newRow("HPF") << int(M::IDC_HPF_SLIDER) << 82 << Where::Right << 8 << true << "95.0Hz";
    QTest::newRow("LPF") << int(M::IDC_LPF_SLIDER) << 204 << Where::Right << 12 << true << "1000Hz";
    QTest::newRow("low exciter") << int(M::IDC_LOW_FREQ_SLIDER) << 260 << Where::Right << 151 << true << "";
    QTest::newRow("high exciter") << int(M::IDC_HIGH_FREQ_SLIDER) << 340 << Where::Right << 155 << true << "";
}

void MusicPageTest::slidersStoreIntoTheirFields() {
    QFETCH(int, slider);
    QFETCH(int, value);
    QFETCH(Where, where);
    QFETCH(int, offset);
    QFETCH(bool, word);
    QFETCH(QString, shown);
    Click(M::IDC_MUSIC_RIGHT);
    QCOMPARE(Page().EditedChannel(), int(EQ_MUSIC_R));
    const Where other = where == Where::Left ? Where::Right : Where::Left;
    const int otherBefore = word ? Word(other, offset) : Bytes(other)[offset];

    Page().Slider(slider)->SetPos(value);
    Message(MSG_SLIDER_MOVING, slider, value); // stored while dragging
    QCOMPARE(word ? Word(where, offset) : int(Bytes(where)[offset]), value);
    QCOMPARE(word ? Word(other, offset) : int(Bytes(other)[offset]), otherBefore);
    Message(MSG_SLIDER_MOVED, slider, value); // and once more at the end: the same value
    QCOMPARE(word ? Word(where, offset) : int(Bytes(where)[offset]), value);

    // The partner shows the same index.
    const int partner = slider - M::IDC_KEY_SLIDER + M::IDC_KEY_VALUE;
    if (CEdit_Static* d = Page().Display(partner)) {
        QCOMPARE(d->Value(), value);
        if (!shown.isEmpty()) {
            QCOMPARE(d->Text(), shown);
        }
    } else {
        CNumEdit* e = Page().NumEdit(partner);
        QVERIFY(e != nullptr);
        QCOMPARE(e->GetPos(), value);
        if (!shown.isEmpty()) {
            QCOMPARE(e->text(), shown);
        }
        // Typed into the edit, the slider follows.
        e->selectAll();
        QTest::keyClicks(e, QStringLiteral("5000"));
        FocusOut(e);
        QCOMPARE(Page().Slider(slider)->GetPos(), FreqToIndex(5000));
        QCOMPARE(Word(where, offset), FreqToIndex(5000));
    }
}

void MusicPageTest::combosStoreTheirSelection_data() {
    QTest::addColumn<int>("combo");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("items");
    QTest::newRow("MainMusic HPF slope") << int(M::IDC_MAIN_HPF_SLOPE) << 120 << 13;
    QTest::newRow("HPF slope") << int(M::IDC_HPF_SLOPE) << 10 << 13;
    QTest::newRow("LPF slope") << int(M::IDC_LPF_SLOPE) << 14 << 13;
    QTest::newRow("low harmonic") << int(M::IDC_LOW_HARMONIC) << 153 << 10;
    QTest::newRow("low timbre") << int(M::IDC_LOW_TIMBRE) << 154 << 10;
    QTest::newRow("high harmonic") << int(M::IDC_HIGH_HARMONIC) << 157 << 10;
    QTest::newRow("high timbre") << int(M::IDC_HIGH_TIMBRE) << 158 << 10;
}

void MusicPageTest::combosStoreTheirSelection() {
    QFETCH(int, combo);
    QFETCH(int, offset);
    QFETCH(int, items);
    QComboBox& box = *Page().Combo(combo);
    QCOMPARE(box.count(), items);
    if (items == 13) {
        QCOMPARE(box.itemText(3), QStringLiteral("12dB Butuerworth"));
        QCOMPARE(box.itemText(12), QStringLiteral("36dBLink-Riley"));
    }
    const u8 right = Bytes(Where::Right)[offset];
    Q_EMIT box.activated(items - 1);
    QCOMPARE(int(Bytes(Where::Left)[offset]), items - 1);
    QCOMPARE(Bytes(Where::Right)[offset], right);
}

void MusicPageTest::keyControlKeepsTheLowNibble() {
    SystemBlock& s = TheModel().system;
    s.keySen = 0x0A;
    Page().Refresh();
    QCOMPARE(Page().Display(M::IDC_KEY_VALUE)->Text(), QStringLiteral("-7"));
    s.keySen = 0x3A;
    Page().Slider(M::IDC_KEY_SLIDER)->SetPos(9);
    Message(MSG_SLIDER_MOVED, M::IDC_KEY_SLIDER, 9);
    QCOMPARE(int(s.keySen), 0x9A);
    QCOMPARE(Page().Display(M::IDC_KEY_VALUE)->Text(), QStringLiteral("2"));
}

void MusicPageTest::enterInANumericEditCommitsAndKeepsThePage() {
    CNumEdit& edit = *Page().NumEdit(M::IDC_LPF_EDIT);
    edit.setFocus();
    QTRY_VERIFY(edit.hasFocus());
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("1000"));
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(int(TheModel().image.musicL.lpf.freq.get()), 204);
    QCOMPARE(Page().Slider(M::IDC_LPF_SLIDER)->GetPos(), 204);
    QCOMPARE(Page().Graph()->Highlight(), Collection(EQ_MUSIC_L, 0).LowPassIndex());
    QVERIFY(!edit.hasFocus());
    QVERIFY(Page().isVisible());
    QTest::keyClick(&Page(), Qt::Key_Escape);
    QVERIFY(Page().isVisible());
}

void MusicPageTest::refreshShowsTheModelAndWritesNothing() {
    Model& m = TheModel();
    m.image.musicR.bypass = 1;
    m.image.musicR.hpf.freq = 82;
    m.image.musicR.hpf.slope = 4;
    m.image.musicR.eq[3].gain = 150;
    m.image.musicR.highExciter.timbre = 7;
    m.image.musicL.gate.threshold = 60;
    m.settings.view.musicChannel = EQ_MUSIC_R;
    CommitShadow(false); // the filters follow the image
    Page().Strips()->SetChannel(EQ_MUSIC_R);
    const ProgramImage image = m.image;
    const SystemBlock system = m.system;

    Page().Refresh();
    Deliver();
    QCOMPARE(std::memcmp(&image, &m.image, sizeof image), 0);
    QCOMPARE(std::memcmp(&system, &m.system, sizeof system), 0);
    QVERIFY(Page().Button(M::IDC_EQ_BYPASS)->IsOn());
    QVERIFY(Page().Button(M::IDC_MUSIC_RIGHT)->IsOn());
    QVERIFY(!Page().Button(M::IDC_MUSIC_LEFT)->IsOn());
    QCOMPARE(Page().NumEdit(M::IDC_HPF_EDIT)->text(), QStringLiteral("95.0Hz"));
    QCOMPARE(Page().Slider(M::IDC_HPF_SLIDER)->GetPos(), 82);
    QCOMPARE(Page().Combo(M::IDC_HPF_SLOPE)->currentIndex(), 4);
    QCOMPARE(Page().Combo(M::IDC_HIGH_TIMBRE)->currentIndex(), 7);
    QCOMPARE(Page().Display(M::IDC_GATE_THRESHOLD_VALUE)->Text(), QStringLiteral("-18dBV"));
    QCOMPARE(Strip(3).GainEdit().text(), QStringLiteral("6.0"));
    QCOMPARE(Page().Graph()->Channel(), int(EQ_MUSIC_R));
    QCOMPARE(Page().HighPass(), Collection(EQ_MUSIC_R, 0).GetHighPass());

    // A frequency index beyond the table (a damaged file): edit and slider agree on the top, nothing written.
    m.image.musicR.highExciter.freq = 0xFFFF;
    Page().Refresh();
    QCOMPARE(Page().Slider(M::IDC_HIGH_FREQ_SLIDER)->GetPos(), kFreqIndexMax);
    QCOMPARE(Page().NumEdit(M::IDC_HIGH_FREQ_EDIT)->text(), QStringLiteral("20600Hz"));
    QCOMPARE(int(m.image.musicR.highExciter.freq.get()), 0xFFFF);
}

void MusicPageTest::graphHighPassDragUpdatesEditAndSlider() {
    CCFStatic& g = *Page().Graph();
    CFilter& hp = *Collection(EQ_MUSIC_L, 0).GetHighPass();
    hp.SetCrossoverFrequencyIndex(FreqToIndex(100)); // clear of the band markers
    g.Redraw(-1);
    const QPoint from = Centre(hp);
    Mouse(&g, QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
    Mouse(&g, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Mouse(&g, QEvent::MouseMove, from + QPoint(80, 0), Qt::NoButton, Qt::LeftButton);
    Mouse(&g, QEvent::MouseButtonRelease, from + QPoint(80, 0), Qt::LeftButton, Qt::NoButton);
    Deliver();
    const int index = TheModel().image.musicL.hpf.freq.get();
    QVERIFY(index > FreqToIndex(100));
    QCOMPARE(Page().Slider(M::IDC_HPF_SLIDER)->GetPos(), index);
    QCOMPARE(Page().NumEdit(M::IDC_HPF_EDIT)->GetPos(), index);

    // An index above the low-pass (16) is not one of the page's: nothing moves.
    TheModel().image.musicL.hpf.freq = 20;
    Message(MSG_GRAPH_BAND_EDITED, EQ_MUSIC_L, 17);
    QCOMPARE(Page().Slider(M::IDC_HPF_SLIDER)->GetPos(), index);
    QCOMPARE(RedStrip(), -1);
    VerifyRow(0);
}

void MusicPageTest::graphBandScrollsTheRow_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("newFirst");
    QTest::newRow("band 14 from 0..9") << 0 << 14 << 5;
    QTest::newRow("band 12 from 0..9") << 0 << 12 << 3;
    QTest::newRow("band 4 from 3..12") << 3 << 4 << 3;
    QTest::newRow("band 1 from 5..14") << 5 << 1 << 0;
}

void MusicPageTest::graphBandScrollsTheRow() {
    QFETCH(int, first);
    QFETCH(int, band);
    QFETCH(int, newFirst);
    Scroller().setSliderPosition(first);
    Scroller().triggerAction(QAbstractSlider::SliderMove);
    VerifyRow(first);
    TheModel().image.musicL.eq[band].gain = 33; // changed behind the strip's back: the report refreshes it
    Message(MSG_GRAPH_BAND_EDITED, EQ_MUSIC_L, band);
    VerifyRow(newFirst);
    QCOMPARE(RedStrip(), band - newFirst);
    QCOMPARE(Strip(band - newFirst).GainSlider().GetPosInverted(), 33);
    QCOMPARE(QApplication::focusWidget(), &Strip(band - newFirst).GainEdit());
}

void MusicPageTest::stripEditsHighlightAndScrollingClearsIt() {
    Strip(2).GainSlider().SetPosInverted(140);
    SendMessageTo(&Strip(2), MSG_SLIDER_MOVED, CEQDlg::IDC_GAIN_SLIDER, 140);
    Deliver();
    QCOMPARE(int(TheModel().image.musicL.eq[2].gain), 140);
    QCOMPARE(RedStrip(), 2);

    // Clicking the channel already selected changes nothing, the mark stays.
    Click(M::IDC_MUSIC_LEFT);
    QCOMPARE(RedStrip(), 2);

    // Every scroll message re-indexes, even one that leaves the position as it was.
    Scroller().triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(RedStrip(), -1);
    Scroller().triggerAction(QAbstractSlider::SliderSingleStepAdd);
    VerifyRow(1);
    Scroller().triggerAction(QAbstractSlider::SliderSingleStepSub);
    VerifyRow(0);
    // The strip that was marked, edited again, is marked again.
    SendMessageTo(&Strip(2), MSG_SLIDER_MOVED, CEQDlg::IDC_GAIN_SLIDER, 140);
    Deliver();
    QCOMPARE(RedStrip(), 2);
}

void MusicPageTest::linkOnSelectsLeftAndUnlinkCopiesTheWholeRecord() {
    Model& m = TheModel();
    Click(M::IDC_MUSIC_RIGHT);
    QCOMPARE(Strip(0).Channel(), int(EQ_MUSIC_R));
    Click(M::IDC_SYNC); // link on
    QCOMPARE(int(m.image.musicSync), 1);
    QCOMPARE(m.settings.view.musicChannel, int(EQ_MUSIC_L));
    QCOMPARE(Strip(0).Channel(), int(EQ_MUSIC_L));
    QVERIFY(!Page().Button(M::IDC_MUSIC_LEFT)->isEnabled());
    QVERIFY(!Page().Button(M::IDC_MUSIC_RIGHT)->isEnabled());
    QVERIFY(Page().Button(M::IDC_SYNC)->IsOn());
    m.shadow.musicSync = 1; // the change detector has sent the link

    // Edits while linked go to Music Left, dynamic EQ included.
    Strip(3).GainSlider().SetPosInverted(150);
    SendMessageTo(&Strip(3), MSG_SLIDER_MOVED, CEQDlg::IDC_GAIN_SLIDER, 150);
    m.image.musicL.deq[1].limitLevel = 17;
    m.image.musicL.lowExciter.harmonic = 6;
    Click(M::IDC_SYNC); // link off: Music Right becomes Music Left, in the image and the shadow
    QCOMPARE(int(m.image.musicSync), 0);
    QCOMPARE(std::memcmp(&m.image.musicR, &m.image.musicL, sizeof(MusicBlock)), 0);
    QCOMPARE(std::memcmp(&m.shadow.musicR, &m.image.musicL, sizeof(MusicBlock)), 0);
    QVERIFY(m.shadow.musicSync != m.image.musicSync);           // the link byte itself is still to be sent
    QCOMPARE(Collection(EQ_MUSIC_R, 0).At(3).GainIndex(), 150); // Music Right's filters follow
    QCOMPARE(Collection(EQ_MUSIC_R, 0).At(3).GainDb(), 6.0);
    QVERIFY(Page().Button(M::IDC_MUSIC_LEFT)->isEnabled() && Page().Button(M::IDC_MUSIC_LEFT)->IsOn());
    QVERIFY(Page().Button(M::IDC_MUSIC_RIGHT)->isEnabled() && !Page().Button(M::IDC_MUSIC_RIGHT)->IsOn());
    QVERIFY(!Page().Button(M::IDC_SYNC)->IsOn());
}

void MusicPageTest::programArrivingLinkedShowsMusicLeft() {
    Click(M::IDC_MUSIC_RIGHT);
    TheModel().image.musicSync = 1; // a program with the link on arrived
    Page().Refresh();
    QCOMPARE(TheModel().settings.view.musicChannel, int(EQ_MUSIC_L));
    QCOMPARE(Strip(0).Channel(), int(EQ_MUSIC_L));
    QCOMPARE(Page().Graph()->Channel(), int(EQ_MUSIC_L));
    QVERIFY(!Page().Button(M::IDC_MUSIC_RIGHT)->isEnabled());
}

void MusicPageTest::eqBypassAndEqReset() {
    Model& m = TheModel();
    Click(M::IDC_EQ_BYPASS);
    QCOMPARE(int(m.image.musicL.bypass), 1);
    QVERIFY(Page().Button(M::IDC_EQ_BYPASS)->IsOn());
    Click(M::IDC_EQ_BYPASS);
    QCOMPARE(int(m.image.musicL.bypass), 0);

    Collection(EQ_MUSIC_L, 0).At(4).SetGainIndex(20);
    Collection(EQ_MUSIC_L, 0).At(4).SetType(BAND_HS);
    Collection(EQ_MUSIC_L, 0).GetHighPass()->SetCrossoverFrequencyIndex(50);
    m.image.musicR.eq[4].gain = 20;
    Message(MSG_GRAPH_BAND_EDITED, EQ_MUSIC_L, 4);
    QCOMPARE(RedStrip(), 4);
    Click(M::IDC_EQ_RESET);
    QCOMPARE(int(m.image.musicL.eq[4].gain), 120);
    QCOMPARE(int(m.image.musicL.eq[4].type), int(BAND_P));
    QCOMPARE(int(m.image.musicL.eq[4].q), 10);
    QCOMPARE(int(m.image.musicL.hpf.freq.get()), 50); // crossovers stay
    QCOMPARE(int(m.image.musicR.eq[4].gain), 20);     // the other channel too
    QCOMPARE(RedStrip(), -1);
    QCOMPARE(Strip(4).GainEdit().text(), QStringLiteral("0.0"));
    QCOMPARE(Strip(4).TypeBox().currentIndex(), int(BAND_P));
}

void MusicPageTest::easyModeGreysTheExpertControls() {
    TheModel().settings.operatingMode = 0;
    Page().ApplyMode();
    for (int id :
         {M::IDC_MAIN_HPF_SLIDER, M::IDC_GATE_ATTACK_SLIDER, M::IDC_RATIO_SLIDER, M::IDC_LOW_FREQ_SLIDER}) {
        QVERIFY2(!Page().Slider(id)->IsSliderEnabled(), qPrintable(QString::number(id)));
    }
    for (int id : {M::IDC_SYNC, M::IDC_MAIN_HPF_SLOPE, M::IDC_MAIN_HPF_EDIT, M::IDC_GATE_RELEASE_VALUE,
                   M::IDC_LIMIT_LEVEL_VALUE, M::IDC_HIGH_FREQ_EDIT, M::IDC_LOW_TIMBRE, M::IDC_HIGH_TIMBRE}) {
        QVERIFY2(!Page().Control(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    for (int id : {M::IDC_HPF_SLIDER, M::IDC_LPF_SLIDER, M::IDC_GATE_THRESHOLD_SLIDER, M::IDC_KEY_SLIDER}) {
        QVERIFY2(Page().Slider(id)->IsSliderEnabled(), qPrintable(QString::number(id)));
    }
    for (int id : {M::IDC_HPF_EDIT, M::IDC_HPF_SLOPE, M::IDC_LPF_EDIT, M::IDC_LPF_SLOPE, M::IDC_LOW_HARMONIC,
                   M::IDC_HIGH_HARMONIC, M::IDC_EQ_RESET, M::IDC_EQ_BYPASS, M::IDC_MUSIC_RIGHT}) {
        QVERIFY2(Page().Control(id)->isEnabled(), qPrintable(QString::number(id)));
    }
    QVERIFY(Strip(0).isEnabled());

    TheModel().settings.operatingMode = 1;
    Page().ApplyMode();
    QVERIFY(Page().Slider(M::IDC_MAIN_HPF_SLIDER)->IsSliderEnabled());
    QVERIFY(Page().Control(M::IDC_LOW_TIMBRE)->isEnabled());
}

void MusicPageTest::languagesAndHarmonicLabels() {
    struct Case {
        int id;
        const char* zh;
        const char* en;
    };
    const Case cases[] = {
        {M::IDC_KEY_TITLE, "音乐变调", "Key Control"},
        {M::IDC_LIMIT_ATTACK_LABEL, "压限启动时间(Atk)", "Attack Time(Atk)"},
        {M::IDC_LOW_HARMONIC_LABEL, "谐波量", "Harmonic"},
        {M::IDC_LABEL_Q, "Q值", "Q"},
        {M::IDC_EQ_RESET, "EQ 重置", "EQ Reset"},
        {M::IDC_EQ_BYPASS, "EQ Bypass", "EQ Bypass"},
    };
    auto text = [this](int id) {
        if (CFontStatic* l = Page().Label(id)) {
            return l->Text();
        }
        return Page().Button(id)->text();
    };
    for (int flag : {1, 0}) {
        TheModel().settings.languageFlag = flag;
        Page().ApplyLanguage();
        for (const Case& c : cases) {
            QCOMPARE(text(c.id), QString::fromUtf8(flag != 0 ? c.zh : c.en));
        }
    }
    // ApplyMode writes the two "Harmonic" labels for the language in force.
    Page().Label(M::IDC_HIGH_HARMONIC_LABEL)->SetText(QStringLiteral("x"));
    TheModel().settings.languageFlag = 1;
    Page().ApplyMode();
    QCOMPARE(text(M::IDC_HIGH_HARMONIC_LABEL), QStringLiteral("谐波量"));
    QCOMPARE(text(M::IDC_KEY_TITLE), QStringLiteral("Key Control")); // the rest waits for ApplyLanguage
}

KEL_QTEST_MAIN(MusicPageTest)
#include "MusicPageTest.moc"
