#pragma once
// The floating-point triangle model the 3D view draws and the LightWave export writes, built
// from a 'geom' tag's geometry or from a LightWave object.
//
// Coordinates are those of the LightWave object with x negated; a geometry stores (-x, z, y)
// x 512 of the same point, so geometry -> model -> geometry keeps every stored value.
//
// This core makes no OpenGL call: a material keeps its picture as images; the view that draws
// it makes and keeps the texture.
#include <cstdio>

#include "codex/Geometry.h"
#include "codex/TagHeader.h"
#include "foundation/DynArray.h"
#include "foundation/Image.h"
#include "foundation/String.h"

struct RenderModel;
class Collection;

struct RenderVertex {
    float position[3];
    // Written by the view each frame: window x, window y (from the top) and depth.
    float projected[3];
};

struct RenderCorner {
    s32 vertex;
    float u, v;
    float normal[3];
};

struct RenderTriangle {
    // The view's depth sort: the sort depth and the draw list's links.
    float sortDepth;
    RenderTriangle* sortNext;
    RenderTriangle* sortPrev;
    RenderModel* model;
    s32 material;  // -1 (or any index outside the materials) draws untextured
    u32 color;     // RGBA, red in the lowest byte
    RenderCorner corner[3];
    float normal[3];
};

struct RenderMaterial {
    Image image;         // the picture: 8-bit paletted from a collection, as loaded from a file
    Image alphaImage;    // a collection bitmap's alpha (format 6406), else empty
    u32 imageLoaded;     // the picture was loaded (or made) and is usable
    String surfaceName;
    String textureFileName;
};

struct RenderModel {
    float box[6];  // first corner x, y, z, second corner x, y, z
    float pivot[3];
    DynArray<RenderVertex> vertices;
    DynArray<RenderTriangle> triangles;
    DynArray<RenderMaterial> materials;
};

// Constructs n materials in place from index first (empty images and names).
void InitRenderMaterials(DynArray<RenderMaterial>* array, u32 first, u32 n);
// Releases the names and both images of n materials from index first.
void FreeRenderMaterials(DynArray<RenderMaterial>* array, u32 first, u32 n);
// Appends one initialised material and answers it.
RenderMaterial* AddRenderMaterial(RenderModel* model);
// A new empty model (box and pivot zero); free with FreeRenderModel then delete.
RenderModel* NewRenderModel();
// Frees the materials and the three arrays; the record itself stays for its owner.
void FreeRenderModel(RenderModel* model);
// FreeRenderModel and delete; null is allowed.
void DeleteRenderModel(RenderModel* model);

// A new geometry read from the tag data at the stream's tag (free with FreeGeom, then
// delete), or null when the data is not a readable geometry.
Geometry* LoadGeometry(FILE* stream, const TagHeader* header);

// A new model (never null) from a geometry: vertices (-s0, s2, s1) / 512, the box over them
// (zero for a geometry without vertices), one material per surface textured from the
// collection its 'core' tag names when that can be read. A triangle that names a vertex the
// geometry does not have is left out.
RenderModel* BuildRenderModelFromGeom(const Geometry* geom);

// Fills the material's picture from one 2-byte-per-pixel bitmap of the collection: the
// 8-bit paletted image (the collection's colours) and the alpha image. Nothing happens
// without a collection, for an index outside its bitmaps, or for a true-colour bitmap.
void MakeCollectionTexture(const Collection* collection, u32 bitmapIndex, RenderMaterial* material);

// Fills rgba (width x height x 4 bytes, from malloc; free it) with the material's picture as
// the drawing layer uploads it: the palette's colours, alpha from the alpha image when it has
// the picture's size, else opaque. Null when the material has no usable picture.
u8* RenderMaterialRgba(const RenderMaterial& material, u32* width, u32* height);
