// The Page Setup dialog (margin limits, preview, margins applied to the chart), the file text
// viewer, the About window and the help command.
#include "compression.h"
#include "dialog_recorder.h"
#include "form_file_view.h"
#include "form_preprint.h"
#include "main_window.h"
#include "test_files.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

using namespace varnotile;

namespace {

struct Window {
    varnotile::test::TempDir dir;
    DialogRecorder recorder;
    MainWindow w{QString::fromStdString(dir.path() + "/varnotile.INI")};
    Window() { w.setDialogResponder(&recorder); }

    template <class T = QWidget>
    T* child(const char* name) const {
        return w.findChild<T*>(QString::fromLatin1(name));
    }
    QSpinBox* spin(const char* name) const { return child<QSpinBox>(name); }

    // Runs a menu command that shows a modal window and closes that window as soon as it is up.
    void runModal(void (MainWindow::*command)(), const char* windowName) {
        QDialog* dialog = child<QDialog>(windowName);
        QTimer::singleShot(0, dialog, [dialog] { dialog->accept(); });
        (w.*command)();
    }
};

QString viewerText(const Window& t) { return t.child<QPlainTextEdit>("REdit1")->toPlainText(); }

} // namespace

TEST(PageSetup, StartValuesAndOppositeLimits) {
    Window t;
    QSpinBox* left = t.spin("SEditLeft");
    QSpinBox* right = t.spin("SEditRight");
    QSpinBox* top = t.spin("SEditTop");
    QSpinBox* bottom = t.spin("SEditBottom");
    for (QSpinBox* box : {left, right, top, bottom}) {
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->value(), 10);
        EXPECT_EQ(box->maximum(), 89);
        EXPECT_EQ(box->minimum(), 0);
    }
    EXPECT_TRUE(t.child<QRadioButton>("RBtnPortrait")->isChecked());

    left->setValue(60);
    EXPECT_EQ(t.w.dataSet().Page.PageMargins.Left, 60);
    EXPECT_EQ(right->maximum(), 39);
    right->setValue(50); // clamped by the limit
    EXPECT_EQ(right->value(), 39);
    EXPECT_EQ(left->maximum(), 60);

    bottom->setValue(0);
    top->setValue(99);
    EXPECT_EQ(bottom->maximum(), 0);
    bottom->stepBy(1);
    EXPECT_EQ(bottom->value(), 0);
    EXPECT_EQ(t.w.dataSet().Page.PageMargins.Top, 99);
    EXPECT_EQ(t.w.dataSet().Page.PageMargins.Bottom, 0);
}

TEST(PageSetup, BoxesRefuseTypedText) {
    Window t;
    QSpinBox* left = t.spin("SEditLeft");
    left->setFocus();
    auto* edit = left->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isReadOnly());
    left->stepBy(1);
    EXPECT_EQ(left->value(), 11);
}

TEST(PageSetup, PreviewFollowsOrientationAndMargins) {
    Window t;
    QWidget* box = t.child("PaintBox1");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->geometry(), QRect(54, 82, 100, 150));

    t.child<QRadioButton>("RBtnLandscape")->click();
    EXPECT_TRUE(t.w.dataSet().Page.LandscapeOrientation);
    EXPECT_EQ(box->geometry(), QRect(54, 82, 150, 100));

    // Left 1, Top 3, Right 5, Bottom 0 in landscape: printable area (2, 3) to (142, 100).
    t.spin("SEditLeft")->setValue(1);
    t.spin("SEditTop")->setValue(3);
    t.spin("SEditRight")->setValue(5);
    t.spin("SEditBottom")->setValue(0);
    const QImage image = box->grab().toImage();
    ASSERT_EQ(image.size(), QSize(150, 100));
    const QColor silver(192, 192, 192);
    EXPECT_EQ(image.pixelColor(70, 50), silver);        // inside the printable area
    EXPECT_EQ(image.pixelColor(145, 50), Qt::white);     // in the right margin
    EXPECT_EQ(image.pixelColor(1, 50), Qt::white);       // in the left margin
    EXPECT_EQ(image.pixelColor(70, 1), Qt::white);       // in the top margin

    t.child<QRadioButton>("RBtnPortrait")->click();
    EXPECT_FALSE(t.w.dataSet().Page.LandscapeOrientation);
    EXPECT_EQ(box->geometry(), QRect(54, 82, 100, 150));
}

