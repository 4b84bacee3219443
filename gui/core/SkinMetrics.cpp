// The skin's process-wide image table and the metrics derived from it (no OpenGL).
#include "gui/Skin.h"

namespace {

TexturePack* g_pack = nullptr;
PackImage* g_images[kSkinImageCount];

Size ImageSize(u32 n)
{
    Size s = {0, 0};
    GetPackImageSize(GetSkinImage(n), &s.width, &s.height);
    return s;
}

}  // namespace

void InstallSkinPack(TexturePack* pack)
{
    if (g_pack && g_pack != pack) FreeTexturePack(g_pack);
    g_pack = pack;
    for (u32 n = 0; n < kSkinImageCount; ++n) g_images[n] = FindPackImage(pack, n);
}

TexturePack* GetSkinPack() { return g_pack; }

PackImage* GetSkinImage(u32 n) { return n < kSkinImageCount ? g_images[n] : nullptr; }

s32 Skin::GetBorderWidth() { return ImageSize(1).height; }

s32 Skin::GetThinBorderWidth() { return ImageSize(2).height; }

s32 Skin::GetTitleBarHeight() { return 22; }

Size Skin::GetTitleButtonSize() { return ImageSize(52); }

void Skin::GetButtonSize(Size* first, Size* second)
{
    Size left = ImageSize(6);
    Size right = ImageSize(8);
    Size s = {left.width + 24 + right.width, left.height};
    if (first) *first = s;
    if (second) *second = s;
}

Size Skin::GetCheckBoxSize() { return ImageSize(12); }

s32 Skin::GetTabSpacing() { return 8; }

void Skin::GetTabRect(s32 textWidth, Rect* tab, Rect* text)
{
    Size left = ImageSize(66);
    Size right = ImageSize(68);
    // The tab on the left is drawn over this tab's first GetTabSpacing() pixels, so a label that
    // started at a narrower left cap would lose its first letter under that tab's right cap;
    // two pixels more keep the label's shadow off that cap's edge.
    s32 textLeft = left.width > GetTabSpacing() + 2 ? left.width : GetTabSpacing() + 2;
    if (tab) *tab = {0, 0, textLeft + textWidth + 4 + right.width, left.height};
    if (text) *text = {textLeft, 2, textLeft + textWidth + 4, left.height - 1};
}

s32 Skin::GetSelectionMargin() { return 2; }

s32 Skin::GetScrollBarWidth() { return ImageSize(38).width; }

Size Skin::GetSubmenuArrowSize() { return ImageSize(27); }
