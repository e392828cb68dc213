// The dynamic EQ page: the band columns edit the bands and compressors of the music channel edited, the
// graph highlight after each kind of edit, SYNC shared with the music page, EQ Reset keeps the
// compressors, the graph's reports reload one column, Easy and Full Mode.
#include "PageTestKit.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/CFStatic.h"
#include "controls/DialogUnits.h"
#include "controls/MessageEvent.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/DEQ_Dlg.h"
#include "pages/MusicDlg.h"

#include <QComboBox>

#include <cstring>
#include <memory>

using namespace kel;
using D = CDEQ_Dlg;

namespace {

MusicBlock& Music(int eqChannel) {
    ProgramImage& img = TheModel().image;
    return eqChannel == EQ_DEQ_R ? img.musicR : img.musicL;
}

u8 Byte(int eqChannel, int offset) {
    return reinterpret_cast<const u8*>(&Music(eqChannel))[offset];
}

void FocusOut(QWidget* w) {
    QFocusEvent e(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(w, &e);
}

bool SameImage() {
    const Model& m = TheModel();
    return std::memcmp(&m.image, &m.shadow, sizeof(ProgramImage)) == 0;
}

} // namespace

class DeqPageTest : public uitest::PageTestBase<CDEQ_Dlg> {
    Q_OBJECT

  private:
    void Type(int id, const QString& text) {
        CNumEdit& e = *Page().NumEdit(id);
        e.selectAll();
        QTest::keyClicks(&e, text);
        FocusOut(&e);
    }
    void Choose(int id, int index) {
        QComboBox& box = *Page().Combo(id);
        box.setCurrentIndex(index);
        Q_EMIT box.activated(index);
    }
    void MoveSlider(int id, int pos) {
        Page().Slider(id)->SetPos(pos);
        Message(MSG_SLIDER_MOVING, id, pos);
    }
    void SetMode(int mode) {
        TheModel().settings.operatingMode = mode;
        Page().ApplyMode();
    }

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void init() { BuildPage({715, 359}, true); }
    void cleanup() { m_page.reset(); }

    void compressorsStoreIntoTheChannelEdited_data();
    void compressorsStoreIntoTheChannelEdited();
    void typedGainsAtAndBeyondTheEnds_data();
    void typedGainsAtAndBeyondTheEnds();
    void eachEditHighlightsItsBand_data();
    void eachEditHighlightsItsBand();
    void syncIsTheMusicPagesByte();
    void eqResetKeepsTheCompressors();
    void graphReportReloadsOneColumn();
    void easyModeShutsThePageAndFullModeKeepsTheLink_data();
    void easyModeShutsThePageAndFullModeKeepsTheLink();
    void bothLanguages();
};

void DeqPageTest::compressorsStoreIntoTheChannelEdited_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("offset"); // within the MusicBlock
    QTest::addColumn<QString>("shown");
    QTest::newRow("left band 1 level") << int(EQ_DEQ_L) << 0 << int(D::LEVEL_SLIDER) << 60 << 126 << "12dBV";
    QTest::newRow("left band 2 attack") << int(EQ_DEQ_L) << 1 << int(D::ATTACK_SLIDER) << 19 << 137 << "";
    QTest::newRow("right band 1 level") << int(EQ_DEQ_R) << 0 << int(D::LEVEL_SLIDER) << 0 << 126 << "-48dBV";
    QTest::newRow("right band 3 level")
        << int(EQ_DEQ_R) << 2 << int(D::LEVEL_SLIDER) << 33 << 146 << "-15dBV";
    QTest::newRow("right band 3 attack") << int(EQ_DEQ_R) << 2 << int(D::ATTACK_SLIDER) << 4 << 147 << "";
    QTest::newRow("right band 3 release") << int(EQ_DEQ_R) << 2 << int(D::RELEASE_SLIDER) << 7 << 148 << "";
    QTest::newRow("right band 3 ratio") << int(EQ_DEQ_R) << 2 << int(D::RATIO_SLIDER) << 40 << 149 << "";
}

