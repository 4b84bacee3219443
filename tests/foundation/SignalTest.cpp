#include "foundation/Signal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every call as "<name>" or "<name>:<args>".
std::vector<std::string> calls;

class Listener : public has_slots<void> {
public:
    explicit Listener(const char* n) : name(n) {}
    void OnEmpty() { calls.push_back(name); }
    void OnInt(int v) { calls.push_back(name + ":" + std::to_string(v)); }
    void OnThree(void* p, int a, int b)
    {
        calls.push_back(name + ":" + (p ? "p" : "null") + "," + std::to_string(a) + "," + std::to_string(b));
    }
    std::string name;
};

void PlainSlot(SignalListener* listener, int v)
{
    calls.push_back(static_cast<Listener*>(listener)->name + "=" + std::to_string(v));
}

class SignalTest : public ::testing::Test {
protected:
    void SetUp() override { calls.clear(); }
    std::vector<std::string> Emitted(Signal<>& s)
    {
        calls.clear();
        s.Emit();
        return calls;
    }
};

typedef std::vector<std::string> Calls;

}  // namespace

TEST_F(SignalTest, EmittingWithoutSlotsDoesNothing)
{
    Signal<int> s;
    s.Emit(3);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(s.SlotCount(), 0u);
}

TEST_F(SignalTest, CallsSlotsInConnectionOrderWithTheArguments)
{
    Listener a("a"), b("b");
    Signal<void*, int, int> three;
    three.Connect<&Listener::OnThree>(&a);
    three.Connect<&Listener::OnThree>(&b);
    int x = 0;
    three.Emit(&x, 4, -5);
    EXPECT_EQ(calls, (Calls{"a:p,4,-5", "b:p,4,-5"}));

    calls.clear();
    Signal<int> one;
    one.Connect<&Listener::OnInt>(&b);
    one.Connect(&a, PlainSlot);
    one.Emit(9);
    EXPECT_EQ(calls, (Calls{"b:9", "a=9"}));
}

TEST_F(SignalTest, DisconnectingTheFirstMovesTheLastFurtherSlotToTheFront)
{
    Listener l1("L1"), l2("L2"), l3("L3");
    Signal<> s;
    s.Connect<&Listener::OnEmpty>(&l1);
    s.Connect<&Listener::OnEmpty>(&l2);
    s.Connect<&Listener::OnEmpty>(&l3);
    EXPECT_EQ(Emitted(s), (Calls{"L1", "L2", "L3"}));

    s.Disconnect(&l1);
    EXPECT_EQ(Emitted(s), (Calls{"L3", "L2"}));
    EXPECT_EQ(l1.signals.count, 0u);
    EXPECT_EQ(l2.signals.count, 1u);

    s.Disconnect(&l2);  // a further slot: the others keep their order
    EXPECT_EQ(Emitted(s), (Calls{"L3"}));
    s.Disconnect(&l3);
    EXPECT_EQ(s.SlotCount(), 0u);
    EXPECT_EQ(s.more.data, nullptr);
    EXPECT_TRUE(Emitted(s).empty());
}

TEST_F(SignalTest, AListenerConnectedTwiceHoldsTheSignalOnceAndLosesBothSlots)
{
    Listener l1("L1"), l2("L2");
    Signal<> s;
    s.Connect<&Listener::OnEmpty>(&l1);
    s.Connect<&Listener::OnEmpty>(&l2);
    s.Connect<&Listener::OnEmpty>(&l1);
    EXPECT_EQ(l1.signals.count, 1u);
    EXPECT_EQ(Emitted(s), (Calls{"L1", "L2", "L1"}));

    s.Disconnect(&l1);
    EXPECT_FALSE(s.IsConnected(&l1));
    EXPECT_EQ(l1.signals.count, 0u);
    EXPECT_EQ(Emitted(s), (Calls{"L2"}));
}

