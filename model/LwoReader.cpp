#include "model/LwoReader.h"

#include <cstdlib>
#include <cstring>

int LwoOpenReader(LwoReader* r, const char* path)
{
    memset(r, 0, sizeof *r);
    r->fp = fopen(path, "rb");
    if (!r->fp) return 0;
    if (fseeko(r->fp, 0, SEEK_END) != 0) {
        fclose(r->fp);
        r->fp = nullptr;
        return 0;
    }
    r->fileSize = s64(ftello(r->fp));
    if (r->fileSize < 0 || fseeko(r->fp, 0, SEEK_SET) != 0) {
        fclose(r->fp);
        r->fp = nullptr;
        return 0;
    }
    r->limit = r->fileSize;
    return 1;
}

void LwoCloseReader(LwoReader* r)
{
    if (r->fp) fclose(r->fp);
    r->fp = nullptr;
}

static void Fail(LwoReader* r) { r->count = LWO_READ_ERROR; }

// Reads n bytes into dst, counting them; answers 0 (and sets the error value) past the limit.
static int ReadRaw(LwoReader* r, void* dst, s64 n)
{
    if (LwoReadFailed(r)) return 0;
    if (n < 0 || n > r->limit - r->pos) {
        Fail(r);
        return 0;
    }
    if (n > 0 && fread(dst, 1, size_t(n), r->fp) != size_t(n)) {
        Fail(r);
        return 0;
    }
    r->pos += n;
    s64 c = s64(r->count) + n;
    r->count = c > 0x7FFFFFFF ? LWO_READ_ERROR : s32(c);
    return 1;
}

s64 LwoPushLimit(LwoReader* r, s64 n)
{
    if (n < 0 || n > r->limit - r->pos) {
        Fail(r);
        return -1;
    }
    s64 saved = r->limit;
    r->limit = r->pos + n;
    return saved;
}

int LwoSkip(LwoReader* r, s64 n)
{
    if (LwoReadFailed(r)) return 0;
    if (n < 0 || n > r->limit - r->pos) {
        Fail(r);
        return 0;
    }
    if (n == 0) return 1;
    if (fseeko(r->fp, off_t(n), SEEK_CUR) != 0) {
        Fail(r);
        return 0;
    }
    r->pos += n;
    return 1;
}

u8* LwoReadBytes(LwoReader* r, s32 n)
{
    if (LwoReadFailed(r)) return nullptr;
    if (n < 0 || n > r->limit - r->pos) {
        Fail(r);
        return nullptr;
    }
    u8* block = static_cast<u8*>(malloc(size_t(n) + 1));
    if (!block) {
        Fail(r);
        return nullptr;
    }
    if (!ReadRaw(r, block, n)) {
        free(block);
        return nullptr;
    }
    block[n] = 0;
    return block;
}

u8 LwoReadU1(LwoReader* r)
{
    u8 b[1];
    return ReadRaw(r, b, 1) ? b[0] : 0;
}

u16 LwoReadU2(LwoReader* r)
{
    u8 b[2];
    return ReadRaw(r, b, 2) ? u16((b[0] << 8) | b[1]) : 0;
}

s16 LwoReadI2(LwoReader* r) { return s16(LwoReadU2(r)); }

u32 LwoReadU4(LwoReader* r)
{
    u8 b[4];
    if (!ReadRaw(r, b, 4)) return 0;
    return (u32(b[0]) << 24) | (u32(b[1]) << 16) | (u32(b[2]) << 8) | u32(b[3]);
}

s32 LwoReadI4(LwoReader* r) { return s32(LwoReadU4(r)); }

float LwoReadF4(LwoReader* r)
{
    u32 v = LwoReadU4(r);
    float f;
    memcpy(&f, &v, 4);
    return f;
}

s32 LwoReadVX(LwoReader* r)
{
    u8 b[4];
    if (!ReadRaw(r, b, 2)) return 0;
    if (b[0] != 0xFF) return s32((b[0] << 8) | b[1]);
    if (!ReadRaw(r, b + 2, 2)) return 0;
    return s32((u32(b[1]) << 16) | (u32(b[2]) << 8) | u32(b[3]));
}

char* LwoReadS0(LwoReader* r)
{
    if (LwoReadFailed(r)) return nullptr;
    // The string and its padding must lie before the limit; read it in pairs of bytes.
    char small[256];
    char* buf = small;
    s64 cap = sizeof small, len = 0;
    for (;;) {
        u8 pair[2];
        if (!ReadRaw(r, pair, 2)) {
            if (buf != small) free(buf);
            return nullptr;
        }
        if (len + 2 > cap) {
            s64 ncap = cap * 2;
            char* nb = static_cast<char*>(malloc(size_t(ncap)));
            if (!nb) {
                if (buf != small) free(buf);
                Fail(r);
                return nullptr;
            }
            memcpy(nb, buf, size_t(len));
            if (buf != small) free(buf);
            buf = nb;
            cap = ncap;
        }
        buf[len++] = char(pair[0]);
        buf[len++] = char(pair[1]);
        if (pair[0] == 0 || pair[1] == 0) break;
    }
    char* s = nullptr;
    if (buf[0] != 0) {
        s = static_cast<char*>(malloc(size_t(len)));
        if (s)
            memcpy(s, buf, size_t(len));
        else
            Fail(r);
    }
    if (buf != small) free(buf);
    return s;
}

