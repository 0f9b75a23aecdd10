// Helpers of the front end's tests (header only: only the Qt test programs
// include it): one application per test program, waiting on the event loop
// with a time limit, and re-running one test of this program under Xvfb.
#ifndef ZORB_TESTS_SUPPORT_FRONTEND_TESTING_H
#define ZORB_TESTS_SUPPORT_FRONTEND_TESTING_H

#include <QApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>

namespace zorb::test {

// True in the child that RunUnderXvfb starts.
inline bool InsideXvfb()
{
    return std::getenv("ZORB_XVFB_CHILD") != nullptr;
}

// The program's application (Qt's offscreen platform in the tests).
inline QApplication &FrontEndApp()
{
    // ctest's environment list reaches the tests cut after its first entry:
    // the headless platform is chosen here as well.
    if (!InsideXvfb() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "frontend_test";
    static char *argv[] = {name, nullptr};
    // Never destroyed: objects Qt keeps for the whole process (the input
    // devices that simulated keys create) must not outlive it at exit.
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

// Runs the event loop until done() holds or ms pass; false on time-out.
inline bool WaitFor(const std::function<bool()> &done, int ms = 30000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline bool HaveXvfb()
{
    return std::system("command -v xvfb-run >/dev/null 2>&1") == 0;
}

// Runs this test program with only `filter` under xvfb-run on Qt's X11
// platform; returns its output, *status its exit status. The X11 side keeps
// memory until exit, so leak checking stays with the headless tests.
inline std::string RunUnderXvfb(const std::string &filter, int *status, const std::string &extraEnv = "")
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        *status = -1;
        return "no /proc/self/exe";
    }
    self[n] = 0;
    const std::string cmd = "xvfb-run -a -s '-screen 0 1024x768x24' env ZORB_XVFB_CHILD=1 QT_QPA_PLATFORM=xcb " +
                            extraEnv + " ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" '" + self +
                            "' --gtest_filter=" + filter + " 2>&1";
    std::string out;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) {
        *status = -1;
        return "popen failed";
    }
    char line[512];
    while (std::fgets(line, sizeof line, p))
        out += line;
    *status = pclose(p);
    return out;
}

// The parent half of a test that runs under Xvfb: skipped inside the child
// and where xvfb-run is missing, else the child `filter` must pass.
inline void ExpectPassesUnderXvfb(const std::string &filter, const std::string &extraEnv = "")
{
    if (InsideXvfb())
        GTEST_SKIP() << "runs the child below";
    if (!HaveXvfb())
        GTEST_SKIP() << "xvfb-run is missing";
    int status = 0;
    const std::string out = RunUnderXvfb(filter, &status, extraEnv);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

} // namespace zorb::test

#endif
