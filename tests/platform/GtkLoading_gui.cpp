// GTK's libraries join the process only when a service first needs them: a program that
// never shows a native dialog, uses the clipboard or beeps never loads them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "platform/OsReal.h"
#include "platform/OsTestSupport.h"

namespace {

bool GtkInProcess()
{
    void* gtk = dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (gtk) dlclose(gtk);
    return gtk != nullptr;
}

TEST(GtkLoading, GtkIsLoadedAtTheFirstServiceThatNeedsIt)
{
    EXPECT_FALSE(GtkInProcess());
    GtkDrain();  // called every frame: loads nothing
    EXPECT_EQ(OsTestNativeDialogCount(), 0);
    EXPECT_STREQ(OsTestLastAnsweredMessage(), "");
    EXPECT_FALSE(GtkInProcess());
    ASSERT_TRUE(GtkStart());  // under the display the tests run in
    EXPECT_TRUE(GtkInProcess());
    EXPECT_TRUE(GtkStart());
    GtkDrain();
}

}  // namespace
