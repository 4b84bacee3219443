/* Preloaded into the sanitized test runs: libraries are never unloaded, so the leak check at
 * exit can still name the system library (the GL driver above all) that made a block, and the
 * suppressions in lsan-system.supp apply to it. */
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