TEST_F(SignalTest, DisconnectWithoutNotifyLeavesTheListenersListAlone)
{
    Listener l("L");
    Signal<> s;
    s.Connect<&Listener::OnEmpty>(&l);
    s.Disconnect(&l, false);
    EXPECT_FALSE(s.IsConnected(&l));
    EXPECT_EQ(l.signals.count, 1u);
    l.DisconnectAll();  // a listener's list may name signals that no longer hold it
    EXPECT_EQ(l.signals.count, 0u);
}

TEST_F(SignalTest, DestroyingTheListenerFirstRemovesItsSlots)
{
    Listener keep("K");
    Signal<> s, t;
    Listener* gone = new Listener("G");
    s.Connect<&Listener::OnEmpty>(gone);
    s.Connect<&Listener::OnEmpty>(&keep);
    t.Connect<&Listener::OnEmpty>(gone);
    delete gone;
    EXPECT_EQ(Emitted(s), (Calls{"K"}));
    EXPECT_EQ(t.SlotCount(), 0u);
}

TEST_F(SignalTest, DestroyingTheSignalFirstRemovesItFromItsListeners)
{
    Listener l1("L1"), l2("L2");
    Signal<> keep;
    keep.Connect<&Listener::OnEmpty>(&l1);
    {
        Signal<> s;
        s.Connect<&Listener::OnEmpty>(&l1);
        s.Connect<&Listener::OnEmpty>(&l2);
        s.Connect<&Listener::OnEmpty>(&l2);
        EXPECT_EQ(l1.signals.count, 2u);
    }
    ASSERT_EQ(l1.signals.count, 1u);
    EXPECT_EQ(l1.signals.data[0], &keep);
    EXPECT_EQ(l2.signals.count, 0u);
    EXPECT_EQ(Emitted(keep), (Calls{"L1"}));
}

namespace {

// A listener whose slot runs an action on other objects, the way a window's slot may close
// windows (DisconnectAll) or connect further listeners while the signal emits.
class Actor : public has_slots<void> {
public:
    explicit Actor(const char* n) : name(n) {}
    void OnEmpty()
    {
        calls.push_back(name);
        if (action) action(this);
    }
    std::string name;
    void (*action)(Actor*) = nullptr;
    std::vector<SignalListener*> targets;
    Signal<>* signal = nullptr;
};

}  // namespace

TEST_F(SignalTest, ASlotClosingLaterListenersKeepsThemFromBeingCalled)
{
    // Twelve listeners: the copy of the slot list lives on the heap and the further slots
    // shrink through several capacities while the emission runs.
    Signal<> s;
    std::vector<Actor*> actors;
    for (int i = 0; i < 12; ++i) actors.push_back(new Actor(std::to_string(i).c_str()));
    for (Actor* a : actors) s.Connect<&Actor::OnEmpty>(a);
    actors[1]->targets = {actors[0], actors[2], actors[5], actors[6], actors[7], actors[8], actors[9], actors[11]};
    actors[1]->action = [](Actor* self) {
        for (SignalListener* t : self->targets) t->DisconnectAll();
    };
    s.Emit();
    EXPECT_EQ(calls, (Calls{"0", "1", "3", "4", "10"}));
    // 0 left the front: 11 took its place, then 11 left and 10 took it.
    EXPECT_EQ(Emitted(s), (Calls{"10", "1", "3", "4"}));
    for (Actor* a : actors) delete a;
    EXPECT_EQ(s.SlotCount(), 0u);
}

TEST_F(SignalTest, ASlotClosingItsOwnListenerAndTheFirstGoesOnWithTheRest)
{
    Signal<> s;
    Actor a("a"), b("b"), c("c"), d("d");
    for (Actor* x : {&a, &b, &c, &d}) s.Connect<&Actor::OnEmpty>(x);
    // b closes itself and a (the first): d moves into first, c stays a further slot.
    b.targets = {&b, &a};
    b.action = [](Actor* self) {
        for (SignalListener* t : self->targets) t->DisconnectAll();
    };
    s.Emit();
    EXPECT_EQ(calls, (Calls{"a", "b", "c", "d"}));
    EXPECT_EQ(Emitted(s), (Calls{"d", "c"}));
}

