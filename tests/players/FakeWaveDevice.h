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
    audio::TWaveResult OpenResult = audio::TWaveResult::NoError;
    audio::TWaveResult PrepareResult = audio::TWaveResult::NoError;
    int FailWriteNumber = -1; // the write (counted from 1 per device) that fails
    qint64 Position = 0;
    std::deque<audio::TWaveHeader*> Queue;
    // Hands the oldest queued buffer back; false when none is queued or no device exists.
    std::function<bool()> Complete;
};

class TFakeWaveDevice final : public audio::TWaveDevice
{
public:
    explicit TFakeWaveDevice(std::shared_ptr<TFakeScript> script) : m_script(std::move(script))
    {
        m_script->Complete = [this] {
            if (m_script->Queue.empty())
                return false;
            audio::TWaveHeader* h = m_script->Queue.front();
            m_script->Queue.pop_front();
            Notify(audio::TWaveMessage::Done, h);
            return true;
        };
    }
    ~TFakeWaveDevice() override
    {
        m_script->Complete = [] { return false; };
    }

    audio::TWaveResult Open(const audio::TWaveFormat&, QObject* receiver,
                            audio::TWaveCallback callback) override
    {
        m_script->Calls << QStringLiteral("open");
        if (m_script->OpenResult != audio::TWaveResult::NoError)
            return m_script->OpenResult;
        ++m_script->Opened;
        SetTarget(receiver, std::move(callback));
        Notify(audio::TWaveMessage::Open);
        return audio::TWaveResult::NoError;
    }
    audio::TWaveResult Prepare(audio::TWaveHeader& header) override
    {
        m_script->Calls << QStringLiteral("prepare");
        if (m_script->PrepareResult != audio::TWaveResult::NoError)
            return m_script->PrepareResult;
        return TWaveDevice::Prepare(header);
    }
    audio::TWaveResult Write(audio::TWaveHeader& header) override
    {
        m_script->Calls << QStringLiteral("write");
        if (++m_writes == m_script->FailWriteNumber)
            return audio::TWaveResult::Error;
        if (!(header.Flags & audio::WaveHeaderPrepared))
            return audio::TWaveResult::Unprepared;
        header.Flags |= audio::WaveHeaderInQueue;
        m_script->Queue.push_back(&header);
        m_script->Written.push_back(header.Data);
        m_script->WrittenLengths.push_back(header.BufferLength);
        return audio::TWaveResult::NoError;
    }
    audio::TWaveResult Pause() override { return Log("pause"); }
    audio::TWaveResult Restart() override { return Log("restart"); }
    audio::TWaveResult Reset() override
    {
        Log("reset");
        for (audio::TWaveHeader* h : m_script->Queue)
            Notify(audio::TWaveMessage::Done, h);
        m_script->Queue.clear();
        return audio::TWaveResult::NoError;
    }
    audio::TWaveResult Position(qint64& samples) override
    {
        samples = m_script->Position;
        return audio::TWaveResult::NoError;
    }
    audio::TWaveResult Close() override
    {
        Log("close");
        Notify(audio::TWaveMessage::Close);
        ClearTarget();
        return audio::TWaveResult::NoError;
    }

private:
    audio::TWaveResult Log(const char* call)
    {
        m_script->Calls << QString::fromLatin1(call);
        return audio::TWaveResult::NoError;
    }

    std::shared_ptr<TFakeScript> m_script;
    int m_writes = 0;
};
