// LWO2 surfaces with their texture and shader blocks.
#include <gtest/gtest.h>

#include "model/LwoObject.h"
#include "tests/model/LwoFixture.h"

namespace {

// An object with one triangle using surface "S", whose SURF chunk body is built by fill.
LwoBytes WithSurface(void (*fill)(LwoBytes&))
{
    LwoBytes b;
    b.Begin("TAGS").S0("S").End();
    b.Begin("PNTS").F4(0).F4(0).F4(0).F4(1).F4(0).F4(0).F4(0).F4(1).F4(0).End();
    b.Begin("POLS").Id("FACE").U2(3).VX(0).VX(1).VX(2).End();
    b.Begin("SURF").S0("S").S0("Source");
    fill(b);
    b.End();
    return LwoForm("LWO2", b);
}

struct Read : LwoRead {
    explicit Read(const LwoBytes& form) : LwoRead(form, "surface.lwo") {}
    LwoSurface* Surface() const { return object ? object->surf : nullptr; }
};

}  // namespace

TEST(LwoSurface, DefaultSurfaceHoldsTheDocumentedValues)
{
    LwoSurface* s = LwoDefaultSurface();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->name, nullptr);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s->color.rgb[k], 0.78431f);
    EXPECT_EQ(s->luminosity.val, 0.0f);
    EXPECT_EQ(s->diffuse.val, 1.0f);
    EXPECT_EQ(s->specularity.val, 0.0f);
    EXPECT_EQ(s->glossiness.val, 0.4f);
    EXPECT_EQ(s->reflection.val.val, 0.0f);
    EXPECT_EQ(s->transparency.val.val, 0.0f);
    EXPECT_EQ(s->eta.val, 1.0f);
    EXPECT_EQ(s->translucency.val, 0.0f);
    EXPECT_EQ(s->bump.val, 1.0f);
    EXPECT_EQ(s->smooth, 0.0f);
    EXPECT_EQ(s->sideflags, 1);
    EXPECT_EQ(s->alpha, 0.0f);
    EXPECT_EQ(s->line.enabled, 0);
    LwoFreeSurface(s);
}

TEST(LwoSurface, ScalarSubChunksSetTheirValuesAndEnvelopes)
{
    Read r(WithSurface([](LwoBytes& b) {
        b.Sub("COLR").F4(0.1f).F4(0.2f).F4(0.3f).VX(4).End();
        b.Sub("LUMI").F4(0.5f).VX(0).End();
        b.Sub("DIFF").F4(0.6f).VX(1).End();
        b.Sub("SPEC").F4(0.7f).VX(0).End();
        b.Sub("GLOS").F4(0.8f).VX(0).End();
        b.Sub("REFL").F4(0.9f).VX(2).End();
        b.Sub("RFOP").U2(2).End();
        b.Sub("RIMG").VX(3).End();
        b.Sub("RSAN").F4(1.5f).End();
        b.Sub("TRAN").F4(0.25f).VX(0).End();
        b.Sub("TROP").U2(1).End();
        b.Sub("TIMG").VX(5).End();
        b.Sub("RIND").F4(1.33f).VX(0).End();
        b.Sub("TRNL").F4(0.125f).VX(0).End();
        b.Sub("BUMP").F4(2.0f).VX(0).End();
        b.Sub("SMAN").F4(1.0f).End();
        b.Sub("SIDE").U2(3).End();
        b.Sub("ALPH").U2(2).F4(0.4f).End();
        b.Sub("CLRH").F4(0.11f).VX(6).End();
        b.Sub("CLRF").F4(0.12f).VX(0).End();
        b.Sub("ADTR").F4(0.13f).VX(0).End();
        b.Sub("SHRP").F4(0.14f).VX(0).End();
        b.Sub("GVAL").F4(0.15f).VX(7).End();
        b.Sub("XXXX").U4(1).End();  // unknown: skipped
    }));
    LwoSurface* s = r.Surface();
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, "S");
    EXPECT_STREQ(s->srcName, "Source");
    EXPECT_EQ(s->color.rgb[0], 0.1f);
    EXPECT_EQ(s->color.rgb[2], 0.3f);
    EXPECT_EQ(s->color.eindex, 4);
    EXPECT_EQ(s->luminosity.val, 0.5f);
    EXPECT_EQ(s->diffuse.val, 0.6f);
    EXPECT_EQ(s->diffuse.eindex, 1);
    EXPECT_EQ(s->specularity.val, 0.7f);
    EXPECT_EQ(s->glossiness.val, 0.8f);
    EXPECT_EQ(s->reflection.val.val, 0.9f);
    EXPECT_EQ(s->reflection.val.eindex, 2);
    EXPECT_EQ(s->reflection.options, 2);
    EXPECT_EQ(s->reflection.cindex, 3);
    EXPECT_EQ(s->reflection.seamAngle, 1.5f);
    EXPECT_EQ(s->transparency.val.val, 0.25f);
    EXPECT_EQ(s->transparency.options, 1);
    EXPECT_EQ(s->transparency.cindex, 5);
    EXPECT_EQ(s->eta.val, 1.33f);
    EXPECT_EQ(s->translucency.val, 0.125f);
    EXPECT_EQ(s->bump.val, 2.0f);
    EXPECT_EQ(s->smooth, 1.0f);
    EXPECT_EQ(s->sideflags, 3);
    EXPECT_EQ(s->alphaMode, 2);
    EXPECT_EQ(s->alpha, 0.4f);
    EXPECT_EQ(s->colorHilite.val, 0.11f);
    EXPECT_EQ(s->colorHilite.eindex, 6);
    EXPECT_EQ(s->colorFilter.val, 0.12f);
    EXPECT_EQ(s->addTrans.val, 0.13f);
    EXPECT_EQ(s->difSharp.val, 0.14f);
    EXPECT_EQ(s->glow.val, 0.15f);
    EXPECT_EQ(s->glow.eindex, 7);
    EXPECT_EQ(r.object->layer->polygon.pol[0].surf, s);
}

