#pragma once
// Conversion of old LightWave objects (FORM type LWOB) into the LWO2 model of LwoObject.
#include "model/LwoObject.h"

// Reads an LWOB POLS chunk: {U2 corner count, U2 point indices, I2 surface} records, a negative
// surface followed by a U2 detail-polygon count (the detail polygons follow as ordinary
// records). Answers 1 or 0; a record crossing the chunk's end fails.
int LwobReadPolygons(LwoReader* r, s32 size, LwoPolygonList* polygons, s32 pointOffset);
// Reads an LWOB SURF chunk and converts its values, textures, clips and velocity envelopes
// (added to the object). Null when a sub-chunk crosses its size or memory runs out.
LwoSurface* LwobReadSurface(LwoReader* r, s32 size, LwoObject* object);
// A texture for an LWOB texture type name (taken over: freed for image maps, kept as the
// procedure name otherwise); null when out of memory.
LwoTexture* LwobReadTexture(char* typeName);
// Appends a clip for an image name (taken over; a name holding "(sequence)" becomes an image
// sequence whose prefix ends before the blank in front of it) and answers its index, or 0 when
// out of memory.
s32 LwobAddClip(char* name, LwoClip** clips, s32* nclips);
// Appends three linear position envelopes moving centre by 30 x velocity over one second and
// answers the first one's index, or 0 when out of memory.
s32 LwobAddTextureVelocity(const float centre[3], const float velocity[3], LwoEnvelope** envelopes,
                           s32* nenvelopes);
