// Loading the skin from the application's resources.
#include "controls/Skin.h"

#include "controls/DialogUnits.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QPixmapCache>
#include <QString>
#include <QtGlobal>

// The skin's resource lives in this static library; referencing its initialiser keeps it linked.
static void InitSkinResource() {
    Q_INIT_RESOURCE(skin);
}

namespace kel {

namespace {
void EnsureSkinResource() {
    static const bool ready = (InitSkinResource(), true);
    (void)ready;
}

QString SkinFile(int id, bool hiDpi) {
    return QStringLiteral(":/skin/%1%2.png").arg(id).arg(hiDpi ? QStringLiteral("@2x") : QString());
}
} // namespace

QPixmap LoadSkinBitmap(int id, qreal devicePixelRatio) {
    EnsureSkinResource();
    const bool hiDpi = devicePixelRatio > 1.0;
    const QString key = QStringLiteral("kel-skin-%1-%2").arg(id).arg(hiDpi ? 2 : 1);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    if (!(hiDpi && pixmap.load(SkinFile(id, true)))) {
        if (!pixmap.load(SkinFile(id, false))) {
            return {};
        }
        pixmap.setDevicePixelRatio(1.0);
    } else {
        pixmap.setDevicePixelRatio(2.0);
    }
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QPixmap LoadSkinBitmap(int id) {
    const qreal ratio = qApp != nullptr ? qApp->devicePixelRatio() : 1.0;
    return LoadSkinBitmap(id, ratio);
}

QSize SkinBitmapSize(const QPixmap& pixmap) {
    if (pixmap.isNull()) {
        return {};
    }
    return pixmap.deviceIndependentSize().toSize();
}

QCursor HandCursor() {
    const QPixmap hand = LoadSkinBitmap(IDC_HAND);
    if (hand.isNull()) {
        return QCursor(Qt::ArrowCursor);
    }
    // The tip of the index finger is the hot spot.
    return QCursor(hand, 11, 1);
}

QIcon AppIcon() {
    EnsureSkinResource();
    QIcon icon;
    icon.addFile(QStringLiteral(":/skin/%1.png").arg(IDI_APP));
    icon.addFile(QStringLiteral(":/skin/%1@2x.png").arg(IDI_APP));
    return icon;
}

void InstallSkinLook(QApplication& app) {
    QPalette pal = app.palette();
    const QColor face = QColor::fromRgb(skin::kFace);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Window, face);
        pal.setColor(group, QPalette::Button, face);
        pal.setColor(group, QPalette::WindowText, QColor::fromRgb(skin::kText));
        pal.setColor(group, QPalette::ButtonText, QColor::fromRgb(skin::kText));
        pal.setColor(group, QPalette::Light, QColor::fromRgb(skin::kFaceLight));
        pal.setColor(group, QPalette::Mid, QColor::fromRgb(skin::kFaceShadow));
        pal.setColor(group, QPalette::Dark, QColor::fromRgb(skin::kFaceShadow));
        pal.setColor(group, QPalette::Highlight, QColor::fromRgb(skin::kTeal));
    }
    pal.setColor(QPalette::Disabled, QPalette::Window, face);
    pal.setColor(QPalette::Disabled, QPalette::Button, face);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor::fromRgb(skin::kDisabledText));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor::fromRgb(skin::kDisabledText));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor::fromRgb(skin::kDisabledText));
    app.setPalette(pal);
    app.setFont(DialogFont());
}

} // namespace kel
