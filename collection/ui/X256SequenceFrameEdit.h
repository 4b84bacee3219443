#pragma once
// The frame editor: one frame and view of a sequence in an X256SequenceFrameView, with the
// show options, the background and zoom, the sequence, frame and view selectors, stepping and
// playing. The previous step stays visible as a contrail when asked for.
#include "collection/Collection.h"
#include "collection/FrameEditing.h"
#include "gui/Window.h"

class BackgroundPicker;
class Button;
class CheckBox;
class ComboBox;
class TextBox;
class X256SequenceFrameView;
struct ListItem;

class X256SequenceFrameEdit : public Window {
public:
    // Top level, sized to the largest bitmap of the sequence, centred; the view and frame are
    // wrapped into the sequence. Neither pointer is owned.
    X256SequenceFrameEdit(Collection* collection, Sequence* sequence, u32 view, u32 frame);
    // Emits closed with itself first.
    ~X256SequenceFrameEdit() override;
    const char* GetClassName() const override;
    void GetMinimumFrameSize(Size* out, Size contentSize) override;
    void Tick() override;
    void Resized() override;
    void DrawBackground() override;

    Collection* GetCollection() const { return collection; }
    Sequence* GetSequence() const { return sequence; }
    u32 GetView() const { return view; }
    u32 GetFrame() const { return frame; }
    // What was shown before the last step.
    FrameStep GetPreviousStep() const { return FrameStep{previousSequence, previousFrame, previousView}; }
    X256SequenceFrameView* GetFrameView() const { return frameView; }
    bool IsAnimating() const { return animating != 0; }

    // Steps to frame or view i, wrapped into the sequence (negative from the end); the
    // registration point keeps its place on screen.
    void SetFrame(s64 i);
    void SetView(s64 i);
    // Shows another sequence of the collection (view and frame lowered to fit), then emits
    // sequence switched.
    void SwitchSequence(Sequence* s);
    // Refills the sequence selector (sequences added, removed, renamed or moved).
    void RefreshSequenceSelector();
    // The title and the frame and view selectors.
    void UpdateSelectors();
    void ToggleAnimate();
    void ApplyShowOptions();
    void Redraw();
    // The content size of the editor for a frame view content of (w, h).
    Size ContentSizeForView(s32 w, s32 h) const;

    Signal<Sequence*> changed;
    Signal<X256SequenceFrameEdit*> sequenceSwitched;
    Signal<X256SequenceFrameEdit*> closed;

    Collection* collection;
    Sequence* sequence;
    u32 view, frame;
    Sequence* previousSequence;
    u32 previousView, previousFrame;
    u32 animating;
    u32 animationStartFrame;
    double animationStartTime;
    X256SequenceFrameView* frameView;
    CheckBox* showBoxes[7];  // in the order of the check boxes' labels
    TextBox* backgroundLabel;
    BackgroundPicker* pickers[3];
    TextBox* zoomLabel;
    ComboBox* zoomSelector;
    ComboBox* sequenceSelector;
    ComboBox* frameSelector;
    ComboBox* viewSelector;
    Button* previousButton;
    Button* nextButton;
    Button* animateButton;

private:
    void Step(bool isFrame, s64 i);
    void Layout();
    void OnZoom(ListItem* item, u32 data);
    void OnSequenceChosen(ListItem* item, u32 data);
    void OnFrameChosen(ListItem* item, u32 data);
    void OnViewChosen(ListItem* item, u32 data);
    void OnPrevious();
    void OnNext();
    u32 filling;
};
