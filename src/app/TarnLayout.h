// The main window's resource (dialog 102): its size and the rectangles of its controls in dialog units.
#pragma once

#include <array>

namespace kel::tarn {

inline constexpr int kWindowWidthDlu = 723;
inline constexpr int kWindowHeightDlu = 373;

enum ControlId : int {
    IDC_MODE_LIST = 1025,
    IDC_TABS = 1028,
    IDC_MUSIC_LABEL = 3800,
    IDC_MIC_LABEL = 3801,
    IDC_EFFECT_LABEL = 3802,
    IDC_MUSIC_VALUE = 3810,
    IDC_MIC_VALUE = 3811,
    IDC_EFFECT_VALUE = 3812,
    IDC_MUSIC_SLIDER = 3820,
    IDC_MIC_SLIDER = 3821,
    IDC_EFFECT_SLIDER = 3822,
    IDC_STATUS = 3830,
    IDC_CONNECT = 3831,
    IDC_LANGUAGE = 3832,
    IDC_MUSIC_MUTE = 4000,
    IDC_EFFECT_MUTE = 4001,
    IDC_MIC_MUTE = 4002,
};

struct DluRect {
    int x, y, w, h;
};

struct ControlRect {
    int id;
    DluRect rect;
};

// The three volume labels reach up to their slider so that "Music Vol" and "音乐音量" fit in one line;
// the mode list is given its closed height (its 30 units include the open list).
inline constexpr std::array<ControlRect, 17> kControls = {{
    {IDC_TABS, {2, 16, 720, 358}},
    {IDC_MUSIC_LABEL, {4, 3, 33, 8}},
    {IDC_MUSIC_SLIDER, {38, 2, 67, 11}},
    {IDC_MUSIC_VALUE, {109, 3, 10, 8}},
    {IDC_MUSIC_MUTE, {123, 2, 10, 10}},
    {IDC_MIC_LABEL, {144, 3, 29, 8}},
    {IDC_MIC_SLIDER, {174, 2, 67, 11}},
    {IDC_MIC_VALUE, {246, 3, 10, 8}},
    {IDC_MIC_MUTE, {262, 2, 10, 10}},
    {IDC_EFFECT_LABEL, {282, 3, 41, 8}},
    {IDC_EFFECT_SLIDER, {324, 2, 67, 11}},
    {IDC_EFFECT_VALUE, {396, 3, 10, 8}},
    {IDC_EFFECT_MUTE, {412, 2, 10, 10}},
    {IDC_MODE_LIST, {428, 2, 56, 12}},
    {IDC_STATUS, {490, 3, 113, 9}},
    {IDC_CONNECT, {608, 1, 50, 14}},
    {IDC_LANGUAGE, {666, 1, 50, 14}},
}};

constexpr DluRect RectOf(int id) {
    for (const ControlRect& c : kControls) {
        if (c.id == id) {
            return c.rect;
        }
    }
    return {0, 0, 0, 0};
}

// The progress dialog (dialog 171), below a caption band of its own: the dialog is frameless, so its
// caption shows whether or not a window manager draws titles. The step line shares the text's place.
inline constexpr int kShowDlgCaptionHeight = 12;
inline constexpr DluRect kShowDlgSize = {0, 0, 187, 55 + kShowDlgCaptionHeight};
inline constexpr DluRect kShowDlgCaption = {0, 0, 187, kShowDlgCaptionHeight};
inline constexpr DluRect kShowDlgText = {15, 10 + kShowDlgCaptionHeight, 159, 14}; // static 1413
inline constexpr DluRect kShowDlgBar = {15, 32 + kShowDlgCaptionHeight, 159, 14};  // progress bar 1411

} // namespace kel::tarn
