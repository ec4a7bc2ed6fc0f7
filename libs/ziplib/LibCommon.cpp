#include "LibCommon.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <fnmatch.h>
#include <utility>

namespace trvxlib
{

void TReporter::Send(int action, int code, long long size, const std::string& text)
{
    if (!m_callback)
        return;
    m_info = TLibCallbackInfo{};
    m_info.Caller = m_caller;
    m_info.Version = TrvxInterfaceVersion;
    m_info.ActionCode = action;
    m_info.ErrorCode = code;
    m_info.FileSize = int32_t(std::clamp<long long>(size, 0, INT32_MAX));
    const size_t n = std::min(text.size(), sizeof m_info.Text - 1);
    std::memcpy(m_info.Text, text.data(), n);
    m_lastSend = std::chrono::steady_clock::now();
    if (m_callback(&m_info) == -1)
        m_cancelled = true;
}

bool TReporter::Poll()
{
    if (!m_cancelled &&
        std::chrono::steady_clock::now() - m_lastSend >= std::chrono::milliseconds(kPollMs))
        FileStep();
    return m_cancelled;
}

void TReporter::FileStart(const std::string& name, long long size)
{
    Send(TrvxActionFileStart, 0, size, name);
}

void TReporter::FileStep()
{
    Send(TrvxActionFileStep, 0, std::exchange(m_pendingBytes, 0), {});
}

void TReporter::AddBytes(long long bytes)
{
    m_pendingBytes += bytes;
    if (m_pendingBytes >= kStepBytes)
        FileStep();
}
void TReporter::BatchEnd()
{
    if (m_pendingBytes > 0)
        FileStep();
    Send(TrvxActionBatchEnd, 0, 0, {});
}
void TReporter::Message(int code, const std::string& text)
{
    Send(TrvxActionMessage, code, 0, text);
}

void TReporter::Note(const std::string& text)
{
    if (m_verbose)
        Message(0, text);
}

std::string BufferText(const char* buffer)
{
    return buffer ? std::string(buffer, strnlen(buffer, TrvxTextBufferSize)) : std::string();
}

std::vector<std::string> SpecList(char* const* specs, int count)
{
    std::vector<std::string> list;
    count = std::clamp(count, 0, TrvxMaxFileSpecs);
    for (int i = 0; i < count; ++i) {
        if (specs[i])
            list.push_back(BufferText(specs[i]));
    }
    return list;
}

std::string ForwardSlashes(std::string text)
{
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& name, bool exact)
{
    if (exact)
        return std::find(patterns.begin(), patterns.end(), name) != patterns.end();
    const std::string wanted = ForwardSlashes(name);
    for (const std::string& p : patterns) {
        const std::string pattern = ForwardSlashes(p);
        if (pattern == wanted || fnmatch(pattern.c_str(), wanted.c_str(), FNM_NOESCAPE) == 0)
            return true;
    }
    return false;
}

bool SafeRelativeParts(const std::string& name, std::vector<std::string>& parts)
{
    parts.clear();
    if (name.empty() || name[0] == '/' || name[0] == '\\')
        return false;
    if (name.size() >= 2 && name[1] == ':')
        return false; // a drive letter
    std::string part;
    for (size_t i = 0; i <= name.size(); ++i) {
        const char c = i < name.size() ? name[i] : '/';
        if (c != '/' && c != '\\') {
            if (c == '\0')
                return false;
            part += c;
            continue;
        }
        if (part == "..")
            return false;
        if (!part.empty() && part != ".")
            parts.push_back(part);
        part.clear();
    }
    return !parts.empty();
}

} // namespace trvxlib
