// Redraw: invalidation into the dirty list, the visibility pass, the drawing pass and the
// base drawing of every window.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/String.h"
#include "gui/WindowSystemState.h"
#include "platform/Clipboard.h"
#include "platform/GLTexture.h"

void WindowSystem::SetFramePainter(const FramePainter& painter) { g_ws.painter = painter; }

void WindowSystem::InvalidateAll()
{
    g_ws.sysFlags |= SYS_FULLREDRAW;
    g_ws.dirty.Clear();
}

u32 WindowSystem::GetDirtyRectCount() { return g_ws.dirty.count; }
const Rect* WindowSystem::GetDirtyRects() { return g_ws.dirty.rects; }
bool WindowSystem::IsFullRedrawPending() { return (g_ws.sysFlags & SYS_FULLREDRAW) != 0; }

void Window::InvalidateRect(const Rect& r, int force)
{
    if (g_ws.sysFlags & SYS_FULLREDRAW) return;
    if (!force && !IsShownInTree()) return;
    Rect clipped;
    if (!ClipToScreen(r, g_ws.screenWidth, g_ws.screenHeight, &clipped)) return;
    if (g_ws.dirtyRectMode && g_ws.dirty.Add(clipped)) return;
    WindowSystem::InvalidateAll();
}

void Window::InvalidateFrame(int force)
{
    s32 s = (flags & WF_SHADOW) ? 16 : 0;
    InvalidateRect(Rect{frame.left, frame.top, frame.right + s, frame.bottom + s}, force);
}

bool Window::IsContentRectVisible(const Rect& r) const
{
    return RectsOverlap(OffsetRect(r, content.left, content.top), visibleClip);
}

void Window::UpdateVisibility()
{
    stateBits &= ~WSB_UNCOVERED;
    if (!IsShownInTree()) return;
    if (g_ws.sysFlags & SYS_OVERVIEW) {
        visibleClip = frame;
        stateBits |= WSB_UNCOVERED;
        return;
    }
    int opaque = (flags & (WF_PANEL | WF_DARKPANEL)) ? 1 : 0;
    Rect bounds;
    if (flags & WF_SHADOW) {
        Rect withShadow = {frame.left, frame.top, frame.right + 16, frame.bottom + 16};
        if (!g_ws.region.Claim(withShadow, &bounds, 0)) return;
        stateBits |= WSB_UNCOVERED | WSB_DRAWFRAME;
    }
    if (g_ws.region.Claim(frame, &bounds, opaque)) stateBits |= WSB_UNCOVERED;
    visibleClip = bounds;
}

static intptr_t UpdateVisibilityOne(Window* w, void*)
{
    w->UpdateVisibility();
    return 0;
}

void WindowSystem::ComputeVisibility(const Rect& dirty)
{
    g_ws.currentClip = dirty;
    g_ws.region.Reset();
    Rect bounds;
    g_ws.region.Claim(dirty, &bounds, 1);
    if (!g_ws.root) return;
    for (Window* c = g_ws.root->firstChild; c; c = c->nextSibling) {
        Window::WalkPostOrder(c->firstChild, UpdateVisibilityOne, nullptr);
        c->UpdateVisibility();
    }
    g_ws.root->UpdateVisibility();
}

void WindowSystem::DrawTree(Window* start)
{
    for (Window* w = start; w; w = w->prevSibling) {
        if (w == g_ws.dimWindow) DrawDimOverlay();
        if (!w->IsVisible()) continue;
        bool full = (g_ws.sysFlags & SYS_OVERVIEW) || (w->stateBits & WSB_DRAWFRAME);
        if ((w->stateBits & WSB_UNCOVERED) || full) {
            if (w->state != WS_COLLAPSED && (full || RectsOverlap(w->visibleClip, w->content))) {
                w->DrawBackground();
                w->DrawContent();
            }
            if (full || !RectContains(w->content, w->visibleClip)) w->DrawFrame();
        }
        w->stateBits &= ~(WSB_UNCOVERED | WSB_DRAWFRAME);
        if (w->state != WS_COLLAPSED) DrawTree(w->lastChild);
        if (w->clipboardRequest) {
            w->CopyImageToClipboard(w->clipboardRequest == 2);
            w->clipboardRequest = 0;
        }
    }
}