void DeqPageTest::compressorsStoreIntoTheChannelEdited() {
    QFETCH(int, channel);
    QFETCH(int, band);
    QFETCH(int, control);
    QFETCH(int, value);
    QFETCH(int, offset);
    QFETCH(QString, shown);
    Click(channel == EQ_DEQ_R ? D::IDC_MUSIC_RIGHT : D::IDC_MUSIC_LEFT);
    QCOMPARE(Page().EditedChannel(), channel);
    const int other = channel == EQ_DEQ_R ? EQ_DEQ_L : EQ_DEQ_R;
    const u8 otherBefore = Byte(other, offset);
    const auto id = static_cast<D::BandControl>(control);
    MoveSlider(D::BandId(band, id), value);
    QCOMPARE(int(Byte(channel, offset)), value);
    QCOMPARE(Byte(other, offset), otherBefore);
    QCOMPARE(int(Byte(channel, 130 + 10 * band)), 1); // the enable byte is no page's
    const int valueId = D::BandId(band, static_cast<D::BandControl>(control - 1));
    if (!shown.isEmpty()) {
        QCOMPARE(Page().Text(valueId), shown);
    }
    // Shown again from the record; the refresh writes nothing.
    const ProgramImage before = TheModel().image;
    Page().Refresh();
    QVERIFY(std::memcmp(&before, &TheModel().image, sizeof before) == 0);
    QCOMPARE(Page().Slider(D::BandId(band, id))->GetPos(), value);
}

void DeqPageTest::typedGainsAtAndBeyondTheEnds_data() {
    QTest::addColumn<int>("band");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("13 dB: the top") << 0 << "13" << 180;
    QTest::newRow("12 dB") << 1 << "12" << 180;
    QTest::newRow("0 dB") << 2 << "0" << 120;
    QTest::newRow("-12 dB") << 2 << "-12" << 60;
    QTest::newRow("-20 dB: the floor") << 2 << "-20" << 60;
}

void DeqPageTest::typedGainsAtAndBeyondTheEnds() {
    QFETCH(int, band);
    QFETCH(QString, typed);
    QFETCH(int, stored);
    Type(D::BandId(band, D::GAIN), typed);
    QCOMPARE(int(TheModel().image.musicL.deq[band].band.gain), stored);
    QCOMPARE(Collection(EQ_DEQ_L, 0).At(band).GainIndex(), stored);
    // The slider is inverted: +12 dB at the top, which is its lowest raw position.
    CBitmapSlider& slider = *Page().Slider(D::BandId(band, D::GAIN_SLIDER));
    QCOMPARE(slider.GetPosInverted(), stored);
    QCOMPARE(slider.GetPos(), 240 - stored);
    QCOMPARE(Page().Graph()->Highlight(), band); // a typed gain highlights its own band
}

void DeqPageTest::eachEditHighlightsItsBand_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("highlight");
    // Band 3's edits: the type list and the gain edit emphasise band 3, the others band 1.
    QTest::newRow("type") << int(D::TYPE) << 2;
    QTest::newRow("frequency") << int(D::FREQ) << 0;
    QTest::newRow("Q") << int(D::Q) << 0;
    QTest::newRow("gain slider") << int(D::GAIN_SLIDER) << 0;
}

void DeqPageTest::eachEditHighlightsItsBand() {
    QFETCH(int, control);
    QFETCH(int, highlight);
    const DynamicEqBand& rec = TheModel().image.musicL.deq[2];
    const CFilter& f = Collection(EQ_DEQ_L, 0).At(2);
    const int id = D::BandId(2, static_cast<D::BandControl>(control));
    switch (control) {
    case D::TYPE:
        Choose(id, BAND_HS);
        QCOMPARE(int(rec.band.type), int(BAND_HS));
        QCOMPARE(f.Type(), int(BAND_HS));
        break;
    case D::FREQ:
        Type(id, QStringLiteral("1000"));
        QCOMPARE(int(rec.band.freq.get()), 204);
        break;
    case D::Q:
        Type(id, QStringLiteral("2"));
        QCOMPARE(int(rec.band.q), QToIndex(2.0));
        break;
    default:
        MoveSlider(id, 70); // raw position 70 on the inverted slider: index 170
        QCOMPARE(int(rec.band.gain), 170);
        QCOMPARE(Page().NumEdit(D::BandId(2, D::GAIN))->GetPos(), 170);
        QCOMPARE(Page().NumEdit(D::BandId(2, D::GAIN))->text(), QStringLiteral("10.0"));
        break;
    }
    QCOMPARE(Page().Graph()->Highlight(), highlight);
    // Only band 3 changed.
    QCOMPARE(std::memcmp(&TheModel().image.musicL.deq[0], &TheModel().shadow.musicL.deq[0], 20), 0);
}

