#pragma once
// A top-level window showing one collection bitmap at its own size, centred.
#include "collection/Collection.h"
#include "gui/Window.h"

class BitmapWindow : public Window {
public:
    BitmapWindow(Collection* collection, CollectionBitmap* bitmap);
    ~BitmapWindow() override;

    void DrawContent() override;

    CollectionBitmap* GetBitmap() const { return bitmap; }

    // Emitted with the window by its destructor.
    Signal<BitmapWindow*> closed;

private:
    Collection* collection;
    CollectionBitmap* bitmap;
};
