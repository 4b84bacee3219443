#pragma once
// This checkout's source folder and the build folder the test program belongs to. Only
// tests/common/dirs/TestDirs.cpp is compiled with them: every other test file's compile line
// is then the same in any checkout, and the compiler cache serves a clone in a new folder.
const char* TestSourceDir();
const char* TestBinaryDir();