TEST(LwoSurface, AColourSubChunkMustHoldItsEnvelopeAndNoMore)
{
    // Size 14: three floats and a two-byte envelope index, ending exactly.
    Read exact(WithSurface([](LwoBytes& b) { b.Sub("COLR").F4(1).F4(0).F4(0).VX(0).End(); }));
    ASSERT_NE(exact.Surface(), nullptr);
    EXPECT_EQ(exact.Surface()->color.rgb[0], 1.0f);
    // Size 10 cannot hold three floats.
    Read shortColour(WithSurface([](LwoBytes& b) { b.Sub("COLR").F4(1).F4(0).U2(0).End(); }));
    EXPECT_EQ(shortColour.object, nullptr);
    // Extra bytes after the envelope are skipped.
    Read longer(WithSurface([](LwoBytes& b) {
        b.Sub("COLR").F4(1).F4(0).F4(0).VX(0).U4(0).End();
        b.Sub("DIFF").F4(0.5f).VX(0).End();
    }));
    ASSERT_NE(longer.Surface(), nullptr);
    EXPECT_EQ(longer.Surface()->diffuse.val, 0.5f);
}

TEST(LwoSurface, LineSubChunkReadsWhatItsSizeHolds)
{
    Read bare(WithSurface([](LwoBytes& b) { b.Sub("LINE").End(); }));
    ASSERT_NE(bare.Surface(), nullptr);
    EXPECT_EQ(bare.Surface()->line.enabled, 1);
    EXPECT_EQ(bare.Surface()->line.flags, 0);

    Read flags(WithSurface([](LwoBytes& b) { b.Sub("LINE").U2(5).End(); }));
    ASSERT_NE(flags.Surface(), nullptr);
    EXPECT_EQ(flags.Surface()->line.flags, 5);
    EXPECT_EQ(flags.Surface()->line.size.val, 0.0f);

    Read full(WithSurface([](LwoBytes& b) { b.Sub("LINE").U2(1).F4(2.5f).VX(9).End(); }));
    ASSERT_NE(full.Surface(), nullptr);
    EXPECT_EQ(full.Surface()->line.size.val, 2.5f);
    EXPECT_EQ(full.Surface()->line.size.eindex, 9);
}

namespace {

void ImageMapBlock(LwoBytes& b, const char* ordinal, const char* channel)
{
    b.Sub("BLOK");
    b.Sub("IMAP").S0(ordinal);
    b.Sub("CHAN").Id(channel).End();
    b.Sub("OPAC").U2(1).F4(0.5f).VX(3).End();
    b.Sub("ENAB").U2(0).End();
    b.Sub("NEGA").U2(1).End();
    b.Sub("AXIS").U2(2).End();
    b.End();
    b.Sub("TMAP");
    b.Sub("CNTR").F4(1).F4(2).F4(3).VX(0).End();
    b.Sub("SIZE").F4(4).F4(5).F4(6).VX(1).End();
    b.Sub("ROTA").F4(7).F4(8).F4(9).VX(0).End();
    b.Sub("FALL").U2(2).F4(0.1f).F4(0.2f).F4(0.3f).VX(0).End();
    b.Sub("OREF").S0("Null").End();
    b.Sub("CSYS").U2(1).End();
    b.End();
    b.Sub("PROJ").U2(5).End();
    b.Sub("AXIS").U2(1).End();
    b.Sub("IMAG").VX(2).End();
    b.Sub("WRAP").U2(1).U2(3).End();
    b.Sub("WRPW").F4(2).VX(0).End();
    b.Sub("WRPH").F4(3).VX(4).End();
    b.Sub("VMAP").S0("Texture").End();
    b.Sub("AAST").U2(1).F4(0.75f).End();
    b.Sub("PIXB").U2(1).End();
    b.Sub("STCK").F4(0.5f).VX(0).End();
    b.Sub("TAMP").F4(1.5f).VX(0).End();
    b.End();
}

}  // namespace

