// Image clips and animation envelopes of LWO2 objects.
#include <gtest/gtest.h>

#include "model/LwoObject.h"
#include "tests/model/LwoFixture.h"

namespace {

// An LWO2 object around a body of chunks.
struct Read : LwoRead {
    explicit Read(const LwoBytes& body) : LwoRead(LwoForm("LWO2", body), "clips.lwo") {}
};

}  // namespace

TEST(LwoClip, EachSourceKindIsReadFromTheFirstSubChunk)
{
    LwoBytes b;
    b.Begin("CLIP").U4(1).Sub("STIL").S0("images/wood.png").End().End();
    b.Begin("CLIP").U4(2).Sub("ISEQ").U1(3).U1(1).I2(-2).I2(1).I2(30).S0("frame").S0(".tga").End().End();
    b.Begin("CLIP").U4(3).Sub("ANIM").S0("movie.avi").S0("AVI").U2(0xABCD).End().End();
    b.Begin("CLIP").U4(4).Sub("XREF").U4(1).S0("copy").End().End();
    b.Begin("CLIP").U4(5).Sub("STCC").I2(-1).I2(4).S0("color").End().End();
    b.Begin("CLIP").U4(6).Sub("ZZZZ").U4(0).End().End();
    Read r(b);
    ASSERT_NE(r.object, nullptr);
    EXPECT_EQ(r.object->nclips, 6);
    LwoClip* c = r.object->clip;
    EXPECT_EQ(c->type, FourCC("STIL"));
    EXPECT_STREQ(c->source.still.name, "images/wood.png");
    c = c->next;
    EXPECT_EQ(c->type, FourCC("ISEQ"));
    EXPECT_EQ(c->source.seq.digits, 3);
    EXPECT_EQ(c->source.seq.flags, 1);
    EXPECT_EQ(c->source.seq.offset, -2);
    EXPECT_EQ(c->source.seq.start, 1);
    EXPECT_EQ(c->source.seq.end, 30);
    EXPECT_STREQ(c->source.seq.prefix, "frame");
    EXPECT_STREQ(c->source.seq.suffix, ".tga");
    c = c->next;
    EXPECT_EQ(c->type, FourCC("ANIM"));
    EXPECT_STREQ(c->source.anim.name, "movie.avi");
    EXPECT_STREQ(c->source.anim.server, "AVI");
    ASSERT_EQ(c->source.anim.dataSize, 2);
    EXPECT_EQ(c->source.anim.data[0], 0xAB);
    c = c->next;
    EXPECT_EQ(c->type, FourCC("XREF"));
    EXPECT_EQ(c->source.xref.index, 1);
    EXPECT_STREQ(c->source.xref.string, "copy");
    c = c->next;
    EXPECT_EQ(c->type, FourCC("STCC"));
    EXPECT_EQ(c->source.cycle.lo, -1);
    EXPECT_EQ(c->source.cycle.hi, 4);
    EXPECT_STREQ(c->source.cycle.name, "color");
    c = c->next;
    EXPECT_EQ(c->type, 0u);
    EXPECT_EQ(c->index, 6);

    EXPECT_EQ(LwoFindClip(r.object->clip, 4)->source.xref.index, 1);
    EXPECT_EQ(LwoFindClip(r.object->clip, 9), nullptr);
}

TEST(LwoClip, AttributesFollowTheSourceWithDefaultsForTheRest)
{
    LwoBytes b;
    b.Begin("CLIP").U4(7).Sub("STIL").S0("a.png").End();
    b.Sub("TIME").F4(1).F4(2).F4(24).End();
    b.Sub("BRIT").F4(0.5f).VX(3).End();
    b.Sub("HUE ").F4(0.25f).VX(0).End();
    b.Sub("NEGA").U2(1).End();
    b.Sub("IFLT").S0("Blur").U2(2).U4(9).End();
    b.Sub("PFLT").S0("Sharpen").U2(0).End();
    b.Sub("IFLT").S0("Glow").U2(1).End();
    b.End();
    Read r(b);
    ASSERT_NE(r.object, nullptr);
    LwoClip* c = r.object->clip;
    EXPECT_EQ(c->index, 7);
    EXPECT_EQ(c->startTime, 1.0f);
    EXPECT_EQ(c->duration, 2.0f);
    EXPECT_EQ(c->frameRate, 24.0f);
    EXPECT_EQ(c->brightness.val, 0.5f);
    EXPECT_EQ(c->brightness.eindex, 3);
    EXPECT_EQ(c->hue.val, 0.25f);
    EXPECT_EQ(c->contrast.val, 1.0f);
    EXPECT_EQ(c->saturation.val, 1.0f);
    EXPECT_EQ(c->gamma.val, 1.0f);
    EXPECT_EQ(c->negative, 1);
    ASSERT_EQ(c->nifilters, 2);
    EXPECT_STREQ(c->ifilter->name, "Blur");
    EXPECT_EQ(c->ifilter->flags, 2);
    EXPECT_EQ(c->ifilter->dataSize, 4);
    EXPECT_STREQ(c->ifilter->next->name, "Glow");
    ASSERT_EQ(c->npfilters, 1);
    EXPECT_STREQ(c->pfilter->name, "Sharpen");
}

