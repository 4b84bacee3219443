#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "foundation/ByteOrder.h"
#include "tests/common/ByteBuilder.h"

namespace {

typedef std::vector<u8> Bytes;

constexpr bool k64 = sizeof(void*) == 8;

// Builds an expected in-memory image field by field, independently of the walk: host-order
// values, and pointers as the build lays them out (8 bytes aligned to 8 by 4 bytes of
// padding in the 64-bit build, 4 bytes in the 32-bit one).
struct MemImage {
    Bytes b;
    MemImage& U8(u8 v) { b.push_back(v); return *this; }
    MemImage& U16(u16 v) { Append(&v, 2); return *this; }
    MemImage& U32(u32 v) { Append(&v, 4); return *this; }
    MemImage& Ptr()
    {
        if (k64 && b.size() % 8) b.resize(b.size() + 4, 0);
        b.resize(b.size() + sizeof(void*), 0);
        return *this;
    }
    void Append(const void* p, size_t n) { b.insert(b.end(), (const u8*)p, (const u8*)p + n); }
};

Bytes ReadAll(const Bytes& disk, u32 count, const ByteOrderDescriptor* desc, u64* result = nullptr)
{
    Bytes mem(MemorySizeOfRecords(count, desc) + 16, 0xCD);
    ReadStream in(disk);
    u64 r = ReadRecords(mem.data(), count, desc, in.f);
    if (result) *result = r;
    mem.resize(MemorySizeOfRecords(count, desc));
    return mem;
}

Bytes WriteAll(const Bytes& mem, u32 count, const ByteOrderDescriptor* desc, u64* result = nullptr)
{
    WriteStream out;
    u64 r = WriteRecords(mem.data(), count, desc, out.f);
    if (result) *result = r;
    return out.Take();
}

// A record that exercises every element kind (no pointers).
constexpr ByteOrderDescriptor kMixed[] = {16, 2, kBoU8, 1, kBoU16, 1, kBoU32, 1, kBoZero16, 1, kBoCopy16, 1, kBoCopy32};
const Bytes kMixedDisk = {'a', 'b', 0x12, 0x34, 0x01, 0x02, 0x03, 0x04, 0xEE, 0xEE, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12};

// {u32, u32, pointer, u32}
constexpr ByteOrderDescriptor kPtrRecord[] = {16 | kBoHasPointers, 2, kBoU32, 1, kBoPointer, 1, kBoU32};
// {u32, 3 u16, zero u16, 4 u32, pointer}: the pointer would stand at offset 28.
constexpr ByteOrderDescriptor kPaddedRecord[] = {32 | kBoHasPointers, 1, kBoU32, 3,    kBoU16, 1, kBoZero16,
                                                 4,                   kBoU32, 1, kBoPointer};

struct PtrRecord {
    u32 a, b;
    void* p;
    u32 c;
};
static_assert(ByteOrderDescribes<PtrRecord>(kPtrRecord), "PtrRecord layout");
static_assert(MemorySizeOfRecords(1, kPtrRecord) == (k64 ? 20 : 16), "pointer widened, no tail padding");
static_assert(MemorySizeOfRecords(1, kPaddedRecord) == (k64 ? 40 : 32), "padding before the pointer");
static_assert(ValidateByteOrderDescriptor(kMixed, sizeof(kMixed) / 2), "mixed");
static_assert(ValidateByteOrderDescriptor(kPaddedRecord, sizeof(kPaddedRecord) / 2), "padded");

}  // namespace

TEST(ByteOrder, RecordWithoutPointersIsSwappedCopiedAndZeroedByType)
{
    u64 r = 0;
    Bytes mem = ReadAll(kMixedDisk, 1, kMixed, &r);
    EXPECT_EQ(r, 16u);
    Bytes expected = MemImage().U8('a').U8('b').U16(0x1234).U32(0x01020304).U16(0).U16(0x1234).U32(0x12345678).b;
    EXPECT_EQ(mem, expected);

    Bytes written = WriteAll(mem, 1, kMixed, &r);
    EXPECT_EQ(r, 16u);
    Bytes golden = kMixedDisk;
    golden[8] = golden[9] = 0;
    EXPECT_EQ(written, golden);
}

