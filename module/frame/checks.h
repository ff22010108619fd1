// The checks that decide whether host and module fit, and the diagnosis that
// tells the user why a module was not activated.
#pragma once

#include <cstdint>

namespace dravenhol {

inline constexpr int kInterfaceVersion = 112;
inline constexpr int kMessageBufferSize = 3072;

// Compares the eleven record lengths with the host's; returns the number of
// data files whose lengths differ (the mismatch list).
int32_t CheckTableLayouts();
// The mismatch table for the user; -1 with the report in buffer, or 0.
int32_t ReportTableLayouts(char* buffer);
// The handshake's three checks again: 0 when the host passes, else -1.
int32_t RecheckHost();
// Whether the host lacks a function that an export calls (or that the host's
// framework reaches through the plug-in object); the entries that are bound
// and never called, and those of the handshake, activation and unload, do
// not count.
bool ExportFunctionsMissing();
// Where the report of missing host functions is shown: at the activation,
// which refuses the module, or at the menu command, which refuses only the
// export.
enum class MissingReport { kAtActivation, kAtCommand };
// Leaves the report of missing host functions in buffer (kMessageBufferSize
// bytes, empty when none is missing) and returns the missing count.
int32_t ReportMissingHostFunctions(char* buffer, MissingReport when = MissingReport::kAtActivation);
// Shows the first reason why the module is not active, in one message.
void ExplainRefusal();

}  // namespace dravenhol