TEST(LwoClip, AnAttributeReadingPastItsSizeFailsTheObject)
{
    LwoBytes b;
    b.Begin("CLIP").U4(1).Sub("STIL").S0("a.png").End().Sub("TIME").F4(1).F4(2).End().End();
    Read r(b);
    EXPECT_EQ(r.object, nullptr);
}

TEST(LwoEnvelope, KeysAreOrderedByTimeAndSpansDescribeTheKeyReadLast)
{
    LwoBytes b;
    b.Begin("ENVL").VX(1);
    b.Sub("TYPE").U2(0x0302).End();
    b.Sub("NAME").S0("Position.Y").End();
    b.Sub("PRE ").U2(1).End();
    b.Sub("POST").U2(4).End();
    b.Sub("KEY ").F4(2).F4(20).End();
    b.Sub("SPAN").Id("TCB ").F4(0.1f).F4(0.2f).F4(0.3f).End();
    b.Sub("KEY ").F4(0).F4(0).End();
    b.Sub("SPAN").Id("BEZ2").F4(1).F4(2).F4(3).F4(4).F4(5).End();  // a fifth value is ignored
    b.Sub("KEY ").F4(1).F4(10).End();
    b.Sub("SPAN").Id("TCB ").F4(0.5f).End();  // fewer than three values: the rest are zero
    b.Sub("KEY ").F4(1).F4(11).End();  // equal time: after the earlier key
    b.Sub("SPAN").Id("STEP").F4(9).End();
    b.Sub("CHAN").S0("Noise").U2(1).U2(7).End();
    b.End();
    Read r(b);
    ASSERT_NE(r.object, nullptr);
    ASSERT_EQ(r.object->nenvs, 1);
    LwoEnvelope* e = r.object->env;
    EXPECT_EQ(e->index, 1);
    EXPECT_EQ(e->type, 0x0302);
    EXPECT_STREQ(e->name, "Position.Y");
    EXPECT_EQ(e->behavior[0], 1);
    EXPECT_EQ(e->behavior[1], 4);
    ASSERT_EQ(e->nkeys, 4);
    LwoKey* k = e->key;
    EXPECT_EQ(k->time, 0.0f);
    EXPECT_EQ(k->shape, FourCC("BEZ2"));
    EXPECT_EQ(k->param[0], 1.0f);
    EXPECT_EQ(k->param[3], 4.0f);
    k = k->next;
    EXPECT_EQ(k->value, 10.0f);
    EXPECT_EQ(k->shape, FourCC("TCB "));
    EXPECT_EQ(k->tension, 0.5f);
    EXPECT_EQ(k->continuity, 0.0f);
    EXPECT_EQ(k->bias, 0.0f);
    k = k->next;
    EXPECT_EQ(k->value, 11.0f);
    EXPECT_EQ(k->shape, FourCC("STEP"));
    EXPECT_EQ(k->param[0], 0.0f);
    k = k->next;
    EXPECT_EQ(k->time, 2.0f);
    EXPECT_EQ(k->tension, 0.1f);
    EXPECT_EQ(k->bias, 0.3f);
    EXPECT_EQ(k->next, nullptr);
    ASSERT_EQ(e->ncfilters, 1);
    EXPECT_STREQ(e->cfilter->name, "Noise");
    EXPECT_EQ(e->cfilter->flags, 1);
    EXPECT_EQ(e->cfilter->dataSize, 2);
}

TEST(LwoEnvelope, KeysWrittenOutOfOrderAreListedByTime)
{
    LwoBytes b;
    b.Begin("ENVL").VX(2);
    for (float t : {2.0f, 0.0f, 1.0f}) b.Sub("KEY ").F4(t).F4(t * 10).End();
    b.End();
    Read r(b);
    ASSERT_NE(r.object, nullptr);
    LwoKey* k = r.object->env->key;
    for (float t : {0.0f, 1.0f, 2.0f}) {
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k->time, t);
        k = k->next;
    }
}

TEST(LwoEnvelope, ASpanBeforeAnyKeyOrPastItsSizeFailsTheObject)
{
    LwoBytes first;
    first.Begin("ENVL").VX(1).Sub("SPAN").Id("TCB ").F4(0).F4(0).F4(0).End().End();
    Read a(first);
    EXPECT_EQ(a.object, nullptr);

    LwoBytes cut;
    cut.Begin("ENVL").VX(1).Sub("KEY ").F4(0).End().End();
    Read b(cut);
    EXPECT_EQ(b.object, nullptr);
}
