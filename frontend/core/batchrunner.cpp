#include "frontend/core/batchrunner.h"

#include "frontend/core/commandrunner.h"
#include "frontend/core/commandtext.h"
#include "frontend/core/interpreter.h"
#include "frontend/core/selection.h"

#include <QFile>
#include <QFileInfo>

namespace zfront {

namespace {
constexpr qint64 kMaxBatchBytes = 4 << 20;
}

BatchRunner::BatchRunner(CommandRunner &runner, InterpreterHost &host, QObject *parent)
    : QObject(parent), runner_(runner), host_(host)
{
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &BatchRunner::poll);
}

bool BatchRunner::read(const QString &path, QStringList &lines)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > kMaxBatchBytes)
        return false;
    const QString text = QString::fromUtf8(f.readAll());
    lines.clear();
    for (QString line : text.split(u'\n')) {
        line = selection::trimLow(line);
        if (!line.isEmpty())
            lines << line;
    }
    return true;
}

bool BatchRunner::load(const QString &path, const QString &arguments)
{
    Frame f{path, arguments, {}, -1};
    if (!read(path, f.lines))
        return false;
    frames_ = {f};
    return true;
}

bool BatchRunner::runNested(const QString &path, const QString &arguments)
{
    if (!running_ || frames_.isEmpty())
        return false;
    if (frames_.size() >= kMaxBatchDepth) {
        host_.print(QStringLiteral("  Batch files nested more than %1 deep: %2 was not run.")
                        .arg(kMaxBatchDepth)
                        .arg(QFileInfo(path).fileName()));
        allRan_ = false;
        return false;
    }
    Frame f{path, arguments, {}, -1};
    if (!read(path, f.lines)) {
        host_.print(QStringLiteral("  Could not read the batch file ") + path);
        allRan_ = false;
        return false;
    }
    frames_ << f;
    emit fileChanged();
    return true;
}

void BatchRunner::noteToolEnded(qint64 pid, int status)
{
    if (status != 0 && started_.contains(pid))
        allRan_ = false;
}

void BatchRunner::start()
{
    for (Frame &f : frames_)
        f.current = -1;
    running_ = true;
    cancelled_ = false;
    allRan_ = true;
    started_.clear();
    savedArguments_ = runner_.batchArguments();
    QTimer::singleShot(0, this, &BatchRunner::next);
}

void BatchRunner::cancel()
{
    if (!running_)
        return;
    cancelled_ = true;
    allRan_ = false;
    if (waiting_)
        finish();
}

void BatchRunner::stop()
{
    if (running_)
        finish();
}

void BatchRunner::noteReport()
{
    if (waiting_)
        reported_ = true;
}

void BatchRunner::next()
{
    if (!running_)
        return;
    // A file run to its end goes back to the one that named it.
    while (frames_.size() > 1 && frames_.back().current + 1 >= frames_.back().lines.size()) {
        frames_.removeLast();
        emit fileChanged();
    }
    Frame *frame = &frames_.back();
    if (cancelled_ || frame->current + 1 >= frame->lines.size()) {
        finish();
        return;
    }
    const int index = ++frame->current;
    const QString line = frame->lines[index];
    emit lineStarted(index);
    runner_.setBatchArguments(frame->arguments);
    const RunResult r = runner_.run(QString(), line);
    runner_.setBatchArguments(savedArguments_);
    if (!running_) // the line ended the batch (exit)
        return;
    if (r.failed)
        allRan_ = false;
    if (r.pid > 0)
        started_ << r.pid;
    if (r.knownTool && r.pid > 0) {
        waiting_ = true;
        reported_ = false;
        pid_ = r.pid;
        QString rest;
        SplitFirstWord(line, word_, rest);
        timer_.start();
        return;
    }
    QTimer::singleShot(0, this, &BatchRunner::next);
}

void BatchRunner::poll()
{
    if (!waiting_)
        return;
    if (reported_) {
        waiting_ = false;
        timer_.stop();
        next();
        return;
    }
    if (!ProcessAlive(pid_)) {
        // The tool ended without reporting (a crash, or a tool that does not
        // report): note it and go on rather than wait for ever.
        waiting_ = false;
        timer_.stop();
        host_.print(QStringLiteral("  %1 ended without a report.").arg(word_));
        allRan_ = false;
        next();
    }
}

void BatchRunner::finish()
{
    timer_.stop();
    waiting_ = false;
    if (!running_)
        return;
    running_ = false;
    emit finished(allRan_);
}

} // namespace zfront
