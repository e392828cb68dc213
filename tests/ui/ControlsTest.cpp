// The skinned controls: slider, numeric edit, value display, level meter, single-byte edit, buttons, tabs.
#include "MessageRecorder.h"
#include "UiTestMain.h"

#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/EnTabCtrl.h"
#include "controls/EnglishEdit.h"
#include "controls/EnterFocus.h"
#include "controls/FontStatic.h"
#include "controls/NumEdit.h"
#include "controls/SLamp.h"
#include "controls/Skin.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWheelEvent>

#include <memory>

using namespace kel;
using kel::uitest::MessageRecorder;
using kel::uitest::Recorded;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

constexpr int kSliderId = 3720;
constexpr int kEditId = 1287;

// A horizontal page slider 0..100 (channel 160 × 19, thumb 11 × 19).
std::unique_ptr<CBitmapSlider> PageSlider(QWidget& parent) {
    auto s = std::make_unique<CBitmapSlider>(&parent, kSliderId);
    s->SetBitmapChannel(IDB_SLIDER_CHANNEL, IDB_SLIDER_CHANNEL_ACTIVE);
    s->SetBitmapThumb(IDB_SLIDER_THUMB);
    s->SetRange(0, 100);
    return s;
}

// The gain slider of a band strip: vertical 0..180, margins 18, 1, 0, 2, used inverted.
std::unique_ptr<CBitmapSlider> StripSlider(QWidget& parent) {
    auto s = std::make_unique<CBitmapSlider>(&parent, kSliderId);
    s->SetBitmapChannel(IDB_STRIP_CHANNEL, IDB_STRIP_CHANNEL);
    s->SetBitmapThumb(IDB_STRIP_THUMB, IDB_STRIP_THUMB, true, kKeyFromPixel, 0, 0);
    s->SetVertical(true);
    s->SetRange(0, 180);
    s->SetMargin(18, 1, 0, 2);
    return s;
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void Wheel(QWidget* w, int delta) {
    QWheelEvent e(QPointF(5, 5), QPointF(w->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &e);
}

void TypeText(QWidget* w, const QString& text) {
    QKeyEvent e(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &e);
}

// Along-axis point of a position for a horizontal or vertical slider.
QPoint At(const CBitmapSlider&, int along, bool vertical) {
    return vertical ? QPoint(28, along) : QPoint(along, 9);
}

void ShowAndFocus(QWidget& top, QWidget* focus) {
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));
    top.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&top));
    focus->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), focus);
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void dialogUnitsRoundLikeTheDialogs();
    void everySkinBitmapLoadsAtBothScales();

    void sliderRangeAndPosition();
    void sliderChannelClickStepsOnce_data();
    void sliderChannelClickStepsOnce();
    void sliderDragReportsPerTickAndOnceAtRelease();
    void sliderDragToTheNearEndReportsTheMinimum();
    void sliderKeys_data();
    void sliderKeys();
    void sliderWheel_data();
    void sliderWheel();
    void sliderMarginsBoundTheThumb();
    void disabledSliderIgnoresInputAndHidesThumb();

    void numEditTypingCommits_data();
    void numEditTypingCommits();
    void numEditRefusesLettersAndDoubleByte();
    void numEditOffTextIsTheLowestGain();
    void numEditEnterCommitsThroughThePage();
    void numEditSendsNothingWithoutChange();
    void numEditArrowsStopAtTheEnds();
    void numEditWheel();
    void numEditSetPosOutsideRangeIsIgnored();
    void numEditReadsBackWhatItShows();
    void numEditHighlightsPartnerThumb();

    void valueDisplayKinds_data();
    void valueDisplayKinds();

    void lampLevels_data();
    void lampLevels();
    void lampSignalAndRedraw();

    void englishEditRefusesDoubleByte();

    void bitButtonStates();
    void focusCueAndHoverKeepTheLayout();
    void fontStaticNumbers();
    void tabControlNotifiesUserChoicesOnly();
};

void ControlsTest::dialogUnitsRoundLikeTheDialogs() {
    QCOMPARE(MulDiv(2, 7, 4), 4); // 3.5 rounds up
    QCOMPARE(MulDiv(723, 7, 4), 1265);
    QCOMPARE(MulDiv(373, 14, 8), 653);
    QCOMPARE(MulDiv(-2, 7, 4), -4); // halves away from zero
    const DialogUnits& du = DialogUnits::Get();
    // Corners are mapped, so neighbours stay flush: 38 + 67 = 105.
    const QRect slider = du.Rect(38, 2, 67, 11);
    QCOMPARE(slider.left() + slider.width(), du.X(105));
    QVERIFY(du.BaseX() > 0 && du.BaseY() > 0);
}

