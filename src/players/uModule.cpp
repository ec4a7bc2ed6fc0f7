#include "players/uModule.h"

#include "platform/Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cstring>

TfModule::TfModule(QWidget* parent) : TStopwatchPlayer(parent, QStringLiteral("Module player")) {}

TfModule::~TfModule()
{
    if (m_libraryUp)
        FormClose();
}

void TfModule::FormShow()
{
    setWindowTitle(QFileInfo(FileName).fileName());
    ResetStopwatch();
    ModStartup();
    ModInit();
    m_libraryUp = true;
    Module = 0;
    PlayHandle = 0;
    ModStartBackgroundPlay(0);
    LoadAndPlay();
}

void TfModule::LoadAndPlay()
{
    const QByteArray name = QFile::encodeName(FileName);
    if (PlayHandle != 0) {
        ModStopModule(PlayHandle);
        PlayHandle = 0;
    }
    if (Module != 0) {
        ModFreeModule(Module);
        Module = 0;
    }
    Module = ModLoadModule(name.constData());
    if (Module != 0)
        PlayHandle = ModPlayModule(Module, 0);
    if (Module == 0 || PlayHandle == 0) {
        // A module that cannot be loaded closes the window silently; an output that cannot
        // be opened is worth a word.
        if (Module != 0 && *ModOutputError() != '\0')
            platform::ShowMessage(StartAudioFailure(QString::fromUtf8(ModOutputError())));
        // Closing from inside the show event would leave the window half shown.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    Timer->start();
    ModModuleInfo info{};
    ModGetModuleInfo(Module, &info);
    const QString song = SongName(info);
    if (std::any_of(song.cbegin(), song.cend(), [](QChar c) { return c != QLatin1Char(' '); }))
        setWindowTitle(song);
}

QString TfModule::SongName(const ModModuleInfo& info)
{
    const char* end = static_cast<const char*>(std::memchr(info.SongName, 0, sizeof info.SongName));
    const qsizetype length = end ? end - info.SongName : qsizetype(sizeof info.SongName);
    return QString::fromUtf8(info.SongName, length);
}

void TfModule::FormClose()
{
    Timer->stop();
    if (Module != 0)
        ModFreeModule(Module); // stops its playback first
    Module = 0;
    PlayHandle = 0;
    ModStopBackgroundPlay();
    ModClose();
    m_libraryUp = false;
}
