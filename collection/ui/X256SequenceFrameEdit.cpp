#include "collection/ui/X256SequenceFrameEdit.h"

#include <cstdio>
#include <initializer_list>

#include "collection/SequenceEditing.h"
#include "collection/ui/BackgroundPicker.h"
#include "collection/ui/X256SequenceFrameView.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/ListWindow.h"
#include "gui/Skin.h"
#include "gui/TextBox.h"
#include "gui/WindowSystem.h"
#include "platform/Os.h"

namespace {

constexpr s32 kRightColumn = 175;
constexpr s32 kBottomStrip = 21;
constexpr s32 kMinimumView = 294;

// The check boxes' labels and the view's show flags they set, in the boxes' order.
struct ShowOption {
    const char* label;
    u32 flag;
};
constexpr ShowOption kShowOptions[7] = {
    {"Show Reg Point", kShowRegPoint}, {"Show Key Point", kShowKeyPoint}, {"Show Selection Box", kShowSelectionBox},
    {"Show Origin", kShowOrigin},      {"Show Bitmap", kShowBitmap},      {"Show Shadow", kShowShadow},
    {"Show Contrail", kShowContrail},
};

}  // namespace

X256SequenceFrameEdit::X256SequenceFrameEdit(Collection* c, Sequence* s, u32 v, u32 f)
    : Window(0x1D6E, nullptr),
      collection(c),
      sequence(s),
      view(WrapIndex(v, s->views)),
      frame(WrapIndex(f, s->frames)),
      previousSequence(s),
      previousView(0),
      previousFrame(0),
      animating(0),
      animationStartFrame(0),
      animationStartTime(0),
      filling(0)
{
    previousView = view;
    previousFrame = frame;
    frameView = new X256SequenceFrameView(this, this);
    for (u32 i = 0; i < 7; ++i) {
        CheckBox* b = new CheckBox(this, i);
        b->SetTitle(kShowOptions[i].label);
        b->SizeToFit();
        b->SetState(1, 1);
        b->clicked.Connect<&X256SequenceFrameEdit::ApplyShowOptions>(this);
        showBoxes[i] = b;
    }
    showBoxes[6]->SetState(0, 1);  // contrail
    showBoxes[3]->SetState(0, 1);  // origin
    backgroundLabel = CreateLabel(this, "Background:");
    for (u32 i = 0; i < 3; ++i) pickers[i] = new BackgroundPicker(i + 1, frameView, this);
    zoomLabel = CreateLabel(this, "Zoom:");
    zoomSelector = new ComboBox(this, 0);
    for (u32 percent : {50u, 100u, 200u, 300u, 400u, 500u}) {
        char text[16];
        snprintf(text, sizeof(text), "%u%%", percent);
        zoomSelector->AddItem(percent, text, 0);
    }
    zoomSelector->SetVisibleRows(6, 0);
    zoomSelector->SetWidth(115);
    zoomSelector->SelectByData(100);
    sequenceSelector = new ComboBox(this, COMBO_EDITABLE);
    frameSelector = new ComboBox(this, 0);
    frameSelector->SetWidth(86);
    viewSelector = new ComboBox(this, 0);
    viewSelector->SetWidth(56);
    previousButton = new Button(this, 0);
    previousButton->SetTitle("<");
    previousButton->SetSize(40, 22);
    nextButton = new Button(this, 1);
    nextButton->SetTitle(">");
    nextButton->SetSize(40, 22);
    animateButton = new Button(this, 2);
    animateButton->SetTitle("Animate");
    animateButton->SetSize(69, 22);

    zoomSelector->selectionChanged.Connect<&X256SequenceFrameEdit::OnZoom>(this);
    sequenceSelector->selectionChanged.Connect<&X256SequenceFrameEdit::OnSequenceChosen>(this);
    frameSelector->selectionChanged.Connect<&X256SequenceFrameEdit::OnFrameChosen>(this);
    viewSelector->selectionChanged.Connect<&X256SequenceFrameEdit::OnViewChosen>(this);
    previousButton->clicked.Connect<&X256SequenceFrameEdit::OnPrevious>(this);
    nextButton->clicked.Connect<&X256SequenceFrameEdit::OnNext>(this);
    animateButton->clicked.Connect<&X256SequenceFrameEdit::ToggleAnimate>(this);

    SetTabOrder(frameView, sequenceSelector, frameSelector, viewSelector, showBoxes[0], showBoxes[1], showBoxes[2],
                showBoxes[3], showBoxes[4], showBoxes[5], showBoxes[6], zoomSelector, previousButton, animateButton,
                nextButton, nullptr);
    ApplyShowOptions();
    RefreshSequenceSelector();
    UpdateSelectors();

    // The ideal size shows the largest bitmap of the sequence whole.
    s32 w = kMinimumView, h = kMinimumView;
    u32 U = s->GetUniqueViewCount();
    for (u32 fr = 0; fr < s->frames && fr < s->frameArray.count; ++fr)
        for (u32 vi = 0; vi < U && vi < s->views && vi < s->GetFrame(fr).views.count; ++vi)
            if (CollectionBitmap* b = s->GetBitmap(fr, vi)) {
                if (b->width > w) w = b->width;
                if (b->height > h) h = b->height;
            }
    Size content = ContentSizeForView(w, h);
    SetContentSize(content.width, content.height);
    ConstrainToScreen();
    frameView->UpdateScrollRange(true);
    CenterInParent();
    SetVisible(1);
    Window::SetFocus(frameView, FOCUS_PROGRAM);
}

