// The application-wide key filter behind TakeFocusOnEnter.
#include "controls/EnterFocus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kel {

namespace {

constexpr const char* kMarker = "kelTakesFocusOnEnter";

class EnterFocusFilter : public QObject {
  public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Escape) {
            return false;
        }
        if (QApplication::focusWidget() != nullptr && watched != QApplication::focusWidget()) {
            return false; // the same key propagating to a parent: already handled
        }
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->window()->windowType() == Qt::Popup) {
            return false; // an open drop-down list handles its own keys
        }
        for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
            if (w->property(kMarker).toBool() && w->isVisible()) {
                w->setFocus(Qt::OtherFocusReason);
            }
        }
        return false;
    }
};

} // namespace

void TakeFocusOnEnter(QWidget* widget) {
    static EnterFocusFilter* filter = nullptr;
    if (filter == nullptr && qApp != nullptr) {
        filter = new EnterFocusFilter(qApp);
        qApp->installEventFilter(filter);
    }
    widget->setProperty(kMarker, true);
    if (widget->focusPolicy() == Qt::NoFocus) {
        widget->setFocusPolicy(Qt::ClickFocus);
    }
}

} // namespace kel
