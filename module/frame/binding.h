// Binding the host functions by number.
#pragma once

#include <cstdint>

namespace dravenhol {

inline constexpr int kMissingReportSize = 3072;

// Looks up a host function by number, stores the result (null included) in
// the slot and records a missing number.
void* LookUpHostFunction(uint16_t number, void** slot);

// Runs the binding entries in slot order, one per host function; called once
// while loading.
void BindAllHostFunctions();

// Whether the host lacks a function that an export calls (or that the host's
// framework reaches through the plug-in object); the entries that are bound
// and never called, and those of the handshake, activation and unload, do
// not count.
bool ExportFunctionsMissing();

// Where the report is shown: at the activation, which refuses the module,
// or at the menu command, which refuses only the export.
enum class MissingReport { kAtActivation, kAtCommand };

// Leaves the report of missing host functions in buffer (kMissingReportSize
// bytes, empty when none is missing) and returns the missing count.
int32_t ReportMissingHostFunctions(char* buffer, MissingReport when = MissingReport::kAtActivation);

}  // namespace dravenhol
