// The main window against slips of the keyboard and the mouse: the exit
// question's default, Escape during a chart gesture or over a selection, Enter
// away from the Exit button, what Setup accepts, the
// view buttons after the chart's own menu, and the caption of a dropped file.
#include "ArchiveGen.h"
#include "LC.h"
#include "LCWrp.h"
#include "ScriptedPrompts.h"
#include "TervikDlg.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

ArchiveRecord Rec(int minute, uint8_t flags, float conc) {
    ArchiveRecord r{};
    r.SetDateTime(2011, 6, 3, 9, minute, 0);
    r.SetSeriesNumber(4);
    r.SetFlags(flags);
    r.SetConcentration(conc);
    r.SetTemperature(200);
    r.SetPressure(760);
    return r;
}

std::vector<ArchiveRecord> Records() {
    return {Rec(0, RF_ZERO, 0.0f), Rec(1, 0, 3.0f), Rec(2, 0, 9.0f), Rec(3, 0, 1.0f), Rec(4, RF_ZERO, 0.0f)};
}

} // namespace

class TestWindowInput : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<CTervikDlg> m_dlg;

    QString Archive(const QString& relative) {
        const QString p = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(p).path());
        if (!WriteMnrFile(p.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 1234),
                          Records()))
            qFatal("cannot write %s", qPrintable(p));
        return p;
    }
    void Open(const QString& startFile = QString()) {
        m_dlg = std::make_unique<DocumentWindow>();
        if (!startFile.isNull())
            m_dlg->SetStartFile(startFile);
        m_dlg->show();
    }
    QPushButton* B(int id) const { return m_dlg->findChild<QPushButton*>(QString::number(id)); }
    CLC* Chart() const { return m_dlg->Chart()->GetWnd(); }

    // Types into Setup and presses OK; a refused value keeps the dialog, which
    // is then cancelled. Returns whether OK closed it.
    bool SetupOk(const QString& temp, const QString& pres) {
        bool closed = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->findChild<QLineEdit*>("1031")->setText(temp);
            dlg->findChild<QLineEdit*>("1032")->setText(pres);
            dlg->findChild<QPushButton*>("1")->click();
            closed = !dlg->isVisible();
            if (!closed)
                dlg->findChild<QPushButton*>("2")->click();
        });
        B(1032)->click();
        return closed;
    }

  private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() { QSettings("Quorvex", "Tervik").clear(); }
    void cleanup() { m_dlg.reset(); }

    void exitQuestionDefaultsToNo() {
        Open();
        m_dlg->Document().EnsureArchive().AssignRecords(Records(),
                                                        false); // read from the instrument, unsaved
        m_dlg->Refresh();
        {
            ScriptedPrompts prompts;
            prompts.messageAnswers = {IPrompts::No};
            B(1)->click();
            QCOMPARE(prompts.defaults, QList<IPrompts::Button>{IPrompts::No});
        }
        {
            // So is the question before a load replaces the unsaved read.
            ScriptedPrompts prompts;
            prompts.fileAnswers = {Archive("other.mnr")};
            prompts.messageAnswers = {IPrompts::No};
            B(1008)->click();
            QCOMPARE(prompts.defaults, QList<IPrompts::Button>{IPrompts::No});
        }
        // Enter on the real question keeps the window.
        bool asked = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            asked = true;
            QTest::keyClick(box, Qt::Key_Return);
        });
        B(1)->setFocus();
        QTest::keyClick(B(1), Qt::Key_Return);
        QVERIFY(asked);
        QVERIFY(m_dlg->isVisible());
    }

    void escapeDuringAChartGestureEndsOnlyTheGesture() {
        ScriptedPrompts prompts;
        Open(Archive("a.mnr"));
        // The focus stays on the last button clicked while the chart has the mouse.
        QPushButton* autoY = B(1015);
        autoY->setFocus();
        Chart()->OnLButtonDown(150, 100);
        Chart()->OnMouseMove(200, 150);
        QVERIFY(Chart()->GestureUnderWay());
        QTest::keyClick(autoY, Qt::Key_Escape);
        QVERIFY(!Chart()->GestureUnderWay());
        QVERIFY(m_dlg->isVisible());
        Chart()->OnLButtonUp(200, 150);
        QVERIFY(Chart()->Interaction().Selection().IsRectEmpty());
        // With no gesture Escape is the window's again.
        QTest::keyClick(autoY, Qt::Key_Escape);
        QVERIFY(!m_dlg->isVisible());
    }

    void enterClosesOnlyFromTheExitButton() {
        ScriptedPrompts prompts;
        Open(Archive("a.mnr"));
        for (QWidget* w : {static_cast<QWidget*>(Chart()), m_dlg->findChild<QWidget*>("1011"),
                           static_cast<QWidget*>(B(1012))}) {
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Return);
            QTest::keyClick(w, Qt::Key_Enter, Qt::KeypadModifier);
            QVERIFY2(m_dlg->isVisible(), qPrintable(w->objectName()));
        }
        B(1)->setFocus();
        QTest::keyClick(B(1), Qt::Key_Return);
        QVERIFY(!m_dlg->isVisible());
    }

    void escapeClearsTheSelectionBeforeItCloses() {
        ScriptedPrompts prompts;
        Open(Archive("a.mnr"));
        auto band = [&] {
            Chart()->OnLButtonDown(150, 100);
            Chart()->OnMouseMove(200, 150);
            Chart()->OnLButtonUp(200, 150);
            QVERIFY(!Chart()->Interaction().Selection().IsRectEmpty());
        };
        // With the focus on the chart, and on the button clicked last.
        for (QWidget* w : {static_cast<QWidget*>(Chart()), static_cast<QWidget*>(B(1015))}) {
            band();
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Escape);
            QVERIFY(m_dlg->isVisible());
            QVERIFY(Chart()->Interaction().Selection().IsRectEmpty());
        }
        QTest::keyClick(B(1015), Qt::Key_Escape);
        QVERIFY(!m_dlg->isVisible());
    }

    void setupRefusesWhatIsNoPlausibleNumber() {
        ScriptedPrompts prompts;
        Open(Archive("a.mnr"));
        const QString temp = "Enter a number from -60.0 to 60.0.";
        const QString pres = "Enter 0 or a number from 400 to 900.";
        QVERIFY(!SetupOk("abc", "750"));
        QVERIFY(!SetupOk("1e30", "750"));
        QVERIFY(!SetupOk("60.1", "750"));
        QVERIFY(!SetupOk("20", "1e30"));
        QVERIFY(!SetupOk("20", "399"));
        QVERIFY(!SetupOk("20", ""));
        QCOMPARE(prompts.messages, (QStringList{temp, temp, temp, pres, pres, pres}));
        QCOMPARE(m_dlg->StdTemp(), 200);
        QCOMPARE(m_dlg->StdPres(), 760);
        QCOMPARE(QSettings("Quorvex", "Tervik").value("Std/Temp"), QVariant());

        // A decimal comma, and the values that switch the corrections off.
        QVERIFY(SetupOk(" 21,5 ", "742,9"));
        QCOMPARE(m_dlg->StdTemp(), 215);
        QCOMPARE(m_dlg->StdPres(), 742);
        QVERIFY(SetupOk("-2.3", "0"));
        QCOMPARE(m_dlg->StdTemp(), -23);
        QCOMPARE(m_dlg->StdPres(), 0);
        QCOMPARE(prompts.messages.size(), 6);
    }

    void autoYFromTheChartMenuEnablesPrevView() {
        ScriptedPrompts prompts;
        Open(Archive("a.mnr"));
        QVERIFY(!B(1016)->isEnabled());
        Chart()->OnCommand(CLC::CmdAutoY);
        QCoreApplication::processEvents();
        QVERIFY(Chart()->Model().CanGoPrevView());
        QVERIFY(B(1016)->isEnabled());
    }

    void droppedFileNamedInTheCaptionWithTheMiddleElided() {
        ScriptedPrompts prompts;
        Open();
        auto drop = [&](const QString& path) {
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(path)});
            QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            static_cast<QObject*>(m_dlg.get())->event(&enter);
            QDropEvent ev(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            static_cast<QObject*>(m_dlg.get())->event(&ev);
        };
        auto* group = m_dlg->findChild<QGroupBox*>("1019");
        const QString first = Archive("first.mnr");
        drop(first);
        QCOMPARE(group->title(), "Data (file " + QDir::toNativeSeparators(first) +
                                     ", dropped on the window; data read from instrument no. 1234)");

        const QString deep = Archive(QString(20, 'd') + "/" + QString(200, 'e') + "/" + QString(20, 'f') +
                                     "/second-archive.mnr");
        drop(deep);
        const QString title = group->title();
        QVERIFY2(title.startsWith("Data (file ") &&
                     title.endsWith(QDir::separator() + QString("second-archive.mnr, dropped on the window; "
                                                                "data read from instrument no. 1234)")),
                 qPrintable(title));
        QVERIFY(title.contains(QChar(0x2026)));
        QVERIFY(group->fontMetrics().horizontalAdvance(title) < group->width());
        // A wider window shows more of the path.
        m_dlg->resize(m_dlg->width() + 300, m_dlg->height());
        QVERIFY(group->title().size() > title.size());
    }
};

QTEST_MAIN(TestWindowInput)
#include "test_window_input.moc"
