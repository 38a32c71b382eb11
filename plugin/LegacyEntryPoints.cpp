// Entry points of the older Pro Tools plug-in format. Hosts that still probe for them find the
// names, but both lead to one function that creates nothing, so no such plug-in is offered.

// Both are declared not to throw (they cannot), as the alias must promise no less than its target.
extern "C" __attribute__((visibility("default"))) void* NewPlugIn() noexcept
{
    return nullptr;
}

extern "C" __attribute__((visibility("default"))) __attribute__((alias("NewPlugIn"))) void*
_PI_GetRoutineDescriptor() noexcept;