TEST(PageSetup, MarginsReachTheChartOnCloseOrPrintOnly) {
    Window t;
    auto margins = [&] {
        const PageMarginSet& m = t.w.chartPrintMargins();
        return std::array<int, 4>{m.Left, m.Top, m.Right, m.Bottom};
    };
    EXPECT_EQ(margins(), (std::array<int, 4>{15, 15, 15, 15}));

    t.spin("SEditLeft")->setValue(20);
    t.spin("SEditBottom")->setValue(5);
    EXPECT_EQ(margins(), (std::array<int, 4>{15, 15, 15, 15})) << "not before the dialog closes";

    t.runModal(&MainWindow::menuPageSetupClick, "TFormPreprint");
    EXPECT_EQ(margins(), (std::array<int, 4>{20, 10, 10, 5}));

    // The close box closes by rejecting; it applies the margins too.
    t.spin("SEditTop")->setValue(30);
    t.child<QDialog>("TFormPreprint")->reject();
    EXPECT_EQ(margins(), (std::array<int, 4>{20, 30, 10, 5}));
}

TEST(FileViewer, ShowsTheFileOnDiskAndKeepsTextWhenItIsGone) {
    Window t;
    t.runModal(&MainWindow::menuViewFileClick, "TForm1");
    EXPECT_TRUE(viewerText(t).isEmpty()) << "before any file";

    const std::string a = t.dir.write("a.csv", "x,y\r\n1,2\r\n3,4\r\n5,6\r\n7,8\r\n");
    t.w.dataSet().File.CurrentFileName = a;
    t.runModal(&MainWindow::menuViewFileClick, "TForm1");
    EXPECT_EQ(viewerText(t), QStringLiteral("x,y\n1,2\n3,4\n5,6\n7,8\n"));

    // Another file that is gone by the time the viewer opens: the previous text stays.
    t.w.dataSet().File.CurrentFileName = t.dir.path() + "/b.csv";
    t.runModal(&MainWindow::menuViewFileClick, "TForm1");
    EXPECT_EQ(viewerText(t), QStringLiteral("x,y\n1,2\n3,4\n5,6\n7,8\n"));

    // Text typed into the box is replaced at the next showing and never reaches the file.
    t.child<QPlainTextEdit>("REdit1")->setPlainText(QStringLiteral("typed"));
    t.w.dataSet().File.CurrentFileName = a;
    t.runModal(&MainWindow::menuViewFileClick, "TForm1");
    EXPECT_TRUE(viewerText(t).startsWith(QStringLiteral("x,y")));
    EXPECT_EQ(varnotile::test::readFile(a), "x,y\r\n1,2\r\n3,4\r\n5,6\r\n7,8\r\n");
    EXPECT_TRUE(t.recorder.notices.isEmpty());
}