TEST_F(SignalTest, ASlotClosingEveryListenerEndsTheEmission)
{
    Signal<> s;
    Actor a("a"), b("b"), c("c");
    for (Actor* x : {&a, &b, &c}) s.Connect<&Actor::OnEmpty>(x);
    a.signal = &s;
    a.action = [](Actor* self) {
        for (SignalListener* l : {self->targets[0], self->targets[1], self->targets[2]}) self->signal->Disconnect(l);
    };
    a.targets = {&a, &b, &c};
    s.Emit();
    EXPECT_EQ(calls, (Calls{"a"}));
    EXPECT_EQ(s.SlotCount(), 0u);
    EXPECT_EQ(s.more.data, nullptr);
}

TEST_F(SignalTest, ASlotDeletingAListenerThatHasNotBeenCalledSkipsIt)
{
    Signal<> s;
    Actor a("a");
    Actor* b = new Actor("b");
    Actor c("c");
    for (Actor* x : {&a, b, &c}) s.Connect<&Actor::OnEmpty>(x);
    a.targets = {b};
    a.action = [](Actor* self) { delete static_cast<Actor*>(self->targets[0]); };
    s.Emit();
    EXPECT_EQ(calls, (Calls{"a", "c"}));
}

TEST_F(SignalTest, SlotsConnectedDuringAnEmissionAreCalledFromTheNextOne)
{
    Signal<> s;
    Actor a("a"), b("b");
    std::vector<Actor*> late;
    for (int i = 0; i < 20; ++i) late.push_back(new Actor(("n" + std::to_string(i)).c_str()));
    s.Connect<&Actor::OnEmpty>(&a);
    s.Connect<&Actor::OnEmpty>(&b);
    a.signal = &s;
    for (Actor* l : late) a.targets.push_back(l);
    a.action = [](Actor* self) {
        // Enough new slots to move the further slots' storage.
        for (SignalListener* t : self->targets) self->signal->Connect<&Actor::OnEmpty>(static_cast<Actor*>(t));
        self->targets.clear();
    };
    s.Emit();
    EXPECT_EQ(calls, (Calls{"a", "b"}));
    EXPECT_EQ(Emitted(s).size(), 22u);
    for (Actor* l : late) delete l;
    EXPECT_EQ(Emitted(s), (Calls{"a", "b"}));
}

TEST_F(SignalTest, ASlotDestroyingTheEmittingSignalStopsTheEmission)
{
    Signal<>* s = new Signal<>;
    Actor a("a"), b("b"), c("c");
    for (Actor* x : {&a, &b, &c}) s->Connect<&Actor::OnEmpty>(x);
    b.signal = s;
    b.action = [](Actor* self) { delete self->signal; };
    s->Emit();
    EXPECT_EQ(calls, (Calls{"a", "b"}));
    EXPECT_EQ(a.signals.count, 0u);
    EXPECT_EQ(c.signals.count, 0u);
}

TEST_F(SignalTest, ANestedEmissionOfTheSameSignalSeesDisconnectionsOfTheOuterOne)
{
    Signal<> s;
    Actor a("a"), b("b"), c("c");
    for (Actor* x : {&a, &b, &c}) s.Connect<&Actor::OnEmpty>(x);
    a.signal = &s;
    a.targets = {&c};
    a.action = [](Actor* self) {
        if (self->targets.empty()) return;
        self->targets[0]->DisconnectAll();
        self->targets.clear();
        self->signal->Emit();  // inner emission: a, b
    };
    s.Emit();
    EXPECT_EQ(calls, (Calls{"a", "a", "b", "b"}));
}
