// The program's entry point; everything else lives in the application shell.
#include "app/Shell.h"

int main(int argc, char** argv)
{
    return TavikMain(argc, argv);
}
