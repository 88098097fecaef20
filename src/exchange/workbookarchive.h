#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>

struct zip;

// The parts of an .xlsx workbook, a zip archive held in memory, read as they are inflated.
// Every byte inflated from any part counts against largestUnpackedWorkbook, whatever sizes
// the archive's directory claims: past it, the part's device ends in an error and failure()
// says why.
class WorkbookArchive
{
public:
    explicit WorkbookArchive(const QByteArray &data);
    ~WorkbookArchive();
    WorkbookArchive(const WorkbookArchive &) = delete;
    WorkbookArchive &operator=(const WorkbookArchive &) = delete;

    bool isOpen() const { return archive != nullptr; }
    bool has(const QString &name) const;
    // The part to read, or null with why; it must not outlive the archive.
    std::unique_ptr<QIODevice> open(const QString &name, QString &why);
    // What the directory says the part unpacks to: for a progress, never for a limit.
    qint64 claimedSize(const QString &name) const;
    // The bytes inflated so far, from every part opened.
    qint64 inflated() const { return inflatedBytes; }
    // Why a part could not be read to its end (broken, or past the limit); empty if none.
    QString failure() const { return failed; }

private:
    friend class WorkbookPart;
    // False, with the failure set, when the bytes take the archive past its limit.
    bool count(qint64 bytes);

    const QByteArray bytes; // libzip reads them where they are
    zip *archive = nullptr;
    qint64 inflatedBytes = 0;
    QString failed;
};