static void FillScreenRect(const Rect& r, u8 red, u8 green, u8 blue, u8 alpha)
{
    if (!g_ws.useGL) return;
    glDisable(GL_TEXTURE_2D);
    glColor4ub(red, green, blue, alpha);
    glBegin(GL_QUADS);
    glVertex2i(r.left, r.top);
    glVertex2i(r.right, r.top);
    glVertex2i(r.right, r.bottom);
    glVertex2i(r.left, r.bottom);
    glEnd();
    glColor4ub(255, 255, 255, 255);
}

void WindowSystem::DrawDimOverlay()
{
    Window* layer = g_ws.layer1;
    if (!layer) return;
    layer->visibleClip = g_ws.currentClip;
    layer->BeginDraw(0, 0);
    FillScreenRect(g_ws.currentClip, 0, 0, 0, 128);
    layer->EndDraw();
}

static void DrawOneDirtyRect(const Rect& r)
{
    WindowSystem::ComputeVisibility(r);
    if (g_ws.root) WindowSystem::DrawTree(g_ws.root->lastChild);
}

static void AppendTitle(String* out, Window* w)
{
    const char* t = w ? w->GetTitle() : nullptr;
    out->Append(t ? t : "?");
}

static void DrawDebugOverlay()
{
    Window* layer = g_ws.layer1;
    if (!layer || !g_ws.painter.drawText) return;
    char line[64];
    snprintf(line, sizeof line, "frames rendered: %u\n", g_ws.frameCounter);
    String text(line);
    text.Append("focus: ");
    if (!g_ws.focus) {
        text.Append("?");
    } else {
        // The path from the root down to the focused window.
        Window* path[256];
        u32 n = 0;
        for (Window* w = g_ws.focus; w && n < 256; w = w->parent) path[n++] = w;
        while (n--) {
            AppendTitle(&text, path[n]);
            if (n) text.Append(" -> ");
        }
    }
    text.Append("\nmodal stack: ");
    for (u32 i = 1; i < g_ws.modalStack.count; ++i) {
        if (i > 1) text.Append(" -> ");
        AppendTitle(&text, g_ws.modalStack.data[i].window);
    }
    layer->visibleClip = layer->frame;
    layer->BeginDraw(0, 0);
    Rect area = {4, g_ws.screenHeight - 48, g_ws.screenWidth, g_ws.screenHeight};
    g_ws.painter.drawText(layer, area, text.c_str(), 0x106, 0xFFFFFFFF);
    layer->EndDraw();
}

int WindowSystem::RenderFrame()
{
    g_ws.dimWindow = nullptr;
    for (u32 i = g_ws.modalStack.count; i-- > 1;) {
        if (g_ws.modalStack.data[i].flags & MODAL_DIM) {
            g_ws.dimWindow = g_ws.modalStack.data[i].window;
            break;
        }
    }
    // Invalidations made while drawing belong to the next frame: take the list first.
    int drawn = 0;
    Rect screen = GetScreenRect();
    if (g_ws.sysFlags & SYS_FULLREDRAW) {
        g_ws.sysFlags &= ~SYS_FULLREDRAW;
        g_ws.dirty.Clear();
        DrawOneDirtyRect(screen);
        drawn = 1;
    } else if (g_ws.dirty.count) {
        Rect rects[kMaxDirtyRects];
        u32 n = g_ws.dirty.count;
        memcpy(rects, g_ws.dirty.rects, n * sizeof(Rect));
        g_ws.dirty.Clear();
        drawn = 1;
        if (g_ws.debugOverlay) {
            Rect overlay;
            if (ClipToScreen(Rect{4, g_ws.screenHeight - 48, g_ws.screenWidth, g_ws.screenHeight}, g_ws.screenWidth,
                             g_ws.screenHeight, &overlay))
                DrawOneDirtyRect(overlay);
        }
        for (u32 i = 0; i < n; ++i) DrawOneDirtyRect(rects[i]);
        if (g_ws.debugDirtyRects && g_ws.root && g_ws.painter.drawSelection) {
            g_ws.root->visibleClip = screen;
            g_ws.root->BeginDraw(0, 0);
            if (g_ws.useGL) glDisable(GL_SCISSOR_TEST);
            for (u32 i = 0; i < n; ++i) g_ws.painter.drawSelection(rects[i], 3);
            g_ws.root->EndDraw();
        }
    }
    if (g_ws.captureWindow && g_ws.dragMode && g_ws.dragPainter && g_ws.layer1) {
        g_ws.layer1->visibleClip = OffsetRect(g_ws.dragImageRect, g_ws.trackCurrent.x, g_ws.trackCurrent.y);
        g_ws.layer1->BeginDraw(0, 0);
        g_ws.dragPainter(nullptr, g_ws.trackCurrent, g_ws.dragData);
        g_ws.layer1->EndDraw();
    }
    if (!g_ws.running) {
        g_ws.currentClip = screen;
        DrawDimOverlay();
    }
    if (g_ws.debugOverlay) {
        g_ws.frameCounter += u32(drawn);
        DrawDebugOverlay();
    }
    return drawn;
}