TEST(LwoSurface, ImageMapBlocksReadHeaderMappingAndParameters)
{
    Read r(WithSurface([](LwoBytes& b) { ImageMapBlock(b, "\x80", "COLR"); }));
    ASSERT_NE(r.Surface(), nullptr);
    LwoTexture* t = r.Surface()->color.tex;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->next, nullptr);
    EXPECT_EQ(t->type, FourCC("IMAP"));
    EXPECT_STREQ(t->ord, "\x80");
    EXPECT_EQ(t->chan, FourCC("COLR"));
    EXPECT_EQ(t->opacType, 1);
    EXPECT_EQ(t->opacity.val, 0.5f);
    EXPECT_EQ(t->opacity.eindex, 3);
    EXPECT_EQ(t->enabled, 0);
    EXPECT_EQ(t->negative, 1);
    EXPECT_EQ(t->axis, 2);
    EXPECT_EQ(t->tmap.center.val[2], 3.0f);
    EXPECT_EQ(t->tmap.size.val[0], 4.0f);
    EXPECT_EQ(t->tmap.size.eindex, 1);
    EXPECT_EQ(t->tmap.rotate.val[1], 8.0f);
    EXPECT_EQ(t->tmap.falloffType, 2);
    EXPECT_EQ(t->tmap.falloff.val[2], 0.3f);
    EXPECT_STREQ(t->tmap.refObject, "Null");
    EXPECT_EQ(t->tmap.coordSys, 1);
    const LwoImageMap& im = t->param.imap;
    EXPECT_EQ(im.projection, 5);
    EXPECT_EQ(im.axis, 1);
    EXPECT_EQ(im.cindex, 2);
    EXPECT_EQ(im.wrapw_type, 1);
    EXPECT_EQ(im.wraph_type, 3);
    EXPECT_EQ(im.wrapw.val, 2.0f);
    EXPECT_EQ(im.wraph.val, 3.0f);
    EXPECT_EQ(im.wraph.eindex, 4);
    EXPECT_STREQ(im.vmapName, "Texture");
    EXPECT_EQ(im.aas_flags, 1);
    EXPECT_EQ(im.aa_strength, 0.75f);
    EXPECT_EQ(im.pblend, 1);
    EXPECT_EQ(im.stck.val, 0.5f);
    EXPECT_EQ(im.amplitude.val, 1.5f);
}

TEST(LwoSurface, TexturesOfAChannelAreOrderedByOrdinalShorterFirst)
{
    Read r(WithSurface([](LwoBytes& b) {
        ImageMapBlock(b, "\x80\x01", "DIFF");
        ImageMapBlock(b, "\x90", "DIFF");
        ImageMapBlock(b, "\x80", "DIFF");
        ImageMapBlock(b, "\x70", "BUMP");
        ImageMapBlock(b, "\x60", "XXXX");  // no such channel: dropped
    }));
    ASSERT_NE(r.Surface(), nullptr);
    LwoTexture* t = r.Surface()->diffuse.tex;
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->ord, "\x80");
    ASSERT_NE(t->next, nullptr);
    EXPECT_STREQ(t->next->ord, "\x80\x01");
    EXPECT_EQ(t->next->prev, t);
    ASSERT_NE(t->next->next, nullptr);
    EXPECT_STREQ(t->next->next->ord, "\x90");
    EXPECT_EQ(t->next->next->next, nullptr);
    ASSERT_NE(r.Surface()->bump.tex, nullptr);
    EXPECT_EQ(r.Surface()->color.tex, nullptr);
}

