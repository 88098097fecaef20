// Contacts in and out at scale, each figure the median of 5 runs in milliseconds:
// reading and importing 10,000 contacts (vCard, CSV and Excel) into an empty phone book
// and again into the book that holds them (every one compared, none added), exporting
// 100,000 entries (vCard, CSV, Excel, the PDF phone list), and the memory a 40 MB export
// full of photos costs to read.
// Usage: bench_exchange DATA_DIR (DATA_DIR/100000/database.db from generate_phonebook)
#include "exchange/contactfile.h"
#include "exchange/importer.h"
#include "printing/phonelist.h"
#include "store/entries.h"
#include "store/phonebookdb.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace
{

double median(std::function<void()> run, const std::function<void()> &prepare = {})
{
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

QVector<Contact> people(int count)
{
    const char *const first[] = {"Ayşe", "Şule", "Çağrı", "İbrahim", "Gökçe", "Ömer", "Ümit"};
    const char *const last[] = {"Yılmaz", "Çelik", "Öztürk", "Şahin", "Güneş", "Doğan", "Kılıç"};
    QVector<Contact> contacts;
    for (int i = 0; i < count; ++i)
        contacts.append(
            {QString::fromUtf8(first[i % 7]) + ' ' + QString::fromUtf8(last[i / 7 % 7]) + ' ' +
                 QString::number(i),
             QStringLiteral("0212 %1 %2").arg(i % 1000, 3, 10, QLatin1Char('0')).arg(i % 97),
             QStringLiteral("0532 %1").arg(i, 7, 10, QLatin1Char('0')),
             QStringLiteral("kisi%1@ornek.com.tr").arg(i)});
    return contacts;
}

double import(const QString &file)
{
    QElapsedTimer timer;
    timer.start();
    openPhoneBook();
    ContactFile read;
    QString error;
    if (!readContactFile(file, read, error) || !runImport(planImport(phoneBookDb, read), error))
        qFatal("import: %s", qPrintable(error));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    closePhoneBook();
    return ms;
}

// Into an empty book, then again into the book that holds them.
QPair<double, double> importTwiceInto(const QString &directory, const QString &file)
{
    QDir::setCurrent(directory);
    QFile::remove(QStringLiteral("database.db"));
    const double empty = import(file);
    return {empty, import(file)};
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString data = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QTemporaryDir scratch;
    QString error;
    // First, while the peak is still low: 2,000 cards with a 20 kB photo each. Memory
    // should follow the cards, not the file.
    QFile photos(scratch.path() + "/fotolu.vcf");
    photos.open(QIODevice::WriteOnly);
    const QByteArray photoLine = " " + QByteArray(74, 'A') + "\r\n";
    for (int i = 0; i < 2000; ++i) {
        photos.write(
            QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Kişi %1\r\n").arg(i).toUtf8());
        photos.write("PHOTO;ENCODING=b;TYPE=JPEG:" + QByteArray(48, 'A') + "\r\n");
        for (int j = 0; j < 270; ++j)
            photos.write(photoLine);
        photos.write("END:VCARD\r\n");
    }
    photos.close();
    const double before = residentMegabytes();
    ContactFile read;
    readContactFile(photos.fileName(), read, error);
    const double growth = residentMegabytes() - before;

    const QVector<Contact> tenThousand = people(10000);
    const char *const formats[] = {".vcf", ".csv", ".xlsx"};
    for (const char *suffix : formats)
        writeContactFile(scratch.path() + "/on-bin" + suffix, tenThousand, error);
    for (const char *suffix : formats) {
        std::vector<double> empty, again;
        for (int i = 0; i < 5; ++i) {
            const auto [first, second] =
                importTwiceInto(scratch.path(), scratch.path() + "/on-bin" + suffix);
            empty.push_back(first);
            again.push_back(second);
        }
        std::sort(empty.begin(), empty.end());
        std::sort(again.begin(), again.end());
        std::printf("import 10,000 contacts from %-5s into an empty book:    %8.1f ms\n", suffix,
                    empty[2]);
        std::printf("import 10,000 contacts from %-5s into a book of them:   %8.1f ms\n", suffix,
                    again[2]);
    }

    QDir::setCurrent(data + "/100000");
    openPhoneBook();
    QVector<Entry> entries;
    readEveryEntry(phoneBookDb, [&entries](const Entry &entry) {
        entries << entry;
        return true;
    });
    QVector<Contact> contacts;
    for (const Entry &entry : entries)
        contacts.append({entry.adsoyad, entry.telefon, entry.cep, entry.mail, {}});
    closePhoneBook();
    for (const char *suffix : formats) {
        const double ms = median([&scratch, &contacts, suffix] {
            QString error;
            if (!writeContactFile(scratch.path() + "/yuz-bin" + suffix, contacts, error))
                qFatal("export: %s", qPrintable(error));
        });
        std::printf("export %s entries as %-5s:                        %8.1f ms\n",
                    qPrintable(QLocale(QLocale::English).toString(contacts.size())), suffix, ms);
    }
    const double pdf = median([&scratch, &entries] {
        QString error;
        if (!writePhoneListPdf(QFile::encodeName(scratch.path() + "/liste.pdf"),
                               inTurkishOrder(entries), QDate::currentDate(), error))
            qFatal("PDF: %s", qPrintable(error));
    });
    std::printf("export %s entries as a PDF phone list, sorted:     %8.1f ms\n",
                qPrintable(QLocale(QLocale::English).toString(entries.size())), pdf);
    std::printf("peak memory growth reading a %.0f MB file of %d cards with photos: %.1f MB\n",
                double(QFileInfo(photos).size()) / (1024 * 1024), int(read.contacts.size()),
                growth);
    return 0;
}
