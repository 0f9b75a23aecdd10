// Benchmarks that run whole programs: the CPU time the children used.
#ifndef ZORB_BENCH_CHILD_CPU_H
#define ZORB_BENCH_CHILD_CPU_H

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace bench_support {

// User and system seconds of every child that has ended so far.
inline double ChildCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds the command takes (it runs to its end before this returns);
// *ok becomes false when it fails.
inline double MeasureCommand(const std::string &command, bool *ok)
{
    const double before = ChildCpuSeconds();
    const int status = std::system(command.c_str());
    *ok = *ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return ChildCpuSeconds() - before;
}

} // namespace bench_support

#endif
