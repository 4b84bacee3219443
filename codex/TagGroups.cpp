#include "codex/TagGroups.h"

#include "codex/TagHeader.h"

namespace {

TagGroup gTagGroups[kTagGroupCount] = {
    {FourCC("amso"), "Ambient Sounds", "Ambient Sound", nullptr},
    {FourCC("anim"), "Model Animations", "Model Animation", nullptr},
    {FourCC("arti"), "Artifacts", "Artifact", nullptr},
    {FourCC("core"), "Collection References", "Collection Reference", nullptr},
    {FourCC(".256"), "Collections", "Collection", nullptr},
    {FourCC("conn"), "Connectors", "Connector", nullptr},
    {FourCC("ditl"), "Dialog String Lists", "Dialog String List", nullptr},
    {FourCC("dmap"), "Detail Maps", "Detail Map", nullptr},
    {FourCC("dtex"), "Detail Textures", "Detail Texture", nullptr},
    {FourCC("bina"), "Dialogs", "Dialog", nullptr},
    {FourCC("font"), "Fonts", "Font", nullptr},
    {FourCC("form"), "Formations", "Formations", nullptr},
    {FourCC("geom"), "Geometries", "Geometry", nullptr},
    {FourCC("inte"), "Interface", "Interface", nullptr},
    {FourCC("ligh"), "Lightning", "Lightning", nullptr},
    {FourCC("phys"), "Local Physics", "Local Physics", nullptr},
    {FourCC("lpgr"), "Local Projectile Groups", "Local Projectile Group", nullptr},
    {FourCC("medi"), "Media Types", "Media Type", nullptr},
    {FourCC("meef"), "Mesh Effect", "Mesh Effect", nullptr},
    {FourCC("meli"), "Mesh Lighting", "Mesh Lighting", nullptr},
    {FourCC("mesh"), "Meshes", "Mesh", nullptr},
    {FourCC("mode"), "Models", "Model", nullptr},
    {FourCC("mons"), "Monsters", "Monster", nullptr},
    {FourCC("obje"), "Objects", "Object", nullptr},
    {FourCC("obpc"), "Observer Constants", "Observer Constants", nullptr},
    {FourCC("part"), "Particle Systems", "Particle Systems", nullptr},
    {FourCC("pref"), "Preferences", "Preferences", nullptr},
    {FourCC("prel"), "Preloaded Data", "Preloaded Data", nullptr},
    {FourCC("prgr"), "Projectile Groups", "Projectile Group", nullptr},
    {FourCC("proj"), "Projectiles", "Projectile", nullptr},
    {FourCC("reco"), "Recordings", "Recording", nullptr},
    {FourCC("save"), "Saved Games", "Save", nullptr},
    {FourCC("scen"), "Scenery", "Scenery", nullptr},
    {FourCC("scri"), "Scripts", "Script", nullptr},
    {FourCC("soli"), "Sound Lists", "Sound List", nullptr},
    {FourCC("soun"), "Sounds", "Sound", nullptr},
    {FourCC("stli"), "String Lists", "String List", nullptr},
    {FourCC("temp"), "Templates", "Template", nullptr},
    {FourCC("text"), "Text", "Text", nullptr},
    {FourCC("unit"), "Units", "Unit", nullptr},
    {FourCC("wind"), "Wind", "Wind", nullptr},
    {FourCC("txst"), "Texture Stacks", "Texture Stack", nullptr},
    {FourCC("skmd"), "Skeletal Models", "Skeletal Model", nullptr},
    {FourCC("skan"), "Skeletal Animation", "Skeletal Animation", nullptr},
    {FourCC("canm"), "Camera Animations", "Camera Animation", nullptr},
    {FourCC("loli"), "Local Lights", "Local Light", nullptr},
    {FourCC("glli"), "Global Lights", "Global Light", nullptr},
    {FourCC("grsp"), "Ground Sprites", "Ground Sprites", nullptr},
    {FourCC("spri"), "Sprite Definitions", "Sprite Definition", nullptr},
    {FourCC("game"), "Game Parameters", "Game Parameters", nullptr},
    {FourCC("rawd"), "Raw Files", "Raw File", nullptr},
    {FourCC("jpeg"), "JPEG Files", "JPEG File", nullptr},
    {FourCC("quik"), "Quicktime/MP3", "Quicktime/MP3", nullptr},
};

char gUnknownGroupName[5];

TagGroup* FindRow(u32 code)
{
    for (TagGroup& row : gTagGroups)
        if (row.code == code) return &row;
    return nullptr;
}

}  // namespace

const TagGroup* GetTagGroupTable()
{
    return gTagGroups;
}

const TagGroup* GetTagGroup(u32 code)
{
    return FindRow(code);
}

const char* GetTagGroupName(u32 code)
{
    if (const TagGroup* row = FindRow(code)) return row->plural_name;
    TagCodeToText(code, gUnknownGroupName);
    return gUnknownGroupName;
}

void SetTagGroupHandler(u32 code, TagEditorFactory factory)
{
    if (TagGroup* row = FindRow(code)) row->editor_factory = factory;
}