X256SequenceFrameEdit::~X256SequenceFrameEdit() { closed.Emit(this); }

const char* X256SequenceFrameEdit::GetClassName() const { return "X256SequenceFrameEdit"; }

Size X256SequenceFrameEdit::ContentSizeForView(s32 w, s32 h) const
{
    s32 bar = Skin::GetScrollBarWidth(), border = Skin::GetBorderWidth();
    return Size{w + kRightColumn + bar + border, h + kBottomStrip + bar + border};
}

void X256SequenceFrameEdit::GetMinimumFrameSize(Size* out, Size)
{
    Size content = ContentSizeForView(kMinimumView, kMinimumView);
    *out = FrameSizeForContent(content);
}

void X256SequenceFrameEdit::Resized()
{
    Window::Resized();
    if (frameView) Layout();
}

void X256SequenceFrameEdit::Layout()
{
    s32 cw = GetContentWidth(), ch = GetContentHeight();
    s32 border = Skin::GetBorderWidth();
    frameView->SetFrameXYWH(0, 0, cw - kRightColumn, ch - kBottomStrip);
    s32 x = border + cw - 169 - border;
    if (x < 0) x = 0;
    s32 h = showBoxes[0]->GetFrameHeight() + 2;
    s32 y = 6;
    for (u32 i = 0; i < 4; ++i) showBoxes[i]->MoveTo(x, y + s32(i) * h);
    y = 6 + 3 * h + h + border + 9;
    for (u32 i = 4; i < 7; ++i) showBoxes[i]->MoveTo(x, y + s32(i - 4) * h);
    s32 last = y + 2 * h;
    s32 labelY = last + h + border + 9;
    backgroundLabel->MoveTo(x, labelY);
    s32 px = x + backgroundLabel->GetFrameWidth() + 5;
    for (u32 i = 0; i < 3; ++i) pickers[i]->MoveTo(px + 27 * s32(i), last + h + border + 5);
    s32 zoomY = labelY + h + 17;
    zoomLabel->MoveTo(x, zoomY);
    zoomSelector->MoveTo(x + zoomLabel->GetFrameWidth() + 5, zoomY);
    s32 buttonsY = zoomY + h + 17;
    previousButton->MoveTo(x, buttonsY);
    animateButton->MoveTo(x + previousButton->GetFrameWidth(), buttonsY);
    nextButton->MoveTo(cw - 6 - nextButton->GetFrameWidth(), buttonsY);
    s32 bottom = ch - kBottomStrip + 1;
    viewSelector->MoveTo(cw - kRightColumn - viewSelector->GetFrameWidth(), bottom);
    frameSelector->MoveTo(viewSelector->GetFrameInParent().left - border - frameSelector->GetFrameWidth(), bottom);
    s32 rest = frameSelector->GetFrameInParent().left - border;
    sequenceSelector->MoveTo(0, bottom);
    sequenceSelector->SetWidth(rest > 40 ? rest : 40);
}

void X256SequenceFrameEdit::DrawBackground()
{
    Window::DrawBackground();
    Skin* skin = WindowSystem::GetSkin();
    if (!skin) return;
    BeginDraw(1, 0);
    s32 cw = GetContentWidth(), ch = GetContentHeight();
    Rect column{cw - kRightColumn, 0, cw, ch};
    skin->DrawBackground(column);
    skin->DrawFrame(column, 1);
    skin->DrawFrame(Rect{0, ch - kBottomStrip, cw, ch}, 8);
    EndDraw();
}

void X256SequenceFrameEdit::Redraw()
{
    // The sequence may have changed shape under the editor (Frames or Views typed elsewhere).
    frame = WrapIndex(frame, sequence->frames);
    view = WrapIndex(view, sequence->views);
    UpdateSelectors();
    frameView->Invalidate(0);
    Invalidate(0);
}

void X256SequenceFrameEdit::ApplyShowOptions()
{
    for (u32 i = 0; i < 7; ++i) frameView->SetShowFlag(kShowOptions[i].flag, showBoxes[i]->IsChecked());
    frameView->Invalidate(0);
}