TEST(ByteOrder, ManyRecordsAreReadInOneGoAndEachConverted)
{
    Bytes disk;
    for (int i = 0; i < 3; ++i) disk.insert(disk.end(), kMixedDisk.begin(), kMixedDisk.end());
    disk[16 + 2] = 0xAB;  // second record's u16
    u64 r = 0;
    Bytes mem = ReadAll(disk, 3, kMixed, &r);
    EXPECT_EQ(r, 48u);
    u16 second;
    memcpy(&second, &mem[16 + 2], 2);
    EXPECT_EQ(second, 0xAB34);
    u32 third;
    memcpy(&third, &mem[32 + 12], 4);
    EXPECT_EQ(third, 0x12345678u);
}

// Records of 16-bit fields alone, as grid cells are: each field swapped, copied or zeroed by
// its own type in every record, the same as for a record of mixed widths.
TEST(ByteOrder, RecordsOfSixteenBitFieldsConvertEachFieldByItsType)
{
    constexpr ByteOrderDescriptor kCell[] = {12, 2, kBoU16, 1, kBoZero16, 1, kBoCopy16, 1, kBoU16, 1, kBoZero16};
    static_assert(ValidateByteOrderDescriptor(kCell, sizeof(kCell) / 2), "cell");
    Bytes disk;
    for (u8 r = 0; r < 5; ++r)
        for (u8 field = 0; field < 6; ++field) disk.insert(disk.end(), {u8(0x10 * field + r), u8(0xA0 + r)});
    u64 got = 0;
    Bytes mem = ReadAll(disk, 5, kCell, &got);
    EXPECT_EQ(got, 60u);
    MemImage expected;
    for (u8 r = 0; r < 5; ++r) {
        auto big = [&](u8 field) { return u16((0x10 * field + r) << 8 | (0xA0 + r)); };
        auto little = [&](u8 field) { return u16((0xA0 + r) << 8 | (0x10 * field + r)); };
        expected.U16(big(0)).U16(big(1)).U16(0).U16(little(3)).U16(big(4)).U16(0);
    }
    EXPECT_EQ(mem, expected.b);
    // And back: the zeroed fields write zeros.
    Bytes written = WriteAll(mem, 5, kCell, &got);
    EXPECT_EQ(got, 60u);
    for (size_t r = 0; r < 5; ++r)
        for (size_t field = 0; field < 6; ++field) {
            const bool zeroed = field == 2 || field == 5;
            EXPECT_EQ(written[r * 12 + field * 2], zeroed ? 0 : disk[r * 12 + field * 2]) << r << " " << field;
        }
}

TEST(ByteOrder, PointerFieldWidensToEightBytesWithoutTailPadding)
{
    const Bytes disk = {0, 0, 0, 1, 0, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 3};
    u64 r = 0;
    Bytes mem = ReadAll(disk, 1, kPtrRecord, &r);
    EXPECT_EQ(r, 16u);
    EXPECT_EQ(mem, MemImage().U32(1).U32(2).Ptr().U32(3).b);
    EXPECT_EQ(mem.size(), k64 ? 20u : 16u);
    EXPECT_EQ(offsetof(PtrRecord, c), k64 ? 16u : 12u);

    // Whatever the pointer holds in memory, the file gets four zero bytes.
    PtrRecord rec = {1, 2, &rec, 3};
    Bytes written = WriteAll(Bytes((u8*)&rec, (u8*)&rec + sizeof rec), 1, kPtrRecord, &r);
    EXPECT_EQ(r, 16u);
    EXPECT_EQ(written, (Bytes{0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3}));
}

TEST(ByteOrder, PointerAfterAnOddWordGetsFourBytesOfPadding)
{
    Bytes disk = {0xA0, 0xA1, 0xA2, 0xA3, 0, 1, 0, 2, 0, 3, 0x55, 0x55};
    for (u8 i = 0; i < 4; ++i) disk.insert(disk.end(), {0, 0, 0, u8(10 + i)});
    disk.insert(disk.end(), {0, 0, 0, 0});
    ASSERT_EQ(disk.size(), 32u);
    Bytes mem = ReadAll(disk, 1, kPaddedRecord);
    MemImage e;
    e.U32(0xA0A1A2A3).U16(1).U16(2).U16(3).U16(0).U32(10).U32(11).U32(12).U32(13).Ptr();
    EXPECT_EQ(mem, e.b);
    EXPECT_EQ(mem.size(), k64 ? 40u : 32u);
    Bytes golden = disk;
    golden[10] = golden[11] = 0;
    EXPECT_EQ(WriteAll(mem, 1, kPaddedRecord), golden);
}

