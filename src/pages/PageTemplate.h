// A page's template: its controls by id, kind and rectangle in dialog units. Free of Qt, so that the skin
// generator draws a page's background under the same rectangles the page uses.
#pragma once

#include <cstdint>
#include <span>

namespace kel {

// A rectangle of a page template, in dialog units.
struct PageRect {
    int x, y, w, h;
};

enum class ItemKind : std::uint8_t {
    Label,          // static text
    Title,          // the heading of a group of controls
    Group,          // a panel with a title band
    GroupTitle,     // the title band alone, over a panel the page's background draws
    Slider,         // horizontal page slider (its size comes from the skin bitmap)
    VSlider,        // vertical page slider
    Display,        // value display beside a slider
    NumEdit,        // numeric edit
    TextEdit,       // single-byte text edit (names, passwords)
    Combo,          // drop-down list
    Button,         // two-state button with the text look
    SignButton,     // two-state button showing a plus or a minus sign
    SelectorButton, // effect selector: light grey, or orange when selected
    SwitchButton,   // on/off switch of a mix level
    Scroller,       // the band scroller (trackbar)
    Graph,          // the EQ graph
    Meter,          // a level meter
};

constexpr bool IsButtonKind(ItemKind k) {
    return k == ItemKind::Button || k == ItemKind::SignButton || k == ItemKind::SelectorButton ||
           k == ItemKind::SwitchButton;
}

constexpr bool IsSliderKind(ItemKind k) {
    return k == ItemKind::Slider || k == ItemKind::VSlider;
}

// One control of a page template; the caption is the template's own text (kept where a language table
// does not replace it).
struct TemplateItem {
    int id;
    ItemKind kind;
    PageRect rect;
    const char* caption = nullptr;
};

// The rectangle of a template's control; empty when the template has no such id.
constexpr PageRect RectOf(std::span<const TemplateItem> items, int id) {
    for (const TemplateItem& item : items) {
        if (item.id == id) {
            return item.rect;
        }
    }
    return {0, 0, 0, 0};
}

} // namespace kel
