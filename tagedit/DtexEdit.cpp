#include "tagedit/DtexEdit.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>

#include "codex/DtexImage.h"
#include "foundation/FileRecord.h"
#include "gui/Button.h"
#include "gui/Menu.h"
#include "gui/MessageBox.h"
#include "gui/WindowSystem.h"
#include "platform/Clipboard.h"
#include "platform/FileDialogs.h"
#include "platform/GLTexture.h"
#include "platform/Os.h"
#include "platform/OsKeys.h"

namespace {

constexpr s32 kMaxShownSide = 512;

const char* const kMenuItems[] = {"Export (Cmd-E)", "Import (Cmd-I)", "Copy (Cmd-C)", "Paste (Cmd-V)",
                                  "Save Tag (Cmd-S)", "Mean Center rgb", "Mean Center luma"};

s32 Shown(u32 side) { return side > u32(kMaxShownSide) ? kMaxShownSide : s32(side); }

}  // namespace

DtexEdit::DtexEdit(TagEntry* tag) : TagEdit(tag)
{
    AddFlags(WF_FOCUSABLE);
}

DtexEdit::~DtexEdit()
{
    if (resource) ResourceRelease(resource);
    resource = nullptr;
}

const char* DtexEdit::GetClassName() const { return "DtexEdit"; }

void DtexEdit::GetMinimumFrameSize(Size* out, Size)
{
    u32 w = 0, h = 0;
    if (resource) resource->GetPixels(&w, &h);
    // The insets as FrameToContent takes them, from a frame too large to be clamped.
    const s32 big = 1 << 20;
    Rect probe = {0, 0, big, big}, inner;
    FrameToContent(probe, &inner);
    *out = Size{Shown(w) + big - inner.Width(), Shown(h) + big - inner.Height()};
}

void DtexEdit::DrawContent()
{
    GLTexture* texture = resource ? static_cast<GLTexture*>(resource->GetTexture()) : nullptr;
    if (!texture || !texture->id) return;
    BeginDraw(1, 0);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    texture->Bind();
    // Drawn texel for pixel, where anisotropic filtering adds nothing (and a software
    // rasteriser would blend coarser mipmap levels in). A driver without the extension knows
    // neither the setting nor its name, and would raise an error on every redraw.
    const bool anisotropic = HasAnisotropicFiltering() != 0;
    GLfloat anisotropy = 1;
    if (anisotropic) {
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
    }
    // The shifted preview samples from half the sides on; the texture repeats past its edge.
    const float sx = shifted ? float(resource->width / 2) : 0, sy = shifted ? float(resource->height / 2) : 0;
    texture->Draw(0, 0, 0, 0, 0, sx, sy, 0, 0);
    if (anisotropic) glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
    glDisable(GL_TEXTURE_2D);
    EndDraw();
}

int DtexEdit::KeyEvent(Event* event)
{
    if (event->Action() == 1 && (event->KeyModifiers() & MOD_CTRL_A)) {
        switch (event->Key()) {
        case 'C':
        case 'X': Copy(); return 1;
        case 'E': Export(); return 1;
        case 'I': Import(); return 1;
        case 'V': Paste(); return 1;
        default: break;
        }
    }
    return TagEdit::KeyEvent(event);
}

void DtexEdit::MouseButton(Event* event)
{
    if (!IsRightButton(event) || !event->Pressed()) {
        TagEdit::MouseButton(event);
        return;
    }
    // A button event's position is already a screen point.
    const Point at = event->Pos();
    Menu* menu = new Menu(0);
    for (s32 i = 0; i < s32(sizeof kMenuItems / sizeof kMenuItems[0]); ++i) menu->AddItem(kMenuItems[i], nullptr, i, 1);
    WindowWatch menuWatch(menu), editorWatch(this);
    const s32 choice = menu->Popup(at);
    if (menuWatch.IsAlive()) menu->Close();
    if (!editorWatch.IsAlive()) return;
    switch (choice) {
    case kExport: Export(); break;
    case kImport: Import(); break;
    case kCopy: Copy(); break;
    case kPaste: Paste(); break;
    case kSave: SaveAndReport(); break;
    case kMeanCenterRgb: MeanCenter(false); break;
    case kMeanCenterLuma: MeanCenter(true); break;
    default: break;
    }
}

