#include "foundation/Signal.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Counts every removal of slots anywhere. An emission whose count is unchanged knows that no
// slot it copied has gone and skips the per-slot check.
thread_local u32 slotRemovals = 0;

// The innermost running emission (a SignalBase::Emission); each frame links to the one it
// interrupted. The program is single-threaded; thread_local keeps other threads apart.
thread_local void* innermostEmission = nullptr;

}  // namespace

SignalListener::~SignalListener()
{
    DisconnectAll();
}

void SignalListener::AddSignal(SignalBase* signal)
{
    for (u32 i = 0; i < signals.count; ++i)
        if (signals.data[i] == signal) return;
    signals.Push(signal);
}

void SignalListener::RemoveSignal(SignalBase* signal)
{
    for (u32 i = 0; i < signals.count; ++i) {
        if (signals.data[i] == signal) {
            signals.data[i] = signals.data[signals.count - 1];
            signals.ResizeRaw(signals.count - 1);
            return;
        }
    }
}

void SignalListener::DisconnectAll()
{
    // Disconnect without notification leaves this list untouched while it is walked.
    for (u32 i = 0; i < signals.count; ++i) signals.data[i]->Disconnect(this, false);
    signals.Free();
}

SignalBase::~SignalBase()
{
    for (Emission* e = static_cast<Emission*>(innermostEmission); e; e = e->outer)
        if (e->signal == this) e->signalGone = true;
    if (first.listener) first.listener->RemoveSignal(this);
    for (u32 i = 0; i < more.count; ++i)
        if (more.data[i].listener) more.data[i].listener->RemoveSignal(this);
    more.Free();
    first = Slot{nullptr, nullptr};
    ++slotRemovals;
}

void SignalBase::Connect(const Slot& slot)
{
    if (!slot.listener || !slot.function) return;
    slot.listener->AddSignal(this);
    if (first.IsEmpty())
        first = slot;
    else
        more.Push(slot);
}

void SignalBase::Disconnect(SignalListener* listener, bool notify)
{
    if (first.IsEmpty() || !listener) return;
    bool removed = false;
    u32 kept = 0;
    for (u32 i = 0; i < more.count; ++i) {
        if (more.data[i].listener == listener) {
            removed = true;
            if (notify) listener->RemoveSignal(this);
        } else {
            more.data[kept++] = more.data[i];
        }
    }
    if (kept != more.count) more.ResizeRaw(kept);
    if (first.listener == listener) {
        removed = true;
        if (notify) listener->RemoveSignal(this);
        if (more.count == 0) {
            first = Slot{nullptr, nullptr};
        } else {
            first = more.data[more.count - 1];
            more.ResizeRaw(more.count - 1);
        }
    }
    if (removed) ++slotRemovals;
}

bool SignalBase::IsConnected(const SignalListener* listener) const
{
    if (first.IsEmpty()) return false;
    if (first.listener == listener) return true;
    for (u32 i = 0; i < more.count; ++i)
        if (more.data[i].listener == listener) return true;
    return false;
}

bool SignalBase::IsStillConnected(const Slot& slot) const
{
    if (first == slot) return true;
    for (u32 i = 0; i < more.count; ++i)
        if (more.data[i] == slot) return true;
    return false;
}

SignalBase::Emission::Emission(SignalBase* s)
    : signal(s), outer(static_cast<Emission*>(innermostEmission)), disconnectsAtStart(slotRemovals),
      index(0), count(s->SlotCount()), signalGone(false), slots(inlineSlots)
{
    // Slots connected during the emission are not called by it, so a copy taken now is
    // exactly the list to walk; it stays valid whatever the slots do to the signal.
    if (count > sizeof inlineSlots / sizeof inlineSlots[0]) {
        slots = static_cast<Slot*>(malloc(size_t(count) * sizeof(Slot)));
        if (!slots) {
            fprintf(stderr, "Tavik: out of memory (emitting to %u slots)\n", count);
            abort();
        }
    }
    if (count) {
        slots[0] = s->first;
        if (count > 1) memcpy(slots + 1, s->more.data, size_t(count - 1) * sizeof(Slot));
    }
    innermostEmission = this;
}

SignalBase::Emission::~Emission()
{
    innermostEmission = outer;
    if (slots != inlineSlots) free(slots);
}

const Slot* SignalBase::Emission::Next()
{
    while (index < count && !signalGone) {
        const Slot* slot = &slots[index++];
        // Something was disconnected somewhere since the start: call the slot only if the
        // signal still holds it, so a listener cut off by an earlier slot is not reached.
        if (slotRemovals != disconnectsAtStart && !signal->IsStillConnected(*slot)) continue;
        return slot;
    }
    return nullptr;
}
