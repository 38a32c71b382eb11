// Entry points of the older Pro Tools plug-in format. Hosts that still probe for them find the
// names, but both lead to one function that creates nothing, so no such plug-in is offered.

extern "C" __attribute__((visibility("default"))) void* NewPlugIn()
{
    return nullptr;
}

extern "C" __attribute__((visibility("default"))) __attribute__((alias("NewPlugIn"))) void*
_PI_GetRoutineDescriptor();
