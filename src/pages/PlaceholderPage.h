// CPlaceholderPage: the page standing in for a page that is not built yet, saying so in one line.
#pragma once

#include "model/Model.h"
#include "pages/PageBase.h"

#include <QPainter>
#include <QString>

namespace kel {

class CPlaceholderPage : public CPageBase {
  public:
    using CPageBase::CPageBase;

    // The line shown, in the current language.
    static QString Note() {
        return QString::fromUtf8(TheModel().settings.languageFlag != 0 ? "此页面尚不可用"
                                                                       : "This page is not available yet.");
    }
    void ApplyLanguage() override { update(); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setFont(font());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, Note());
    }
};

} // namespace kel
