/* The host probe: a small library built with Microsoft's C++ ABI (clang's
 * i686-pc-windows-msvc target, linked against msvcrt.dll only) that stands in
 * for what a host program built with Microsoft's compiler brings to the
 * module: the command's frame with its typed catch clauses, C++ exceptions
 * thrown from inside host functions, and the runtime's typeid and
 * dynamic_cast over the plug-in object. Test code of the replacement host on
 * Windows; the module never sees this header. Plain C, so that both
 * compilers read it. */
#pragma once

#include <stdint.h>

/* The replacement host on Linux uses the same description of an exception. */
#if defined(_WIN32)
#define PROBE_CDECL __cdecl
#else
#define PROBE_CDECL
#endif
#if defined(DRAVENHOL_PROBE_BUILD)
#define PROBE_API __declspec(dllexport)
#else
#define PROBE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* How an exception was raised, or how the host's frame caught it. */
enum ProbeForm {
  kProbeNothing = 0,
  kProbeStructured = 1,  /* a structured exception (RaiseException, a fault) */
  kProbeSEException = 2, /* the host's SE_Exception, as its translator throws it */
  kProbeHostError = 3,   /* HostError, another exception class of the host's */
  kProbeOtherCxx = 4     /* a C++ exception of no class the frame catches */
};

/* What an exception was: its class and its own fields, and the exception
 * record that carried it (for a C++ exception: the magic number, the thrown
 * object and its throw information as parameters 0 to 2). */
typedef struct ProbeException {
  uint32_t form;
  uint32_t code;         /* the record's code, or the object's for a C++ exception */
  uintptr_t information; /* an SE_Exception's second field; 0 otherwise */
  uint32_t recordCode;
  uint32_t flags;
  uint32_t parameterCount;
  uintptr_t parameters[4];
  uint32_t resumed; /* structured exceptions the frame continued */
} ProbeException;

typedef int32_t(PROBE_CDECL* ProbeCommand)(void);

/* Runs the command inside the host's frame: a try with catch (SE_Exception&)
 * and catch (HostError&) inside a structured-exception handler for the rest.
 * What reached the frame is left in *arrived (form kProbeNothing when the
 * command returned). With resume set, a continuable structured exception is
 * continued where it was raised instead of taken. */
PROBE_API int32_t PROBE_CDECL ProbeRunCommand(ProbeCommand command, int32_t resume, ProbeException* arrived);

/* Raises an exception of that form and code (an SE_Exception carries
 * information) and leaves what was raised in *raised. Returns only when a
 * handler continues a structured exception. */
PROBE_API void PROBE_CDECL ProbeRaise(uint32_t form, uint32_t code, uintptr_t information, ProbeException* raised);

/* Exception objects of the host's classes not yet destroyed. */
PROBE_API int32_t PROBE_CDECL ProbeLiveExceptions(void);

/* Asks the runtime about a WDialogBase*: typeid(*object).name() into name,
 * and returns a sum of bits: 1 when dynamic_cast to CDravenhol* gives the
 * same address, 2 when dynamic_cast to an unrelated class gives null; -1
 * when a question faulted. */
PROBE_API int32_t PROBE_CDECL ProbeDialogType(void* object, char* name, uint32_t nameSize);

#ifdef __cplusplus
}
#endif
