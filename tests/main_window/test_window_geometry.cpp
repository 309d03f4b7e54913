// The resizable main window: where it opens, how its controls follow its
// edges, what it remembers between runs. Runs on two offscreen screens side
// by side, 1920 x 1080 and 1024 x 768, both large enough for the template.
#include "ArchiveGen.h"
#include "LC.h"
#include "LCWrp.h"
#include "Prompts.h"
#include "ScriptedPrompts.h"
#include "TervikDlg.h"
#include "WindowPlacement.h"

#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

class TestWindowGeometry : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<CTervikDlg> m_dlg;

    CTervikDlg& Open() {
        m_dlg = std::make_unique<DocumentWindow>();
        m_dlg->show();
        QCoreApplication::processEvents();
        return *m_dlg;
    }
    QWidget* C(int id) const { return m_dlg->findChild<QWidget*>(QString::number(id)); }
    static bool OnAScreen(const QRect& frame) {
        for (const QScreen* s : QGuiApplication::screens())
            if (s->availableGeometry().contains(frame))
                return true;
        return false;
    }
    static QVariant Stored(const QString& key) { return QSettings("Quorvex", "Tervik").value(key); }

  private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QCOMPARE(QGuiApplication::screens().size(), 2);
    }
    void init() { QSettings("Quorvex", "Tervik").clear(); }
    void cleanup() { m_dlg.reset(); }

    void opensWhereItFits() {
        const QSize tmpl(879, 597), least(879, 534);
        const QRect wide(0, 0, 1920, 1050), small(1920, 0, 800, 600);
        const QList<QRect> areas{wide, small};
        // Nothing stored: the template's size, centred.
        QCOMPARE(OpeningGeometry(tmpl, least, QRect(), areas, wide), QRect(QPoint(520, 226), tmpl));
        // Too large for the screen: the screen's size where it can, never
        // less than the smallest size, never above or left of the screen.
        QCOMPARE(OpeningGeometry(tmpl, least, QRect(), areas, small), QRect(1920, 1, 879, 597));
        QCOMPARE(OpeningGeometry(tmpl, QSize(700, 500), QRect(), areas, QRect(0, 20, 800, 550)),
                 QRect(0, 20, 800, 550));
        // A stored place on either present screen is kept.
        QCOMPARE(OpeningGeometry(tmpl, least, QRect(1930, 0, 780, 560), areas, wide),
                 QRect(QPoint(520, 226), tmpl)); // smaller than the minimum: not used
        QCOMPARE(OpeningGeometry(tmpl, QSize(700, 500), QRect(1930, 0, 780, 560), areas, wide),
                 QRect(1930, 0, 780, 560));
        QCOMPARE(OpeningGeometry(tmpl, least, QRect(40, 30, 1200, 900), areas, wide),
                 QRect(40, 30, 1200, 900));
        // On a screen that is gone, or across two screens: ignored.
        QCOMPARE(OpeningGeometry(tmpl, least, QRect(3000, 40, 900, 600), areas, wide),
                 QRect(QPoint(520, 226), tmpl));
        QCOMPARE(OpeningGeometry(tmpl, least, QRect(1500, 40, 900, 600), areas, wide),
                 QRect(QPoint(520, 226), tmpl));
    }

    void controlsFollowTheEdges() {
        Open();
        const QSize tmpl = m_dlg->TemplateSize();
        QCOMPARE(m_dlg->size(), tmpl);
        QVERIFY(OnAScreen(m_dlg->frameGeometry()));
        QWidget* chart = m_dlg->Chart()->GetWnd();
        QMap<int, QRect> at;
        const QList<int> ids{1, 1009, 1007, 1023, 1026, 1006, 1033, 1012, 1017, 1024, 1011, 1025, 1030, 1032};
        for (int id : ids)
            at[id] = C(id)->geometry();
        const QRect chartAt = chart->geometry();
        QCOMPARE(chartAt, C(1018)->geometry());

        for (const QSize d : {QSize(300, 200), QSize(1041, 453), QSize(0, 0)}) {
            m_dlg->resize(tmpl + d);
            QCOMPARE(m_dlg->size(), tmpl + d);
            const QPoint right(d.width(), 0), corner(d.width(), d.height());
            // The chart takes all of it, the statistics list the width.
            QCOMPARE(chart->geometry(), chartAt.adjusted(0, 0, d.width(), d.height()));
            QCOMPARE(static_cast<CLC*>(chart)->Surface().size(), chart->size());
            QCOMPARE(C(1011)->geometry(), at[1011].adjusted(0, 0, d.width(), 0));
            QCOMPARE(C(1025)->geometry(), at[1025].adjusted(0, 0, d.width(), 0));
            for (int id : {1009, 1007, 1023, 1030, 1032})
                QCOMPARE(C(id)->geometry(), at[id]);
            for (int id : {1026, 1006, 1033, 1012, 1017})
                QCOMPARE(C(id)->geometry(), at[id].translated(right));
            for (int id : {1, 1024})
                QCOMPARE(C(id)->geometry(), at[id].translated(corner));
        }

        // The smallest size: every button keeps its size and nothing overlaps.
        m_dlg->resize(1, 1);
        QCOMPARE(m_dlg->size(), m_dlg->minimumSize());
        QVERIFY(m_dlg->width() <= 760 && m_dlg->height() <= 460);
        QVERIFY(C(1024)->geometry().top() > C(1022)->geometry().bottom());
        QVERIFY(C(1022)->geometry().contains(C(1017)->geometry()));
        QVERIFY(chart->height() > 0 && C(1)->geometry().bottom() < m_dlg->height());
        for (int id : {1, 1024, 1012, 1017})
            QCOMPARE(C(id)->size(), at[id].size());
    }

    void geometryIsRememberedWhereAScreenIs() {
        ScriptedPrompts prompts;
        const QRect onSecond(1930, 10, 900, 600);
        Open().setGeometry(QRect(QPoint(100, 50), m_dlg->TemplateSize() + QSize(200, 100)));
        m_dlg->accept();
        QCOMPARE(Stored("WindowX").toInt(), 100);
        QCOMPARE(Stored("WindowWidth").toInt(), m_dlg->TemplateSize().width() + 200);
        QCOMPARE(Stored("WindowMaximized").toInt(), 0);

        // Back where it was, on the second screen too.
        Open();
        QCOMPARE(m_dlg->geometry(), QRect(QPoint(100, 50), m_dlg->TemplateSize() + QSize(200, 100)));
        m_dlg->setGeometry(onSecond);
        m_dlg->accept();
        QCOMPARE(Stored("WindowX").toInt(), 1930);
        Open();
        QCOMPARE(m_dlg->geometry(), onSecond);
        m_dlg.reset();

        // Maximised: the flag and the size it had before.
        Open().setGeometry(QRect(QPoint(60, 40), m_dlg->TemplateSize()));
        m_dlg->showMaximized();
        QCoreApplication::processEvents();
        m_dlg->accept();
        QCOMPARE(Stored("WindowMaximized").toInt(), 1);
        QCOMPARE(Stored("WindowX").toInt(), 60);
        Open();
        QVERIFY(m_dlg->isMaximized());
        m_dlg.reset();

        // A stored place on a screen that is gone: ignored, the window opens
        // on the primary screen, whole.
        QSettings("Quorvex", "Tervik").setValue("WindowMaximized", 0);
        QSettings("Quorvex", "Tervik").setValue("WindowX", 2800);
        Open();
        QVERIFY(OnAScreen(m_dlg->frameGeometry()));
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(m_dlg->frameGeometry()));
        QCOMPARE(m_dlg->size(), m_dlg->TemplateSize());
        QVERIFY(prompts.messages.isEmpty());
    }

    void fileDialogsOpenInTheFolderLastUsed() {
        ScriptedPrompts prompts;
        const QString first = m_dir.filePath("first"), second = m_dir.filePath("second");
        QVERIFY(QDir().mkpath(first) && QDir().mkpath(second));
        QSettings("Quorvex", "Tervik").setValue("LastFolder", first);
        Open();
        QCOMPARE(FileDialogFolder(), first);
        // Any file chosen, loaded or not, names the folder for the next dialog.
        ArchiveRecord r{};
        r.SetDateTime(2011, 6, 3, 9, 0, 0);
        r.SetFlags(RF_ZERO);
        const QString archive = second + "/a.mnr";
        QVERIFY(WriteMnrFile(archive.toStdString(), ArchiveHeader::Build(ArchiveHeader::kOriginDevice, 1, 1),
                             {r}));
        prompts.fileAnswers = {archive};
        static_cast<QPushButton*>(C(1008))->click();
        QCOMPARE(FileDialogFolder(), second);
        // The chart's picture export asks through the same prompts.
        QString path;
        prompts.fileAnswers = {first + "/chart.png"};
        QVERIFY(Prompts().SaveFile(nullptr, {}, "png", QString(), path));
        QCOMPARE(FileDialogFolder(), first);
        prompts.fileAnswers = {QString()}; // cancelled: no change
        QVERIFY(!Prompts().OpenFile(nullptr, {}, "mnr", path));
        QCOMPARE(FileDialogFolder(), first);
        m_dlg->accept();
        QCOMPARE(Stored("LastFolder").toString(), first);
    }
};

QTEST_MAIN(TestWindowGeometry)
#include "test_window_geometry.moc"