void DeqPageTest::syncIsTheMusicPagesByte() {
    Model& m = TheModel();
    Click(D::IDC_MUSIC_RIGHT);
    Click(D::IDC_SYNC); // on: the music link, Music Left edited
    QCOMPARE(int(m.image.musicSync), 1);
    QCOMPARE(m.settings.view.deqChannel, int(EQ_DEQ_L));
    QCOMPARE(Page().Graph()->Channel(), int(EQ_DEQ_L));
    QVERIFY(!Page().Button(D::IDC_MUSIC_LEFT)->isEnabled() &&
            !Page().Button(D::IDC_MUSIC_RIGHT)->isEnabled());

    // The music page shows the same link at its next refresh.
    CMusicDlg music(nullptr, nullptr);
    music.Refresh();
    QVERIFY(music.Button(CMusicDlg::IDC_SYNC)->IsOn());
    QVERIFY(!music.Button(CMusicDlg::IDC_MUSIC_RIGHT)->isEnabled());

    // Off: Music Left, dynamic bands included, copied onto Music Right in image and shadow.
    m.image.musicL.deq[1].band.gain = 77;
    m.image.musicL.deq[1].ratio = 9;
    Click(D::IDC_SYNC);
    QCOMPARE(int(m.image.musicSync), 0);
    QCOMPARE(int(m.image.musicR.deq[1].band.gain), 77);
    QCOMPARE(int(m.shadow.musicR.deq[1].ratio), 9);
    QCOMPARE(Collection(EQ_DEQ_R, 0).At(1).GainIndex(), 77); // rebound to the copy
    QVERIFY(Page().Button(D::IDC_MUSIC_LEFT)->IsOn() && Page().Button(D::IDC_MUSIC_RIGHT)->isEnabled());
    music.Refresh();
    QVERIFY(!music.Button(CMusicDlg::IDC_SYNC)->IsOn());

    // And the other way round: linked on the music page, the dynamic EQ page follows.
    music.Button(CMusicDlg::IDC_SYNC)->click();
    Page().Refresh();
    QVERIFY(Page().Button(D::IDC_SYNC)->IsOn());
    QVERIFY(!Page().Button(D::IDC_MUSIC_RIGHT)->isEnabled());
}

void DeqPageTest::eqResetKeepsTheCompressors() {
    Model& m = TheModel();
    Click(D::IDC_MUSIC_RIGHT);
    const MusicBlock defaults = m.image.musicR;
    for (int i = 0; i < 3; ++i) {
        DynamicEqBand& d = m.image.musicR.deq[i];
        d.band.freq.set(static_cast<std::uint16_t>(100 + i));
        d.band.gain = 70;
        d.band.q = 40;
        d.band.type = BAND_LS;
        d.limitLevel = static_cast<u8>(10 + i);
        d.attack = static_cast<u8>(11 + i);
        d.release = static_cast<u8>(2 + i);
        d.ratio = static_cast<u8>(30 + i);
    }
    CommitShadow(false);
    Page().Refresh();
    const MusicBlock edited = m.image.musicR;

    Click(D::IDC_EQ_RESET);
    for (int i = 0; i < 3; ++i) {
        const DynamicEqBand& d = m.image.musicR.deq[i];
        // The EQ part to its default frequency, 0 dB, Q index 10, "P".
        QCOMPARE(d.band.freq.get(), defaults.deq[i].band.freq.get());
        QCOMPARE(int(d.band.gain), 120);
        QCOMPARE(int(d.band.q), 10);
        QCOMPARE(int(d.band.type), int(BAND_P));
        QVERIFY(std::memcmp(&d.limitLevel, &edited.deq[i].limitLevel, 5) == 0); // bytes 5..9 kept
        QCOMPARE(Page().NumEdit(D::BandId(i, D::GAIN))->GetPos(), 120);
        QCOMPARE(Page().Combo(D::BandId(i, D::TYPE))->currentIndex(), int(BAND_P));
        QCOMPARE(Page().Slider(D::BandId(i, D::RATIO_SLIDER))->GetPos(), 30 + i);
    }
    QCOMPARE(Collection(EQ_DEQ_R, 0).At(0).GainIndex(), 120);
    QVERIFY(std::memcmp(&m.image.musicL, &m.shadow.musicL, sizeof(MusicBlock)) == 0); // Left untouched
    QCOMPARE(Page().Graph()->Channel(), int(EQ_DEQ_R));
}