void ControlsTest::everySkinBitmapLoadsAtBothScales() {
    for (int id : kSkinIds) {
        const QPixmap one = LoadSkinBitmap(id, 1.0);
        const QPixmap two = LoadSkinBitmap(id, 2.0);
        QVERIFY2(!one.isNull() && !two.isNull(), qPrintable(QString::number(id)));
        QCOMPARE(two.size(), one.size() * 2);
        QCOMPARE(SkinBitmapSize(two), SkinBitmapSize(one)); // the same logical size
    }
    QVERIFY(LoadSkinBitmap(999).isNull());
    QVERIFY(!AppIcon().pixmap(32, 32).isNull());
    // The volume strips' bitmaps fit the window's slider and mute rectangles (67 × 11 and 10 × 10 units).
    const DialogUnits& du = DialogUnits::Get();
    QCOMPARE(SkinBitmapSize(LoadSkinBitmap(IDB_VOLUME_CHANNEL)), du.Rect(38, 2, 67, 11).size());
    QCOMPARE(SkinBitmapSize(LoadSkinBitmap(IDB_STRIP_CHANNEL)), du.Rect(0, 42, 22, 66).size());
    QCOMPARE(SkinBitmapSize(LoadSkinBitmap(IDB_SYSTEM_BACKGROUND_EN)), QSize(811, 344));
}

void ControlsTest::sliderRangeAndPosition() {
    MessageRecorder parent;
    auto s = StripSlider(parent);
    QCOMPARE(s->size(), SkinBitmapSize(LoadSkinBitmap(IDB_STRIP_CHANNEL)));
    s->SetPos(50);
    s->SetRange(0, 180);
    QCOMPARE(s->GetPos(), 0);
    s->SetPos(200);
    QCOMPARE(s->GetPos(), 180);
    s->SetPosInverted(180); // maximum at the top
    QCOMPARE(s->GetPos(), 0);
    QCOMPARE(s->GetPosInverted(), 180);
    QVERIFY(s->PosToPixel(0) < s->PosToPixel(180));
    QVERIFY(parent.Take().empty()); // setting programmatically reports nothing
}

void ControlsTest::sliderChannelClickStepsOnce_data() {
    QTest::addColumn<bool>("waitForTick");
    QTest::addColumn<int>("expected");
    QTest::newRow("reported by the timer") << true << int(MSG_SLIDER_MOVING);
    QTest::newRow("reported at release") << false << int(MSG_SLIDER_MOVED);
}

void ControlsTest::sliderChannelClickStepsOnce() {
    QFETCH(bool, waitForTick);
    QFETCH(int, expected);
    MessageRecorder parent;
    auto s = StripSlider(parent);
    s->SetPos(90);
    const int centre = s->PosToPixel(90);
    Mouse(s.get(), QEvent::MouseButtonPress, At(*s, centre + 30, true)); // on the channel below the thumb
    QCOMPARE(s->GetPos(), 91);
    Mouse(s.get(), QEvent::MouseMove, At(*s, centre + 60, true)); // the thumb does not follow
    QCOMPARE(s->GetPos(), 91);
    if (waitForTick) {
        QTRY_COMPARE(parent.Count(MSG_SLIDER_MOVING), 1);
    }
    Mouse(s.get(), QEvent::MouseButtonRelease, At(*s, centre + 60, true));
    const std::vector<Recorded> got = parent.Take();
    QCOMPARE(got.size(), std::size_t{1});
    QCOMPARE(got[0].message, expected);
    QCOMPARE(got[0].wParam, std::intptr_t{kSliderId});
    QCOMPARE(got[0].lParam, std::intptr_t{91});
}

