#include "window/filedrop.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace
{

// The local files of a drop, by the bytes of their names. QUrl replaces a byte that is no
// UTF-8, so the raw list is read: "file:", an optional "//host", then the percent-encoded path.
QList<QByteArray> localFiles(const QMimeData *data)
{
    QList<QByteArray> paths;
    for (const QByteArray &entry : data->data(QStringLiteral("text/uri-list")).split('\n')) {
        const QByteArray uri = entry.trimmed();
        if (uri.startsWith('#') || !QUrl::fromEncoded(uri).isLocalFile())
            continue;
        int path = uri.indexOf(':') + 1;
        if (uri.mid(path, 2) == "//")
            path = uri.indexOf('/', path + 2);
        if (path > 0)
            paths << QByteArray::fromPercentEncoding(uri.mid(path));
    }
    return paths;
}

QList<QByteArray> contactFiles(const QMimeData *data)
{
    QList<QByteArray> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QByteArray &path : localFiles(data)) {
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        const QByteArray suffix = name.mid(name.lastIndexOf('.') + 1).toLower();
        if (name.contains('.') && (suffix == "vcf" || suffix == "vcard" || suffix == "csv"))
            paths << path;
    }
    return paths;
}

} // namespace

void ContactFileDrop::watch(QWidget *window)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    for (QLineEdit *edit : window->findChildren<QLineEdit *>())
        edit->installEventFilter(this);
}

bool ContactFileDrop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (contactFiles(drag->mimeData()).isEmpty())
            break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QList<QByteArray> paths = contactFiles(drop->mimeData());
        if (paths.isEmpty())
            break;
        drop->acceptProposedAction();
        emit dropped(paths);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
