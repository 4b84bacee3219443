#include "collection/ui/X256Edit.h"

#include <cstring>
#include <initializer_list>

#include "collection/ui/X256BitmapBrowser.h"
#include "collection/ui/X256ColorTableEdit.h"
#include "collection/ui/X256FlagsEdit.h"
#include "collection/ui/X256HueBrowser.h"
#include "collection/ui/X256OptimizeEdit.h"
#include "collection/ui/X256SequenceBrowser.h"
#include "gui/MessageBox.h"
#include "gui/TabWindow.h"
#include "gui/WindowSystem.h"

namespace {

constexpr u32 kPageFlags = WF_VISIBLE | WF_ENABLED;

}  // namespace

TagEdit* NewCollectionEditor(TagEntry* entry) { return new X256Edit(entry); }

X256Edit::X256Edit(TagEntry* entry) : TagEdit(entry)
{
    collection = new Collection;
    tabs = new TabWindow(WF_VISIBLE | WF_ENABLED | WF_FOCUSABLE, this);
    tabs->SetTitle("Tabs");

    bitmapsPage = new X256BitmapBrowser(collection, kPageFlags, X256BitmapBrowser::kBitmapsPage, tabs);
    bitmapsPage->SetTitle("Bitmaps");
    shadowsPage = new X256BitmapBrowser(collection, kPageFlags, X256BitmapBrowser::kShadowsPage, tabs);
    shadowsPage->SetTitle("Shadows");
    sequencesPage = new X256SequenceBrowser(collection, kPageFlags, tabs);
    sequencesPage->SetTitle("Sequences");
    hueChangesPage = new X256HueBrowser(collection, kPageFlags, tabs);
    hueChangesPage->SetTitle("Hue Changes");
    colorTablePage = new X256ColorTableEdit(collection, kPageFlags, tabs);
    colorTablePage->SetTitle("Color Table");
    flagsPage = new X256FlagsEdit(collection, kPageFlags, tabs);
    flagsPage->SetTitle("Flags");
    optimizePage = new X256OptimizeEdit(collection, kPageFlags, tabs);
    optimizePage->SetTitle("Optimize");

    for (X256BitmapBrowser* page : {bitmapsPage, shadowsPage}) {
        page->openWindowsChanged.Connect<&X256Edit::OnOpenWindowsChanged>(this);
        page->changed.Connect<&X256Edit::OnBitmapsChanged>(this);
    }
    hueChangesPage->changed.Connect<&TagEdit::OnContentChanged>(this);
    colorTablePage->changed.Connect<&TagEdit::OnContentChanged>(this);
    flagsPage->changed.Connect<&TagEdit::OnContentChanged>(this);
    optimizePage->changed.Connect<&X256Edit::OnOptimized>(this);
    sequencesPage->changed.Connect<&X256Edit::OnSequencesChanged>(this);
    sequencesPage->bitmapsChanged.Connect<&X256Edit::OnSequenceBitmapsChanged>(this);
    sequencesPage->openWindowsChanged.Connect<&X256Edit::OnOpenWindowsChanged>(this);

    SetSize(575, 360);
    tabs->LayoutTabs();
    tabs->Invalidate(1);
}

X256Edit::~X256Edit()
{
    ClosePages();
    delete collection;
    collection = nullptr;
}

void X256Edit::ClosePages()
{
    // The pages' windows point into the collection and the pages signal this editor while
    // they go: both must be gone before the collection is freed, and no page may reach the
    // editor once its own destruction has begun.
    DisconnectAll();
    delete tabs;
    tabs = nullptr;
    bitmapsPage = shadowsPage = nullptr;
    sequencesPage = nullptr;
    hueChangesPage = nullptr;
    colorTablePage = nullptr;
    flagsPage = nullptr;
    optimizePage = nullptr;
}

const char* X256Edit::GetClassName() const { return "X256Edit"; }

void X256Edit::GetMinimumFrameSize(Size* out, Size) { *out = Size{446, 195}; }

void X256Edit::Resized()
{
    TagEdit::Resized();
    if (tabs) tabs->FillParent();
}

int X256Edit::KeyEvent(Event* event)
{
    if (event->Action() == 1 && event->Key() == 'T' && (event->KeyModifiers() & MOD_CTRL_A)) {
        ToggleHighResBitmaps();
        return 1;
    }
    return TagEdit::KeyEvent(event);
}

int X256Edit::WriteTagData(FILE* stream, TagHeader* header) { return collection->Write(stream, header); }

int X256Edit::ReadTagData(FILE* stream, TagHeader* header)
{
    collection->Free();
    if (!collection->Read(stream, header, true)) {
        collection->Free();
        return 0;
    }
    if (collection->flags & kCollectionColorMap) {
        collection->Free();
        ShowMessageBox("Unsupported",
                       "The collection is a color map, which is currently not supported for editing.\nUse Grumwell "
                       "instead.",
                       "Close", nullptr);
        return 0;
    }
    bitmapsPage->Refresh();
    shadowsPage->Refresh();
    hueChangesPage->Refresh();
    sequencesPage->Refresh();
    flagsPage->Refresh();
    highResShown = 0;
    ToggleHighResBitmaps();
    return 1;
}

int X256Edit::Create(u32 group, const char* name)
{
    if (!TagEdit::Create(group, name)) return 0;
    memcpy(collection->name, header.name, sizeof(collection->name));
    collection->name[sizeof(collection->name) - 1] = 0;
    flagsPage->Refresh();
    return 1;
}

void X256Edit::Show()
{
    TagEdit::Show();
    Window::SetFocus(tabs, FOCUS_PROGRAM);
}

void X256Edit::ToggleHighResBitmaps()
{
    highResShown = highResShown == 0 ? 1 : 0;
    collection->ShowHighResAssignments(highResShown != 0);
    // The cells' captions name the bitmaps the views show now.
    if (sequencesPage) sequencesPage->RefreshSequenceEdits();
    WindowSystem::InvalidateAll();
}

void X256Edit::OnOpenWindowsChanged()
{
    u32 open = bitmapsPage->GetOpenWindowCount() + shadowsPage->GetOpenWindowCount() +
               sequencesPage->GetOpenEditCount() + sequencesPage->GetOpenFrameEditCount();
    optimizePage->SetEnabled(open == 0);
}

void X256Edit::OnBitmapsChanged()
{
    // The sequence editors' cells may name bitmaps that were just replaced or freed.
    sequencesPage->RefreshSequenceEdits();
    SetModified(1);
}

void X256Edit::OnSequenceBitmapsChanged()
{
    bitmapsPage->Refresh();
    SetModified(1);
}

void X256Edit::OnSequencesChanged()
{
    bitmapsPage->UpdateUseColours();
    shadowsPage->UpdateUseColours();
    SetModified(1);
}

void X256Edit::OnOptimized()
{
    bitmapsPage->Refresh();
    shadowsPage->Refresh();
    sequencesPage->RefreshSequenceEdits();
    SetModified(1);
}
