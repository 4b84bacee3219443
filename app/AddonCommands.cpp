#include "app/AddonCommands.h"

#include <cstring>

#include "app/AddonPopup.h"
#include "codex/AddonTags.h"
#include "codex/Archive.h"
#include "foundation/StringUtil.h"
#include "gui/MessageBox.h"

namespace {

constexpr u32 kAddonKind = 6;

const char kBuildFailed[] =
    "The addon could not be created. Possible reasons include:\n"
    "\xA5 Tags from the destination file are open in Tavik.\n"
    "\xA5 The destination file is open in another program.\n"
    "\xA5 Some tags from the local folder were corrupt or unreadable.";

}  // namespace

bool BuildAddon(const DynArray<TagEntry*>& tags)
{
    AddonFields fields;
    if (!AskAddonFields(&fields)) return false;
    if (!BuildArchive(tags, kAddonKind, fields.name.c_str(), fields.url.c_str(), fields.priority)) {
        ShowMessageBox("Error", kBuildFailed, "OK", nullptr);
        return false;
    }
    // The file may be named otherwise than typed (characters a file name cannot hold).
    String file = CleanArchiveFileName(fields.name.c_str());
    String text = FormatString("The addon has been written to the plugins folder as '%s'", file.c_str());
    ShowMessageBox("Success", text.c_str(), "OK", nullptr);
    return true;
}

void BuildRegularAddon()
{
    ScopedDynArray<TagEntry*> tags;
    ListRegularAddonTags(&tags);
    if (!tags.count) {
        ShowMessageBox("Message", "No addon-allowed files were found in the local folder - Nothing to do!", "OK",
                       nullptr);
        return;
    }
    BuildAddon(tags);
}

void BuildDtexAddon()
{
    ScopedDynArray<TagEntry*> tags;
    DtexAddonProblem problem;
    const u32 status = ListDtexAddonTags(&tags, &problem);
    char mapId[5], textureId[5];
    TagCodeToText(problem.map.tag, mapId);
    TagCodeToText(problem.texture, textureId);
    char mapName[32] = {};
    memcpy(mapName, problem.map.name, sizeof mapName - 1);
    if (status == kDtexAddonUnreadableMap) {
        String text = FormatString("The detail map '%s' ('%s') could not be read. Aborting.", mapName, mapId);
        ShowMessageBox("Error", text.c_str(), "Ok", nullptr);
        return;
    }
    if (status == kDtexAddonMissingTexture) {
        String text = FormatString(
            "The detail map '%s' (%s) referenced a detail texture ('%s') which could not be found. Aborting.", mapName,
            mapId, textureId);
        ShowMessageBox("Error", text.c_str(), "Ok", nullptr);
        return;
    }
    if (!tags.count) {
        ShowMessageBox("Message", "No dmaps detected in the local folder - nothing to do!", "OK", nullptr);
        return;
    }
    BuildAddon(tags);
}
