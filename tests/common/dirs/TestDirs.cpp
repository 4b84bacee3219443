#include "tests/common/TestDirs.h"

const char* TestSourceDir() { return TAVIK_SOURCE_DIR; }
const char* TestBinaryDir() { return TAVIK_BINARY_DIR; }
