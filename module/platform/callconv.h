// Calling conventions at the boundary with the host program.
//
// Host operations on host objects (file holders, cursors, guards, the dialog
// base) are thiscall on i686: the object travels in ECX and the callee pops its
// stack arguments. Every other host function, the four exported entry points
// and the command handler are cdecl. On x86-64 there is one convention, and
// the object is simply the first argument.
#pragma once

#if defined(__i386__)
#define HOST_THIS_ATTR __attribute__((thiscall))
#define HOST_CDECL_ATTR __attribute__((cdecl))
#else
#define HOST_THIS_ATTR
#define HOST_CDECL_ATTR
#endif