void X256SequenceFrameEdit::RefreshSequenceSelector()
{
    filling = 1;
    sequenceSelector->Clear();
    for (u32 i = 0; i < collection->GetSequenceCount(); ++i)
        sequenceSelector->AddItem(i, collection->GetSequence(i)->name, 0);
    s32 at = collection->IndexOfSequence(sequence);
    if (at >= 0) sequenceSelector->SelectByData(u32(at));
    sequenceSelector->SetVisibleRows(8, 0);
    if (collection->IndexOfSequence(previousSequence) < 0) {
        previousSequence = sequence;
        previousView = view;
        previousFrame = frame;
    }
    filling = 0;
}

void X256SequenceFrameEdit::UpdateSelectors()
{
    char title[160];
    FrameEditTitle(*sequence, frame, view, title, sizeof(title));
    SetTitle(title);
    filling = 1;
    if (!frameSelector->IsExpanded()) {
        frameSelector->Clear();
        char text[32];
        for (u32 f = 0; f < sequence->frames; ++f) {
            snprintf(text, sizeof(text), "Frame %u", f);
            frameSelector->AddItem(f, text, 0);
        }
        frameSelector->SelectByData(frame);
        frameSelector->SetVisibleRows(8, 0);
    }
    if (!viewSelector->IsExpanded()) {
        viewSelector->Clear();
        char text[32];
        for (u32 v = 0; v < sequence->views; ++v) {
            snprintf(text, sizeof(text), "%u%c", ViewAngle(v, sequence->views), char(161));
            viewSelector->AddItem(v, text, 0);
        }
        viewSelector->SelectByData(view);
        viewSelector->SetVisibleRows(8, 0);
    }
    filling = 0;
}

void X256SequenceFrameEdit::Step(bool isFrame, s64 i)
{
    u32 next = WrapIndex(i, isFrame ? sequence->frames : sequence->views);
    if (next == (isFrame ? frame : view)) return;
    Point old = frameView->GetRegistrationPoint();
    previousSequence = sequence;
    previousFrame = frame;
    previousView = view;
    (isFrame ? frame : view) = next;
    frameView->OnFrameViewChanged(old);
    UpdateSelectors();
    frameView->Invalidate(0);
    Invalidate(0);
}

void X256SequenceFrameEdit::SetFrame(s64 i) { Step(true, i); }

void X256SequenceFrameEdit::SetView(s64 i) { Step(false, i); }

void X256SequenceFrameEdit::SwitchSequence(Sequence* s)
{
    if (!s || s == sequence || collection->IndexOfSequence(s) < 0) return;
    Point old = frameView->GetRegistrationPoint();
    previousSequence = sequence;
    previousFrame = frame;
    previousView = view;
    sequence = s;
    if (s->views == 0) view = 0;
    else if (view > s->views - 1u) view = s->views - 1u;
    if (s->frames == 0) frame = 0;
    else if (frame > s->frames - 1u) frame = s->frames - 1u;
    frameView->OnFrameViewChanged(old);
    UpdateSelectors();
    RefreshSequenceSelector();
    Invalidate(0);
    sequenceSwitched.Emit(this);
}

void X256SequenceFrameEdit::OnSequenceChosen(ListItem*, u32 data)
{
    if (filling) return;
    SwitchSequence(collection->GetSequence(data));
}

void X256SequenceFrameEdit::OnFrameChosen(ListItem*, u32 data)
{
    if (!filling) SetFrame(data);
}

void X256SequenceFrameEdit::OnViewChosen(ListItem*, u32 data)
{
    if (!filling) SetView(data);
}

void X256SequenceFrameEdit::OnZoom(ListItem*, u32 data)
{
    if (!data) return;
    frameView->SetZoom(float(data) / 100.0f);
    Invalidate(0);
}

void X256SequenceFrameEdit::OnPrevious() { SetFrame(s64(frame) - 1); }

void X256SequenceFrameEdit::OnNext() { SetFrame(s64(frame) + 1); }

void X256SequenceFrameEdit::ToggleAnimate()
{
    animating = animating ? 0 : 1;
    if (animating) {
        animationStartFrame = frame;
        animationStartTime = OsGetTime();
    }
    animateButton->SetTitle(animating ? "Stop" : "Animate");
    for (Window* w : {static_cast<Window*>(frameView), static_cast<Window*>(previousButton),
                      static_cast<Window*>(nextButton), static_cast<Window*>(sequenceSelector),
                      static_cast<Window*>(frameSelector)})
        w->SetEnabled(animating ? 0 : 1);
    Invalidate(0);
}

void X256SequenceFrameEdit::Tick()
{
    Window::Tick();
    // A closed editor waits for deletion while what it shows may already be gone.
    if (!animating || GetState() == WS_CLOSED) return;
    u64 f = AnimationFrame(animationStartFrame, OsGetTime() - animationStartTime, sequence->ticksPerFrame);
    SetFrame(s64(f % (sequence->frames ? sequence->frames : 1)));
}
