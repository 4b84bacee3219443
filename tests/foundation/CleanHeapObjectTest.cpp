#include "foundation/CleanHeapObject.h"
#include "foundation/Signal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

class Probe : public CleanHeapObject<NilStruct> {
public:
    Probe() : set(7) {}
    ~Probe() override { ++destroyed; }

    static int destroyed;
    int set;
    int untouched;
    double number;
    void* pointer;
    char name[40];
    DynArray<u32> list;
};
int Probe::destroyed = 0;

// A listener the way windows are built: zero-filled, with its own class name.
class ProbeWindow : public CleanHeapObject<has_slots<void>> {
public:
    ProbeWindow() : visible(1) {}
    const char* GetClassName() const override { return "ProbeWindow"; }
    int visible;
    int flags;
    Signal<> closed;
};

// Leaves a block of the probe's size full of 0xA5 in the allocator, so a fill that the
// compiler dropped would show as non-zero fields in the next object of that size.
void DirtyTheHeap(size_t size)
{
    for (int i = 0; i < 4; ++i) {
        void* block = malloc(size);
        memset(block, 0xA5, size);
        free(block);
    }
}

bool AllZero(const void* p, size_t n)
{
    const u8* b = static_cast<const u8*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i]) return false;
    return true;
}

}  // namespace

TEST(CleanHeapObject, ReadsZeroInEveryFieldItsConstructorDoesNotSet)
{
    for (int round = 0; round < 8; ++round) {
        DirtyTheHeap(sizeof(Probe));
        Probe* probe = new Probe;
        EXPECT_EQ(probe->set, 7);
        EXPECT_EQ(probe->untouched, 0);
        EXPECT_EQ(probe->number, 0.0);
        EXPECT_EQ(probe->pointer, nullptr);
        EXPECT_TRUE(AllZero(probe->name, sizeof probe->name));
        EXPECT_EQ(probe->list.data, nullptr);
        EXPECT_EQ(probe->list.count, 0u);
        EXPECT_EQ(probe->list.capacity, 0u);
        probe->list.Push(5);  // a zero array is a usable empty one
        probe->list.Free();
        delete probe;
    }
}

TEST(CleanHeapObject, AnswersObjectAndDeletesThroughTheVirtualDestructor)
{
    Probe::destroyed = 0;
    CleanHeapObject<NilStruct>* object = new Probe;
    EXPECT_STREQ(object->GetClassName(), "Object");
    delete object;
    EXPECT_EQ(Probe::destroyed, 1);
}

TEST(CleanHeapObject, ZeroFillsListenersAndLetsThemNameTheirClass)
{
    DirtyTheHeap(sizeof(ProbeWindow));
    ProbeWindow* window = new ProbeWindow;
    EXPECT_EQ(window->visible, 1);
    EXPECT_EQ(window->flags, 0);
    EXPECT_EQ(window->signals.count, 0u);
    EXPECT_STREQ(window->GetClassName(), "ProbeWindow");
    SignalListener* asListener = window;
    delete asListener;  // the listener's virtual destructor reaches the whole object
}
