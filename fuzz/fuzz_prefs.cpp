// The preferences loader over arbitrary bytes. Whatever it takes in must be written back as
// a file that loads again, completely and to the same store.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/PrefStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PrefStore first = {};
    first.Parse(reinterpret_cast<const char*>(data), size);
    String bytes = first.Serialize();

    PrefStore second = {};
    if (!second.Parse(bytes.c_str(), bytes.Length())) abort();
    if (second.Count() != first.Count()) abort();
    for (u32 i = 0; i < first.Count(); ++i) {
        const PrefStore::Item& a = first.At(i);
        const PrefStore::Item& b = second.At(i);
        if (a.key != b.key || a.value.type != b.value.type || a.value.number != b.value.number ||
            a.value.text != b.value.text)
            abort();
    }
    return 0;
}
