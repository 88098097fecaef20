#include "exchange/workbookarchive.h"

#include "exchange/contactfile.h"

#include <zip.h>

// One part as it is inflated, counted by its archive.
class WorkbookPart : public QIODevice
{
public:
    WorkbookPart(WorkbookArchive &archive, zip_file_t *file, const QString &name)
        : archive(archive), file(file), name(name)
    {
        open(QIODevice::ReadOnly);
    }
    ~WorkbookPart() override { zip_fclose(file); }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return ended && QIODevice::atEnd(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (ended || maxSize == 0)
            return 0;
        const zip_int64_t got = zip_fread(file, data, zip_uint64_t(maxSize));
        if (got < 0)
            archive.failed = QStringLiteral("%1 bozuk, açılamıyor").arg(name);
        ended = got <= 0 || !archive.count(got);
        if (ended)
            return got == 0 ? 0 : -1;
        return got;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    WorkbookArchive &archive;
    zip_file_t *const file;
    const QString name;
    bool ended = false;
};

WorkbookArchive::WorkbookArchive(const QByteArray &data) : bytes(data)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), bytes.size(), 0, &error);
    if (source) {
        archive = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!archive)
            zip_source_free(source);
    }
    zip_error_fini(&error);
}

WorkbookArchive::~WorkbookArchive()
{
    if (archive)
        zip_discard(archive);
}

bool WorkbookArchive::has(const QString &name) const
{
    return zip_name_locate(archive, name.toUtf8().constData(), 0) >= 0;
}

std::unique_ptr<QIODevice> WorkbookArchive::open(const QString &name, QString &why)
{
    zip_file_t *file = zip_fopen(archive, name.toUtf8().constData(), 0);
    if (!file) {
        why = QStringLiteral("çalışma kitabında %1 yok ya da okunamıyor").arg(name);
        return nullptr;
    }
    return std::make_unique<WorkbookPart>(*this, file, name);
}

qint64 WorkbookArchive::claimedSize(const QString &name) const
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, name.toUtf8().constData(), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE))
        return 0;
    return qint64(qMin(stat.size, zip_uint64_t(largestUnpackedWorkbook)));
}

bool WorkbookArchive::count(qint64 bytes)
{
    inflatedBytes += bytes;
    if (inflatedBytes <= largestUnpackedWorkbook)
        return true;
    failed = QStringLiteral("açıldığında %1 MB'tan büyük, kişi dosyası olamaz")
                 .arg(largestUnpackedWorkbook / (1024 * 1024));
    return false;
}