static int Need(LwoBuffer* b, s64 n)
{
    if (b->failed || b->end - b->pos < n) {
        b->failed = 1;
        return 0;
    }
    return 1;
}

u8 LwoGetU1(LwoBuffer* b)
{
    if (!Need(b, 1)) return 0;
    return *b->pos++;
}

u16 LwoGetU2(LwoBuffer* b)
{
    if (!Need(b, 2)) return 0;
    u16 v = u16((b->pos[0] << 8) | b->pos[1]);
    b->pos += 2;
    return v;
}

s16 LwoGetI2(LwoBuffer* b) { return s16(LwoGetU2(b)); }

u32 LwoGetU4(LwoBuffer* b)
{
    if (!Need(b, 4)) return 0;
    const u8* p = b->pos;
    b->pos += 4;
    return (u32(p[0]) << 24) | (u32(p[1]) << 16) | (u32(p[2]) << 8) | u32(p[3]);
}

s32 LwoGetVX(LwoBuffer* b)
{
    if (!Need(b, 2)) return 0;
    if (b->pos[0] != 0xFF) return LwoGetU2(b);
    if (!Need(b, 4)) return 0;
    const u8* p = b->pos;
    b->pos += 4;
    return s32((u32(p[1]) << 16) | (u32(p[2]) << 8) | u32(p[3]));
}

float LwoGetF4(LwoBuffer* b)
{
    u32 v = LwoGetU4(b);
    float f;
    memcpy(&f, &v, 4);
    return f;
}

char* LwoGetS0(LwoBuffer* b)
{
    if (!Need(b, 1)) return nullptr;
    const void* z = memchr(b->pos, 0, size_t(b->end - b->pos));
    if (!z) {
        b->failed = 1;
        return nullptr;
    }
    s64 len = static_cast<const u8*>(z) - b->pos + 1;
    s64 padded = len + (len & 1);
    if (padded > b->end - b->pos) padded = len;  // a final string may lack its pad byte
    if (len == 1) {
        b->pos += padded;
        return nullptr;
    }
    char* s = static_cast<char*>(malloc(size_t(padded)));
    if (!s) {
        b->failed = 1;
        return nullptr;
    }
    memcpy(s, b->pos, size_t(padded));
    b->pos += padded;
    return s;
}

void LwoReverseBytes(void* data, int size, s64 n)
{
    u8* p = static_cast<u8*>(data);
    for (s64 i = 0; i < n; ++i, p += size)
        for (int a = 0, z = size - 1; a < z; ++a, --z) {
            u8 t = p[a];
            p[a] = p[z];
            p[z] = t;
        }
}

char* LwoCopyString(const char* s, s64 n)
{
    if (n < 0) return nullptr;
    char* c = static_cast<char*>(malloc(size_t(n) + 1));
    if (!c) return nullptr;
    if (n) memcpy(c, s, size_t(n));
    c[n] = 0;
    return c;
}

char* LwoDuplicateString(const char* s)
{
    return s ? LwoCopyString(s, s64(strlen(s))) : nullptr;
}

s64 LwoBeginSubChunk(LwoReader* r, u32* id, s32* size)
{
    LwoSetReadCount(r, 0);
    *id = LwoReadU4(r);
    s64 raw = LwoReadU2(r);
    if (LwoGetReadCount(r) != 6) {
        Fail(r);
        return -1;
    }
    s64 rounded = raw + (raw & 1);
    s64 left = LwoRemaining(r);
    if (rounded > left && raw == left) rounded = raw;
    *size = s32(rounded);
    s64 saved = LwoPushLimit(r, rounded);
    if (saved >= 0) LwoSetReadCount(r, 0);
    return saved;
}

int LwoEndSubChunk(LwoReader* r, s64 saved)
{
    int ok = !LwoReadFailed(r) && LwoSkip(r, LwoRemaining(r));
    LwoPopLimit(r, saved);
    return ok;
}

u8* LwoReadRest(LwoReader* r, s32* size)
{
    s64 n = LwoRemaining(r);
    *size = 0;
    if (n <= 0) return nullptr;
    u8* data = LwoReadBytes(r, s32(n));
    if (data) *size = s32(n);
    return data;
}
