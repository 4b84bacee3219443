#include "foundation/Log.h"

#include <cstdarg>
#include <cstdio>

namespace {

void DefaultSink(void*, u32 level, const char* category, const char* text)
{
    if (level >= 1) fprintf(stderr, "[%s] %s", category, text);
}

LogSink gSink = DefaultSink;
void* gSinkContext = nullptr;

}  // namespace

void LogMessage(u32 level, const char* category, const char* format, ...)
{
    char buffer[4096];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) buffer[0] = 0;
    gSink(gSinkContext, level, category ? category : "", buffer);
}

LogSink SetLogSink(LogSink sink, void* context, void** previousContext)
{
    LogSink previous = gSink;
    if (previousContext) *previousContext = gSinkContext;
    gSink = sink ? sink : DefaultSink;
    gSinkContext = sink ? context : nullptr;
    return previous;
}
