#include "ui/control_style.h"

#include <gtest/gtest.h>

#include <array>

namespace kv::ui {
namespace {

using namespace style;

ControlDesign Row(int id, Kind kind, std::uint32_t flags = kNone, int tabIndex = -1) {
    ControlDesign d{};
    d.id = id;
    d.name = L"name";
    d.kind = kind;
    d.left = 100 * id;
    d.width = 50;
    d.height = 50;
    d.flags = flags;
    d.tabIndex = tabIndex;
    return d;
}

TEST(ControlStyle, EachKindOfRowBecomesItsWindow) {
    struct Case {
        ControlDesign row;
        ControlStyle expected;
    };
    const Case cases[] = {
        {Row(1, Kind::Label), {ControlClass::Static, kChild | kVisible | kStaticLeft}},
        {Row(2, Kind::Label, kAutoSize | kNoPrefix),
         {ControlClass::Static, kChild | kVisible | kStaticNoWrap | kStaticNoPrefix}},
        {Row(3, Kind::Label, kAlignRight | kAutoSize),
         {ControlClass::Static, kChild | kVisible | kStaticRight}},
        {Row(4, Kind::Label, kAutoSize | kLink),
         {ControlClass::Static, kChild | kVisible | kStaticNoWrap | kStaticNotify}},
        {Row(5, Kind::Label, kAutoSize | kEllipsis),
         {ControlClass::Static,
          kChild | kVisible | kStaticNoWrap | kStaticEndEllipsis | kStaticNotify}},
        {Row(6, Kind::Button, kDefault, 0),
         {ControlClass::Button, kChild | kVisible | kTabStop | kDefPushButton | kButtonNotify}},
        {Row(7, Kind::PictureButton, kNone, 1),
         {ControlClass::Button, kChild | kVisible | kTabStop | kPushButton | kButtonNotify}},
        {Row(8, Kind::TextBox, kPassword, 2),
         {ControlClass::Edit, kChild | kVisible | kTabStop | kEditAutoHScroll | kEditPassword,
          kExClientEdge}},
        {Row(9, Kind::ListBox, kHidden),
         {ControlClass::ListBox, kChild | kListNoIntegralHeight | kVScroll, kExClientEdge}},
        {Row(10, Kind::Image, kBorder),
         {ControlClass::Static, kChild | kVisible | kStaticOwnerDraw | kWindowBorder, 0, true}},
        {Row(11, Kind::PictureBox),
         {ControlClass::PictureBox, kChild | kVisible | kClipChildren, kExControlParent}},
        {Row(12, Kind::Line), {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StyleFor(c.row, std::span(&c.row, 1)), c.expected) << "row " << c.row.id;
    }
}

TEST(ControlStyle, OnlyLabelsAndImagesOverAShownWindowedSiblingClipIt) {
    ControlDesign label = Row(1, Kind::Label);
    ControlDesign image = Row(2, Kind::Image);
    image.left = label.left;
    ControlDesign button = Row(3, Kind::Button, kNone, 0);
    button.left = label.left + 40; // overlaps both by 10 twips
    ControlDesign hidden = button;
    hidden.flags = kHidden;
    ControlDesign elsewhere = button;
    elsewhere.parent = 99;

    const std::array withButton{label, image, button};
    EXPECT_TRUE(StyleFor(label, withButton).style & kClipSiblings);
    EXPECT_TRUE(StyleFor(image, withButton).style & kClipSiblings);
    EXPECT_FALSE(StyleFor(button, withButton).style & kClipSiblings);
    EXPECT_FALSE(StyleFor(label, std::array{label, hidden}).style & kClipSiblings);
    EXPECT_FALSE(StyleFor(label, std::array{label, elsewhere}).style & kClipSiblings);
    ControlDesign touching = button;
    touching.left = label.left + label.width; // edges meet, boxes do not overlap
    EXPECT_FALSE(StyleFor(label, std::array{label, touching}).style & kClipSiblings);
}

TEST(ControlStyle, PictureBoxesThenTabOrderThenTheRestAsDesigned) {
    const std::array rows{Row(1, Kind::Label),         Row(2, Kind::Button, kNone, 2),
                          Row(3, Kind::PictureBox),    Row(4, Kind::TextBox, kNone, 0),
                          Row(5, Kind::Image),         Row(6, Kind::Button, kNone, 1),
                          Row(7, Kind::PictureBox)};
    std::vector<int> ids;
    for (const ControlDesign* d : CreationOrder(rows)) {
        ids.push_back(d->id);
    }
    EXPECT_EQ(ids, (std::vector<int>{3, 7, 4, 6, 2, 1, 5}));
}

} // namespace
} // namespace kv::ui
