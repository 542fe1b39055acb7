// The two routines the compiler emits calls to for zeroing and copying memory, which a C runtime
// would otherwise provide. Built with loop-to-call conversion off, so they cannot call themselves.
#include <stddef.h>

extern "C" void* memset(void* destination, int value, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(destination);
    while (count--) {
        *d++ = static_cast<unsigned char>(value);
    }
    return destination;
}

extern "C" void* memcpy(void* destination, const void* source, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    while (count--) {
        *d++ = *s++;
    }
    return destination;
}
