#pragma once
// The built-in tag editors registered at start-up.

// Puts each built-in editor's factory into the group table, replacing what was registered for
// its groups before (the structure editor). Run once the structure editors are registered.
void RegisterTagEditors();
