#include "frontend/ui/mainwindow.h"

#include "frontend/core/batchrunner.h"
#include "frontend/core/commandrunner.h"
#include "frontend/core/commandtext.h"
#include "frontend/core/linkserver.h"
#include "frontend/core/settings.h"
#include "frontend/core/toolprocess.h"
#include "frontend/ui/analyzerwindow.h"
#include "frontend/ui/batchwindow.h"
#include "frontend/ui/commandtab.h"
#include "frontend/ui/filemenus.h"
#include "frontend/ui/filepane.h"
#include "frontend/ui/frameratedialog.h"
#include "frontend/ui/graphicsform.h"
#include "frontend/ui/maintab.h"
#include "frontend/ui/mixform.h"
#include "frontend/ui/playform.h"
#include "frontend/ui/scriptform.h"
#include "frontend/ui/soundform.h"
#include "frontend/ui/textwindow.h"
#include "frontend/ui/toolform.h"
#include "frontend/ui/zorbform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/platform.h"

#include <cstdio>

namespace zfront {

const char kMainTitle[] = "Zorblax for Windows";

QRect WindowPlace(int x, int y, QSize size, const QRect &available)
{
    size = size.boundedTo(available.size());
    const QRect centred(available.x() + (available.width() - size.width()) / 2,
                        available.y() + (available.height() - size.height()) / 2, size.width(), size.height());
    if (x == Settings::Centred || y == Settings::Centred)
        return centred;
    const QRect saved(QPoint(x, y), size);
    // A place that leaves the title bar or most of the window off the screen
    // is not kept: at least a quarter of the window must show, and its top
    // edge must be on the screen.
    const QRect shown = saved.intersected(available);
    if (shown.isEmpty() || y < available.top() || y >= available.bottom() ||
        qint64(shown.width()) * shown.height() * 4 < qint64(size.width()) * size.height())
        return centred;
    return saved;
}

QString DocumentationDirectory(const QString &ownDirectory)
{
    const QStringList candidates = {
        ownDirectory + QStringLiteral("/../share/doc/zorblax"),
#ifdef ZORB_DOC_DIR
        QStringLiteral(ZORB_DOC_DIR),
#endif
    };
    for (const QString &c : candidates)
        if (QFileInfo(c + QStringLiteral("/frontend.md")).isFile())
            return QDir::cleanPath(c);
    return {};
}

MainWindow::MainWindow(Settings &settings, const QString &settingsPath, QWidget *parent)
    : QMainWindow(parent), state_(settings), settingsPath_(settingsPath)
{
    setWindowTitle(QString::fromLatin1(kMainTitle));
    interp_ = new CommandInterpreter(*this);
    if (!state_.command.Directory.isEmpty())
        interp_->setDirectory(state_.command.Directory); // stays in the current directory when that fails
    runner_ = new CommandRunner(*interp_, *this, this);
    runner_->setOwnDirectory(QCoreApplication::applicationDirPath());
    runner_->setRecentCommands(&state_.recentCommands);
    runner_->setShiftQuery([] { return QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier; });

    link_ = new LinkServer(QString::fromLatin1(kMainTitle), this);
    if (link_->listen())
        runner_->setLinkNumber(link_->number());
    else
        print(QStringLiteral("  The link for tool reports could not be opened; tools will not report back."));
    connect(link_, &LinkServer::reportReceived, this, &MainWindow::report);
    connect(link_, &LinkServer::restoreRequested, this, &MainWindow::restoreFromTool);

    tabs_ = new QTabWidget(this);
    auto *mainTab = new MainTab(this);
    commandTab_ = new CommandTab(this);
    tabs_->addTab(mainTab, QStringLiteral("Main"));
    const QList<QWidget *> toolTabs = {
        new ZorbForm(*this, nullptr, this),     new MixForm(*this, nullptr, nullptr, this),
        new PlayForm(*this, nullptr, this),     new ScriptForm(*this, nullptr, this),
        new GraphicsForm(*this, nullptr, this), new SoundForm(*this, nullptr, this)};
    const char *names[] = {"Zorb", "Mixer", "Player", "Scriptor", "Graphics Processor", "Sound Processor"};
    for (int i = 0; i < toolTabs.size(); ++i) {
        tabs_->addTab(toolTabs[i], QString::fromLatin1(names[i]));
        // Every file pane gets the file and directory menus.
        for (FilePane *pane : toolTabs[i]->findChildren<FilePane *>()) {
            auto *menus = new FileMenus(
                pane, &state_, [this](const QString &d, const QString &c) { runCommand(d, c); },
                [this](const QString &d, const QStringList &f) { createListFile(d, f); });
            menus->setImageViewer([this](const QString &path) { return TabHost::showImage(this, path); });
        }
    }
    tabs_->addTab(commandTab_, QStringLiteral("Command"));
    setCentralWidget(tabs_);

    connect(mainTab, &MainTab::showTab, tabs_, &QTabWidget::setCurrentIndex);
    connect(mainTab, &MainTab::commandRequested, this, &MainWindow::runCommand);
    connect(mainTab, &MainTab::exitRequested, this, &MainWindow::exitRequested);
    connect(mainTab, &MainTab::helpRequested, this, [this] { showHelp(); });
    connect(mainTab, &MainTab::aboutRequested, this, &MainWindow::about);
    connect(mainTab, &MainTab::frameRateRequested, this, &MainWindow::changeFrameRate);
    connect(commandTab_, &CommandTab::commandEntered, this, [this](const QString &c) { runCommand(QString(), c); });

    // While a tool runs: its progress as a bar, or its status text.
    toolStatus_ = new QLabel;
    toolStatus_->setMinimumWidth(1);
    toolStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    toolProgress_ = new QProgressBar;
    toolProgress_->setRange(0, 100);
    toolProgress_->setMaximumWidth(200);
    toolProgress_->hide();
    statusBar()->addWidget(toolStatus_, 1);
    statusBar()->addPermanentWidget(toolProgress_);
    statusBar()->setSizeGripEnabled(false);
    connect(runner_, &CommandRunner::toolLine, this, &MainWindow::toolLine);
    connect(runner_, &CommandRunner::toolEnded, this, &MainWindow::toolEnded);

    // The window's place: the client area's top left corner is kept and given
    // back as it was (the frame is the window manager's), and a place off the
    // available screen is replaced by a centred one.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize size = QSize(760, 540).boundedTo(available.size());
    setGeometry(WindowPlace(state_.main.X, state_.main.Y, size, available));
    tabs_->setCurrentIndex(qBound(0, state_.main.CurrentTab, tabs_->count() - 1));
    syncCommandTab();
}

MainWindow::~MainWindow()
{
    delete batchWindow_;
    delete interp_;
}

bool MainWindow::batchRunning() const
{
    return batch_ && batch_->running();
}

void MainWindow::syncCommandTab()
{
    commandTab_->setRecall(state_.recentCommands);
    commandTab_->setDirectory(interp_->directory());
    state_.command.Directory = interp_->directory();
}

bool MainWindow::runCommand(const QString &directory, const QString &command)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RunResult r = runner_->run(directory, command);
    QApplication::restoreOverrideCursor();
    syncCommandTab();
    return r.knownTool;
}

