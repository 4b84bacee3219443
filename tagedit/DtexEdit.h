#pragma once
// DtexEdit: the editor of detail textures ('dtex'). It holds one reference to the tag's shared
// DtexTag resource (the terrain editor may hold the same one), so every change shows wherever
// the texture is drawn. It shows the texture at its own size, imports and exports it as an
// image file, copies and pastes it through the clipboard, mean-centres it and saves it through
// the resource.
//
// Opened with Shift held, the texture is drawn shifted by half its width and height (how it
// tiles); only the drawing moves, the shared pixels and the saved tag stay as they were.
#include "codex/DtexTag.h"
#include "tagedit/TagEdit.h"

class DtexEdit : public TagEdit {
public:
    // Focusable: it has no child to take the keys.
    explicit DtexEdit(TagEntry* entry);
    // Releases the resource.
    ~DtexEdit() override;
    const char* GetClassName() const override;
    // The frame around the texture's size, each side capped at 512.
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    void DrawContent() override;
    // Ctrl+C or Ctrl+X copy, Ctrl+E exports, Ctrl+I imports, Ctrl+V pastes; the rest goes to
    // TagEdit (Ctrl+S).
    int KeyEvent(Event* event) override;
    // The right button pops up the editor's menu.
    void MouseButton(Event* event) override;
    // A second quick right click opens the menu again.
    void DoubleClick(Event* event) override;

    // Writes the resource's tag; on success takes its entry and header again.
    int Save() override;
    // Acquires the tag's resource (Shift held: the shifted preview); 0 when it cannot be loaded.
    int Load() override;
    // A new 'dtex' tag with the default checkerboard; 0 when the tag database refuses.
    int Create(u32 group, const char* name) override;
    // When others hold the resource, reloads it from its tag so they see the stored texture.
    int DiscardChanges() override;
    void Show() override;

    // Replaces the texture (which tells the tag database's listeners), marks the editor
    // modified and sizes the frame to the texture. 0, nothing changed, for sides the codec
    // cannot store.
    int SetPixels(const u8* rgb, u32 width, u32 height);
    // Asks for an image file ("Import Detail Texture"); 1 when the texture was replaced.
    // Sides that are not powers of two or too large are refused with a message; an image
    // that is not RGB is ignored.
    int Import();
    // Asks for a file ("Export Detail Texture", the tag's name proposed) and writes the texture
    // as an RGB image in the chosen format; a failure shows "The file could not be written.".
    int Export();
    // Puts the texture on the clipboard as a 24-bit picture; 0 when the clipboard refused it.
    int Copy();
    // Takes a 24-bit picture from the clipboard (none: a beep); 1 when the texture was replaced.
    int Paste();
    // "Mean Center rgb" (luma false) or "Mean Center luma".
    void MeanCenter(bool luma);

    DtexTag* GetResource() const { return resource; }
    bool IsPreviewShifted() const { return shifted != 0; }

    // Menu item ids of the right-button menu, in its order.
    enum : s32 { kExport, kImport, kCopy, kPaste, kSave, kMeanCenterRgb, kMeanCenterLuma };

    // Fields, in this order.
    DtexTag* resource;
    u32 shifted;  // drawn shifted by half (opened with Shift)

private:
    // Shows the refusal of sides the texture cannot have; true when they are fine.
    bool AcceptSides(u32 width, u32 height);
    void TakeResourceHeader();
};