TEST(LwoSurface, ProceduralAndGradientBlocksReadTheirParameters)
{
    Read r(WithSurface([](LwoBytes& b) {
        b.Sub("BLOK");
        b.Sub("PROC").S0("\x80").Sub("CHAN").Id("COLR").End().End();
        b.Sub("AXIS").U2(2).End();
        b.Sub("VALU").F4(0.25f).F4(0.5f).End();
        b.Sub("FUNC").S0("Turbulence").U4(0xDEADBEEF).End();
        b.Sub("TMAP").Sub("SIZE").F4(2).F4(2).F4(2).VX(0).End().End();
        b.End();
        b.Sub("BLOK");
        b.Sub("GRAD").S0("\x81").Sub("CHAN").Id("COLR").End().End();
        b.Sub("PNAM").S0("Slope").End();
        b.Sub("INAM").S0("(none)").End();
        b.Sub("GRST").F4(-1).End();
        b.Sub("GREN").F4(1).End();
        b.Sub("GRPT").U2(2).End();
        b.Sub("FKEY");
        for (int k = 0; k < 2; ++k) b.F4(float(k)).F4(0.1f * k).F4(0.2f).F4(0.3f).F4(1);
        b.End();
        b.Sub("IKEY").U2(0).U2(3).End();
        b.End();
    }));
    ASSERT_NE(r.Surface(), nullptr);
    LwoTexture* p = r.Surface()->color.tex;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->type, FourCC("PROC"));
    EXPECT_EQ(p->param.proc.axis, 2);
    EXPECT_EQ(p->param.proc.value[0], 0.25f);
    EXPECT_EQ(p->param.proc.value[1], 0.5f);
    EXPECT_EQ(p->param.proc.value[2], 0.0f);
    EXPECT_STREQ(p->param.proc.name, "Turbulence");
    ASSERT_EQ(p->param.proc.dataSize, 4);
    EXPECT_EQ(p->param.proc.data[0], 0xDE);
    EXPECT_EQ(p->tmap.size.val[1], 2.0f);

    LwoTexture* g = p->next;
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->type, FourCC("GRAD"));
    const LwoGradient& gr = g->param.grad;
    EXPECT_STREQ(gr.paramName, "Slope");
    EXPECT_STREQ(gr.itemName, "(none)");
    EXPECT_EQ(gr.start, -1.0f);
    EXPECT_EQ(gr.end, 1.0f);
    EXPECT_EQ(gr.repeat, 2);
    ASSERT_EQ(gr.keyCount, 2);  // 40 bytes hold two keys
    EXPECT_EQ(gr.keys[1].value, 1.0f);
    EXPECT_EQ(gr.keys[1].rgba[0], 0.1f);
    EXPECT_EQ(gr.keys[1].rgba[3], 1.0f);
    ASSERT_EQ(gr.ikeyCount, 2);
    EXPECT_EQ(gr.ikeys[1], 3);
}

TEST(LwoSurface, ShaderBlocksAreOrderedByOrdinalAndKeepTheirData)
{
    Read r(WithSurface([](LwoBytes& b) {
        b.Sub("BLOK").Sub("SHDR").S0("\x90").Sub("ENAB").U2(1).End().End();
        b.Sub("FUNC").S0("Fresnel").U2(0x1234).End().End();
        b.Sub("BLOK").Sub("SHDR").S0("\x80").Sub("XXXX").U2(0).End().Sub("ENAB").U2(0).End().End();
        b.Sub("FUNC").S0("Cel").End().End();
        b.Sub("BLOK").Sub("ZZZZ").End().End();  // unknown block types are skipped
    }));
    LwoSurface* s = r.Surface();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->shaderCount, 2);
    ASSERT_NE(s->shader, nullptr);
    EXPECT_STREQ(s->shader->name, "Cel");
    EXPECT_EQ(s->shader->flags, 0);
    EXPECT_EQ(s->shader->dataSize, 0);
    LwoPlugin* f = s->shader->next;
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->name, "Fresnel");
    EXPECT_EQ(f->flags, 1);
    ASSERT_EQ(f->dataSize, 2);
    EXPECT_EQ(f->data[1], 0x34);
}

TEST(LwoSurface, ABlockSubChunkReadingPastItsSizeFailsTheObject)
{
    // WRPW claims 4 bytes but holds a float and an envelope index.
    Read r(WithSurface([](LwoBytes& b) {
        b.Sub("BLOK");
        b.Sub("IMAP").S0("\x80").Sub("CHAN").Id("COLR").End().End();
        b.Sub("WRPW").F4(1).End();
        b.End();
    }));
    EXPECT_EQ(r.object, nullptr);
    // A texture header claiming more than its block.
    Read h(WithSurface([](LwoBytes& b) {
        b.Sub("BLOK").Id("IMAP").U2(200).S0("\x80").End();
    }));
    EXPECT_EQ(h.object, nullptr);
}
