#pragma once
// Tags at the edges of what the editors meet, written into the tag database's local folder:
// an empty collection, a collection with a mirrored sequence of no views, a 1 x 1 bitmap and
// a sequence of the largest grid the editors offer, a mesh without a detail map, and empty
// texts. Each is indexed as a local tag of its group.
#include <string>
#include <vector>

#include "codex/Codex.h"

// Writes the edge tags; answers the entries written (a failure is printed and skipped).
std::vector<TagEntry*> WriteEdgeTags();