TEST(ByteOrder, PaddingFollowsTheOffsetInTheWholeRunSoEveryPointerIsAligned)
{
    // The second record starts at 20 in the 64-bit build: its pointer would fall on 28.
    const Bytes disk = {0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3,
                        0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 6};
    EXPECT_EQ(MemorySizeOfRecords(2, kPtrRecord), k64 ? 44u : 32u);
    Bytes mem = ReadAll(disk, 2, kPtrRecord);
    EXPECT_EQ(mem, MemImage().U32(1).U32(2).Ptr().U32(3).U32(4).U32(5).Ptr().U32(6).b);
    EXPECT_EQ(WriteAll(mem, 2, kPtrRecord), disk);
}

TEST(ByteOrder, NestedRecordsRepeatAndTheOuterPairsContinueBehindThem)
{
    // {u16; 3 x {u16, 2 u8}; u16}
    constexpr ByteOrderDescriptor desc[] = {16, 1, kBoU16, 3, kBoNested, 4, 1, kBoU16, 2, kBoU8, 1, kBoU16};
    static_assert(ValidateByteOrderDescriptor(desc, sizeof(desc) / 2), "nested");
    const Bytes disk = {0x11, 0x22, 0, 1, 'a', 'b', 0, 2, 'c', 'd', 0, 3, 'e', 'f', 0x33, 0x44};
    Bytes mem = ReadAll(disk, 1, desc);
    MemImage e;
    e.U16(0x1122).U16(1).U8('a').U8('b').U16(2).U8('c').U8('d').U16(3).U8('e').U8('f').U16(0x3344);
    EXPECT_EQ(mem, e.b);
    EXPECT_EQ(WriteAll(mem, 1, desc), disk);
}

TEST(ByteOrder, NestedRecordsWithPointersWidenInsideEachRepetition)
{
    // {u32; 2 x {u32, pointer}; {2 x {u16, u16}}}: nesting two deep.
    constexpr ByteOrderDescriptor desc[] = {28 | kBoHasPointers, 1, kBoU32, 2, kBoNested, 8 | kBoHasPointers, 1, kBoU32,
                                            1, kBoPointer, 1, kBoNested, 8, 2, kBoNested, 4, 2, kBoU16};
    static_assert(ValidateByteOrderDescriptor(desc, sizeof(desc) / 2), "nested pointers");
    const Bytes disk = {0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 5, 0, 6, 0, 7, 0, 8};
    Bytes mem = ReadAll(disk, 1, desc);
    EXPECT_EQ(mem, MemImage().U32(9).U32(1).Ptr().U32(2).Ptr().U16(5).U16(6).U16(7).U16(8).b);
    EXPECT_EQ(MemorySizeOfRecords(1, desc), k64 ? 40u : 28u);
    EXPECT_EQ(WriteAll(mem, 1, desc), disk);
}

TEST(ByteOrder, NestedPairWithCountZeroIsSkippedWhole)
{
    constexpr ByteOrderDescriptor desc[] = {4, 0, kBoNested, 4, 1, kBoU32, 1, kBoU32};
    static_assert(ValidateByteOrderDescriptor(desc, sizeof(desc) / 2), "count zero");
    Bytes mem = ReadAll({1, 2, 3, 4}, 1, desc);
    EXPECT_EQ(mem, MemImage().U32(0x01020304).b);
}

TEST(ByteOrder, EmptyPointerGroupTakesNoSpaceAndNoPadding)
{
    constexpr ByteOrderDescriptor desc[] = {8, 1, kBoU32, 0, kBoPointer, 1, kBoU32};
    static_assert(ValidateByteOrderDescriptor(desc, sizeof(desc) / 2), "empty pointer group");
    static_assert(MemorySizeOfRecords(1, desc) == 8, "no padding");
    Bytes mem(8, 0xCD);
    const Bytes disk = {0, 0, 0, 1, 0, 0, 0, 2};
    DiskToMemory(mem.data(), disk.data(), 1, desc);
    EXPECT_EQ(mem, MemImage().U32(1).U32(2).b);
    constexpr ByteOrderDescriptor withBit[] = {8 | kBoHasPointers, 1, kBoU32, 0, kBoPointer, 1, kBoU32};
    EXPECT_EQ(MemorySizeOfRecords(1, withBit), 8u);
}