void Window::BeginDraw(int contentOnly, int threeD)
{
    if (!g_ws.useGL) return;
    glColor4ub(255, 255, 255, 255);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    Rect real = contentOnly ? content : frame;
    Rect ov = contentOnly ? overviewContent : overviewFrame;
    bool overview = (g_ws.sysFlags & SYS_OVERVIEW) != 0;
    float t = overview ? g_ws.overviewProgress : 0.0f;
    s64 k = s64(t * -65535.0f);
    auto lerp = [k](s32 r, s32 o) { return s32((s64(r) * 65536 - s64(o - r) * k) >> 16); };
    Rect d = {lerp(real.left, ov.left), lerp(real.top, ov.top), lerp(real.right, ov.right), lerp(real.bottom, ov.bottom)};
    if (d.IsEmpty()) return;
    s32 sh = g_ws.screenHeight;
    Rect sc = overview ? d : visibleClip;
    // The clip may be unbounded or an empty one at the extremes: limit it to the screen so
    // that the scissor arithmetic below cannot overflow.
    auto limit = [](s32 v, s32 high) { return v < 0 ? 0 : v > high ? high : v; };
    sc = Rect{limit(sc.left, g_ws.screenWidth), limit(sc.top, sh), limit(sc.right, g_ws.screenWidth), limit(sc.bottom, sh)};
    s32 sw = sc.Width() > 0 ? sc.Width() : 0, shh = sc.Height() > 0 ? sc.Height() : 0;
    glEnable(GL_SCISSOR_TEST);
    glScissor(sc.left, sh - sc.bottom, sw, shh);
    if (g_ws.intelVendor && GLAddSwapHintRectWIN) GLAddSwapHintRectWIN(sc.left, sh - sc.bottom, sw, shh);
    glViewport(d.left, sh - d.bottom, d.Width(), d.Height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (threeD) {
        glDepthMask(GL_TRUE);
        glEnable(GL_DEPTH_TEST);
        double y = tan(g_ws.fieldOfView / 360.0 * M_PI) * g_ws.nearPlane;
        double x = real.Height() ? y * real.Width() / real.Height() : y;
        glFrustum(-x, x, -y, y, g_ws.nearPlane, g_ws.farPlane);
    } else {
        glOrtho(0, real.Width(), real.Height(), 0, -1, 1);
        glDepthMask(GL_FALSE);
        glDisable(GL_DEPTH_TEST);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Window::EndDraw()
{
    if (!g_ws.useGL) return;
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void Window::DrawBackground()
{
    if (!(flags & (WF_PANEL | WF_DARKPANEL))) return;
    BeginDraw(0, 0);
    if (g_ws.painter.drawBackground) g_ws.painter.drawBackground(GetFrameBounds(), (flags & WF_PANEL) ? 0 : 1);
    EndDraw();
}

void Window::DrawFrame()
{
    const FramePainter& p = g_ws.painter;
    BeginDraw(0, 0);
    s32 e = Inset();
    s32 t = g_ws.metrics.titleBarHeight;
    Window* top = GetTopLevel();
    bool active = top && top->parent && top->parent->firstChild == top;
    if (flags & WF_TITLEBAR) {
        Rect bar = {e, e, content.Width() + e, t + e};
        if (p.drawTitleBar) p.drawTitleBar(bar, active);
        const char* text = GetTitle();
        if (text && p.drawText) {
            s32 boxes = 0;
            for (u32 i = 0; i < 3; ++i)
                if (flags & (WF_CLOSEBOX << i)) ++boxes;
            s32 tw = p.titleTextWidth ? p.titleTextWidth(this, text) : 0;
            s32 cut = 2 * boxes * (g_ws.metrics.titleButtonWidth + 2 * e) - content.Width() + tw;
            if (cut < 0) cut = 0;
            if (cut > content.Width()) cut = content.Width();
            Rect textRect = bar;
            textRect.right -= cut;
            p.drawText(this, textRect, text, 0x156, 0xFFFFFFFF);
        }
        if ((flags & WF_THICKFRAME) && p.drawFrame) p.drawFrame(Rect{bar.left, bar.top, bar.right, bar.bottom + e}, 8);
        for (u32 i = 0; i < 3; ++i) {
            Rect r = GetTitleButtonRect(i);
            if (r.IsEmpty()) continue;
            if (p.drawTitleButton) p.drawTitleButton(r, i, (pressedTitleButton & (WF_CLOSEBOX << i)) != 0);
            if (p.drawFrame) p.drawFrame(Rect{r.left - e, r.top - e, r.right + e, r.bottom + e}, 0xF0F);
        }
    }
    if (flags & WF_THICKFRAME) {
        u32 mask = ((flags & WF_GROWMARGIN) && !(flags & (WF_CLOSEBOX | WF_ZOOMBOX | WF_COLLAPSEBOX))) ? 0xC3F : 0xF0F;
        if (!(borderSides & 1)) mask &= ~0x901u;
        if (!(borderSides & 4)) mask &= ~0x604u;
        if (!(borderSides & 2)) mask &= ~0x302u;
        if (!(borderSides & 8)) mask &= ~0xC08u;
        if (p.drawFrame) p.drawFrame(GetFrameBounds(), mask);
    } else if (flags & WF_THINBORDER) {
        if (p.drawThinBorder) p.drawThinBorder(GetFrameBounds());
    }
    EndDraw();
    if ((flags & WF_SHADOW) && g_ws.layer1 && p.drawShadow) {
        Window* layer = g_ws.layer1;
        layer->visibleClip = g_ws.currentClip;
        layer->BeginDraw(0, 0);
        Rect r = frame;
        if (g_ws.sysFlags & SYS_OVERVIEW) {
            float pr = g_ws.overviewProgress;
            r.left += s32((overviewFrame.left - frame.left) * pr);
            r.top += s32((overviewFrame.top - frame.top) * pr);
            r.right += s32((overviewFrame.right - frame.right) * pr);
            r.bottom += s32((overviewFrame.bottom - frame.bottom) * pr);
        }
        p.drawShadow(r, active);
        layer->EndDraw();
    }
}

void Window::CopyImageToClipboard(int contentOnly)
{
    if (!g_ws.useGL) return;
    Rect r = contentOnly ? content : frame;
    Rect c;
    if (!ClipToScreen(r, g_ws.screenWidth, g_ws.screenHeight, &c)) return;
    u32 w = u32(c.Width()), h = u32(c.Height());
    u64 rowBytes = u64(w) * 3;
    u8* pixels = static_cast<u8*>(malloc(size_t(rowBytes * h)));
    u8* flipped = static_cast<u8*>(malloc(size_t(rowBytes * h)));
    if (pixels && flipped) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(c.left, g_ws.screenHeight - c.top - s32(h), s32(w), s32(h), GL_RGB, GL_UNSIGNED_BYTE, pixels);
        for (u32 y = 0; y < h; ++y) memcpy(flipped + y * rowBytes, pixels + (h - 1 - y) * rowBytes, size_t(rowBytes));
        ClipboardSetImage(flipped, w, h);
    }
    free(pixels);
    free(flipped);
}
