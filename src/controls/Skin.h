// The skin: bitmaps referred to by resource id, the palette they are drawn in, and how controls load them.
#pragma once

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QPixmap>

#include <array>

class QApplication;

namespace kel {

// Resource ids of the skin. Each is resources/skin/<id>.png, with <id>@2x.png for high-density screens.
enum SkinId : int {
    IDI_APP = 128,          // window icon
    IDB_VOLUME_THUMB = 133, // master volume strips of the main window
    IDB_VOLUME_CHANNEL = 134,
    IDB_STRIP_THUMB = 137, // gain slider of an EQ band strip (vertical)
    IDB_STRIP_CHANNEL = 138,
    IDB_SLIDER_THUMB = 141, // horizontal sliders of the pages
    IDB_SLIDER_CHANNEL = 142,
    IDC_HAND = 151,                  // cursor over bitmap buttons
    IDB_BUTTON_ON = 152,             // text button, state 1 (yellow outline)
    IDB_BUTTON_OFF = 154,            // text button, state 0 (grey outline)
    IDB_SLIDER_CHANNEL_ACTIVE = 155, // the filled part of a page slider
    IDB_SIGN_PLUS = 156,             // sign button, state 0
    IDB_SIGN_MINUS = 157,            // sign button, state 1
    IDB_SELECTOR_OFF = 158,          // effect selector, state 0 (light grey)
    IDB_SELECTOR_ON = 159,           // effect selector, state 1 (orange)
    IDB_SWITCH_OFF = 160,            // mix switches of the main output page
    IDB_SWITCH_ON = 161,
    IDB_BUTTON_DISABLED = 162, // text button and selector while disabled
    IDB_SWITCH_DISABLED = 163,
    IDB_SIGN_PLUS_DISABLED = 165,
    IDB_SIGN_MINUS_DISABLED = 166,
    IDB_WINDOW_BACKGROUND = 167,
    IDB_VOLUME_CHANNEL_ACTIVE = 169,
    IDB_SYSTEM_BACKGROUND_ZH = 170, // system page background, Chinese texts (its size is used for both)
    IDB_MUTE_OFF = 172,             // mute buttons of the main window: lamp dark / lit
    IDB_MUTE_ON = 173,
    IDB_SYSTEM_BACKGROUND_EN = 174,
    IDB_SYSTEM_PICTURE = 176,
};

// Every id the skin provides; the skin generator draws exactly these.
inline constexpr std::array<int, 28> kSkinIds = {
    IDI_APP,
    IDB_VOLUME_THUMB,
    IDB_VOLUME_CHANNEL,
    IDB_STRIP_THUMB,
    IDB_STRIP_CHANNEL,
    IDB_SLIDER_THUMB,
    IDB_SLIDER_CHANNEL,
    IDC_HAND,
    IDB_BUTTON_ON,
    IDB_BUTTON_OFF,
    IDB_SLIDER_CHANNEL_ACTIVE,
    IDB_SIGN_PLUS,
    IDB_SIGN_MINUS,
    IDB_SELECTOR_OFF,
    IDB_SELECTOR_ON,
    IDB_SWITCH_OFF,
    IDB_SWITCH_ON,
    IDB_BUTTON_DISABLED,
    IDB_SWITCH_DISABLED,
    IDB_SIGN_PLUS_DISABLED,
    IDB_SIGN_MINUS_DISABLED,
    IDB_WINDOW_BACKGROUND,
    IDB_VOLUME_CHANNEL_ACTIVE,
    IDB_SYSTEM_BACKGROUND_ZH,
    IDB_MUTE_OFF,
    IDB_MUTE_ON,
    IDB_SYSTEM_BACKGROUND_EN,
    IDB_SYSTEM_PICTURE,
};

// The one palette of the skin; the generator paints the bitmaps in it and the controls draw with it.
namespace skin {
inline constexpr QRgb kFace = 0xFFDDE2E8; // page and button face
inline constexpr QRgb kFaceLight = 0xFFF3F5F8;
inline constexpr QRgb kFaceShadow = 0xFF9AA5B1;
inline constexpr QRgb kNavy = 0xFF1D2936; // top bar, tabs
inline constexpr QRgb kSlate = 0xFF34495E;
inline constexpr QRgb kSteel = 0xFF5D7388;
inline constexpr QRgb kOutline = 0xFF8894A0; // state 0 outline
inline constexpr QRgb kYellow = 0xFFF4C20D;  // state 1 outline, lit thumbs
inline constexpr QRgb kOrange = 0xFFFF8A1E;  // selected effect
inline constexpr QRgb kTeal = 0xFF23A6B5;    // filled part of a slider channel
inline constexpr QRgb kRed = 0xFFE0392B;     // mute lamp
inline constexpr QRgb kText = 0xFF111A24;
inline constexpr QRgb kTextOnDark = 0xFFFFFFFF;
inline constexpr QRgb kDisabledText = 0xFF999999; // (153, 153, 153)
inline constexpr QRgb kDisplayWell = 0xFFF7F9FB;  // light wells behind value texts on the dark bar
inline constexpr QRgb kStatusPanel = 0xFF0E151D;

// Where the thumb of the vertical gain slider travels inside its channel bitmap (IDB_STRIP_CHANNEL).
struct SliderMargins {
    int left, top, right, bottom;
};
inline constexpr SliderMargins kStripSliderMargins = {18, 1, 0, 2};
} // namespace skin

// The bitmap of a resource id at the screen's pixel ratio (the @2x file above 1); null when it is missing.
// The pixmap's device pixel ratio is set, so its logical size is the same at 1× and 2×.
QPixmap LoadSkinBitmap(int id);
QPixmap LoadSkinBitmap(int id, qreal devicePixelRatio);
// Logical size of a skin bitmap (its 1× size).
QSize SkinBitmapSize(const QPixmap& pixmap);
// The hand cursor of resource 151, or the arrow when it cannot be loaded.
QCursor HandCursor();
QIcon AppIcon();
// The application's palette and font (button face, texts) that the skin was drawn for.
void InstallSkinLook(QApplication& app);

} // namespace kel
