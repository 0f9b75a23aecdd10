// Shared by the tab tests: the application, a host that records or really
// runs commands, and answers to the tabs' questions.
#ifndef ZORB_TESTS_FRONTEND_TABS_TABS_SUPPORT_H
#define ZORB_TESTS_FRONTEND_TABS_TABS_SUPPORT_H

#include "frontend/core/settings.h"
#include "frontend/ui/tabhost.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <ostream>

// Readable test failures.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

class FakeHost : public zfront::TabHost {
public:
    zfront::Settings &settings() override { return settings_; }
    bool runCommand(const QString &directory, const QString &command) override;
    bool runBatch(const QString &file) override;
    bool editText(QWidget *, const QString &caption, const QString &path, const QString &text) override;
    bool showImage(QWidget *, const QString &path) override
    {
        images << path;
        return true;
    }
    void openAnalyzer(QWidget *, const QString &path) override { analyzed << path; }

    zfront::Settings settings_;
    QStringList commands; // "directory: command"
    QStringList batches, edited, images, analyzed;
    bool saveEdits = true;
    bool batchCompletes = true;
    // When set, commands naming one of our programs are really run (from the
    // build's bin directory, in the directory given) and their exit status kept.
    bool execute = false;
    QList<int> statuses;
    // Front end number passed as "/#N" to programs really run (0: none).
    uint32_t link = 0;
};

// Answers each question the tabs ask with the next answer (0 = the first
// button, "&Yes"); records every text asked or told. Uninstalls on scope exit.
class Answers {
public:
    explicit Answers(QList<int> answers);
    ~Answers();
    QStringList asked; // questions
    QStringList told;  // messages
    QList<int> answers;
};

#endif
