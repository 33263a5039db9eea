// Built into the shared library only: what the loader runs when a host
// loads and unloads it.
#include "entry/LibraryState.h"

namespace {

__attribute__((constructor)) void OnLoad()
{
    LibraryAttach();
}

__attribute__((destructor)) void OnUnload()
{
    LibraryDetach();
}

} // namespace
