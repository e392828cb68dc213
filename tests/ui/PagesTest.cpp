// Every page of the page table, built as the window builds it: its tables bind controls of the kinds they
// declare, and showing it in either language and mode writes nothing into the model.
#include "UiTestMain.h"

#include "app/PageTable.h"
#include "controls/BitButton.h"
#include "controls/BitmapSlider.h"
#include "controls/Edit_Static.h"
#include "controls/NumEdit.h"
#include "dsp/FilterBank.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/PageConventions.h"

#include <QComboBox>
#include <QSlider>

#include <array>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace kel;

namespace {

std::unique_ptr<CPageBase> Build(const PageEntry& entry) {
    return std::unique_ptr<CPageBase>(entry.create(nullptr, nullptr));
}

// A program and system block unlike the defaults in every byte, with a slot the mode list can show.
void VaryTheModel() {
    Model& m = TheModel();
    std::mt19937 random(20261210);
    auto fill = [&random](void* p, std::size_t n) {
        auto* bytes = static_cast<u8*>(p);
        for (std::size_t i = 0; i < n; ++i) {
            bytes[i] = static_cast<u8>(random());
        }
    };
    fill(&m.image, sizeof m.image);
    fill(&m.system, sizeof m.system);
    m.system.currentSlot = 3;
    CommitShadow(true); // the filter objects follow the new bytes
}

std::vector<std::string> g_reported;
void Record(const std::string& message) {
    g_reported.push_back(message);
}

} // namespace

class PagesTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { InstallFilterBank(); }
    void init() { ResetModel(); }

    void everyTableBindsControlsOfItsKind();
    void showingAPageWritesNothing_data();
    void showingAPageWritesNothing();
    void aFaultyTableIsReportedAndLeftOut();
};

void PagesTest::everyTableBindsControlsOfItsKind() {
    int bound = 0;
    std::vector<std::unique_ptr<CPageBase>> pages;
    std::vector<CBoundPage*> bounds; // the pages and their sub-pages
    for (const PageEntry& entry : kPages) {
        pages.push_back(Build(entry));
        if (auto* p = dynamic_cast<CBoundPage*>(pages.back().get())) {
            bounds.push_back(p);
        }
        for (QWidget* child : pages.back()->findChildren<QWidget*>()) {
            if (auto* sub = dynamic_cast<CBoundPage*>(child)) { // the pages have no meta-object of their own
                bounds.push_back(sub);
            }
        }
    }
    for (CBoundPage* p : bounds) {
        ++bound;
        const PageTables& s = p->Tables();
        std::string faults;
        for (const std::string& e : p->TableFaults()) {
            faults += e + "; ";
        }
        QVERIFY2(p->TableFaults().empty(), faults.c_str());
        // Independently of the page's own check: the widgets behind the ids are of the declared kinds.
        for (const SliderBinding& b : s.sliders) {
            if (b.slider == 0) { // an edit without a slider
                QVERIFY(p->NumEdit(b.partner) != nullptr);
                continue;
            }
            QVERIFY(p->Slider(b.slider) != nullptr);
            QVERIFY(p->Display(b.partner) != nullptr || p->NumEdit(b.partner) != nullptr);
        }
        for (const ComboBinding& b : s.combos) {
            QVERIFY(p->Combo(b.combo) != nullptr);
        }
        for (const ToggleBinding& b : s.toggles) {
            QVERIFY(p->Button(b.button) != nullptr);
        }
        for (const TextEditSetup& t : s.textEdits) {
            QVERIFY(p->TextEdit(t.id) != nullptr);
        }
        for (const auto& texts : {s.texts, s.modeTexts}) {
            for (const PageText& t : texts) {
                QVERIFY2(p->Control(t.id) != nullptr, std::to_string(t.id).c_str());
            }
        }
        for (int id : s.expert) {
            QVERIFY(p->Control(id) != nullptr);
        }
        for (const ChannelChoice& c : s.channels.choices) {
            QVERIFY(p->Button(c.button) != nullptr);
        }
        if (s.channels.linkButton != 0) {
            QVERIFY(p->Button(s.channels.linkButton) != nullptr);
        }
        if (s.eqResetButton != 0) {
            QVERIFY(p->Button(s.eqResetButton) != nullptr);
        }
        if (s.strips.scroller != 0) {
            QVERIFY(dynamic_cast<QSlider*>(p->Control(s.strips.scroller)) != nullptr);
        }
        QVERIFY(s.graph.id == 0 || p->Graph() != nullptr);
    }
    QVERIFY(bound >= 5);
}

void PagesTest::showingAPageWritesNothing_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("mode");
    for (std::size_t i = 0; i < kPages.size(); ++i) {
        for (int language : {0, 1}) {
            for (int mode : {0, 1}) {
                const std::string name = "page " + std::to_string(i) + (language != 0 ? " zh" : " en") +
                                         (mode != 0 ? " full" : " easy");
                QTest::newRow(name.c_str()) << static_cast<int>(i) << language << mode;
            }
        }
    }
}

void PagesTest::showingAPageWritesNothing() {
    QFETCH(int, page);
    QFETCH(int, language);
    QFETCH(int, mode);
    Model& m = TheModel();
    m.settings.languageFlag = language;
    m.settings.operatingMode = mode;
    const auto p = Build(kPages[static_cast<std::size_t>(page)]);
    p->ApplyLanguage();
    p->show();
    VaryTheModel();
    const ProgramImage image = m.image;
    const SystemBlock system = m.system;

    p->Refresh();
    p->ApplyMode();
    QCoreApplication::processEvents();
    p->Refresh();

    QVERIFY(std::memcmp(&image, &m.image, sizeof image) == 0);
    QVERIFY(std::memcmp(&system, &m.system, sizeof system) == 0);
}

void PagesTest::aFaultyTableIsReportedAndLeftOut() {
    enum { kLabel = 1, kSlider = 2, kMissing = 3 };
    static constexpr auto kItems = std::to_array<TemplateItem>({
        {kLabel, ItemKind::Label, {0, 0, 20, 8}},
        {kSlider, ItemKind::Slider, {0, 10, 91, 11}},
    });
    static const auto kSliders = std::to_array<SliderBinding>({
        // A label where the slider should be, and a partner the template does not have.
        {kLabel, kMissing, Conv::MicLevel, {FieldBase::System, FieldForm::Byte, 0}},
    });
    static constexpr auto kTexts = std::to_array<PageText>({{kSlider, "x", "x"}});
    static const PageTables kTables = {.controls = kItems, .sliders = kSliders, .texts = kTexts};

    g_reported.clear();
    const PageTableErrorHandler old = SetPageTableErrorHandler(&Record);
    CBoundPage page(nullptr, nullptr, kTables);
    SetPageTableErrorHandler(old);

    QCOMPARE(static_cast<int>(g_reported.size()), 3);
    QCOMPARE(page.TableFaults(), g_reported);
    QVERIFY(g_reported[0].find("is not a slider") != std::string::npos);
    QVERIFY(g_reported[1].find("names no control") != std::string::npos);
    QVERIFY(g_reported[2].find("is not a captioned control") != std::string::npos);
    // The page still works; the faulty binding does nothing.
    const SystemBlock before = TheModel().system;
    page.Refresh();
    page.ApplyLanguage();
    QVERIFY(std::memcmp(&before, &TheModel().system, sizeof before) == 0);
}

KEL_QTEST_MAIN(PagesTest)
#include "PagesTest.moc"
