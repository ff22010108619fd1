// The host's exceptions as the transcript tells of them: what a host function
// raised, what reached the command's frame, and whether the module passed it
// on as it was. Raising and the frame itself are the platform's
// (host_platform.h): Microsoft's ABI through the probe on Windows, C++
// exceptions of the same classes on Linux.
#pragma once

#include <cstdint>
#include <string>

#include "probe.h"

namespace qelmar {

struct Host;

// What an SE_Exception thrown for this code carries as its information: a
// block of the host's that stands for the exception pointers its translator
// would give (the code first).
uintptr_t TranslatorInformation(uint32_t code);

// Whether a guard of the host's entered for that function is open.
bool InsideGuardOf(const char* function);

// The transcript lines for what reached the frame after the host raised
// (host.live.lastRaise): CommandCaught, CommandFault, CommandResumed, and
// ExceptionChanged when it is not what was raised, or, for a fault the
// module's line writer took, not a structured exception of the same code
// with no flags and no parameters.
void RecordArrival(const Host& host, const ProbeException& arrived);

// Whether an exception report describes the raised exception: the
// information of the SE_Exception, or the record of a bare structured one.
bool ReportDescribesRaise(const Host& host, uint32_t code, const void* information);

}  // namespace qelmar
