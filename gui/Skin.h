#pragma once
// The skin: every framed or textured widget part, drawn from the images of the user
// interface's texture pack by number, and the metrics layout depends on. There is one skin;
// its pack and its table of the 81 images are process-wide, so the object itself has no
// fields.
//
// The metrics need no OpenGL (they live in the headless library, with InstallSkinPack for
// tests); construction and drawing need the program's OpenGL context. An image the pack
// lacks counts as 0 x 0 and the parts that use it are skipped.
#include "gui/core/Geometry.h"
#include "gui/core/TexturePack.h"

constexpr u32 kSkinImageCount = 81;

// Makes pack the skin's pack (taking ownership; the previous one is freed) and looks up
// images 0 to 80 by id. No textures are made. Null uninstalls.
void InstallSkinPack(TexturePack* pack);
TexturePack* GetSkinPack();
// Image n of the skin, null when the pack has none (or n is out of range).
PackImage* GetSkinImage(u32 n);

// Drawing primitives used by the skin and by every window's own drawing.
// The current colour: red in the low byte, alpha in the high byte (as glColor4ub).
void SetColor(u32 rgba);
// Fills the rectangle in the current colour.
void FillRect(const Rect& r);
// Four bars of width w inside the rectangle; with shift every coordinate is first moved by
// -w / 2.
void DrawRectOutline(const Rect& r, s32 w, int shift);

class Skin {
public:
    // Loads the pack at path (the program's "res/texturepack"), makes its textures and
    // installs it. A pack that cannot be read ends the program at once (exit code 2, the reason
    // on standard error).
    explicit Skin(const char* path = "res/texturepack");
    // Frees the pack and its textures.
    ~Skin();
    Skin(const Skin&) = delete;
    Skin& operator=(const Skin&) = delete;

    // Metrics.
    static s32 GetBorderWidth();       // height of image 1
    static s32 GetThinBorderWidth();   // height of image 2
    static s32 GetTitleBarHeight();    // 22
    static Size GetTitleButtonSize();  // size of image 52
    // Left cap width + 24 + right cap width by the left cap's height; the same size is
    // written to both (optional) out parameters.
    static void GetButtonSize(Size* first, Size* second);
    static Size GetCheckBoxSize();  // size of image 12
    static s32 GetTabSpacing();     // 8
    // The tab for a title of the given width and the title's place in it; either optional. The
    // title starts past the left cap and past the GetTabSpacing() pixels that the tab on its
    // left overlaps, plus two.
    static void GetTabRect(s32 textWidth, Rect* tab, Rect* text);
    static s32 GetSelectionMargin();   // 2
    static s32 GetScrollBarWidth();    // width of image 38
    static Size GetSubmenuArrowSize();  // size of image 27

    // Drawing, in the current drawing coordinates. Each part queues its images and flushes.
    // Queues image n at its natural size (no flush).
    void DrawImage(u32 n, s32 x, s32 y, u32 drawFlags);
    // Image n at its natural size in opaque white.
    void DrawIcon(u32 n, s32 x, s32 y);
    static void SetHighlightColor(int active, int strong);
    static void SetTextColor(int inverse);
    void DrawBackground(const Rect& r);
    void DrawDarkBackground(const Rect& r);
    void DrawMenuBackground(const Rect& r);
    // Edges: mask 1 left, 2 top, 4 right, 8 bottom. Corners of image 16: 16 top-left, 32
    // top-right, 64 bottom-right, 128 bottom-left; of image 17: 0x100, 0x200, 0x400, 0x800.
    void DrawFrame(const Rect& r, u32 mask);
    void DrawThinBorder(const Rect& r);
    // Right of and below the rectangle, in the current colour.
    void DrawShadow(const Rect& r, int large);
    void DrawTitleBar(const Rect& r, int active);
    // box 0 close, 1 zoom, 2 collapse; the caller flushes.
    void DrawTitleButton(const Rect& r, u32 box, int pressed);
    void DrawButton(const Rect& r, int pressed);
    void DrawCheckBox(const Rect& r, u32 state);
    void DrawTab(const Rect& r, int active);
    void DrawGroupFrame(const Rect& r);
    void DrawScrollTrack(const Rect& r, int horizontal, int firstPressed, int secondPressed, int enabled);
    void DrawScrollThumb(const Rect& r, int horizontal, int pressed);
    void DrawDropdownArrow(int enabled, int pressed, s32 x, s32 y);
    void DrawSubmenuArrow(const Rect& r);
    void DrawTreeArrow(const Rect& r, int expanded);
    // flags: 1 active, 2 fill, 4 outline.
    void DrawSelection(const Rect& r, u32 flags);
    void DrawRubberBand(const Rect& r);
};
