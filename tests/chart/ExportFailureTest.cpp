// Pictures that cannot be written completely, and links planted beside them.

#include "ChartTestUtil.h"
#include "EmfDC.h"
#include "ScriptedPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

struct FailingExportChart {
    CLC c;
    QTemporaryDir dir;
    FailingExportChart() {
        c.Layout(420, 260);
        c.Model().AddPlot(MakeDataSet({0, 50, 100, 150}, {1, 3, 2, 4}));
        c.Painter().SetTitles("Time", "Value");
        c.Core().ShowAllData();
        c.Interaction().SetReadout(60, 2.5);
        c.Redraw();
    }
    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
};

QByteArray Read(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const std::string& path, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Runs fn with writes beyond a few hundred bytes failing as on a full disk.
template <class Fn> void OnAFullDisk(Fn fn) {
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 256;
    setrlimit(RLIMIT_FSIZE, &small);
    fn();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
}

TEST(ExportFailure, AFullDiskKeepsThePreviousPictureAndSaysSo) {
    FailingExportChart t;
    const char* const names[] = {"a.png", "a.jpg", "a.bmp", "a.gif", "a.emf"};
    for (const char* name : names)
        Write(t.Path(name), "precious");
    OnAFullDisk([&] {
        for (const char* name : names)
            EXPECT_FALSE(t.c.SaveImage(t.Path(name))) << name;
    });
    for (const char* name : names)
        EXPECT_EQ(Read(t.Path(name)), "precious") << name;
    EXPECT_EQ(QDir(t.dir.path()).entryList(QDir::Files).size(), 5);

    // The window's command tells the user.
    ScriptedPrompts prompts;
    prompts.fileAnswers = {QString::fromStdString(t.Path("a.png")), QString::fromStdString(t.Path("a.emf"))};
    OnAFullDisk([&] {
        t.c.OnCommand(CLC::CmdExportImage);
        t.c.OnCommand(CLC::CmdExportImage);
    });
    EXPECT_EQ(prompts.messages, (QStringList{"Failed to save image", "Failed to create EMF"}));
    EXPECT_EQ(Read(t.Path("a.png")), "precious");

    // The command-line render fails with exit code 1.
    const std::string out = t.Path("c.png");
    Write(out, "precious");
    const std::string cmd = std::string("trap '' XFSZ; ulimit -f 1; ") + TERVIK_CLI + " render \"" +
                            TERVIK_SOURCE_DIR + "/samples/demo.mnr\" --series 1 -o \"" + out +
                            "\" 2>/dev/null";
    const int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(Read(out), "precious");
    EXPECT_EQ(QDir(t.dir.path()).entryList(QDir::Files).size(), 6);
}

TEST(ExportFailure, LinksAtTheOldTemporaryNamesAreNotFollowed) {
    FailingExportChart t;
    Write(t.Path("victim"), "victim");
    QFile::link(QString::fromStdString(t.Path("victim")), QString::fromStdString(t.Path("b.gif.part")));
    QFile::link(QString::fromStdString(t.Path("victim")), QString::fromStdString(t.Path("b.emf.part")));
    QFile::link("/dev/full", QString::fromStdString(t.Path("c.emf.part")));
    for (const char* name : {"b.gif", "b.emf", "c.emf"})
        EXPECT_TRUE(t.c.SaveImage(t.Path(name))) << name;
    EXPECT_EQ(Read(t.Path("victim")), "victim");
    EXPECT_EQ(QImageReader(QString::fromStdString(t.Path("b.gif"))).format(), "gif");
    EXPECT_FALSE(QFileInfo(QString::fromStdString(t.Path("b.gif"))).isSymLink());
    EXPECT_TRUE(ReadEmfSummary(t.Path("b.emf")).valid);
    EXPECT_TRUE(ReadEmfSummary(t.Path("c.emf")).valid);
}

} // namespace
