// A form's fonts across a DPI change: the old ones live until every control has its new
// one, and one that cannot be made at the new DPI is kept rather than lost.

#include "ui/fonts.h"

#include <gtest/gtest.h>

namespace kv::ui {
namespace {

bool g_fail = false;
win32::UniqueFont MaybeFailing(const FontDesign& font, unsigned dpi) {
    return g_fail ? win32::UniqueFont() : CreateDesignFont(font, dpi);
}

TEST(FontCache, RenewalFreesTheOldFontsOnlyAtItsEndAndKeepsOneThatCannotBeMade) {
    const FontDesign bold{.bold = true};
    FontCache fonts(&MaybeFailing);
    fonts.Reset(96);
    HFONT at96 = fonts.Get(bold);
    ASSERT_EQ(::GetObjectType(at96), static_cast<DWORD>(OBJ_FONT));

    fonts.BeginRenewal(144);
    HFONT at144 = fonts.Get(bold);
    EXPECT_NE(at144, at96);
    EXPECT_EQ(::GetObjectType(at96), static_cast<DWORD>(OBJ_FONT)) << "freed while in use";
    fonts.EndRenewal();
    EXPECT_EQ(::GetObjectType(at96), 0u) << "kept after every control has its new font";

    g_fail = true;
    fonts.BeginRenewal(192);
    EXPECT_EQ(fonts.Get(bold), at144) << "the font of the last DPI stays in use";
    fonts.EndRenewal();
    g_fail = false;
    EXPECT_EQ(::GetObjectType(at144), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(fonts.Get(bold), at144);
}

} // namespace
} // namespace kv::ui