bool MainWindow::runBatch(const QString &file)
{
    if (batchRunning()) {
        print(QStringLiteral("  A batch file is already running."));
        return false;
    }
    if (!startBatch(file, QString()))
        return false;
    // The tabs wait for the whole batch (they ask about it afterwards); the
    // window stays responsive meanwhile.
    QEventLoop loop;
    connect(this, &MainWindow::batchFinished, &loop, &QEventLoop::quit);
    if (batchRunning())
        loop.exec();
    return batch_ && !batch_->cancelled();
}

void MainWindow::openAnalyzer(QWidget *parent, const QString &path)
{
    (void)parent;
    analyze(path);
}

void MainWindow::backToMain()
{
    tabs_->setCurrentIndex(0);
}

void MainWindow::showHelp(const QString &topic)
{
    // The tool tabs' help is the page on their forms and command lines.
    const bool tabs = !topic.isEmpty() && topic != QLatin1String("howto");
    showHelpPage(tabs ? QStringLiteral("frontend-tabs.md") : QStringLiteral("frontend.md"));
}

void MainWindow::showHelpPage(const QString &page)
{
    const QString dir = DocumentationDirectory(QCoreApplication::applicationDirPath());
    QFile f(dir + u'/' + page);
    if (dir.isEmpty() || !f.open(QIODevice::ReadOnly)) {
        print(QStringLiteral("Error displaying the file ") + page);
        return;
    }
    auto *help = new QDialog(this);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setWindowTitle(QStringLiteral("Zorblax Help: ") + page);
    auto *text = new QTextBrowser(help);
    text->setMarkdown(QString::fromUtf8(f.read(4 << 20)));
    text->setOpenExternalLinks(false);
    auto *layout = new QVBoxLayout(help);
    layout->addWidget(text);
    const QScreen *screen = QGuiApplication::primaryScreen();
    help->resize(QSize(820, 640).boundedTo(screen ? screen->availableGeometry().size() : QSize(820, 640)));
    help->show();
}

