#pragma once
// Helpers shared by ZIPLIB and UNZLIB: the callback reporter, the reading of the
// file-spec list of a command record, member-name matching and the check that a
// member name stays inside the target folder.

#include "zip/ZipCommand.h"

#include <chrono>
#include <string>
#include <vector>

namespace trvxlib
{

// Calls the driver's callback with one info record. Once the callback has asked to
// stop (-1), Cancelled() stays true. A null callback reports nothing.
class TReporter final
{
public:
    TReporter(void* caller, TLibCallback callback, bool verbose)
        : m_caller(caller), m_callback(callback), m_verbose(verbose)
    {
    }
    // A file begins: its name and size. Its bytes are counted by AddBytes.
    void FileStart(const std::string& name, long long size);
    // Sends a step that carries the bytes counted since the last one (in FileSize).
    void FileStep();
    // Counts `bytes` of file data done; a step goes out after each kStepBytes.
    void AddBytes(long long bytes);
    void BatchEnd();
    void Message(int code, const std::string& text);
    // A message only when the command asked for verbose output.
    void Note(const std::string& text);
    bool Cancelled() const { return m_cancelled; }
    // For loops that report nothing for a long time (libzip writing a large file): sends
    // a step when the last callback is kPollMs old, so a cancel is seen that soon.
    // Returns Cancelled().
    bool Poll();

private:
    static constexpr int kPollMs = 50;
    static constexpr long long kStepBytes = 1 << 20;
    void Send(int action, int code, long long size, const std::string& text);

    void* m_caller{nullptr};
    TLibCallback m_callback{nullptr};
    bool m_verbose{false};
    bool m_cancelled{false};
    long long m_pendingBytes{0};
    std::chrono::steady_clock::time_point m_lastSend{std::chrono::steady_clock::now()};
    TLibCallbackInfo m_info;
};

// The text of a zero-terminated buffer of TrvxTextBufferSize bytes; empty for null.
std::string BufferText(const char* buffer);

// The file specs of a record: at most TrvxMaxFileSpecs, null slots skipped.
std::vector<std::string> SpecList(char* const* specs, int count);

// `text` with every "\\" turned into "/".
std::string ForwardSlashes(std::string text);

// Whether the file specs of a command select the member or file `name`. Exact
// (the command's ExactNames): `name` is one of them, byte for byte. Otherwise: `name`
// equals a file spec or matches it as a shell pattern ("*", "?" and "[...]",
// crossing "/"), both sides compared with forward slashes.
bool MatchesAny(const std::vector<std::string>& specs, const std::string& name, bool exact);

// Splits a member name at "/" and "\\" into the folders and the file name it would
// create below a target folder. Returns false for names that would leave the folder or
// name no file: absolute names, drive letters, ".." parts, empty names. "." and empty
// parts are dropped.
bool SafeRelativeParts(const std::string& name, std::vector<std::string>& parts);

} // namespace trvxlib