void ControlsTest::sliderDragReportsPerTickAndOnceAtRelease() {
    MessageRecorder parent;
    auto s = PageSlider(parent);
    Mouse(s.get(), QEvent::MouseButtonPress, At(*s, s->PosToPixel(0) + 2, false)); // on the thumb
    QVERIFY(s->IsDragging());
    for (int x : {20, 40, 60, 80}) {
        Mouse(s.get(), QEvent::MouseMove, At(*s, x + 2, false));
    }
    QCOMPARE(s->GetPos(), s->PixelToPos(80));     // the thumb follows the pointer
    QCOMPARE(parent.Count(MSG_SLIDER_MOVING), 0); // nothing before the timer ticks
    QTRY_COMPARE(parent.Count(MSG_SLIDER_MOVING), 1);
    QTest::qWait(120); // no movement since: no further report
    QCOMPARE(parent.Count(MSG_SLIDER_MOVING), 1);
    Mouse(s.get(), QEvent::MouseMove, At(*s, 400, false));
    QCOMPARE(s->GetPos(), 100);
    Mouse(s.get(), QEvent::MouseButtonRelease, At(*s, 400, false));
    const std::vector<Recorded> got = parent.Take();
    QCOMPARE(got.back().message, int(MSG_SLIDER_MOVED));
    QCOMPARE(got.back().lParam, std::intptr_t{100});
    QCOMPARE(std::count_if(got.begin(), got.end(),
                           [](const Recorded& r) { return r.message == MSG_SLIDER_MOVED; }),
             1);
}

void ControlsTest::sliderDragToTheNearEndReportsTheMinimum() {
    MessageRecorder parent;
    auto s = PageSlider(parent);
    s->SetPos(50);
    const int centre = s->PosToPixel(50);
    Mouse(s.get(), QEvent::MouseButtonPress, At(*s, centre, false));
    Mouse(s.get(), QEvent::MouseMove, At(*s, -50, false));
    QCOMPARE(s->GetPos(), 0);
    QTRY_COMPARE(parent.Count(MSG_SLIDER_MOVING), 1); // while still dragging
    QCOMPARE(parent.Take().back().lParam, std::intptr_t{0});
    Mouse(s.get(), QEvent::MouseButtonRelease, At(*s, -50, false));
}

void ControlsTest::sliderKeys_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    // Horizontal 0..100 and vertical 0..180 sliders, both starting at 50, paging by 20.
    QTest::newRow("Home") << false << int(Qt::Key_Home) << 0;
    QTest::newRow("End") << false << int(Qt::Key_End) << 100;
    QTest::newRow("PageUp") << false << int(Qt::Key_PageUp) << 30;
    QTest::newRow("PageDown") << false << int(Qt::Key_PageDown) << 70;
    QTest::newRow("Up horizontal") << false << int(Qt::Key_Up) << 51;
    QTest::newRow("Down horizontal") << false << int(Qt::Key_Down) << 49;
    QTest::newRow("Left does not move") << false << int(Qt::Key_Left) << 50;
    QTest::newRow("Right does not move") << false << int(Qt::Key_Right) << 50;
    QTest::newRow("Up vertical") << true << int(Qt::Key_Up) << 49;
    QTest::newRow("Down vertical") << true << int(Qt::Key_Down) << 51;
}

void ControlsTest::sliderKeys() {
    QFETCH(bool, vertical);
    QFETCH(int, key);
    QFETCH(int, expected);
    MessageRecorder parent;
    auto s = vertical ? StripSlider(parent) : PageSlider(parent);
    s->SetPos(50);
    QTest::keyClick(s.get(), static_cast<Qt::Key>(key));
    QCOMPARE(s->GetPos(), expected);
    const std::vector<Recorded> got = parent.Take();
    QCOMPARE(got.size(), std::size_t{1});
    QCOMPARE(got[0].message, int(MSG_SLIDER_MOVED));
    QCOMPARE(got[0].lParam, std::intptr_t(expected));
}

void ControlsTest::sliderWheel_data() {
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<std::vector<int>>("deltas");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("reports");
    QTest::newRow("three notches of 40") << false << std::vector<int>{40, 40, 40} << 51 << 1;
    QTest::newRow("one notch of 120") << false << std::vector<int>{120} << 51 << 1;
    QTest::newRow("240 in one message") << false << std::vector<int>{240} << 51 << 1;
    QTest::newRow("down a notch") << false << std::vector<int>{-120} << 49 << 1;
    QTest::newRow("two small notches") << false << std::vector<int>{40, 40} << 50 << 0;
    QTest::newRow("up raises an inverted vertical value") << true << std::vector<int>{120} << 49 << 1;
}

