#pragma once
// Builds small LightWave files byte by byte for the reader's tests, a scratch folder for them,
// and the object read back from such a file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "foundation/Types.h"
#include "model/LwoObject.h"
#include "tests/common/TempFolder.h"

class LwoBytes {
public:
    std::vector<u8> b;

    LwoBytes& U1(u32 v)
    {
        b.push_back(u8(v));
        return *this;
    }
    LwoBytes& U2(u32 v) { return U1(v >> 8).U1(v); }
    LwoBytes& I2(s32 v) { return U2(u32(v) & 0xFFFF); }
    LwoBytes& U4(u32 v) { return U2(v >> 16).U2(v); }
    LwoBytes& F4(float f)
    {
        u32 v;
        memcpy(&v, &f, 4);
        return U4(v);
    }
    LwoBytes& VX(u32 v) { return v < 0xFF00 ? U2(v) : U4(v | 0xFF000000u); }
    LwoBytes& Id(const char* id) { return Raw(id, 4); }
    LwoBytes& Raw(const void* p, size_t n)
    {
        const u8* s = static_cast<const u8*>(p);
        b.insert(b.end(), s, s + n);
        return *this;
    }
    // A zero-terminated string padded to even length.
    LwoBytes& S0(const char* s)
    {
        size_t n = strlen(s) + 1;
        Raw(s, n);
        if (n & 1) U1(0);
        return *this;
    }
    // A chunk with a U4 size (long = true) or a sub-chunk with a U2 size; End patches the size
    // and pads to even length.
    LwoBytes& Begin(const char* id, bool longSize = true)
    {
        Id(id);
        open.push_back({b.size(), longSize});
        if (longSize)
            U4(0);
        else
            U2(0);
        return *this;
    }
    LwoBytes& Sub(const char* id) { return Begin(id, false); }
    LwoBytes& End()
    {
        Open o = open.back();
        open.pop_back();
        size_t start = o.at + (o.longSize ? 4 : 2);
        size_t n = b.size() - start;
        if (o.longSize) {
            for (int i = 0; i < 4; ++i) b[o.at + i] = u8(n >> (24 - 8 * i));
        } else {
            b[o.at] = u8(n >> 8);
            b[o.at + 1] = u8(n);
        }
        if (n & 1) U1(0);
        return *this;
    }
    // Overwrites the U2 or U4 size word of the chunk that starts at byte offset at.
    void PatchU2(size_t at, u32 v)
    {
        b[at] = u8(v >> 8);
        b[at + 1] = u8(v);
    }
    void PatchU4(size_t at, u32 v)
    {
        for (int i = 0; i < 4; ++i) b[at + i] = u8(v >> (24 - 8 * i));
    }
    size_t Size() const { return b.size(); }

private:
    struct Open {
        size_t at;
        bool longSize;
    };
    std::vector<Open> open;
};

// A FORM of the given type around a body of chunks.
inline LwoBytes LwoForm(const char* type, const LwoBytes& body)
{
    LwoBytes f;
    f.Id("FORM").U4(u32(body.b.size() + 4)).Id(type);
    f.b.insert(f.b.end(), body.b.begin(), body.b.end());
    return f;
}

// A fresh folder under /tmp, removed with its files at the end of the test.
class LwoScratch {
public:
    LwoScratch()
    {
        char tmpl[] = "/tmp/tavik-lwo-XXXXXX";
        const char* d = mkdtemp(tmpl);
        dir = d ? d : "";
    }
    ~LwoScratch()
    {
        RemoveTree(dir);
    }
    LwoScratch(const LwoScratch&) = delete;
    LwoScratch& operator=(const LwoScratch&) = delete;

    std::string Write(const char* name, const std::vector<u8>& bytes) const
    {
        std::string path = dir + "/" + name;
        FILE* f = fopen(path.c_str(), "wb");
        if (f) {
            if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
            fclose(f);
        }
        return path;
    }
    std::string Write(const char* name, const LwoBytes& bytes) const { return Write(name, bytes.b); }

    std::string dir;
};

// The object read back from form, written to a scratch file that is gone again once read; null
// when the reader refused the file, with where it stopped in failId and failPos. The object is
// freed with the scope.
struct LwoRead {
    LwoObject* object = nullptr;
    u32 failId = 0;
    s32 failPos = -1;
    explicit LwoRead(const LwoBytes& form, const char* name = "object.lwo")
    {
        LwoScratch scratch;
        std::string path = scratch.Write(name, form);
        object = LwoReadObject(path.c_str(), &failId, &failPos);
    }
    ~LwoRead() { LwoFreeObject(object); }
    LwoRead(const LwoRead&) = delete;
    LwoRead& operator=(const LwoRead&) = delete;
};
