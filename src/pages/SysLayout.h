// The system page's resource (dialog 164): control ids and rectangles in dialog units, shared by the page
// and the skin generator that draws the page's background under them.
#pragma once

#include "pages/PageTemplate.h"

#include <array>

namespace kel::sys {

enum ControlId : int {
    // Labels of the "Setting" group.
    IDC_EFFECT_MAX_LABEL = 2500,
    IDC_MIC_MAX_LABEL = 2501,
    IDC_MUSIC_MAX_LABEL = 2502,
    IDC_PHANTOM_LABEL = 2503,
    IDC_IR_LABEL = 2504,
    IDC_MUSIC_INPUT_LABEL = 2505,
    IDC_SEN_LABEL = 2506,
    IDC_VOD_GAIN_LABEL = 2507,
    IDC_BGM_GAIN_LABEL = 2508,
    IDC_COAX_GAIN_LABEL = 2509,
    IDC_OPTI_GAIN_LABEL = 2510,
    // Value displays and sliders of the seven settings.
    IDC_EFFECT_MAX_VALUE = 2550,
    IDC_MIC_MAX_VALUE = 2551,
    IDC_MUSIC_MAX_VALUE = 2552,
    IDC_VOD_GAIN_VALUE = 2553,
    IDC_BGM_GAIN_VALUE = 2554,
    IDC_COAX_GAIN_VALUE = 2555,
    IDC_OPTI_GAIN_VALUE = 2556,
    IDC_EFFECT_MAX = 2570,
    IDC_MIC_MAX = 2571,
    IDC_MUSIC_MAX = 2572,
    IDC_VOD_GAIN = 2573,
    IDC_BGM_GAIN = 2574,
    IDC_COAX_GAIN = 2575,
    IDC_OPTI_GAIN = 2576,
    // Combos.
    IDC_PHANTOM = 2600,
    IDC_SEN = 2601,
    IDC_IR = 2602,
    IDC_MUSIC_INPUT = 2603,
    IDC_MODE_LIST = 2604,
    // Level meters, left to right.
    IDC_METER_FIRST = 3900,
    IDC_METER_LAST = 3911,
    // Modes.
    IDC_MODE_LABEL = 2514,
    IDC_NAME_LABEL = 2515,
    IDC_MODE_NAME = 2614,
    IDC_RECALL = 1066,
    IDC_STORE = 1067,
    IDC_EXPORT = 1069,
    IDC_IMPORT = 1384,
    IDC_EXPORT_ALL = 1388,
    IDC_IMPORT_ALL = 1389,
    // Store authority.
    IDC_AUTHORITY = 1412,
    IDC_VERIFY_LABEL = 1366,
    IDC_VERIFY_EDIT = 1023,
    IDC_VERIFY_OK = 1361,
    // System password column.
    IDC_SYS_TITLE = 2513,
    IDC_SYS_OLD_LABEL = 2592,
    IDC_SYS_NEW_LABEL = 2593,
    IDC_SYS_CONFIRM_LABEL = 1370,
    IDC_SYS_OLD = 2612,
    IDC_SYS_NEW = 2613,
    IDC_SYS_CONFIRM = 1024,
    IDC_SYS_MODIFY = 1065,
    // Panel password column.
    IDC_PANEL_TITLE = 2512,
    IDC_PANEL_OLD_LABEL = 2590,
    IDC_PANEL_NEW_LABEL = 2591,
    IDC_PANEL_CONFIRM_LABEL = 1371,
    IDC_PANEL_OLD = 2610,
    IDC_PANEL_NEW = 2611,
    IDC_PANEL_CONFIRM = 1369,
    IDC_PANEL_MODIFY = 1064,
    // Groups.
    IDC_SETTING_GROUP = 1362,
    IDC_AUTHORITY_GROUP = 1365,
    IDC_MODE_GROUP = 1367,
    IDC_PASSWORD_GROUP = 1368,
};

inline constexpr int kMeterCount = 12;

// Where the page draws its background bitmap (client pixels); the bitmap holds the "Setting" group and
// the meter panel.
inline constexpr int kBackgroundX = 5;
inline constexpr int kBackgroundY = 6;

// The meter panel (no control of its own: the background draws it).
inline constexpr PageRect kMeterPanel = {262, 5, 202, 192};
// Meter i is at kMeterX + i * kMeterPitch.
inline constexpr int kMeterX = 275;
inline constexpr int kMeterPitch = 15;
inline constexpr PageRect kMeterRect = {0, 24, 10, 156}; // x is per meter
inline constexpr int kMeterNumberY = 183;
inline constexpr int kMeterNumberH = 9;

// The picture of resource 176 (its own size), top-left corner.
inline constexpr int kPictureX = 534;
inline constexpr int kPictureY = 252;

constexpr PageRect MeterRect(int i) {
    return {kMeterX + i * kMeterPitch, kMeterRect.y, kMeterRect.w, kMeterRect.h};
}

// Rows of the "Setting" group.
inline constexpr int kSettingRow0 = 22;
inline constexpr int kSettingPitch = 17;
inline constexpr int kComboRow0 = 146;
inline constexpr int kComboPitch = 22;

constexpr int SliderRow(int i) {
    return kSettingRow0 + i * kSettingPitch;
}
constexpr int ComboRow(int i) {
    return kComboRow0 + i * kComboPitch;
}

// Password columns: the panel column lies kPanelColumnDx to the right of the system column.
inline constexpr int kPasswordX = 14;
inline constexpr int kPanelColumnDx = 226;
inline constexpr int kPasswordRow0 = 238;
inline constexpr int kPasswordPitch = 19;

inline constexpr std::array<TemplateItem, 75> kControls = {{
    // "Setting": seven sliders with their labels and displays, four combos in two rows.
    {IDC_SETTING_GROUP, ItemKind::GroupTitle, {6, 5, 250, 192}},
    {IDC_EFFECT_MAX_LABEL, ItemKind::Label, {12, SliderRow(0), 104, 11}},
    {IDC_MIC_MAX_LABEL, ItemKind::Label, {12, SliderRow(1), 104, 11}},
    {IDC_MUSIC_MAX_LABEL, ItemKind::Label, {12, SliderRow(2), 104, 11}},
    {IDC_VOD_GAIN_LABEL, ItemKind::Label, {12, SliderRow(3), 104, 11}},
    {IDC_BGM_GAIN_LABEL, ItemKind::Label, {12, SliderRow(4), 104, 11}},
    {IDC_COAX_GAIN_LABEL, ItemKind::Label, {12, SliderRow(5), 104, 11}},
    {IDC_OPTI_GAIN_LABEL, ItemKind::Label, {12, SliderRow(6), 104, 11}},
    {IDC_EFFECT_MAX, ItemKind::Slider, {118, SliderRow(0), 91, 11}},
    {IDC_MIC_MAX, ItemKind::Slider, {118, SliderRow(1), 91, 11}},
    {IDC_MUSIC_MAX, ItemKind::Slider, {118, SliderRow(2), 91, 11}},
    {IDC_VOD_GAIN, ItemKind::Slider, {118, SliderRow(3), 91, 11}},
    {IDC_BGM_GAIN, ItemKind::Slider, {118, SliderRow(4), 91, 11}},
    {IDC_COAX_GAIN, ItemKind::Slider, {118, SliderRow(5), 91, 11}},
    {IDC_OPTI_GAIN, ItemKind::Slider, {118, SliderRow(6), 91, 11}},
    {IDC_EFFECT_MAX_VALUE, ItemKind::Display, {216, SliderRow(0), 32, 11}},
    {IDC_MIC_MAX_VALUE, ItemKind::Display, {216, SliderRow(1), 32, 11}},
    {IDC_MUSIC_MAX_VALUE, ItemKind::Display, {216, SliderRow(2), 32, 11}},
    {IDC_VOD_GAIN_VALUE, ItemKind::Display, {216, SliderRow(3), 32, 11}},
    {IDC_BGM_GAIN_VALUE, ItemKind::Display, {216, SliderRow(4), 32, 11}},
    {IDC_COAX_GAIN_VALUE, ItemKind::Display, {216, SliderRow(5), 32, 11}},
    {IDC_OPTI_GAIN_VALUE, ItemKind::Display, {216, SliderRow(6), 32, 11}},
    {IDC_PHANTOM_LABEL, ItemKind::Label, {12, ComboRow(0), 62, 12}},
    {IDC_PHANTOM, ItemKind::Combo, {76, ComboRow(0), 48, 12}},
    {IDC_IR_LABEL, ItemKind::Label, {134, ComboRow(0), 62, 12}},
    {IDC_IR, ItemKind::Combo, {198, ComboRow(0), 50, 12}},
    {IDC_MUSIC_INPUT_LABEL, ItemKind::Label, {12, ComboRow(1), 62, 12}},
    {IDC_MUSIC_INPUT, ItemKind::Combo, {76, ComboRow(1), 48, 12}},
    {IDC_SEN_LABEL, ItemKind::Label, {134, ComboRow(1), 62, 12}},
    {IDC_SEN, ItemKind::Combo, {198, ComboRow(1), 50, 12}},
    // Level meters.
    {IDC_METER_FIRST + 0, ItemKind::Meter, MeterRect(0)},
    {IDC_METER_FIRST + 1, ItemKind::Meter, MeterRect(1)},
    {IDC_METER_FIRST + 2, ItemKind::Meter, MeterRect(2)},
    {IDC_METER_FIRST + 3, ItemKind::Meter, MeterRect(3)},
    {IDC_METER_FIRST + 4, ItemKind::Meter, MeterRect(4)},
    {IDC_METER_FIRST + 5, ItemKind::Meter, MeterRect(5)},
    {IDC_METER_FIRST + 6, ItemKind::Meter, MeterRect(6)},
    {IDC_METER_FIRST + 7, ItemKind::Meter, MeterRect(7)},
    {IDC_METER_FIRST + 8, ItemKind::Meter, MeterRect(8)},
    {IDC_METER_FIRST + 9, ItemKind::Meter, MeterRect(9)},
    {IDC_METER_FIRST + 10, ItemKind::Meter, MeterRect(10)},
    {IDC_METER_FIRST + 11, ItemKind::Meter, MeterRect(11)},
    // "Mode": the list of the 21 slots, the name, recall and store, the four file actions.
    {IDC_MODE_GROUP, ItemKind::Group, {470, 5, 244, 100}},
    {IDC_MODE_LABEL, ItemKind::Label, {478, 24, 30, 12}},
    {IDC_MODE_LIST, ItemKind::Combo, {510, 24, 196, 12}},
    {IDC_NAME_LABEL, ItemKind::Label, {478, 42, 30, 12}},
    {IDC_MODE_NAME, ItemKind::TextEdit, {510, 42, 196, 12}},
    {IDC_RECALL, ItemKind::Button, {478, 62, 53, 15}},
    {IDC_STORE, ItemKind::Button, {536, 62, 53, 15}},
    {IDC_EXPORT, ItemKind::Button, {478, 83, 53, 15}},
    {IDC_IMPORT, ItemKind::Button, {536, 83, 53, 15}},
    {IDC_EXPORT_ALL, ItemKind::Button, {594, 83, 53, 15}},
    {IDC_IMPORT_ALL, ItemKind::Button, {652, 83, 54, 15}},
    // "Save authority management".
    {IDC_AUTHORITY_GROUP, ItemKind::Group, {470, 111, 244, 86}},
    {IDC_AUTHORITY, ItemKind::Label, {478, 129, 228, 12}},
    {IDC_VERIFY_LABEL, ItemKind::Label, {478, 148, 228, 10}},
    {IDC_VERIFY_EDIT, ItemKind::TextEdit, {478, 163, 80, 12}},
    {IDC_VERIFY_OK, ItemKind::Button, {566, 162, 50, 14}},
    // "Password modification": the system column, then the panel column.
    {IDC_PASSWORD_GROUP, ItemKind::Group, {6, 203, 458, 122}},
    {IDC_SYS_TITLE, ItemKind::Title, {kPasswordX, 220, 200, 10}},
    {IDC_SYS_OLD_LABEL, ItemKind::Label, {kPasswordX, kPasswordRow0, 70, 12}},
    {IDC_SYS_NEW_LABEL, ItemKind::Label, {kPasswordX, kPasswordRow0 + kPasswordPitch, 70, 12}},
    {IDC_SYS_CONFIRM_LABEL, ItemKind::Label, {kPasswordX, kPasswordRow0 + 2 * kPasswordPitch, 70, 12}},
    {IDC_SYS_OLD, ItemKind::TextEdit, {kPasswordX + 74, kPasswordRow0, 80, 12}},
    {IDC_SYS_NEW, ItemKind::TextEdit, {kPasswordX + 74, kPasswordRow0 + kPasswordPitch, 80, 12}},
    {IDC_SYS_CONFIRM, ItemKind::TextEdit, {kPasswordX + 74, kPasswordRow0 + 2 * kPasswordPitch, 80, 12}},
    {IDC_SYS_MODIFY, ItemKind::Button, {kPasswordX + 74, kPasswordRow0 + 3 * kPasswordPitch + 3, 60, 15}},
    {IDC_PANEL_TITLE, ItemKind::Title, {kPasswordX + kPanelColumnDx, 220, 200, 10}},
    {IDC_PANEL_OLD_LABEL, ItemKind::Label, {kPasswordX + kPanelColumnDx, kPasswordRow0, 70, 12}},
    {IDC_PANEL_NEW_LABEL,
     ItemKind::Label,
     {kPasswordX + kPanelColumnDx, kPasswordRow0 + kPasswordPitch, 70, 12}},
    {IDC_PANEL_CONFIRM_LABEL,
     ItemKind::Label,
     {kPasswordX + kPanelColumnDx, kPasswordRow0 + 2 * kPasswordPitch, 70, 12}},
    {IDC_PANEL_OLD, ItemKind::TextEdit, {kPasswordX + kPanelColumnDx + 74, kPasswordRow0, 80, 12}},
    {IDC_PANEL_NEW,
     ItemKind::TextEdit,
     {kPasswordX + kPanelColumnDx + 74, kPasswordRow0 + kPasswordPitch, 80, 12}},
    {IDC_PANEL_CONFIRM,
     ItemKind::TextEdit,
     {kPasswordX + kPanelColumnDx + 74, kPasswordRow0 + 2 * kPasswordPitch, 80, 12}},
    {IDC_PANEL_MODIFY,
     ItemKind::Button,
     {kPasswordX + kPanelColumnDx + 74, kPasswordRow0 + 3 * kPasswordPitch + 3, 60, 15}},
}};

constexpr PageRect RectOf(int id) {
    return kel::RectOf(kControls, id);
}

constexpr bool AllIdsSet() {
    for (const TemplateItem& c : kControls) {
        if (c.id == 0) {
            return false;
        }
    }
    return true;
}
static_assert(AllIdsSet(), "every rectangle of the table names its control");

} // namespace kel::sys