void ControlsTest::sliderWheel() {
    QFETCH(bool, vertical);
    QFETCH(std::vector<int>, deltas);
    QFETCH(int, expected);
    QFETCH(int, reports);
    MessageRecorder parent;
    auto s = vertical ? StripSlider(parent) : PageSlider(parent);
    s->SetPos(50);
    for (int d : deltas) {
        Wheel(s.get(), d);
    }
    QCOMPARE(s->GetPos(), expected);
    QCOMPARE(parent.Count(MSG_SLIDER_MOVED), reports);
}

void ControlsTest::sliderMarginsBoundTheThumb() {
    MessageRecorder parent;
    auto s = StripSlider(parent);
    const QSize thumb = SkinBitmapSize(LoadSkinBitmap(IDB_STRIP_THUMB));
    // The thumb centre runs from the top margin + half a thumb to the bottom margin − half a thumb.
    QCOMPARE(s->PosToPixel(0), 1 + thumb.height() / 2);
    QCOMPARE(s->PosToPixel(180), s->height() - 2 - thumb.height() + thumb.height() / 2);
    QCOMPARE(s->PixelToPos(s->PosToPixel(180)), 180);
    // Dragging past either end stops at the range ends.
    s->SetPos(90);
    Mouse(s.get(), QEvent::MouseButtonPress, At(*s, s->PosToPixel(90), true));
    Mouse(s.get(), QEvent::MouseMove, At(*s, s->height() + 40, true));
    QCOMPARE(s->GetPos(), 180);
    Mouse(s.get(), QEvent::MouseMove, At(*s, -40, true));
    QCOMPARE(s->GetPos(), 0);
    QCOMPARE(s->GetPosInverted(), 180);
    Mouse(s.get(), QEvent::MouseButtonRelease, At(*s, -40, true));
    QCOMPARE(parent.Count(MSG_SLIDER_MOVED), 1);
}

void ControlsTest::disabledSliderIgnoresInputAndHidesThumb() {
    MessageRecorder parent;
    auto s = PageSlider(parent);
    s->SetPos(50);
    const QImage enabled = s->grab().toImage();
    // Disabling during a drag ends it without a message.
    Mouse(s.get(), QEvent::MouseButtonPress, At(*s, s->PosToPixel(50), false));
    s->Enable(false);
    QVERIFY(!s->IsDragging());
    Mouse(s.get(), QEvent::MouseButtonRelease, At(*s, s->PosToPixel(50), false));
    Mouse(s.get(), QEvent::MouseButtonPress, At(*s, 150, false));
    QTest::keyClick(s.get(), Qt::Key_End);
    Wheel(s.get(), 120);
    QCOMPARE(s->GetPos(), 50);
    QTest::qWait(80);
    QVERIFY(parent.Take().empty());
    // Drawn with the normal channel alone: no thumb, no filled part.
    const QImage disabled = s->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage channel =
        LoadSkinBitmap(IDB_SLIDER_CHANNEL, 1.0).toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(disabled, channel);
    QVERIFY(enabled.convertToFormat(QImage::Format_RGB32) != channel);
}

void ControlsTest::numEditTypingCommits_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::newRow("frequency 95") << int(VK_FREQ) << 0 << 361 << ""
                                  << "95" << 82 << "95.0";
    QTest::newRow("frequency too high") << int(VK_FREQ) << 0 << 361 << ""
                                        << "25000" << 361 << "20600";
    QTest::newRow("frequency with suffix") << int(VK_FREQ) << 0 << 361 << "Hz"
                                           << "1000" << 204 << "1000Hz";
    QTest::newRow("frequency reads a number only") << int(VK_FREQ) << 0 << 361 << ""
                                                   << "1.-5" << 0 << "19.7";
    QTest::newRow("Q midway") << int(VK_Q) << 0 << 100 << ""
                              << "0.435" << 2 << "0.450";
    QTest::newRow("gain below range") << int(VK_GAIN) << 0 << 180 << ""
                                      << "-30" << 0 << "-24.0";
    QTest::newRow("gain truncates") << int(VK_GAIN) << 0 << 180 << ""
                                    << "3.3" << 136 << "3.2";
    QTest::newRow("dynamic gain") << int(VK_GAIN) << 60 << 180 << ""
                                  << "-20" << 60 << "-12.0";
}

