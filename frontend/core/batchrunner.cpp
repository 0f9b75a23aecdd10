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

bool BatchRunner::load(const QString &path, const QString &arguments)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > kMaxBatchBytes)
        return false;
    const QString text = QString::fromUtf8(f.readAll());
    path_ = path;
    arguments_ = arguments;
    lines_.clear();
    for (QString line : text.split(u'\n')) {
        line = selection::trimLow(line);
        if (!line.isEmpty())
            lines_ << line;
    }
    return true;
}

void BatchRunner::start()
{
    current_ = -1;
    running_ = true;
    cancelled_ = false;
    allRan_ = true;
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
    if (cancelled_ || current_ + 1 >= lines_.size()) {
        finish();
        return;
    }
    ++current_;
    emit lineStarted(current_);
    runner_.setBatchArguments(arguments_);
    const RunResult r = runner_.run(QString(), lines_[current_]);
    runner_.setBatchArguments(savedArguments_);
    if (!running_) // the line ended the batch (exit)
        return;
    if (r.failed)
        allRan_ = false;
    if (r.knownTool && r.pid > 0) {
        waiting_ = true;
        reported_ = false;
        pid_ = r.pid;
        QString rest;
        SplitFirstWord(lines_[current_], word_, rest);
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