void DeqPageTest::graphReportReloadsOneColumn() {
    // Changed through the band objects, as a graph drag changes them.
    CKTVEQ& c = Collection(EQ_DEQ_L, 0);
    c.At(0).SetGainIndex(66);
    c.At(1).SetGainIndex(175);
    c.At(1).SetFrequencyIndex(300);
    c.At(1).SetQIndex(50);
    Page().Graph()->Redraw(-1);
    Message(MSG_GRAPH_BAND_EDITED, EQ_DEQ_L, 1);
    QCOMPARE(Page().NumEdit(D::BandId(1, D::GAIN))->GetPos(), 175);
    QCOMPARE(Page().Slider(D::BandId(1, D::GAIN_SLIDER))->GetPosInverted(), 175);
    QCOMPARE(Page().NumEdit(D::BandId(1, D::FREQ))->GetPos(), 300);
    QCOMPARE(Page().NumEdit(D::BandId(1, D::Q))->GetPos(), 50);
    QCOMPARE(Page().NumEdit(D::BandId(0, D::GAIN))->GetPos(), 120); // another column stays as it was
    QCOMPARE(Page().Graph()->Highlight(), -1);                      // nothing highlighted
    Message(MSG_GRAPH_BAND_EDITED, EQ_DEQ_L, 3);                    // no such band: ignored
    QCOMPARE(Page().NumEdit(D::BandId(0, D::GAIN))->GetPos(), 120);
}

void DeqPageTest::easyModeShutsThePageAndFullModeKeepsTheLink_data() {
    QTest::addColumn<bool>("linked");
    QTest::newRow("unlinked") << false;
    QTest::newRow("linked") << true;
}

void DeqPageTest::easyModeShutsThePageAndFullModeKeepsTheLink() {
    QFETCH(bool, linked);
    if (linked) {
        Click(D::IDC_SYNC);
    }
    SetMode(0);
    QVERIFY(!Page().Graph()->isEnabled());
    for (int id : {D::IDC_SYNC, D::IDC_MUSIC_LEFT, D::IDC_MUSIC_RIGHT, D::IDC_EQ_RESET}) {
        QVERIFY(!Page().Control(id)->isEnabled());
    }
    int sliders = 0, displays = 0, edits = 0, combos = 0;
    for (int band = 0; band < D::kBands; ++band) {
        for (int c = 0; c < D::BAND_CONTROLS; ++c) {
            const int id = D::BandId(band, static_cast<D::BandControl>(c));
            if (CBitmapSlider* s = Page().Slider(id)) {
                QVERIFY2(!s->IsSliderEnabled(), qPrintable(QString::number(id)));
                ++sliders;
            } else if (Page().Display(id) || Page().NumEdit(id) || Page().Combo(id)) {
                QVERIFY2(!Page().Control(id)->isEnabled(), qPrintable(QString::number(id)));
                displays += Page().Display(id) != nullptr;
                edits += Page().NumEdit(id) != nullptr;
                combos += Page().Combo(id) != nullptr;
            }
        }
    }
    QCOMPARE(sliders, 15);
    QCOMPARE(displays, 12);
    QCOMPARE(edits, 9);
    QCOMPARE(combos, 3);

    SetMode(1);
    QVERIFY(Page().Graph()->isEnabled());
    QVERIFY(Page().Control(D::IDC_SYNC)->isEnabled() && Page().Control(D::IDC_EQ_RESET)->isEnabled());
    QVERIFY(Page().Slider(D::BandId(2, D::GAIN_SLIDER))->IsSliderEnabled());
    QVERIFY(Page().Control(D::BandId(1, D::TYPE))->isEnabled());
    QCOMPARE(Page().Control(D::IDC_MUSIC_LEFT)->isEnabled(), !linked);
    QCOMPARE(Page().Control(D::IDC_MUSIC_RIGHT)->isEnabled(), !linked);
}

void DeqPageTest::bothLanguages() {
    Model& m = TheModel();
    m.settings.languageFlag = 1;
    Page().ApplyLanguage();
    QCOMPARE(Page().Text(D::BandId(2, D::LEVEL_LABEL)), QStringLiteral("压限启动电平"));
    QCOMPARE(Page().Text(D::BandId(0, D::Q_LABEL)), QStringLiteral("Q值"));
    QCOMPARE(Page().Text(D::IDC_MUSIC_RIGHT), QStringLiteral("音乐右"));
    QCOMPARE(Page().Text(D::BandId(1, D::BAND_NUMBER)), QStringLiteral("2"));
    m.settings.languageFlag = 0;
    Page().ApplyLanguage();
    QCOMPARE(Page().Text(D::BandId(1, D::ATTACK_LABEL)), QStringLiteral("Attack Time(Atk)"));
    QCOMPARE(Page().Text(D::BandId(2, D::FREQ_LABEL)), QStringLiteral("Freq(Hz)"));
    QCOMPARE(Page().Text(D::IDC_EQ_RESET), QStringLiteral("EQ Reset"));
    QCOMPARE(Page().Text(D::IDC_SYNC), QStringLiteral("SYNC"));
    QCOMPARE(Page().Text(D::BandId(1, D::BAND_NUMBER)), QStringLiteral("2"));
    QVERIFY(SameImage());
}

KEL_QTEST_MAIN(DeqPageTest)
#include "DeqPageTest.moc"
