#include "collection/ui/BitmapWindow.h"

#include "collection/ui/BitmapDrawing.h"
#include "gui/WindowSystem.h"

BitmapWindow::BitmapWindow(Collection* c, CollectionBitmap* b) : Window(0x9D6E, nullptr), collection(c), bitmap(b)
{
    SetTitle(b->name);
    SetContentSize(b->width > 250 ? b->width : 250, b->height > 250 ? b->height : 250);
    Point at = WindowSystem::NextCascadePosition();
    MoveTo(at.x, at.y);
    ConstrainToScreen();
    SetVisible(1);
    BringToFront();
    Window::SetFocus(this, FOCUS_PROGRAM);
}

BitmapWindow::~BitmapWindow()
{
    closed.Emit(this);
}

void BitmapWindow::DrawContent()
{
    // The pages refuse to free a bitmap whose window is open; should one go anyway, the window
    // shows nothing rather than freed pixels.
    if (!collection || collection->IndexOfBitmap(bitmap) < 0) return;
    BeginDraw(1, 0);
    Rect r = GetContentRect();
    s32 x = (r.Width() - s32(bitmap->width)) / 2;
    s32 y = (r.Height() - s32(bitmap->height)) / 2;
    DrawCollectionBitmap(*collection, *bitmap, 0, x, y, bitmap->width, bitmap->height);
    EndDraw();
}
