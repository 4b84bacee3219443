// explore: drives the shell and one editor (or shell window) with seeded random user actions
// through the fake OS backend and checks the invariants of tests/explore/Explorer.h. Prints
// its seed first; the printed line alone replays a run.
//
//   explore --editor <group code or shell window> --seed N --actions K [--round-trips] [--verbose]
//   explore --list
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/explore/Explorer.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#define EXPLORE_HAS_SANITIZER_API 1
#endif

namespace {

Explorer* g_run;

// A sanitizer report or crash shows what the random user did just before it.
void PrintLastActions()
{
    if (g_run) g_run->PrintTrace(stderr);
}

void OnFatalSignal(int sig)
{
    PrintLastActions();
    signal(sig, SIG_DFL);
    raise(sig);
}

int Usage()
{
    fprintf(stderr, "usage: explore --editor <target> [--seed N] [--actions K] [--round-trips] [--verbose]\n"
                    "       explore --list\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    ExploreOptions options;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--editor" && hasValue) options.target = argv[++i];
        else if (a == "--seed" && hasValue) options.seed = strtoull(argv[++i], nullptr, 0);
        else if (a == "--actions" && hasValue) options.actions = u32(strtoul(argv[++i], nullptr, 0));
        else if (a == "--verbose" || a == "-v") options.verbose = 1;
        else if (a == "--round-trips") options.roundTrips = true;
        else if (a == "--list") list = true;
        else return Usage();
    }
    if (list) {
        // The editors register in Run; list them from a run that registers and stops.
        for (const std::string& t : Explorer::Targets()) printf("%s\n", t.c_str());
        return 0;
    }
    if (options.target.empty()) return Usage();
#ifdef EXPLORE_HAS_SANITIZER_API
    __sanitizer_set_death_callback(PrintLastActions);
#endif
    // A stack overflow (a handler running inside itself) still prints the trace: the handler
    // runs on a stack of its own.
    static char altStack[1 << 16];
    stack_t ss = {};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);
    struct sigaction action = {};
    action.sa_handler = OnFatalSignal;
    action.sa_flags = SA_ONSTACK;
    sigaction(SIGSEGV, &action, nullptr);
    signal(SIGABRT, OnFatalSignal);
    Explorer explorer(options);
    g_run = &explorer;
    const int faults = explorer.Run();
    g_run = nullptr;
    return faults ? 1 : 0;
}
