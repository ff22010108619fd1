// The replacement host's own C API: what a driver program and the tests use to
// configure the host, load a database fixture, run a session with the module
// and read what happened. The 113 host functions themselves are exported by
// number only (qelmar.def) and are reached the way the module reaches them.
//
// Texts passed in and out are UTF-8. Every function returns normally; none of
// them lets an exception out of the library.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define QELMAR_API
#else
#define QELMAR_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/// Empties the database, restores the default configuration and clears the
/// transcript, the call log and every counter. The base directory and the
/// transcript sink stay as they were.
QELMAR_API void QelmarReset(void);

/// Replaces the database and configuration with a fixture (JSON text, see
/// docs/fixture-format.md). Returns 0, or -1 with the reason in error
/// (bounded by errorSize, always terminated); the host is then reset.
QELMAR_API int QelmarLoadFixture(const char* json, size_t length, char* error, size_t errorSize);
/// The same for a fixture file; path is a file system path.
QELMAR_API int QelmarLoadFixtureFile(const char* path, char* error, size_t errorSize);

/// Compiles a fixture file into a database store in directory (created when
/// missing; a store's files there are replaced). The fixture is read as a
/// stream: its size has no limit and the memory taken does not grow with it.
/// Returns 0, or -1 with the reason in error.
QELMAR_API int QelmarBuildStore(const char* fixturePath, const char* directory, char* error, size_t errorSize);
/// Replaces the database and configuration with a store directory, which is
/// read through mapped windows while the host runs. Returns 0, or -1 with the
/// reason in error; the host is then reset.
QELMAR_API int QelmarOpenStore(const char* directory, char* error, size_t errorSize);

/// Merges settings into the "host" section of the loaded database, as if they
/// had been written there, and reads that section again with them:
/// QelmarConfigure("{\"interfaceVersion\": 113}"). Settings merged earlier
/// stay until the next QelmarLoadFixture or QelmarReset.
QELMAR_API int QelmarConfigure(const char* json, char* error, size_t errorSize);

/// The host's base directory (a file system path). Default: the current directory.
QELMAR_API void QelmarSetBaseDirectory(const char* path);

/// Receives each transcript line as it is recorded (no line end); null stops it.
typedef void (*QelmarLineSink)(const char* line, void* context);
QELMAR_API void QelmarSetTranscriptSink(QelmarLineSink sink, void* context);

/// What the running export is doing, for a progress display: an output file
/// opened, a line written to it, the file closed, or a step of the host's
/// scan (the discount pass). file is the file's name without its directory.
enum { QELMAR_PROGRESS_OPENED = 1, QELMAR_PROGRESS_LINE = 2, QELMAR_PROGRESS_CLOSED = 3, QELMAR_PROGRESS_SCAN = 4 };
typedef struct QelmarProgress {
  int32_t event;
  const char* file;
  int64_t lines;      /* written to the file so far */
  int32_t scanRecord; /* for a scan step */
  int32_t scanCount;
} QelmarProgress;
typedef void (*QelmarProgressSink)(const QelmarProgress* progress, void* context);
/// Receives each event as it happens; null stops it (and costs nothing).
QELMAR_API void QelmarSetProgressSink(QelmarProgressSink sink, void* context);

/// Transcript lines in order; a line stays valid until the next reset or clear.
QELMAR_API size_t QelmarTranscriptCount(void);
QELMAR_API const char* QelmarTranscriptLine(size_t index);
QELMAR_API void QelmarTranscriptClear(void);

/// Call log (only filled when the host setting "callLog" is true).
QELMAR_API size_t QelmarCallLogCount(void);
QELMAR_API const char* QelmarCallLogLine(size_t index);

/// A counter or state value by name ("cursor.open", "alloc.live",
/// "calls.HostCursorNext", "inject.write.calls", "unreleased", "stateFlags",
/// ...; list in docs/fixture-format.md). Unknown names give -1.
QELMAR_API int64_t QelmarCounter(const char* name);

/// The kinds of failure that host.failures injects by call number ("alloc",
/// "write", ...), in a fixed order; QelmarInjectionName gives null past the
/// last. Their calls are counted as "inject.KIND.calls".
QELMAR_API size_t QelmarInjectionCount(void);
QELMAR_API const char* QelmarInjectionName(size_t index);

/// What the module took from the host and has not given back: returns how
/// many kinds of host object are left (0: nothing) and writes them into text
/// (bounded by size, always terminated) as "none" or, for example,
/// "cursor.live=1 alloc.live=2".
QELMAR_API size_t QelmarUnreleased(char* text, size_t size);

/// What one session did.
typedef struct QelmarSession {
  int32_t loaded;            /* the module was loaded */
  int32_t stampFound;        /* its ModuleStamp was found */
  int32_t handshake;         /* result of export 30001 */
  int32_t activation;        /* value passed to export 30008: 0 after an accepted handshake with featureWord 0 */
  int32_t commandRegistered; /* the module registered its command */
  int32_t commandRan;        /* its handler was called */
  int32_t faulted;           /* a structured exception left the handler */
  uint32_t faultCode;
} QelmarSession;

/// Runs one whole session with the module at modulePath: exports withdrawn,
/// module loaded, featureWord written, handshake, activation, the command
/// once, unload step, module unloaded. Returns 0 when the session ran, -1
/// when the module cannot be loaded, -2 when it lacks its entry points.
QELMAR_API int QelmarRunSession(const char* modulePath, QelmarSession* session);

/// Calls through the ModuleStamp's stampEntry of the module loaded by the
/// running session (argument in, result out). Returns 0, or -1 when no stamp
/// is known. For tests that load the module themselves: QelmarAttachModule.
QELMAR_API int QelmarCallStampEntry(int32_t argument, int32_t* result);
/// Finds the stamp of a module that the caller loaded, writes the configured
/// featureWord into it and keeps it for QelmarCallStampEntry. Returns 1 when
/// the stamp was found.
QELMAR_API int QelmarAttachModule(void* module);

/// Copy of the CommandRecord that the module registered last. Returns 1 when
/// there is one. The title is converted to UTF-8 into title (bounded).
typedef struct QelmarCommand {
  uint32_t flags;
  uint32_t command;
  uint32_t reserved;
  void* handler;
  char title[64];
} QelmarCommand;
QELMAR_API int QelmarRegisteredCommand(QelmarCommand* command);

/// Bytes of the last dialog template given to HostRunDialog (its 4-byte length
/// and the rest). Returns the full size; copies at most size bytes.
QELMAR_API size_t QelmarDialogTemplate(void* buffer, size_t size);

/// Fills the current-record buffer of a data file ("k4", "Tspr", ...), at the
/// host's record length, from one record object of a fixture (as an element
/// of "tables" is written: "raw", "@OFFSET/TYPE" and the data file's field
/// names), zero bytes first: the record as a cursor would leave it there.
/// Returns 0, or -1 with the reason in error (the buffer is then unchanged).
QELMAR_API int QelmarSetCurrentRecord(const char* dataFile, const char* json, size_t length, char* error,
                                      size_t errorSize);
/// The byte offset of a named field in the host's layout of a data file, or
/// -1 when the data file or the field is unknown.
QELMAR_API int64_t QelmarFieldOffset(const char* dataFile, const char* field);
/// Writes (or removes) the loaded fixture's files in the base directory, as
/// every session does when it starts.
QELMAR_API void QelmarWriteBaseFiles(void);

/// Withdraws the configured missing host functions from this library's export
/// table and reinstates all others (done by every session; for tests that load
/// the module themselves).
QELMAR_API void QelmarApplyExports(void);

#ifdef __cplusplus
}
#endif
