// Configuration files: the toolkit's configuration directory and a small INI
// reader, plus the process-wide debug value and debug log built on them.
#include "platform/fdio.h"
#include "platform/platform.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

std::string trimmed(const std::string &s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return s.substr(b, e - b);
}

bool sameNoCase(const std::string &a, const char *b)
{
    const size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Finds the value of key in section; false when the file, section or key is missing.
bool iniLookup(const char *file, const char *section, const char *key, std::string &value)
{
    if (!file || !section || !key)
        return false;
    FILE *f = std::fopen(file, "r");
    if (!f)
        return false;
    bool inSection = false, found = false;
    std::string line;
    char chunk[512];
    while (!found) {
        line.clear();
        bool gotAny = false;
        while (std::fgets(chunk, sizeof chunk, f)) {
            gotAny = true;
            line += chunk;
            if (!line.empty() && line.back() == '\n')
                break;
        }
        if (!gotAny)
            break;
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == ';' || t[0] == '#')
            continue;
        if (t[0] == '[') {
            const size_t close = t.find(']');
            inSection = close != std::string::npos && sameNoCase(trimmed(t.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const size_t eq = t.find('=');
        if (eq == std::string::npos)
            continue;
        if (sameNoCase(trimmed(t.substr(0, eq)), key)) {
            value = trimmed(t.substr(eq + 1));
            found = true;
        }
    }
    std::fclose(f);
    return found;
}

// Decimal or 0x-hexadecimal, optionally signed; leading digits only.
int parseInt(const std::string &text, int defaultValue)
{
    const char *s = text.c_str();
    while (*s == ' ' || *s == '\t')
        ++s;
    if (!*s)
        return defaultValue;
    errno = 0;
    char *end = nullptr;
    const long long v = std::strtoll(s, &end, (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) ? 16 : 10);
    if (end == s)
        return 0;
    return static_cast<int>(static_cast<uint32_t>(v));
}

std::atomic<int> g_debugValue{0};
std::once_flag g_debugOnce;

int readDebugValue()
{
    const char *env = std::getenv("ZORBLAX_DEBUG");
    if (env && *env)
        return parseInt(env, 0);
    char path[4096];
    if (PlatformConfigPath("zorblax.ini", path, sizeof path) == 0)
        return 0;
    return PlatformIniInt(path, "Zorblax", "Debug", 0);
}

void loadDebugValue()
{
    g_debugValue.store(readDebugValue(), std::memory_order_relaxed);
}

} // namespace

extern "C" size_t PlatformConfigPath(const char *name, char *path, size_t size)
{
    if (!path || size == 0)
        return 0;
    std::string dir;
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') {
        dir = xdg;
    } else {
        const char *home = std::getenv("HOME");
        if (!home || !*home)
            return 0;
        dir = std::string(home) + "/.config";
    }
    dir += "/zorblax";
    if (name && *name) {
        dir += '/';
        dir += name;
    }
    if (dir.size() + 1 > size)
        return 0;
    std::memcpy(path, dir.c_str(), dir.size() + 1);
    return dir.size();
}

extern "C" int PlatformIniInt(const char *file, const char *section, const char *key, int defaultValue)
{
    std::string value;
    if (!iniLookup(file, section, key, value))
        return defaultValue;
    return parseInt(value, 0);
}

extern "C" size_t PlatformIniString(const char *file, const char *section, const char *key, const char *defaultValue,
                                    char *value, size_t size)
{
    if (!value || size == 0)
        return 0;
    std::string v;
    if (!iniLookup(file, section, key, v))
        v = defaultValue ? defaultValue : "";
    const size_t n = v.size() < size - 1 ? v.size() : size - 1;
    std::memcpy(value, v.data(), n);
    value[n] = '\0';
    return n;
}

extern "C" int PlatformDebugValue(void)
{
    std::call_once(g_debugOnce, loadDebugValue);
    return g_debugValue.load(std::memory_order_relaxed);
}

extern "C" void PlatformDebugReload(void)
{
    std::call_once(g_debugOnce, [] {});
    loadDebugValue();
}

extern "C" int PlatformDebugOn(void)
{
    return (PlatformDebugValue() & 0xFF) == 1;
}

extern "C" void PlatformDebugLog(const char *format, ...)
{
    if (!format || !PlatformDebugOn())
        return;
    char stackBuf[1024];
    va_list ap;
    va_start(ap, format);
    va_list ap2;
    va_copy(ap2, ap);
    const int n = std::vsnprintf(stackBuf, sizeof stackBuf, format, ap);
    va_end(ap);
    if (n < 0) {
        va_end(ap2);
        return;
    }
    std::string line;
    if (static_cast<size_t>(n) < sizeof stackBuf) {
        line.assign(stackBuf, static_cast<size_t>(n));
    } else {
        line.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(line.data(), line.size(), format, ap2);
        line.resize(static_cast<size_t>(n));
    }
    va_end(ap2);
    if (line.empty() || line.back() != '\n')
        line += '\n';
    // One write per line so lines of several threads or processes do not mix.
    zorb::platform::writeAll(STDERR_FILENO, line.data(), line.size());
}
