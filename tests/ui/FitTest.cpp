// Every numeric edit and value display of the window shows the widest value of its conversion whole, in
// both languages. CTest runs this program at 100 % and again with QT_SCALE_FACTOR=2.
#include "UiTestMain.h"

#include "app/TarnDlg.h"
#include "app/WindowCore.h"
#include "controls/DialogUnits.h"
#include "controls/Edit_Static.h"
#include "controls/FitFont.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"

#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionFrame>

#include <memory>

using namespace kel;

namespace {

// The widest text and its width in the control's own font.
struct Widest {
    QString text;
    int width = 0;
};

Widest WidestOf(const QStringList& texts, const QFont& font) {
    const QFontMetrics fm(font);
    Widest w;
    for (const QString& t : texts) {
        const int advance = fm.horizontalAdvance(t);
        if (advance > w.width) {
            w = {t, advance};
        }
    }
    return w;
}

// Where a line edit draws its text: the style's contents rectangle less QLineEdit's 2-pixel margins.
int LineEditRoom(const QLineEdit& edit) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.rect = edit.rect();
    option.lineWidth =
        edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    return edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit).width() - 4;
}

QString Where(const QWidget& w) {
    QStringList chain;
    for (const QWidget* p = &w; p != nullptr; p = p->parentWidget()) {
        chain.prepend(QString::fromLatin1(p->metaObject()->className()));
    }
    return chain.join(QLatin1Char('/'));
}

} // namespace

class FitTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void widestValuesFit_data();
    void widestValuesFit();
    void narrowingKeepsFittingTexts();
};

void FitTest::widestValuesFit_data() {
    QTest::addColumn<int>("language");
    QTest::newRow("English") << 0;
    QTest::newRow("Chinese") << 1;
}

void FitTest::widestValuesFit() {
    QFETCH(int, language);
    ResetModel();
    WindowCore core;
    CTarnDlg::Settings settings;
    settings.screenSize = QSize(1920, 1080);
    settings.postConnect = false;
    settings.language = language != 0 ? LanguageSetting::Chinese : LanguageSetting::English;
    auto window = std::make_unique<CTarnDlg>(core, settings);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    qInfo("device pixel ratio %.1f", window->devicePixelRatioF());

    int edits = 0;
    // The controls have no meta-object of their own: found among all widgets by their C++ type.
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        auto* edit = dynamic_cast<CNumEdit*>(widget);
        if (edit == nullptr) {
            continue;
        }
        const Widest w = WidestOf(edit->AllTexts(), edit->font());
        const int room = LineEditRoom(*edit);
        QVERIFY2(w.width <= room, qPrintable(QStringLiteral("%1 (%2..%3): \"%4\" is %5 px, room %6 px")
                                                 .arg(Where(*edit))
                                                 .arg(edit->RangeMin())
                                                 .arg(edit->RangeMax())
                                                 .arg(w.text)
                                                 .arg(w.width)
                                                 .arg(room)));
        ++edits;
    }
    int displays = 0;
    for (QWidget* widget : widgets) {
        auto* display = dynamic_cast<CEdit_Static*>(widget);
        if (display == nullptr) {
            continue;
        }
        const Widest w = WidestOf(display->AllTexts(), display->font());
        QVERIFY2(w.width <= display->width(), qPrintable(QStringLiteral("%1: \"%2\" is %3 px, room %4 px")
                                                             .arg(Where(*display), w.text)
                                                             .arg(w.width)
                                                             .arg(display->width())));
        ++displays;
    }
    // The music page's strips and crossovers, the system page's gains and the volume strips at least.
    qInfo("%d numeric edits, %d value displays", edits, displays);
    QVERIFY(edits >= 30);
    QVERIFY(displays >= 3);
}

void FitTest::narrowingKeepsFittingTexts() {
    QWidget parent;
    parent.setFont(DialogFont());
    QWidget w(&parent);
    const QStringList texts = {QStringLiteral("128.000"), QStringLiteral("0.400")};
    const int natural = WidestAdvance(texts, parent.font());
    // Room enough: the inherited font stays.
    FitFontToWidth(w, texts, natural);
    QVERIFY(!w.testAttribute(Qt::WA_SetFont));
    // A quarter less: narrower, and no smaller than needed (the height stays while stretching suffices).
    FitFontToWidth(w, texts, natural * 3 / 4);
    QVERIFY(WidestAdvance(texts, w.font()) <= natural * 3 / 4);
    QCOMPARE(w.font().pixelSize(), parent.font().pixelSize());
    // Room again: back to the inherited font.
    FitFontToWidth(w, texts, natural);
    QCOMPARE(w.font(), parent.font());
}

KEL_QTEST_MAIN(FitTest)
#include "FitTest.moc"
