// Keeps the thread-local storage directory out of the shipped libraries.
//
// MinGW's start-up code links its TLS support whenever it finds no pointer
// to a TLS initialiser, and that support brings a TLS directory with two
// callbacks and a static TLS block. Windows XP sets up neither for a library
// loaded at run time (as hosts load plug-ins): it allocates no static TLS
// slot and calls no TLS callback for it. Defining the pointer here, as
// empty, leaves all of that out, so the libraries behave alike on every
// Windows. Nothing in them uses static TLS: GCC emulates thread_local with
// TlsAlloc on this target. What the callbacks did besides is freeing the
// per-thread blocks of that emulation when a thread ends, a few bytes for
// a thread that ran the plug-in's exception handling.
#include <windows.h>

const PIMAGE_TLS_CALLBACK __dyn_tls_init_callback = NULL;
