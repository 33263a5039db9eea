// A module with one known entry, for the entry-point loader's tests.
extern "C" __attribute__((visibility("default"))) int PresentEntry()
{
    return 42;
}
