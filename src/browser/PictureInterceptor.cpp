#include "browser/PictureInterceptor.h"

#include "browser/BrowserSetup.h"
#include "browser/PictureNames.h"

#include <QWebEngineUrlRequestInfo>

void TPictureInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (info.resourceType() != QWebEngineUrlRequestInfo::ResourceTypeImage)
        return;
    const QString scheme = info.requestUrl().scheme();
    if (scheme == QLatin1String(kPictureScheme) || scheme == QLatin1String("data") ||
        scheme == QLatin1String("blob"))
        return;
    info.redirect(PictureUrl(info.requestUrl()));
}

QUrl TPictureInterceptor::PictureUrl(const QUrl& requested)
{
    // A local reference keeps the path the engine resolved against the page; any other
    // gives only its name. The query and fragment name no file.
    const QString path = requested.isLocalFile()
                             ? requested.toLocalFile()
                             : PictureFileName(requested.path(QUrl::FullyDecoded));
    QUrl url;
    url.setScheme(QString::fromLatin1(kPictureScheme));
    url.setPath(path, QUrl::DecodedMode);
    return url;
}
