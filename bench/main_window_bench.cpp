// The main window as a user drives it, offscreen: open a file and see it,
// reselect the series, toggle zero correction, release a selection and zoom
// by a double-click, on one series of 1,000 and of 1,000,000 records. Each
// step is timed up to the end of the repaint it causes.

#include "ArchiveGen.h"
#include "LC.h"
#include "TervikDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

// The offscreen platform cannot grab the mouse and says so on every press.
void QuietGrabNote(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QLatin1String("grabbing the mouse")))
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// Null when another benchmark made an application without widgets first.
QApplication* App() {
    if (!QCoreApplication::instance()) {
        qInstallMessageHandler(QuietGrabNote);
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "tervik-bench";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // never destroyed, as in the chart benchmarks
    }
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

// Generated archives of one series, and a settings folder of the bench's own
// so the window's stored geometry does not touch the user's.
struct Files {
    QTemporaryDir dir;
    std::map<int, QString> paths;
    Files() {
        qputenv("XDG_CONFIG_HOME", QDir(dir.path()).filePath("config").toLocal8Bit());
        for (int n : {1000, 1000000}) {
            GenOptions o;
            o.series = 1;
            o.recordsPerSeries = n;
            o.cycleSeconds = 60;
            const QString p = QDir(dir.path()).filePath(QString("records-%1.mnr").arg(n));
            WriteMnrFile(p.toStdString(), ArchiveHeader::Build(0x20, 3, 1), GenerateRecords(o));
            paths[n] = p;
        }
    }
};

const QString& FileOf(int records) {
    static Files files;
    return files.paths[records];
}

// Delivers what the last step posted, the repaint included.
void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// The window on the file of state.range(0) records, shown; null, with the
// benchmark skipped, when it cannot be.
std::unique_ptr<CTervikDlg> OpenWindow(benchmark::State& state) {
    if (!App()) {
        state.SkipWithError("no window");
        return nullptr;
    }
    auto dlg = std::make_unique<DocumentWindow>();
    dlg->SetStartFile(FileOf(static_cast<int>(state.range(0))));
    dlg->show();
    if (!QTest::qWaitForWindowExposed(dlg.get())) {
        state.SkipWithError("no window");
        return nullptr;
    }
    Settle();
    return dlg;
}

// Each window benchmark runs on 1,000 and 1,000,000 records.
void WindowArgs(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(0.2);
}

template <class T> T* Control(CTervikDlg& dlg, int id) {
    return dlg.findChild<T*>(QString::number(id));
}

void BM_WindowOpenAndShow(benchmark::State& state) {
    if (!App()) {
        state.SkipWithError("no widget application");
        return;
    }
    const QString& path = FileOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto dlg = std::make_unique<DocumentWindow>();
        dlg->SetStartFile(path);
        dlg->show();
        if (!QTest::qWaitForWindowExposed(dlg.get())) {
            state.SkipWithError("the window was not exposed");
            return;
        }
        Settle();
        state.PauseTiming();
        dlg.reset();
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowOpenAndShow)->Apply(WindowArgs);

void BM_WindowReselectSeries(benchmark::State& state) {
    auto dlg = OpenWindow(state);
    if (!dlg)
        return;
    QComboBox* series = Control<QComboBox>(*dlg, 1009);
    for (auto _ : state) {
        emit series->activated(series->currentIndex());
        Settle();
    }
}
BENCHMARK(BM_WindowReselectSeries)->Apply(WindowArgs);

void BM_WindowToggleZeroCorrection(benchmark::State& state) {
    auto dlg = OpenWindow(state);
    if (!dlg)
        return;
    QComboBox* zero = Control<QComboBox>(*dlg, 1010);
    for (auto _ : state) {
        zero->setCurrentIndex(1 - zero->currentIndex());
        emit zero->activated(zero->currentIndex());
        Settle();
    }
}
BENCHMARK(BM_WindowToggleZeroCorrection)->Apply(WindowArgs);

// A band dragged across the plot in the all-data view; release: false leaves
// the button down.
void DragBand(CTervikDlg& dlg, bool release) {
    Control<QPushButton>(dlg, 1014)->click(); // all data
    Settle();
    QWidget* w = dlg.Chart()->GetWnd();
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(330, 60));
    QTest::mouseMove(w, QPoint(400, 150));
    QTest::mouseMove(w, QPoint(480, 250));
    if (release)
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(480, 250));
    Settle();
}

void BM_WindowReleaseSelection(benchmark::State& state) {
    auto dlg = OpenWindow(state);
    if (!dlg)
        return;
    QWidget* w = dlg->Chart()->GetWnd();
    for (auto _ : state) {
        state.PauseTiming();
        DragBand(*dlg, false);
        state.ResumeTiming();
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(480, 250));
        Settle();
    }
}
BENCHMARK(BM_WindowReleaseSelection)->Apply(WindowArgs);

// A press outside the selection, which only clears it.
void BM_WindowPressClearsSelection(benchmark::State& state) {
    auto dlg = OpenWindow(state);
    if (!dlg)
        return;
    QWidget* w = dlg->Chart()->GetWnd();
    for (auto _ : state) {
        state.PauseTiming();
        DragBand(*dlg, true);
        state.ResumeTiming();
        QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 300));
        Settle();
        state.PauseTiming();
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 300));
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowPressClearsSelection)->Apply(WindowArgs);

void BM_WindowDoubleClickZoom(benchmark::State& state) {
    auto dlg = OpenWindow(state);
    if (!dlg)
        return;
    QWidget* w = dlg->Chart()->GetWnd();
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0, zx1 = 0, zy1 = 0, zx2 = 0, zy2 = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DragBand(*dlg, true);
        dlg->Chart()->GetView(x1, y1, x2, y2);
        state.ResumeTiming();
        QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(400, 150));
        Settle();
    }
    dlg->Chart()->GetView(zx1, zy1, zx2, zy2);
    if (!(zx2 - zx1 < x2 - x1))
        state.SkipWithError("the double-click did not zoom");
}
BENCHMARK(BM_WindowDoubleClickZoom)->Apply(WindowArgs);

} // namespace