void ControlsTest::numEditTypingCommits() {
    QFETCH(int, kind);
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(QString, suffix);
    QFETCH(QString, typed);
    QFETCH(int, index);
    QFETCH(QString, shown);
    MessageRecorder top;
    CNumEdit edit(&top, kEditId);
    edit.setGeometry(10, 10, 80, 20);
    QLineEdit other(&top);
    other.setGeometry(10, 40, 80, 20);
    edit.SetStep(0.2);
    edit.SetOffset(24);
    edit.SetRange(min, max);
    edit.SetType(static_cast<ValueKind>(kind), suffix.toStdString());
    edit.SetPos(min);
    ShowAndFocus(top, &edit);
    QTest::keyClicks(&edit, typed); // the whole text was selected on focus: it is replaced
    QVERIFY(top.Take().empty());    // nothing until the edit is left
    other.setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), &other);
    const std::vector<Recorded> got = top.Take();
    QCOMPARE(got.size(), std::size_t{1});
    QCOMPARE(got[0].message, int(MSG_NUMEDIT_CHANGED));
    QCOMPARE(got[0].lParam, std::intptr_t{kEditId});
    QCOMPARE(edit.text(), shown);
    QCOMPARE(edit.GetPos(), index);
}

void ControlsTest::numEditRefusesLettersAndDoubleByte() {
    MessageRecorder top;
    CNumEdit edit(&top, kEditId);
    edit.SetRange(0, 361);
    edit.SetType(VK_FREQ);
    edit.SetPos(204);
    ShowAndFocus(top, &edit);
    edit.deselect();
    edit.end(false);
    QTest::keyClicks(&edit, "abcOF+");
    TypeText(&edit, QString::fromUtf8("中"));
    QInputMethodEvent composed;
    composed.setCommitString(QString::fromUtf8("文"));
    QCoreApplication::sendEvent(&edit, &composed);
    QCOMPARE(edit.text(), QStringLiteral("1000"));
    QVERIFY(!edit.IsModified());
    QTest::keyClicks(&edit, "-.5");
    QCOMPARE(edit.text(), QStringLiteral("1000-.5"));
}

void ControlsTest::numEditOffTextIsTheLowestGain() {
    MessageRecorder top;
    CNumEdit edit(&top, kEditId);
    QLineEdit other(&top);
    other.move(0, 40);
    edit.Configure(ConversionOf(Conv::BandGain));
    edit.SetPos(120);
    ShowAndFocus(top, &edit);
    QApplication::clipboard()->setText(
        QStringLiteral("OFF")); // letters cannot be typed, but they can be pasted
    edit.selectAll();
    edit.paste();
    other.setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), &other);
    QCOMPARE(edit.text(), QStringLiteral("-24.0"));
    QCOMPARE(edit.GetPos(), 0);
    QCOMPARE(top.Count(MSG_NUMEDIT_CHANGED), 1);
}

void ControlsTest::numEditEnterCommitsThroughThePage() {
    MessageRecorder page;
    TakeFocusOnEnter(&page);
    CNumEdit edit(&page, kEditId);
    edit.Configure(ConversionOf(Conv::BandFreq));
    edit.SetPos(0);
    ShowAndFocus(page, &edit);
    QTest::keyClicks(&edit, "1000");
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), &page); // the page took the focus, the edit committed
    QVERIFY(page.isVisible());
    QCOMPARE(edit.GetPos(), 204);
    QCOMPARE(edit.cursorPosition(), 0);
    QCOMPARE(page.Count(MSG_NUMEDIT_CHANGED), 1);
    QTest::keyClick(&page, Qt::Key_Escape); // nothing closes
    QVERIFY(page.isVisible());
}

void ControlsTest::numEditSendsNothingWithoutChange() {
    MessageRecorder top;
    CNumEdit edit(&top, kEditId);
    QLineEdit other(&top);
    other.move(0, 40);
    edit.Configure(ConversionOf(Conv::BandQ));
    edit.SetPos(16);
    ShowAndFocus(top, &edit);
    other.setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), &other);
    QVERIFY(top.Take().empty());
    QCOMPARE(edit.text(), QStringLiteral("1.000"));
}

