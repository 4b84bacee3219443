#pragma once
// X256Edit: the editor of collections ('.256'). It owns one Collection and shows it in seven
// pages of one tab window: "Bitmaps", "Shadows", "Sequences", "Hue Changes", "Color Table",
// "Flags" and "Optimize". The pages report their changes to the editor, which marks itself
// modified and refreshes the pages that show the same data; while a page has a bitmap,
// sequence or frame window open the Optimize page refuses to run, since its operations may
// free what those windows show.
//
// Ctrl+T switches every view that has a high-resolution assignment between its standard and
// its high-res bitmap. An edit made to the assignment shown is kept through the switch, and
// saving stores both assignments whichever is shown.
#include "collection/Collection.h"
#include "tagedit/TagEdit.h"

class TabWindow;
class X256BitmapBrowser;
class X256ColorTableEdit;
class X256FlagsEdit;
class X256HueBrowser;
class X256OptimizeEdit;
class X256SequenceBrowser;

class X256Edit : public TagEdit {
public:
    // The empty collection, the tab window and the seven pages, 575 x 360.
    explicit X256Edit(TagEntry* entry);
    // Closes the pages' windows and lets go of the pages before the collection is freed.
    ~X256Edit() override;
    const char* GetClassName() const override;
    // 446 x 195 whatever the content asks for.
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    // The tab window fills the editor.
    void Resized() override;
    // Ctrl+T runs ToggleHighResBitmaps; the rest goes to TagEdit (Ctrl+S).
    int KeyEvent(Event* event) override;

    // Collection::Write of the owned collection.
    int WriteTagData(FILE* stream, TagHeader* header) override;
    // Reads the collection with its bitmaps and refreshes the pages, showing the high-res
    // assignments. A colour map is refused with the "Unsupported" box. 1, or 0 on failure
    // (the collection is then left empty).
    int ReadTagData(FILE* stream, TagHeader* header) override;
    // A new, empty collection named as the tag.
    int Create(u32 group, const char* name) override;
    // Shown with the keys on the tab window (Ctrl+Left and Ctrl+Right switch pages).
    void Show() override;

    // Flips between the standard and the high-res assignments and redraws the screen.
    void ToggleHighResBitmaps();

    // Slots of the pages' signals.
    void OnOpenWindowsChanged();
    // A bitmap page changed the bitmaps: the open sequence editors show them again.
    void OnBitmapsChanged();
    // A sequence editor added bitmaps or changed alphas: the bitmaps page lists them again.
    void OnSequenceBitmapsChanged();
    void OnSequencesChanged();
    void OnOptimized();

    Collection* GetCollection() const { return collection; }
    TabWindow* GetTabs() const { return tabs; }
    bool IsHighResShown() const { return highResShown != 0; }
    X256BitmapBrowser* GetBitmapsPage() const { return bitmapsPage; }
    X256BitmapBrowser* GetShadowsPage() const { return shadowsPage; }
    X256HueBrowser* GetHueChangesPage() const { return hueChangesPage; }
    X256ColorTableEdit* GetColorTablePage() const { return colorTablePage; }
    X256FlagsEdit* GetFlagsPage() const { return flagsPage; }
    X256OptimizeEdit* GetOptimizePage() const { return optimizePage; }
    X256SequenceBrowser* GetSequencesPage() const { return sequencesPage; }

    // Fields, in this order.
    Collection* collection;
    TabWindow* tabs;
    u32 highResShown;
    X256BitmapBrowser* bitmapsPage;
    X256BitmapBrowser* shadowsPage;
    X256HueBrowser* hueChangesPage;
    X256SequenceBrowser* sequencesPage;
    X256ColorTableEdit* colorTablePage;
    X256FlagsEdit* flagsPage;
    X256OptimizeEdit* optimizePage;

private:
    void ClosePages();
};

// The factory of the '.256' group.
TagEdit* NewCollectionEditor(TagEntry* entry);
