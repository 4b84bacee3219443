#pragma once
// Turning a LightWave object into the model tags of the game: a 'geom', a '.256' holding its
// textures, a 'core' naming that collection and a 'mode'. Progress and reasons go to the log
// category "Model Import".
#include "codex/Codex.h"
#include "model/LwoObject.h"
#include "model/RenderModel.h"

// The log category of the import.
extern const char* const kModelImportCategory;

// A new model from the first layer of the object, or null when a polygon is not a triangle.
// Corners are taken in reverse order; a surface's first image-map colour texture gives the
// material's picture, loaded from the clip's file name (its last path part) relative to the
// working directory, and UVs come from the texture's 'TXUV' map of dimension 2 or more.
RenderModel* BuildRenderModelFromLwo(const LwoObject* object);

// Writes the four tags named name as local tags, overwriting local tags of that name that are
// not in use. Answers the new 'geom' entry, or null (logged at level 2) when the model cannot
// be stored (too many vertices or triangles for a geometry, a coordinate outside its range),
// when a tag of that name is in use or cannot be created, or when a write fails. A refusal
// found before anything is written changes nothing; a write that fails removes the tags this
// call wrote.
TagEntry* ConvertImportToModelTags(RenderModel* model, const char* name);

// Reads the object at path, loads its textures from folder and converts it under name. Every
// texture must be 8-bit paletted. Answers the new 'geom' entry, or null with "Import
// Failed." in the log.
TagEntry* ImportModel(const char* path, const char* folder, const char* name);
