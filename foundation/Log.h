#pragma once
// The program's log: formatted lines with a level and a category, handed to one installable
// sink. The log window installs itself as the sink once it exists; tests install a capturing
// sink. Until a sink is installed, lines of level 1 and above go to stderr and level-0 lines
// (routine failures a caller reports itself) are dropped.
#include "foundation/Types.h"

// Receives one formatted line: (context, level, category, text). The text is valid only
// during the call.
typedef void (*LogSink)(void* context, u32 level, const char* category, const char* text);

// Formats into a 4096-byte buffer (longer results are cut to 4095 bytes) and hands the text
// to the installed sink. A null category counts as "". A format the runtime rejects logs "".
void LogMessage(u32 level, const char* category, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Installs a sink (null restores the default stderr sink) and answers the previous one with
// its context in *previousContext when given.
LogSink SetLogSink(LogSink sink, void* context, void** previousContext = nullptr);
