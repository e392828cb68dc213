// What the page tests share: the page under test shown on its own at its template's size in Full Mode,
// messages delivered to it, clicks, and the band strip row's state.
#pragma once

#include "controls/BitButton.h"
#include "controls/DialogUnits.h"
#include "controls/FontStatic.h"
#include "controls/MessageEvent.h"
#include "model/Model.h"
#include "model/Sections.h"
#include "pages/EQDlg.h"
#include "pages/StripRow.h"

#include <QCoreApplication>
#include <QObject>
#include <QSlider>
#include <QTest>

#include <cstdint>
#include <memory>

namespace kel::uitest {

template <class PageT> class PageTestBase : public QObject {
  protected:
    std::unique_ptr<PageT> m_page;

    PageT& Page() { return *m_page; }
    void Deliver() { QCoreApplication::sendPostedEvents(); }
    // Posted to the page, as the controls and the graph post it, and delivered.
    void Message(int message, std::intptr_t w, std::intptr_t l) {
        QCoreApplication::postEvent(m_page.get(), new CMessageEvent(message, w, l));
        Deliver();
    }
    void Click(int id) { Page().Button(id)->click(); }

    // A fresh model and a new page in Full Mode at its template's size (dialog units), shown; with
    // `active` it also takes the keyboard focus. Its language is applied; `refresh` also loads it.
    void BuildPage(QSize dialogUnits, bool active, bool refresh = true) {
        ResetModel();
        CommitShadow(false); // the filter objects bound, the shadow equal to the image
        TheModel().settings.operatingMode = 1;
        m_page = std::make_unique<PageT>(nullptr, nullptr);
        m_page->resize(DialogUnits::Get().Size(dialogUnits.width(), dialogUnits.height()));
        m_page->show();
        if (active) {
            m_page->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
        }
        m_page->ApplyLanguage();
        if (refresh) {
            m_page->ApplyMode();
            m_page->Refresh();
        }
        Deliver();
    }
};

// The strip of a row whose title is red: -1 for none, -2 when there are two.
inline int RedStrip(const CStripRow& row) {
    int red = -1;
    for (int i = 0; i < row.Count(); ++i) {
        if (row.Strip(i).Title().TextColour() == QColor(255, 0, 0)) {
            red = red == -1 ? i : -2;
        }
    }
    return red;
}

// The band scroller moved by the user to a position.
inline void Scroll(QSlider& scroller, int position) {
    scroller.setSliderPosition(position);
    scroller.triggerAction(QAbstractSlider::SliderMove);
}

} // namespace kel::uitest