void MainWindow::print(const QString &line)
{
    commandTab_->appendLines(line.split(u'\n'));
}

void MainWindow::report(const QString &text)
{
    commandTab_->appendLines(ReportLines(text));
    if (batch_)
        batch_->noteReport();
}

void MainWindow::restoreFromTool()
{
    if (!isVisible() || isMinimized()) {
        showNormal();
        raise();
        activateWindow();
    }
}

bool MainWindow::runConfirmedCommand(const QString &directory, const QString &command)
{
    preConfirmed_ = true;
    const bool started = runCommand(directory, command);
    preConfirmed_ = false;
    return started;
}

bool MainWindow::confirm(const QString &question)
{
    if (preConfirmed_)
        return true;
    if (confirmAnswer_)
        return confirmAnswer_(question);
    return QMessageBox::question(this, QString::fromLatin1(kMainTitle), question) == QMessageBox::Yes;
}

bool MainWindow::copyProgress(const QString &name, qint64 done, qint64 total)
{
    if (!progress_) {
        progress_ = new QProgressDialog(this);
        progress_->setWindowTitle(QStringLiteral("Copy"));
        progress_->setCancelButtonText(QStringLiteral("&Cancel"));
        progress_->setMinimumDuration(300);
        progress_->setRange(0, 1000);
    }
    progress_->setLabelText(QStringLiteral("Copying ") + name);
    progress_->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 1000);
    QCoreApplication::processEvents();
    return progress_->wasCanceled();
}

void MainWindow::copyFinished()
{
    delete progress_;
}

void MainWindow::clearHistory()
{
    commandTab_->clearHistory();
}

QString MainWindow::historyText() const
{
    return commandTab_->historyText();
}

bool MainWindow::showFile(const QString &path)
{
    // Pictures are shown as pictures.
    if (QImageReader(path).canRead() && TabHost::showImage(this, path))
        return true;
    auto *w = new TextWindow(TextWindow::Kind::Viewer, this);
    if (!w->load(path)) {
        delete w;
        return false;
    }
    w->show();
    return true;
}

void MainWindow::editFile(const QString &path)
{
    auto *w = new TextWindow(TextWindow::Kind::Editor, this);
    if (!path.isEmpty() && !w->load(path))
        print(QStringLiteral("Error displaying the file ") + path);
    w->show();
}

void MainWindow::editList(const QString &path)
{
    auto *w = new TextWindow(TextWindow::Kind::ListEditor, this);
    if (!path.isEmpty() && !w->load(path))
        print(QStringLiteral("Error displaying the file ") + path);
    w->show();
}

void MainWindow::createListFile(const QString &directory, const QStringList &files)
{
    auto *w = new TextWindow(TextWindow::Kind::ListEditor, this);
    QStringList names;
    for (const QString &f : files)
        names << (QFileInfo(f).absolutePath() == directory ? QFileInfo(f).fileName() : f);
    w->load(QDir(directory).filePath(QStringLiteral("new.lst")));
    w->setText(names.join(u'\n'));
    connect(w, &TextWindow::saved, this, [this](const QString &name) {
        QMessageBox::information(this, QString::fromLatin1(kMainTitle),
                                 QStringLiteral("The list file, %1, has been created and is highlighted.\r\n"
                                                "You may now use it to process your multiple selections together.")
                                     .arg(QFileInfo(name).fileName()));
        for (FilePane *pane : tabs_->currentWidget()->findChildren<FilePane *>())
            if (pane->directory() == QFileInfo(name).absolutePath())
                pane->selectFile(QFileInfo(name).fileName());
    });
    w->show();
}