TEST(ByteOrder, ZeroFilledFieldsIgnoreWhatTheyAreGiven)
{
    constexpr ByteOrderDescriptor desc[] = {7, 1, kBoZero8, 1, kBoZero16, 1, kBoZero32};
    Bytes mem = ReadAll({1, 2, 3, 4, 5, 6, 7}, 1, desc);
    EXPECT_EQ(mem, Bytes(7, 0));
    EXPECT_EQ(WriteAll(Bytes(7, 0xFF), 1, desc), Bytes(7, 0));
}

// The same records read from the same bytes write back to the same bytes, in both builds;
// the memory images differ only where pointers stand.
TEST(ByteOrder, GoldenRecordsRoundTripThroughMemoryInBothBuilds)
{
    // {u8 tag[3]; zero u8; pointer; u16; little-endian u16; 2 x {u32, pointer}; LE u32}
    constexpr ByteOrderDescriptor desc[] = {32 | kBoHasPointers, 3, kBoU8, 1, kBoZero8, 1, kBoPointer, 1, kBoU16,
                                            1, kBoCopy16, 2, kBoNested, 8 | kBoHasPointers, 1, kBoU32,
                                            1, kBoPointer, 1, kBoCopy32};
    static_assert(ValidateByteOrderDescriptor(desc, sizeof(desc) / 2), "golden");
    const Bytes golden = {
        'v', 'r', 'n', 0,                    // tag, zero
        0, 0, 0, 0,                          // pointer
        0xBE, 0xEF, 0x01, 0x02,              // u16, LE u16
        0xDE, 0xAD, 0xBE, 0xEF, 0, 0, 0, 0,  // nested 1
        0x00, 0x00, 0x00, 0x2A, 0, 0, 0, 0,  // nested 2
        0x10, 0x20, 0x30, 0x40,              // LE u32
    };
    ASSERT_EQ(golden.size(), 32u);
    Bytes twice = golden;
    twice.insert(twice.end(), golden.begin(), golden.end());

    MemImage one;
    one.U8('v').U8('r').U8('n').U8(0).Ptr().U16(0xBEEF).U16(0x0201);
    one.U32(0xDEADBEEF).Ptr().U32(42).Ptr().U32(0x40302010);
    EXPECT_EQ(ReadAll(golden, 1, desc), one.b);
    EXPECT_EQ(MemorySizeOfRecords(1, desc), k64 ? 52u : 32u);
    EXPECT_EQ(MemorySizeOfRecords(2, desc), k64 ? 100u : 64u);

    u64 r = 0;
    Bytes mem = ReadAll(twice, 2, desc, &r);
    EXPECT_EQ(r, 64u);
    EXPECT_EQ(mem.size(), MemorySizeOfRecords(2, desc));
    EXPECT_EQ(WriteAll(mem, 2, desc, &r), twice);
    EXPECT_EQ(r, 64u);
}

TEST(ByteOrder, SwapRecordsConvertsMemoryLayoutBothWaysAndNullsPointers)
{
    MemImage host;
    host.U32(0x01020304).U32(0x05060708).Ptr().U32(0x0A0B0C0D);
    Bytes src = host.b;
    memset(&src[8], 0x77, sizeof(void*));  // a live pointer value
    Bytes dst(src.size(), 0xCD);
    SwapRecords(dst.data(), src.data(), 1, kPtrRecord);
    EXPECT_EQ(dst, MemImage().U32(0x04030201).U32(0x08070605).Ptr().U32(0x0D0C0B0A).b);
    SwapRecordsInPlace(dst.data(), 1, kPtrRecord);
    EXPECT_EQ(dst, MemImage().U32(0x01020304).U32(0x05060708).Ptr().U32(0x0A0B0C0D).b);
}