void ControlsTest::numEditArrowsStopAtTheEnds() {
    MessageRecorder top;
    CNumEdit edit(&top, kEditId);
    edit.Configure(ConversionOf(Conv::BandFreq));
    ShowAndFocus(top, &edit);
    edit.SetPos(361);
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.GetPos(), 361);
    edit.SetPos(0);
    QTest::keyClick(&edit, Qt::Key_Down);
    QCOMPARE(edit.GetPos(), 0);
    QVERIFY(top.Take().empty());
    edit.SetPos(204);
    QTest::keyClick(&edit, Qt::Key_Up);
    QCOMPARE(edit.GetPos(), 205);
    QCOMPARE(edit.text(), QStringLiteral("1020"));
    QCOMPARE(top.Count(MSG_NUMEDIT_CHANGED), 1);
}

void ControlsTest::numEditWheel() {
    MessageRecorder top;
    CNumEdit edit(&top, kEditId);
    edit.Configure(ConversionOf(Conv::BandGain));
    edit.SetPos(120);
    Wheel(&edit, 40); // a notch too small to step still reports
    QCOMPARE(edit.GetPos(), 120);
    QCOMPARE(top.Count(MSG_NUMEDIT_CHANGED), 1);
    Wheel(&edit, 80);
    QCOMPARE(edit.GetPos(), 121);
    QCOMPARE(edit.text(), QStringLiteral("0.2"));
    edit.SetPos(180);
    Wheel(&edit, 120); // at the top: no step, still reported
    QCOMPARE(edit.GetPos(), 180);
    QCOMPARE(top.Count(MSG_NUMEDIT_CHANGED), 3);
}

void ControlsTest::numEditSetPosOutsideRangeIsIgnored() {
    MessageRecorder top;
    CNumEdit edit(&top, kEditId);
    edit.SetRange(0, 361);
    edit.SetType(VK_FREQ, "Hz");
    edit.SetPos(204);
    QCOMPARE(edit.text(), QStringLiteral("1000Hz"));
    edit.SetPos(500);
    edit.SetPos(-1);
    QCOMPARE(edit.GetPos(), 204);
    QCOMPARE(edit.text(), QStringLiteral("1000Hz"));
    QVERIFY(top.Take().empty());
}

void ControlsTest::numEditReadsBackWhatItShows() {
    // -23.7 is taken as index 1, shown as -23.8; reading the shown text again would give index 0.
    MessageRecorder top;
    CNumEdit edit(&top, kEditId);
    QLineEdit other(&top);
    other.move(0, 40);
    edit.Configure(ConversionOf(Conv::BandGain));
    edit.SetPos(120);
    ShowAndFocus(top, &edit);
    QTest::keyClicks(&edit, "-23.7");
    other.setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), &other);
    QCOMPARE(edit.text(), QStringLiteral("-23.8"));
    QCOMPARE(edit.GetPos(), 1);
    QVERIFY(!edit.IsModified());
}

void ControlsTest::numEditHighlightsPartnerThumb() {
    MessageRecorder top;
    CBitmapSlider slider(&top, kSliderId);
    CNumEdit edit(&top, kEditId);
    QLineEdit other(&top);
    other.move(0, 40);
    edit.move(0, 70);
    edit.Configure(ConversionOf(Conv::FilterFreq));
    edit.SetPartnerSlider(&slider);
    ShowAndFocus(top, &edit);
    QVERIFY(slider.ThumbHighlight());
    other.setFocus();
    QTRY_VERIFY(!slider.ThumbHighlight());
}

void ControlsTest::valueDisplayKinds_data() {
    QTest::addColumn<int>("conversion");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("threshold off") << int(Conv::GateThreshold) << 0 << "OFF";
    QTest::newRow("threshold -77") << int(Conv::GateThreshold) << 1 << "-77dBV";
    QTest::newRow("threshold -18") << int(Conv::GateThreshold) << 60 << "-18dBV";
    QTest::newRow("threshold clamped") << int(Conv::GateThreshold) << 70 << "-18dBV";
    QTest::newRow("input gain") << int(Conv::InputGain) << 0 << "-10.0";
    QTest::newRow("reverb time") << int(Conv::ReverbTime) << 100 << "5000ms";
    QTest::newRow("attack label") << int(Conv::GateAttack) << 19 << "400ms";
    QTest::newRow("ratio label") << int(Conv::Ratio) << 40 << "100";
    QTest::newRow("distance") << int(Conv::OutputDistance) << 1500 << "51.000m";
    QTest::newRow("music volume") << int(Conv::MusicVolume) << 90 << "84";
}

void ControlsTest::valueDisplayKinds() {
    QFETCH(int, conversion);
    QFETCH(int, value);
    QFETCH(QString, shown);
    QWidget parent;
    CEdit_Static display(&parent);
    display.Configure(ConversionOf(static_cast<Conv>(conversion)));
    display.SetValue(value);
    QCOMPARE(display.Text(), shown);
}