void MainWindow::analyze(const QString &path)
{
    auto *w = new AnalyzerWindow(this);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    if (!path.isEmpty())
        w->openFile(path);
}

void MainWindow::showHelp()
{
    showHelpPage(QStringLiteral("frontend.md"));
}

void MainWindow::changeFrameRate()
{
    FrameRateDialog dialog(interp_->directory(), this);
    if (dialog.exec() == QDialog::Accepted && !dialog.command().isEmpty())
        runCommand(dialog.directory(), dialog.command());
}

void MainWindow::about()
{
    QMessageBox::about(this, QStringLiteral("About"),
                       QStringLiteral("%1\n\nThe Zorblax toolkit's front end, version %2.")
                           .arg(QString::fromLatin1(kMainTitle), QString::fromLatin1(PlatformVersion())));
}

void MainWindow::exitRequested()
{
    if (batch_)
        batch_->stop();
    QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::runBatch(const QString &path, const QString &arguments)
{
    // A batch line naming a batch file runs it in place.
    if (batchRunning()) {
        batch_->runNested(path, arguments);
        return;
    }
    startBatch(path, arguments);
}

void MainWindow::toolLine(const QString &name, const QString &line)
{
    const int percent = ProgressPercent(line);
    toolProgress_->setVisible(percent >= 0);
    if (percent >= 0)
        toolProgress_->setValue(percent);
    toolStatus_->setText(name + QStringLiteral(": ") + line);
    toolStatus_->setToolTip(toolStatus_->text());
}

void MainWindow::toolEnded(qint64 pid, const QString &name, int status)
{
    if (status != 0)
        ++failedTools_;
    if (batch_)
        batch_->noteToolEnded(pid, status);
    if (runner_->runningTools() == 0) {
        toolProgress_->hide();
        toolStatus_->clear();
        toolStatus_->setToolTip(QString());
    }
    (void)name;
    emit toolFinished();
}

bool MainWindow::startBatch(const QString &path, const QString &arguments)
{
    delete batchWindow_;
    delete batch_;
    batch_ = new BatchRunner(*runner_, *this, this);
    if (!batch_->load(path, arguments)) {
        print(QStringLiteral("  Could not read the batch file ") + path);
        delete batch_;
        batch_ = nullptr;
        return false;
    }
    batchWindow_ = new BatchWindow(*batch_, this);
    connect(batch_, &BatchRunner::finished, this, [this](bool allRan) {
        syncCommandTab();
        if (batchWindow_)
            batchWindow_->hide();
        emit batchFinished(allRan);
    });
    batchWindow_->show();
    batch_->start();
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (batch_)
        batch_->cancel();
    // The shown tool form writes its values back before the file is written.
    auto *tab = qobject_cast<ToolForm *>(tabs_->currentWidget());
    if (tab && tab->isVisible())
        tab->storeSettings();
    state_.main.X = geometry().x();
    state_.main.Y = geometry().y();
    state_.main.CurrentTab = tabs_->currentIndex();
    state_.command.Directory = interp_->directory();
    if (!settingsPath_.isEmpty()) {
        // A settings file that cannot be written is said once in the history
        // (the window stays open so it can be read); the next close goes ahead.
        const QString error = state_.save(settingsPath_);
        if (!error.isEmpty() && !saveFailureShown_) {
            saveFailureShown_ = true;
            print(error);
            tabs_->setCurrentWidget(commandTab_);
            std::fprintf(stderr, "zorblaxw: %s\n", qPrintable(error));
            if (!unattended_) {
                event->ignore();
                return;
            }
        }
    }
    QMainWindow::closeEvent(event);
}

} // namespace zfront
