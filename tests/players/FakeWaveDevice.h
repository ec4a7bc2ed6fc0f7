#pragma once
// A scripted wave device for engine tests: it records every call, fails where a test
// asks it to, and hands buffers back only when the test says so.

#include "audio/WaveDevice.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

struct TFakeScript {
    // What the device did, one entry per call: "open", "prepare", "write", "pause", ...
    QStringList Calls;
    std::vector<const char*> Written; // data pointer of every buffer written
    std::vector<qint32> WrittenLengths;
    int Opened = 0;
    platform::TWaveResult OpenResult = platform::TWaveResult::NoError;
    platform::TWaveResult PrepareResult = platform::TWaveResult::NoError;
    int FailWriteNumber = -1; // the write (counted from 1 per device) that fails
    qint64 Position = 0;
    std::deque<platform::TWaveHeader*> Queue;
    // Hands the oldest queued buffer back; false when none is queued or no device exists.
    std::function<bool()> Complete;
};

class TFakeWaveDevice final : public platform::TWaveDevice
{
public:
    explicit TFakeWaveDevice(std::shared_ptr<TFakeScript> script) : m_script(std::move(script))
    {
        m_script->Complete = [this] {
            if (m_script->Queue.empty())
                return false;
            platform::TWaveHeader* h = m_script->Queue.front();
            m_script->Queue.pop_front();
            Notify(platform::TWaveMessage::Done, h);
            return true;
        };
    }
    ~TFakeWaveDevice() override
    {
        m_script->Complete = [] { return false; };
    }

    platform::TWaveResult Open(const platform::TWaveFormat&, QObject* receiver,
                               platform::TWaveCallback callback) override
    {
        m_script->Calls << QStringLiteral("open");
        if (m_script->OpenResult != platform::TWaveResult::NoError)
            return m_script->OpenResult;
        ++m_script->Opened;
        SetTarget(receiver, std::move(callback));
        Notify(platform::TWaveMessage::Open);
        return platform::TWaveResult::NoError;
    }
    platform::TWaveResult Prepare(platform::TWaveHeader& header) override
    {
        m_script->Calls << QStringLiteral("prepare");
        if (m_script->PrepareResult != platform::TWaveResult::NoError)
            return m_script->PrepareResult;
        return TWaveDevice::Prepare(header);
    }
    platform::TWaveResult Write(platform::TWaveHeader& header) override
    {
        m_script->Calls << QStringLiteral("write");
        if (++m_writes == m_script->FailWriteNumber)
            return platform::TWaveResult::Error;
        if (!(header.Flags & platform::WaveHeaderPrepared))
            return platform::TWaveResult::Unprepared;
        header.Flags |= platform::WaveHeaderInQueue;
        m_script->Queue.push_back(&header);
        m_script->Written.push_back(header.Data);
        m_script->WrittenLengths.push_back(header.BufferLength);
        return platform::TWaveResult::NoError;
    }
    platform::TWaveResult Pause() override { return Log("pause"); }
    platform::TWaveResult Restart() override { return Log("restart"); }
    platform::TWaveResult Reset() override
    {
        Log("reset");
        for (platform::TWaveHeader* h : m_script->Queue)
            Notify(platform::TWaveMessage::Done, h);
        m_script->Queue.clear();
        return platform::TWaveResult::NoError;
    }
    platform::TWaveResult Position(qint64& samples) override
    {
        samples = m_script->Position;
        return platform::TWaveResult::NoError;
    }
    platform::TWaveResult Close() override
    {
        Log("close");
        Notify(platform::TWaveMessage::Close);
        ClearTarget();
        return platform::TWaveResult::NoError;
    }

private:
    platform::TWaveResult Log(const char* call)
    {
        m_script->Calls << QString::fromLatin1(call);
        return platform::TWaveResult::NoError;
    }

    std::shared_ptr<TFakeScript> m_script;
    int m_writes = 0;
};
