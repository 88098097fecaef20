// Every text of the form fits its widget with the fonts the set-up installs, measured
// with the font each widget really uses once its style sheet is applied.
#include "window/mainwindow.h"

#include "testsupport.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>

namespace
{

int textWidth(QWidget *widget, const QString &text)
{
    widget->ensurePolished();
    return QFontMetrics(widget->font()).horizontalAdvance(text);
}

QString describe(QWidget *widget, int needed, int available)
{
    return QStringLiteral("%1 in %2 %3pt needs %4 px, has %5")
        .arg(widget->objectName(), QFontInfo(widget->font()).family())
        .arg(widget->font().pointSizeF())
        .arg(needed)
        .arg(available);
}

} // namespace

class FontsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void captionsFitTheirLabels_data();
    void captionsFitTheirLabels();
    void buttonTextsFitTheirButtons_data();
    void buttonTextsFitTheirButtons();
    void searchCaptionEndsBeforeTheSearchBox();
    void turkishLettersComeFromTheSubstitute();

private:
    std::unique_ptr<WorkingDirectory> cwd;
    std::unique_ptr<MainWindow> window;
};

void FontsTest::initTestCase()
{
    cwd = std::make_unique<WorkingDirectory>();
    window = std::make_unique<MainWindow>();
    QVERIFY2(QFontDatabase().families().contains(QStringLiteral("Caladea")),
             "the set-up installs fonts-crosextra-caladea");
}

void FontsTest::captionsFitTheirLabels_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"label", "label_2", "label_3", "label_4", "label_5"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void FontsTest::captionsFitTheirLabels()
{
    QFETCH(QString, name);
    auto *label = window->findChild<QLabel *>(name);
    const int needed = textWidth(label, label->text());
    const QRect contents = label->contentsRect();
    QVERIFY2(needed <= contents.width(), qPrintable(describe(label, needed, contents.width())));
    // Glyphs may reach into the padding, but never past the widget's edge.
    const int height = QFontMetrics(label->font()).height();
    QVERIFY2(height <= label->height(), qPrintable(describe(label, height, label->height())));
}

void FontsTest::buttonTextsFitTheirButtons_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"btn_kaydet", "btn_yeni", "btn_sil", "btn_sil_2"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void FontsTest::buttonTextsFitTheirButtons()
{
    QFETCH(QString, name);
    auto *button = window->findChild<QPushButton *>(name);
    const int needed = textWidth(button, button->text());
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    QVERIFY2(needed <= contents.width(), qPrintable(describe(button, needed, contents.width())));
}

void FontsTest::searchCaptionEndsBeforeTheSearchBox()
{
    auto *caption = window->findChild<QLabel *>(QStringLiteral("label_6"));
    auto *search = window->findChild<QLineEdit *>(QStringLiteral("txt_ara"));
    const int needed = textWidth(caption, caption->text());
    const int available = search->x() - caption->x() - caption->contentsRect().left();
    QVERIFY2(needed < available, qPrintable(describe(caption, needed, available)));
}

void FontsTest::turkishLettersComeFromTheSubstitute()
{
    auto *caption = window->findChild<QLabel *>(QStringLiteral("label"));
    caption->ensurePolished();
    QCOMPARE(QFontInfo(caption->font()).family(), QStringLiteral("Caladea"));
    const QFontMetrics metrics(caption->font());
    for (const QChar letter : QStringLiteral("İıŞşĞğÇçÖöÜü"))
        QVERIFY2(metrics.inFont(letter), qPrintable(QString(letter)));
}

QTEST_MAIN(FontsTest)
#include "tst_fonts.moc"