void DtexEdit::DoubleClick(Event* event)
{
    if (IsRightButton(event)) MouseButton(event);
    else TagEdit::DoubleClick(event);
}

void DtexEdit::TakeResourceHeader()
{
    entry = resource->entry;
    header = resource->header;
}

int DtexEdit::Save()
{
    if (!resource || !resource->Save()) return 0;
    TakeResourceHeader();
    return 1;
}

int DtexEdit::Load()
{
    if (!resource) resource = DtexManager().Acquire(entry);
    if (!resource) return 0;
    shifted = WindowSystem::IsKeyDown(KEY_SHIFT) ? 1 : 0;
    TakeResourceHeader();
    return 1;
}

int DtexEdit::Create(u32 group, const char* name)
{
    resource = DtexManager().CreateNew(group, name, kNoTagId);
    if (!resource) return 0;
    TakeResourceHeader();
    return 1;
}

int DtexEdit::DiscardChanges()
{
    if (!resource || resource->referenceCount < 2) return 1;
    // Others keep the resource: they must see the stored texture again. A tag never saved
    // has nothing stored to go back to and keeps what it shows.
    if (resource->Load()) NotifyCodexListeners(kCodexContentChanged, resource->entry, nullptr);
    return 1;
}

void DtexEdit::Show()
{
    Size size;
    GetMinimumFrameSize(&size, Size{0, 0});
    SetSize(size.width, size.height);
    TagEdit::Show();
}

int DtexEdit::SetPixels(const u8* rgb, u32 width, u32 height)
{
    if (!resource || !resource->SetPixels(rgb, width, height)) return 0;
    SetModified(1);
    Invalidate(0);
    Size size;
    GetMinimumFrameSize(&size, Size{0, 0});
    SetSize(size.width, size.height);
    return 1;
}

bool DtexEdit::AcceptSides(u32 width, u32 height)
{
    const char* problem = DtexSidesProblem(width, height);
    if (!problem) return true;
    ShowMessageBox("Error", problem, "OK", nullptr);
    return false;
}

int DtexEdit::Import()
{
    FileRecord record;
    if (!OpenFileDialog("Import Detail Texture", &record, kFileKindImage, nullptr)) return 0;
    if (!record.Load() || record.image.format != kImageRgb) return 0;
    if (!AcceptSides(record.image.width, record.image.height)) return 0;
    return SetPixels(record.image.pixels, record.image.width, record.image.height);
}

int DtexEdit::Export()
{
    if (!resource || !resource->pixels) return 0;
    FileRecord record(header.name);
    if (!SaveFileDialog("Export Detail Texture", &record, kFileKindImage, nullptr)) return 0;
    int ok = record.image.Create(resource->width, resource->height, kImageRgb, resource->pixels) && record.Save();
    if (!ok) ShowMessageBox("Error", "The file could not be written.", "OK", nullptr);
    return ok;
}

int DtexEdit::Copy()
{
    if (!resource || !resource->pixels) return 0;
    return ClipboardSetImage(resource->pixels, resource->width, resource->height);
}

int DtexEdit::Paste()
{
    u8* pixels = nullptr;
    u32 w = 0, h = 0;
    if (!ClipboardGetImage(&pixels, &w, &h)) {
        OsBeep();
        return 0;
    }
    int replaced = AcceptSides(w, h) && SetPixels(pixels, w, h);
    free(pixels);
    return replaced;
}

void DtexEdit::MeanCenter(bool luma)
{
    if (!resource || !resource->pixels) return;
    MeanCenterPixels(resource->pixels, resource->width, resource->height, luma);
    resource->InvalidateTexture();
    // In-place changes are still changes the terrain must see.
    NotifyCodexListeners(kCodexContentChanged, resource->entry, nullptr);
    SetModified(1);
    Invalidate(0);
}
