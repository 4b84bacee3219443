#include "app/TagEditors.h"

#include "codex/TagGroups.h"
#include "collection/ui/X256Edit.h"
#include "model/ui/GeomEdit.h"
#include "tagedit/DmapEdit.h"
#include "tagedit/DtexEdit.h"
#include "tagedit/SoundEdit.h"
#include "tagedit/TextEdit.h"
#include "terrain/ui/MeshEdit.h"

namespace {

TagEdit* NewTextEditor(TagEntry* entry)
{
    TextEdit* editor = new TextEdit(entry);
    editor->SetSize(640, 480);
    return editor;
}

struct BuiltInEditor {
    u32 group;
    TagEditorFactory factory;
};

// One row per group. An editor that needs no set-up beyond its constructor can be given as
// [](TagEntry* e) -> TagEdit* { return new SomeEdit(e); }.
const BuiltInEditor kBuiltInEditors[] = {
    {FourCC("ditl"), NewTextEditor},
    {FourCC("dtex"), [](TagEntry* e) -> TagEdit* { return new DtexEdit(e); }},
    {FourCC("geom"), NewGeomEditor},
    {FourCC("scri"), NewTextEditor},
    {FourCC("soun"), [](TagEntry* e) -> TagEdit* { return new SoundEdit(e); }},
    {FourCC("stli"), NewTextEditor},
    {FourCC("temp"), NewTextEditor},
    {FourCC("text"), NewTextEditor},
    {FourCC("dmap"), [](TagEntry* e) -> TagEdit* { return new DmapEdit(e); }},
    {FourCC(".256"), NewCollectionEditor},
    {FourCC("mesh"), NewMeshEditor},
};

}  // namespace

void RegisterTagEditors()
{
    for (const BuiltInEditor& row : kBuiltInEditors) SetTagGroupHandler(row.group, row.factory);
}
