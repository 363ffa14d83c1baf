/* A module for the LoadLibraryA tests: two exports and one hidden name. */
#define EXPORT __attribute__((visibility("default")))

static int calls;

EXPORT int KernelTestAdd(int a, int b) {
    return a + b;
}

EXPORT int KernelTestCount(void) {
    return ++calls;
}

int KernelTestHidden(void) {
    return 7;
}