void ControlsTest::lampLevels_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("lit");
    QTest::addColumn<bool>("yellow");
    QTest::newRow("109") << 109 << 0 << false;
    QTest::newRow("110") << 110 << 1 << false;
    QTest::newRow("115") << 115 << 1 << false;
    QTest::newRow("116") << 116 << 2 << false;
    QTest::newRow("194") << 194 << 15 << false;
    QTest::newRow("199") << 199 << 15 << false;
    QTest::newRow("200") << 200 << 17 << true;
    QTest::newRow("above 200") << 250 << 17 << true;
}

void ControlsTest::lampLevels() {
    QFETCH(int, level);
    QFETCH(int, lit);
    QFETCH(bool, yellow);
    QWidget parent;
    CSLamp lamp(&parent);
    lamp.resize(12, 180);
    lamp.SetLevel(200); // from a full meter, so that going out is checked too
    lamp.SetLevel(level);
    QCOMPARE(lamp.LitLevelSegments(), lit);
    QCOMPARE(lamp.IsLit(16), yellow);
    for (int i = 0; i < lit && i < 16; ++i) {
        QVERIFY(lamp.IsLit(i)); // from the bottom up
    }
    QVERIFY(!lamp.IsLit(CSLamp::kSignalSegment)); // the level never touches the signal lamp
}

namespace {
class CountingLamp : public CSLamp {
  public:
    using CSLamp::CSLamp;
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* e) override {
        ++paints;
        CSLamp::paintEvent(e);
    }
};
} // namespace

void ControlsTest::lampSignalAndRedraw() {
    QWidget top;
    top.resize(40, 200);
    CountingLamp lamp(&top);
    lamp.setGeometry(10, 10, 12, 180);
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));
    // Layout: segment 0 at the bottom, each a sixth... a seventeenth of the height, a gap at the top.
    QCOMPARE(lamp.SegmentRect(0).bottom(), 179);
    QCOMPARE(lamp.SegmentRect(0).top(), 180 - 10 + 6);
    QVERIFY(lamp.SegmentRect(17).bottom() < lamp.SegmentRect(16).top());
    lamp.SetSignal(199);
    QVERIFY(lamp.IsLit(CSLamp::kSignalSegment));
    QCOMPARE(lamp.LitLevelSegments(), 0);
    const int before = lamp.paints;
    lamp.SetSignal(150); // no change: no redraw
    lamp.SetLevel(100);
    QCOMPARE(lamp.paints, before);
    lamp.SetSignal(200);
    QVERIFY(!lamp.IsLit(CSLamp::kSignalSegment));
    QCOMPARE(lamp.paints, before + 1);
    lamp.SetLevel(200);
    lamp.AllOff();
    QCOMPARE(lamp.LitLevelSegments(), 0);
}

void ControlsTest::englishEditRefusesDoubleByte() {
    QWidget top;
    CEnglishEdit edit(&top, 2614);
    QSignalSpy changed(&edit, &CEnglishEdit::Changed);
    ShowAndFocus(top, &edit);
    QTest::keyClicks(&edit, "Pop 1");
    QCOMPARE(edit.text(), QStringLiteral("Pop 1"));
    QCOMPARE(changed.count(), 5);
    QCOMPARE(changed.first().first().toInt(), 2614);
    TypeText(&edit, QString::fromUtf8("中"));
    QInputMethodEvent composed;
    composed.setCommitString(QString::fromUtf8("文字"));
    QCoreApplication::sendEvent(&edit, &composed);
    QApplication::clipboard()->setText(QString::fromUtf8("ab名"));
    edit.paste();
    QCOMPARE(edit.text(), QStringLiteral("Pop 1"));
    QCOMPARE(changed.count(), 5);
    // A name from the device with other bytes can still be shortened.
    edit.setText(QString::fromLatin1("Caf\xe9"));
    edit.end(false);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QStringLiteral("Caf"));
    QVERIFY(CEnglishEdit::IsSingleByte(QStringLiteral("Pop 1")));
    QVERIFY(!CEnglishEdit::IsSingleByte(QString::fromUtf8("Pop中")));
}