TEST(ByteOrder, DiskToMemoryAndBackAreInverse)
{
    const Bytes disk = {0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3};
    Bytes mem(MemorySizeOfRecords(1, kPtrRecord), 0xCD);
    EXPECT_EQ(DiskToMemory(mem.data(), disk.data(), 1, kPtrRecord), mem.data());
    Bytes back(16, 0xCD);
    EXPECT_EQ(MemoryToDisk(back.data(), mem.data(), 1, kPtrRecord), back.data());
    EXPECT_EQ(back, disk);
}

TEST(ByteOrder, WriteRecordsWithNullRecordsWritesNothingAndAnswersTheDiskSize)
{
    WriteStream out;
    EXPECT_EQ(WriteRecords(nullptr, 5, kPtrRecord, out.f), 80u);
    EXPECT_TRUE(out.Take().empty());
}

TEST(ByteOrder, ReadThatHitsTheEndOfTheStreamFails)
{
    Bytes disk(31, 0x11);
    Bytes mem(64, 0xCD);
    {
        ReadStream in(disk);
        EXPECT_EQ(ReadRecords(mem.data(), 1, kPaddedRecord, in.f), 0u);
        // Where pointers widen, the read goes through a buffer and leaves the destination alone.
        if (k64) {
            EXPECT_EQ(mem, Bytes(64, 0xCD));
        }
    }
    {
        ReadStream in(Bytes(15, 1));
        EXPECT_EQ(ReadRecords(mem.data(), 1, kMixed, in.f), 0u);
    }
    {
        ReadStream in(Bytes(32, 1));
        EXPECT_EQ(ReadRecords(mem.data(), 3, kMixed, in.f), 0u);
    }
    {
        ReadStream in(Bytes(16, 1));
        EXPECT_EQ(ReadRecords(mem.data(), 0, kMixed, in.f), 0u);
    }
}

TEST(ByteOrder, AHugeCountFromADamagedFileFailsBeforeAnyAllocation)
{
    // Over 4 GiB of records: too much for the 32-bit build, and far beyond the stream.
    constexpr ByteOrderDescriptor big[] = {32764 | kBoHasPointers, 8190, kBoU32, 1, kBoPointer};
    static_assert(ValidateByteOrderDescriptor(big, 5), "big");
    EXPECT_GT(DiskSizeOfRecords(0xFFFFFFFFu, big), u64(0xFFFFFFFFu));
    Bytes mem(64, 0xCD);
    ReadStream in(Bytes(100, 1));
    EXPECT_EQ(ReadRecords(mem.data(), 0xFFFFFFFFu, big, in.f), 0u);
    EXPECT_EQ(ReadRecords(mem.data(), 0x20000u, kMixed, in.f), 0u);
    EXPECT_EQ(mem, Bytes(64, 0xCD));
    EXPECT_EQ(ftell(in.f), 0);
}

TEST(ByteOrder, ALargeReadPastTwoGibibytesIsRefusedWhenTheFileEndsSooner)
{
    // A sparse file whose last bytes lie past 2 GiB: there a 32-bit long cannot hold the
    // position, and the check of the bytes left must still hold in the 32-bit build.
    char folder[] = "/tmp/tavik-byteorder-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string path = std::string(folder) + "/large";
    FILE* f = fopen(path.c_str(), "w+b");
    ASSERT_NE(f, nullptr);
    const off_t start = off_t(3) << 30;
    ASSERT_EQ(ftruncate(fileno(f), start + 100), 0);
    ASSERT_EQ(fseeko(f, start, SEEK_SET), 0);

    // 0x20000 records of 16 bytes are 2 MiB; only 100 bytes are there.
    Bytes mem(size_t(0x20000) * 16, 0xCD);
    EXPECT_EQ(ReadRecords(mem.data(), 0x20000u, kMixed, f), 0u);
    EXPECT_EQ(ReadElements(mem.data(), 0x80000u, kBoU32, f), 0u);
    EXPECT_EQ(mem, Bytes(mem.size(), 0xCD));
    EXPECT_EQ(ftello(f), start);
    fclose(f);
    remove(path.c_str());
    rmdir(folder);
}

