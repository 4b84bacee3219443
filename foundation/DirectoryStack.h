#pragma once
// The directory stack: after start-up the working directory changes only through it, so
// that code which needs another current folder (native dialogs, model import) can put the
// previous one back. Process-wide; its first entry, once pushed, is the directory that was
// current before the first push.

// When the stack is empty, first pushes the current directory; then makes folder the working
// directory and pushes it. An entry is pushed whether or not the change succeeds (so every
// push can be popped): the absolute working directory after the attempt. Returns whether the
// change succeeded.
int PushDirectory(const char* folder);
// PushDirectory of the current directory.
int PushCurrentDirectory();
// Removes the top entry unless only the first one is left, then makes the new top entry the
// working directory. Returns whether that change succeeded (0 also on an empty stack).
int PopDirectory();
// Number of entries on the stack.
unsigned DirectoryStackDepth();
// Frees every entry and the stack itself (at exit, and between tests). The working
// directory is not changed.
void FreeDirectoryStack();