void ControlsTest::bitButtonStates() {
    QWidget top;
    CBitButton button(&top, 3700);
    button.resize(80, 24);
    button.SetBitmaps(IDB_BUTTON_OFF, IDB_BUTTON_OFF, IDB_BUTTON_ON); // on-state ids 0
    button.SetOn(true);
    QCOMPARE(button.CurrentBitmapId(), int(IDB_BUTTON_OFF)); // the off-state bitmaps when on
    button.SetLook(ButtonLook::Text);
    QCOMPARE(button.CurrentBitmapId(), int(IDB_BUTTON_ON));
    button.SetOn(false);
    QCOMPARE(button.CurrentBitmapId(), int(IDB_BUTTON_OFF));
    button.setEnabled(false);
    QCOMPARE(button.CurrentBitmapId(), int(IDB_BUTTON_DISABLED));
    QCOMPARE(button.CurrentTextColour(), QColor(153, 153, 153));
    // Disabling the whole window (a modal dialog over it) does not change the look.
    button.setEnabled(true);
    top.setEnabled(false);
    QCOMPARE(button.CurrentBitmapId(), int(IDB_BUTTON_OFF));
}

// Keyboard focus draws a cue on buttons, sliders and the tab control, and the pointer lightens a button;
// neither moves or resizes anything.
void ControlsTest::focusCueAndHoverKeepTheLayout() {
    QWidget top;
    top.resize(400, 200);
    CBitButton button(&top, 3700);
    button.setGeometry(10, 10, 80, 24);
    button.SetLook(ButtonLook::Text);
    button.setText(QStringLiteral("Export"));
    std::unique_ptr<CBitmapSlider> slider = PageSlider(top);
    slider->move(10, 50);
    CEnTabCtrl tabs(&top, 1028);
    tabs.setGeometry(10, 90, 300, 80);
    tabs.InsertItem(0, QStringLiteral("Music"));
    tabs.InsertItem(1, QStringLiteral("System"));
    tabs.SetCurSel(0);
    top.show();
    top.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&top));

    const std::vector<QWidget*> controls = {&button, slider.get(), &tabs};
    for (QWidget* w : controls) {
        const QRect place = w->geometry();
        if (QWidget* f = QApplication::focusWidget()) {
            f->clearFocus(); // the window gave its first control the focus
        }
        const QImage plain = w->grab().toImage();
        w->setFocus(Qt::TabFocusReason);
        QVERIFY(w->hasFocus());
        QVERIFY2(w->grab().toImage() != plain, w->metaObject()->className());
        QCOMPARE(w->geometry(), place);
        w->clearFocus();
        QCOMPARE(w->grab().toImage(), plain);
    }

    const QImage plain = button.grab().toImage();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(button.mapToGlobal(QPoint(5, 5))));
    QCoreApplication::sendEvent(&button, &enter);
    QVERIFY(button.IsHover());
    QVERIFY(button.grab().toImage() != plain);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    QCOMPARE(button.grab().toImage(), plain);
}

void ControlsTest::fontStaticNumbers() {
    QWidget top;
    CFontStatic title(&top);
    title.SetNumber(12); // offset 0, no suffix: the plain number (band strip titles)
    QCOMPARE(title.Text(), QStringLiteral("12"));
    title.SetNumberFormat(7, QStringLiteral("dB"));
    title.SetNumber(3);
    QCOMPARE(title.Text(), QStringLiteral("-4dB"));
    title.SetTextColour(Qt::red);
    QCOMPARE(title.TextColour(), QColor(Qt::red));
}

void ControlsTest::tabControlNotifiesUserChoicesOnly() {
    QWidget top;
    CEnTabCtrl tabs(&top, 1028);
    tabs.resize(400, 100);
    for (int i = 0; i < 3; ++i) {
        tabs.InsertItem(i, QStringLiteral("Tab %1").arg(i));
    }
    QSignalSpy chosen(&tabs, &CBaseTabCtrl::SelChange);
    tabs.SetCurSel(2);
    QCOMPARE(chosen.count(), 0); // set by the program
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.ItemRect(1).center());
    QCOMPARE(tabs.GetCurSel(), 1);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.first().first().toInt(), 1);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.ItemRect(1).center()); // the selected tab again
    QCOMPARE(chosen.count(), 1);
    tabs.SetItemText(0, QString::fromUtf8("音乐"));
    QCOMPARE(tabs.ItemText(0), QString::fromUtf8("音乐"));
}

KEL_QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
