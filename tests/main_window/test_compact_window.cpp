// The window at its smallest size in both languages: the top row's texts
// (the series entry with its start and stop times, the buttons' captions)
// are shown whole, and its controls do not meet.
#include "ArchiveGen.h"
#include "StringTable.h"
#include "TervikDlg.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestCompactWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

  private slots:
    void topRowShowsItsTextsWhole_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << 0;
        QTest::newRow("Russian") << 1;
    }
    void topRowShowsItsTextsWhole() {
        QFETCH(int, language);
        QSettings("Quorvex", "Tervik").clear();
        QSettings("Quorvex", "Tervik").setValue("Language", language == 1 ? "Russian" : "English");
        SetUILanguage(language);
        // Twelve series, so the entry carries a two-digit number.
        GenOptions g;
        g.series = 12;
        g.recordsPerSeries = 20;
        const QString file = m_dir.filePath("twelve.mnr");
        QVERIFY(WriteMnrFile(file.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 3, 1207),
                             GenerateRecords(g)));
        auto dlg = std::make_unique<DocumentWindow>();
        dlg->SetStartFile(file);
        dlg->show();
        QCoreApplication::processEvents();
        dlg->resize(1, 1);
        QCOMPARE(dlg->size(), dlg->minimumSize());

        auto* series = dlg->findChild<QComboBox*>("1009");
        QCOMPARE(series->count(), 12);
        series->setCurrentIndex(11);
        QStyleOptionComboBox opt;
        opt.initFrom(series);
        opt.currentText = series->currentText();
        const QRect field =
            series->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, series);
        QVERIFY2(series->fontMetrics().horizontalAdvance(series->currentText()) <= field.width(),
                 qPrintable(series->currentText()));

        QRect before = series->geometry();
        for (int id : {1007, 1023, 1026}) {
            auto* b = dlg->findChild<QPushButton*>(QString::number(id));
            QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width(), qPrintable(b->text()));
            QVERIFY2(b->geometry().left() > before.right(), qPrintable(b->text()));
            before = b->geometry();
        }
        QVERIFY(before.right() < dlg->width());
    }
};

QTEST_MAIN(TestCompactWindow)
#include "test_compact_window.moc"