TEST(FileViewer, OpensAtOnceWhateverTheLengthOfItsLinesAndTheSizeOfTheFile) {
    varnotile::test::TempDir dir;
    const std::string longLine(4'000'000, '7');
    std::string manyLines;
    for (int r = 0; r < 200'000; ++r) manyLines += std::to_string(r) + ",12.5\n";
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {{"a 4 MB line", "1,2\n" + longLine + "\n3,4\n"}, {"200000 lines", manyLines}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FormFileView viewer;
        viewer.FormShow(QString::fromStdString(dir.write("big.csv", c.text)));
        viewer.show();
        viewer.repaint();
        // The box shows the first part at once and takes the rest in parts while the window
        // answers; it lays out no paragraph longer than a piece.
        EXPECT_FALSE(viewer.isComplete());
        QElapsedTimer clock;
        const QTextDocument* document = viewer.findChild<QPlainTextEdit*>(QStringLiteral("REdit1"))->document();
        for (QTextBlock b = document->begin(); b.isValid(); b = b.next())
            ASSERT_LE(b.length(), FormFileView::kPieceLength + 1);
        for (clock.start(); !viewer.isComplete() && clock.elapsed() < 30'000;)
            QCoreApplication::processEvents();
        ASSERT_TRUE(viewer.isComplete());
        QString text = viewer.text();
        EXPECT_EQ(text.remove(QLatin1Char('\n')), QString::fromStdString(c.text).remove(QLatin1Char('\n')));
    }
}

TEST(StatusBar, AnyLongFirstLineIsShownOnOneLine) {
    Window t;
    t.w.show();
    QCoreApplication::processEvents();
    const int barHeight = t.w.statusBar()->height();
    const std::string path = t.dir.write("long.csv", std::string(4'000'000, 'x') + "\na,b\n1,2\n3,4\n5,6\n7,8\n");
    t.w.openFile(QString::fromStdString(path));
    QCoreApplication::processEvents();
    const auto* panel = t.child<QLabel>("StatusPanel1");
    EXPECT_EQ(t.child<QLabel>("StatusPanel0")->text(), QStringLiteral("Header:"));
    EXPECT_TRUE(panel->text().startsWith(QStringLiteral("xxxx")));
    EXPECT_TRUE(panel->text().endsWith(QChar(0x2026))) << "elided";
    EXPECT_EQ(t.w.statusBar()->height(), barHeight);
    EXPECT_LT(panel->sizeHint().width(), t.w.width()) << "the window does not have to grow for it";
}

TEST(FileViewer, DecodesUtf8AndWindows1252) {
    FormFileView viewer;
    varnotile::test::TempDir dir;
    viewer.FormShow(QString::fromStdString(dir.write("u.txt", "T \xc2\xb0" "C\n")));
    EXPECT_EQ(viewer.text(), QStringLiteral("T \u00b0C\n"));
    viewer.FormShow(QString::fromStdString(dir.write("w.txt", "T \xb0" "C \x80\n")));
    EXPECT_EQ(viewer.text(), QStringLiteral("T \u00b0C \u20ac\n"));
    std::string xz; // a compressed file shows the text it holds
    ASSERT_EQ(varnotile::runCodec(*varnotile::makeEncoder(varnotile::Compression::Xz), "T \xc2\xb0" "C\n", true, xz), "");
    viewer.FormShow(QString::fromStdString(dir.write("u.txt.xz", xz)));
    EXPECT_EQ(viewer.text(), QStringLiteral("T \u00b0C\n"));
}

TEST(FileViewer, UnreadableFileIsReported) {
    varnotile::test::TempDir dir;
    const std::string path = dir.write("locked.csv", "1,2\n");
    FormFileView viewer;
    viewer.FormShow(QString::fromStdString(dir.write("ok.csv", "ok\n")));
    QFile::setPermissions(QString::fromStdString(path), QFileDevice::Permissions{});
    QFile check(QString::fromStdString(path));
    if (check.open(QIODevice::ReadOnly)) GTEST_SKIP() << "running with rights that read any file";
    const QString error = viewer.FormShow(QString::fromStdString(path));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot read the file"))) << error.toStdString();
    EXPECT_EQ(viewer.text(), QStringLiteral("ok\n"));
}

TEST(AboutWindow, ShadowedTitleAndPicture) {
    Window t;
    t.runModal(&MainWindow::menuAboutClick, "TFormAbout");
    auto* lab1 = t.child<QLabel>("Lab1");
    auto* lab2 = t.child<QLabel>("Lab2");
    ASSERT_TRUE(lab1 && lab2);
    EXPECT_EQ(lab1->pos(), QPoint(264, 16));
    EXPECT_EQ(lab2->pos(), QPoint(262, 14));
    EXPECT_EQ(lab2->font().pixelSize(), 32);
    EXPECT_TRUE(lab2->font().bold());
    const QPixmap picture = t.child<QLabel>("Image1")->pixmap();
    EXPECT_EQ(picture.size(), QSize(245, 183)) << "the picture is stored with the program";
    EXPECT_EQ(t.child<QDialog>("TFormAbout")->windowTitle(), QStringLiteral("About Varnotile"));
    EXPECT_TRUE(t.child<QLabel>("LabVersion")->text().contains(QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+"))));
}

TEST(HelpPage, MentionsEveryMenuCommand) {
    Window t;
    QFile page(QStringLiteral(VARNOTILE_HELP_PAGE));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QList<QAction*> actions;
    for (QAction* menu : t.w.menuBar()->actions()) {
        actions << menu;
        if (menu->menu()) actions << menu->menu()->actions();
    }
    actions << t.child<QMenu>("PMenuSGridData")->actions();
    int captions = 0;
    for (QAction* action : std::as_const(actions)) {
        if (action->isSeparator()) continue;
        // A caption may name its key after a tab or a run of spaces: "Undo   Ctrl+Z".
        const QString caption =
            action->text().remove(QLatin1Char('&')).split(QRegularExpression(QStringLiteral("\\t| {2,}"))).constFirst();
        // Named as a command: in bold, alone or as a step of a menu path ("<b>File &rarr; Open...</b>").
        const QRegularExpression named(QStringLiteral("<b>(?:[^<]* )?") + QRegularExpression::escape(caption) +
                                       QStringLiteral("(?: [^<]*)?</b>"));
        EXPECT_TRUE(html.contains(named)) << caption.toStdString();
        ++captions;
    }
    // menus, their commands (Export Chart..., Reopen as..., Recent Files, Follow File, Redo, Tracker, Cursors,
    // Statistics added), grid menu
    EXPECT_EQ(captions, 5 + 27 + 6);
}

// Receives what the help command hands to the desktop instead of starting a viewer.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// The desktop's opener replaced, for the time of a test, by a script that notes the page it was
// given and ends with `status`, as the real one ends with 3 when nothing can show HTML.
struct FakeOpener {
    varnotile::test::TempDir dir;
    QByteArray oldPath = qgetenv("PATH");
    explicit FakeOpener(int status) {
        const std::string script = dir.write(
            "xdg-open", "#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/opened\"\nexit " + std::to_string(status) + "\n");
        QFile::setPermissions(QString::fromStdString(script), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QByteArray::fromStdString(dir.path()) + ':' + oldPath);
    }
    ~FakeOpener() { qputenv("PATH", oldPath); }
    std::string opened() const { return varnotile::test::readFile(dir.path() + "/opened"); }
};

// Lets the openers the help command started end and their ends be handled.
void finishOpeners(MainWindow& w) {
    for (QProcess* p : w.findChildren<QProcess*>(QStringLiteral("HelpOpener"))) p->waitForFinished(10000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(HelpCommand, OpensThePageEachTimeAndReportsAnOpenerThatFails) {
    Window t;
    const QString expected = QCoreApplication::applicationFilePath() + QStringLiteral(".html");
    EXPECT_EQ(MainWindow::helpFilePath(), expected);
    // A page beside the test program for the time of the test.
    QFile page(expected);
    const bool created = !page.exists();
    if (created) {
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html></html>");
        page.close();
    }
    {
        FakeOpener opener(0);
        t.w.menuContentsClick();
        t.w.menuContentsClick();
        finishOpeners(t.w);
        EXPECT_EQ(opener.opened(), (expected + '\n' + expected + '\n').toStdString()) << "a second use starts a second viewer";
        EXPECT_TRUE(t.recorder.notices.isEmpty());
    }
    {
        FakeOpener opener(3);
        t.w.menuContentsClick();
        finishOpeners(t.w);
        ASSERT_EQ(t.recorder.notices.size(), 1);
        EXPECT_EQ(t.recorder.notices.at(0),
                  QStringLiteral("No program could be started to show the help page \"%1\": xdg-open ended with status 3.")
                      .arg(expected));
    }
    if (created) page.remove();
}
#endif

TEST(HelpCommand, MissingPageIsReported) {
    Window t;
    if (QFile::exists(MainWindow::helpFilePath())) GTEST_SKIP() << "a help page lies beside the test program";
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    t.w.menuContentsClick();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(catcher.urls.isEmpty());
    ASSERT_EQ(t.recorder.notices.size(), 1);
    EXPECT_TRUE(t.recorder.notices.at(0).startsWith(QStringLiteral("The help page")));
}

#include "aux_dialogs_test.moc"