TEST(ByteOrder, ElementsAreSwappedOrCopiedByType)
{
    struct Case {
        u16 type;
        u32 count;
        Bytes disk;
        Bytes mem;
    } cases[] = {
        {kBoU16, 2, {0x12, 0x34, 0xAB, 0xCD}, MemImage().U16(0x1234).U16(0xABCD).b},
        {kBoU32, 1, {0x12, 0x34, 0x56, 0x78}, MemImage().U32(0x12345678).b},
        {kBoCopy16, 2, {0x34, 0x12, 0xCD, 0xAB}, MemImage().U16(0x1234).U16(0xABCD).b},
        {kBoCopy32, 1, {0x78, 0x56, 0x34, 0x12}, MemImage().U32(0x12345678).b},
        {kBoU8, 3, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        Bytes mem(c.mem.size(), 0);
        ReadStream in(c.disk);
        EXPECT_EQ(ReadElements(mem.data(), c.count, c.type, in.f), c.disk.size()) << c.type;
        EXPECT_EQ(mem, c.mem) << c.type;
        WriteStream out;
        EXPECT_EQ(WriteElements(mem.data(), c.count, c.type, out.f), c.disk.size()) << c.type;
        EXPECT_EQ(out.Take(), c.disk) << c.type;
        EXPECT_EQ(mem, c.mem) << "the caller's elements stay in host order";
    }
}

TEST(ByteOrder, ElementReadsRefuseShortStreamsAndRecordOnlyTypes)
{
    u32 v[2] = {7, 7};
    {
        ReadStream in({1, 2, 3, 4, 5});
        EXPECT_EQ(ReadElements(v, 2, kBoU32, in.f), 0u);
    }
    {
        ReadStream in(Bytes(8, 1));
        EXPECT_EQ(ReadElements(v, 2, kBoPointer, in.f), 0u);
        EXPECT_EQ(ReadElements(v, 2, kBoNested, in.f), 0u);
        EXPECT_EQ(ReadElements(v, 2, 3, in.f), 0u);
    }
    WriteStream out;
    EXPECT_EQ(WriteElements(nullptr, 6, kBoU16, out.f), 12u);
    EXPECT_TRUE(out.Take().empty());
}

TEST(ByteOrder, ConvertElementsSwapsInPlaceAndLeavesWidthCodeThreeAlone)
{
    u8 b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SwapElementsInPlace(b, 2, kBoU16);
    EXPECT_EQ(Bytes(b, b + 8), (Bytes{2, 1, 4, 3, 5, 6, 7, 8}));
    SwapElementsInPlace(b, 1, kBoCopy32);
    EXPECT_EQ(Bytes(b, b + 8), (Bytes{2, 1, 4, 3, 5, 6, 7, 8}));
    u8 d[8] = {};
    ConvertElements(d, b, 1, 3);
    EXPECT_EQ(Bytes(d, d + 8), Bytes(8, 0));
    EXPECT_EQ(ConvertElements(d, b, 2, kBoZero32), d);
    ConvertElements(d, b, 2, kBoU32);
    EXPECT_EQ(Bytes(d, d + 8), (Bytes{3, 4, 1, 2, 8, 7, 6, 5}));
}

TEST(ByteOrder, ValidationAcceptsOnlyDescriptorsWhosePairsAddUpExactly)
{
    struct Case {
        const char* what;
        std::vector<u16> words;
        bool valid;
    } cases[] = {
        {"plain", {6, 1, kBoU16, 1, kBoU32}, true},
        {"pairs short of the size", {8, 1, kBoU16, 1, kBoU32}, false},
        {"pairs past the size", {5, 1, kBoU16, 1, kBoU32}, false},
        {"words left over", {6, 1, kBoU16, 1, kBoU32, 0, 0}, false},
        {"words missing", {6, 1, kBoU16, 1}, false},
        {"size zero", {0}, false},
        {"no words", {}, false},
        {"width code three", {8, 1, 3}, false},
        {"unknown type bit", {4, 1, 64 | kBoU32}, false},
        {"pointer without the pointer bit", {8, 1, kBoU32, 1, kBoPointer}, false},
        {"pointer with the bit", {8 | kBoHasPointers, 1, kBoU32, 1, kBoPointer}, true},
        {"pointer bit without pointers", {4 | kBoHasPointers, 1, kBoU32}, true},
        {"pointer off a multiple of 4", {6 | kBoHasPointers, 1, kBoU16, 1, kBoPointer}, false},
        {"pointer record not a multiple of 4", {6 | kBoHasPointers, 1, kBoPointer, 1, kBoU16}, false},
        {"nested", {10, 1, kBoU16, 2, kBoNested, 4, 2, kBoU16}, true},
        {"nested short", {10, 1, kBoU16, 2, kBoNested, 4, 1, kBoU16}, false},
        {"nested repeats past the size", {10, 1, kBoU16, 3, kBoNested, 4, 2, kBoU16}, false},
        {"nested pointer, outer bit missing", {8, 1, kBoNested, 8 | kBoHasPointers, 2, kBoPointer}, false},
        {"nested pointer, inner bit missing", {8 | kBoHasPointers, 1, kBoNested, 8, 2, kBoPointer}, false},
        {"nested descriptor cut off", {8, 1, kBoNested}, false},
        {"nested size zero", {4, 5, kBoNested, 0, 1, kBoU32}, false},
        {"huge count", {2, 0xFFFF, kBoU32}, false},
        {"count zero", {4, 0, kBoU32, 1, kBoU32}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValidateByteOrderDescriptor(c.words.data(), u32(c.words.size())), c.valid) << c.what;
    }
    EXPECT_FALSE(ValidateByteOrderDescriptor(nullptr, 3));
}

TEST(ByteOrder, ValidationBoundsNestingDepthAndLength)
{
    auto nestedChain = [](u32 depth) {
        // depth records, each holding one of the next, the innermost one u8.
        std::vector<u16> w;
        for (u32 i = 0; i < depth; ++i) w.insert(w.end(), {1, 1, kBoNested});
        w.insert(w.end(), {1, 1, kBoU8});
        return w;
    };
    std::vector<u16> ok = nestedChain(kMaxByteOrderNesting - 1);
    std::vector<u16> deep = nestedChain(kMaxByteOrderNesting);
    EXPECT_TRUE(ValidateByteOrderDescriptor(ok.data(), u32(ok.size())));
    EXPECT_FALSE(ValidateByteOrderDescriptor(deep.data(), u32(deep.size())));
    EXPECT_EQ(MemorySizeOfRecords(3, ok.data()), 3u);

    std::vector<u16> longDesc = {u16(kMaxByteOrderDescriptorWords)};
    while (longDesc.size() < kMaxByteOrderDescriptorWords + 1) longDesc.insert(longDesc.end(), {1, kBoU8});
    longDesc[0] = u16((longDesc.size() - 1) / 2);
    EXPECT_FALSE(ValidateByteOrderDescriptor(longDesc.data(), u32(longDesc.size())));
}

TEST(ByteOrder, MemorySizeIsTheDiskSizeTimesCountWithoutPointersInSixtyFourBits)
{
    EXPECT_EQ(MemorySizeOfRecords(0xFFFFFFFFu, kMixed), 16ull * 0xFFFFFFFFull);
    EXPECT_EQ(MemorySizeOfRecords(3, kPaddedRecord), k64 ? 3 * 40u : 96u);
}

TEST(ByteOrder, HostLoadsReadUnalignedValuesOfEachWidthAndExtendSigns)
{
    // One byte in front so every value sits at an odd address.
    alignas(8) u8 buf[9] = {0};
    struct Case { u32 size; u64 stored; u64 unsignedValue; s64 signedValue; };
    const Case cases[] = {
        {1, 0xFE, 0xFE, -2},
        {2, 0x8001, 0x8001, -32767},
        {4, 0xFFFFFFFF, 0xFFFFFFFF, -1},
        {4, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
        {8, 0x8000000000000001ull, 0x8000000000000001ull, s64(0x8000000000000001ull)},
        {3, 0xFFFFFF, 0, 0},  // no such width
    };
    for (const Case& c : cases) {
        memset(buf, 0, sizeof buf);
        memcpy(buf + 1, &c.stored, c.size);
        EXPECT_EQ(LoadHostUnsigned(buf + 1, c.size), c.unsignedValue) << c.size;
        EXPECT_EQ(LoadHostSigned(buf + 1, c.size), c.signedValue) << c.size;
    }
}
