#pragma once
// Signals and slots: a widget holds signals, an owner connects one of its functions to a
// signal, and destroying either side undoes the connection on both sides, so a signal never
// calls a destroyed listener and a listener never points at a destroyed signal.
//
// Emission is safe against slots that change the emitting signal: a slot may connect (new
// slots are not called by the running emission), disconnect any listener, or close a window
// (SignalListener::DisconnectAll) on the emitting signal; a listener disconnected during an
// emission is not called by it afterwards and no freed or shrunk slot storage is read. If a
// slot destroys the emitting signal, the emission stops at once.
#include "foundation/DynArray.h"
#include "foundation/Types.h"

class SignalListener;
class SignalBase;

// The untyped function word of a slot; Signal<Args...> casts it back to its own type.
typedef void (*SlotFunction)();

// {listener, function}: the function is called with the listener and the signal's arguments.
// A slot with both words zero is empty.
struct Slot {
    SignalListener* listener;
    SlotFunction function;

    bool IsEmpty() const { return !listener && !function; }
    bool operator==(const Slot& o) const { return listener == o.listener && function == o.function; }
};

// Something that receives signals: it keeps the list of signals it has slots in (each once)
// and disconnects from all of them when destroyed.
class SignalListener {
public:
    SignalListener() : signals{nullptr, 0, 0} {}
    SignalListener(const SignalListener&) = delete;
    SignalListener& operator=(const SignalListener&) = delete;
    // Disconnects from every signal.
    virtual ~SignalListener();

    // Appends the signal to the list unless it is already there.
    void AddSignal(SignalBase* signal);
    // Removes the signal from the list (the last entry takes its place; order is not kept).
    void RemoveSignal(SignalBase* signal);
    // Removes this listener's slots from every signal in the list, then frees the list. Safe
    // to call from inside a slot of one of those signals while it emits.
    void DisconnectAll();

    DynArray<SignalBase*> signals;
};

// The base of every receiver of signals (windows and other listeners derive from it).
template <typename Policy = void>
class has_slots : public SignalListener {};

// The layout every Signal<Args...> shares: {first slot inline, further slots}. When first is
// empty, more is empty too.
class SignalBase {
public:
    SignalBase() : first{nullptr, nullptr}, more{nullptr, 0, 0} {}
    SignalBase(const SignalBase&) = delete;
    SignalBase& operator=(const SignalBase&) = delete;
    // Every listener of a slot forgets this signal; a running emission of it stops.
    ~SignalBase();

    // Registers the signal with the slot's listener, then stores the slot as first when that
    // is empty, else appends it to more. A slot without a listener or function is ignored.
    void Connect(const Slot& slot);
    // Removes every slot of the listener, keeping the others' order except that the last
    // further slot becomes first when first was removed. With notify the listener also
    // forgets this signal. notify = false is only for a listener that is about to drop its
    // whole list (DisconnectAll): otherwise the listener would keep a stale pointer.
    void Disconnect(SignalListener* listener, bool notify = true);
    // Number of connected slots (first and more).
    u32 SlotCount() const { return first.IsEmpty() ? 0 : 1 + more.count; }
    bool IsConnected(const SignalListener* listener) const;

    Slot first;
    DynArray<Slot> more;

protected:
    // One running emission: a copy of the slots taken at its start, walked in order. Slots
    // removed from the signal since then are skipped; the frames of all running emissions
    // form a stack so that a destroyed signal can stop its own.
    class Emission {
    public:
        explicit Emission(SignalBase* signal);
        ~Emission();
        Emission(const Emission&) = delete;
        Emission& operator=(const Emission&) = delete;
        // The next slot to call, or null when the emission is over.
        const Slot* Next();

    private:
        friend class SignalBase;
        SignalBase* signal;
        Emission* outer;
        u32 disconnectsAtStart;
        u32 index;
        u32 count;
        bool signalGone;
        Slot* slots;
        Slot inlineSlots[8];
    };
    bool IsStillConnected(const Slot& slot) const;
};

static_assert(sizeof(SignalBase) == sizeof(Slot) + sizeof(DynArray<Slot>), "Signal layout");

template <typename M>
struct SlotMethodTraits;
template <typename C, typename... A>
struct SlotMethodTraits<void (C::*)(A...)> {
    typedef C Class;
};

// A signal whose slots take (listener, Args...). Connect either a plain function or a member
// function of the listener's class: sig.Connect<&Owner::OnClicked>(owner).
template <typename... Args>
class Signal : public SignalBase {
public:
    typedef void (*Function)(SignalListener* listener, Args... args);

    void Connect(SignalListener* listener, Function function)
    {
        SignalBase::Connect(Slot{listener, reinterpret_cast<SlotFunction>(function)});
    }
    template <auto Method>
    void Connect(typename SlotMethodTraits<decltype(Method)>::Class* listener)
    {
        Connect(listener, &CallMethod<Method>);
    }

    // Calls every slot connected when the emission starts, first then more in order.
    void Emit(Args... args)
    {
        if (first.IsEmpty()) return;
        Emission emission(this);
        while (const Slot* slot = emission.Next())
            reinterpret_cast<Function>(slot->function)(slot->listener, args...);
    }

private:
    template <auto Method>
    static void CallMethod(SignalListener* listener, Args... args)
    {
        typedef typename SlotMethodTraits<decltype(Method)>::Class Class;
        (static_cast<Class*>(listener)->*Method)(args...);
    }
};
